#include "app/CommandLine.h"

std::wstring CommandLineFile(const std::vector<std::wstring>& args) {
    std::wstring file;
    for (size_t i = 1; i < args.size(); ++i) {
        // An empty argument ("") names no file and must not undo the one before it.
        if (args[i].empty() || args[i][0] == L'/') continue;
        file = args[i];
    }
    return file;
}
