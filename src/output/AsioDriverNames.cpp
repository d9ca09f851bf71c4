#include <cstring>

#include "output/AsioDriverList.h"
#include "platform/Text.h"

int CopyAsioDriverName(const std::string& name, char* buffer, int size) {
    if (!buffer) return AsioListNullArgument;
    if (size < 4) return AsioListNullArgument;
    const size_t cap = static_cast<size_t>(size);
    if (name.size() < cap) {
        std::memcpy(buffer, name.c_str(), name.size() + 1);
    } else {
        std::memcpy(buffer, name.data(), cap - 4);
        std::memcpy(buffer + cap - 4, "...", 4);
    }
    return 0;
}

bool AsioDriverNames(std::vector<std::wstring>& names) {
    names.clear();
    std::unique_ptr<CAsioDriverListBase> list = OpenAsioDriverList();
    char name[128];
    for (int i = 0; i < list->Count(); ++i) {
        if (list->GetName(i, name, sizeof name) == 0) names.push_back(platform::AnsiToWide(name));
    }
    return !names.empty();
}
