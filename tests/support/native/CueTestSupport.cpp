#include "support/native/CueTestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/Text.h"
#include "support/native/AudioFixtures.h"

std::wstring CueTestFolder(const char* name) {
    std::filesystem::path dir = std::filesystem::path(TestFolder()) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return platform::Utf8ToWide(dir.string());
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(platform::WideToUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream(platform::WideToUtf8(path), std::ios::binary) << bytes;
}
