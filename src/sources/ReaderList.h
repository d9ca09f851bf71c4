#pragma once
// A fixed list of readers, one object of each class for the list's whole life, found by
// extension. Each class names the extensions it plays (lower case, with the dot) in a
// static array kExtensions.
#include <string>
#include <tuple>

#include "sources/AudioFile.h"

template <typename... Readers>
class CReaderList {
public:
    // The first reader in the list that plays ext; null when none does.
    CAudioFile* ForExtension(const std::wstring& ext) {
        CAudioFile* found = nullptr;
        std::apply([&](auto&... reader) { ((found = found ? found : Match(reader, ext)), ...); }, m_readers);
        return found;
    }
    static bool Plays(const std::wstring& ext) { return (PlayedBy<Readers>(ext) || ... || false); }
    template <typename Reader>
    Reader& Get() {
        return std::get<Reader>(m_readers);
    }

private:
    template <typename Reader>
    static bool PlayedBy(const std::wstring& ext) {
        for (const wchar_t* own : Reader::kExtensions)
            if (ext == own) return true;
        return false;
    }
    template <typename Reader>
    static CAudioFile* Match(Reader& reader, const std::wstring& ext) {
        return PlayedBy<Reader>(ext) ? &reader : nullptr;
    }

    std::tuple<Readers...> m_readers;
};
