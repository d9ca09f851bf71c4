#include "settings/AsioPairNames.h"

#include <sstream>

namespace {

std::vector<std::wstring> Words(const std::wstring& text) {
    std::wistringstream in(text);
    std::vector<std::wstring> words;
    for (std::wstring word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace

std::wstring AsioPairName(const std::wstring& first, const std::wstring& second) {
    const std::vector<std::wstring> a = Words(first), b = Words(second);
    std::wstring name;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (!name.empty()) name += L' ';
        if (a[i] != b[i]) {
            name += a[i] + L"+" + b[i];
            break;
        }
        name += a[i];
    }
    return name;
}

std::vector<std::wstring> AsioPairNames(const std::vector<std::wstring>& channels) {
    std::vector<std::wstring> names;
    for (size_t j = 0; j + 1 < channels.size(); j += 2) names.push_back(AsioPairName(channels[j], channels[j + 1]));
    return names;
}
