#pragma once
// A decoder library the readers load by name on first use (Windows finds it beside the
// program first) and keep: the exports a reader takes from it, and the message box when
// it cannot be loaded or lacks one of them.
#include <string>

#include "platform/DebugLine.h"
#include "platform/Library.h"
#include "sources/ReaderReport.h"

struct DecoderLibraryTexts {
    const wchar_t* missing;     // the library cannot be loaded
    const wchar_t* incomplete;  // an export is missing
};

class DecoderLibrary {
public:
    DecoderLibrary(std::wstring name, const DecoderLibraryTexts& texts) : m_name(std::move(name)), m_texts(texts) {}

    // True once loaded. Otherwise loads the library and calls take(*this), which takes the
    // exports and answers whether all were there; a library without them is let go, so a
    // replaced one is tried at the next call. Each failure is reported.
    template <class Take>
    bool Load(Take take) {
        if (m_library.IsLoaded()) return true;
        if (!m_library.Load(m_name)) {
            DebugLine(L"%ls: not loaded", m_name.c_str());
            return ReportDecoderError(m_texts.missing);
        }
        if (take(*this)) return true;
        DebugLine(L"%ls: an export is missing", m_name.c_str());
        m_library.Free();
        return ReportDecoderError(m_texts.incomplete);
    }

    const std::wstring& Name() const { return m_name; }

    template <class Fn>
    Fn Export(const char* name) const {
        return reinterpret_cast<Fn>(m_library.Symbol(name));
    }

private:
    std::wstring m_name;
    DecoderLibraryTexts m_texts;
    platform::Library m_library;
};
