#pragma once
// Drop handles for the windows that take dropped files: what the shell gives, and handles
// from other programs that cannot be read.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// A drop handle holding exactly these bytes, however they are laid out.
inline HDROP MakeDropBlock(const std::vector<uint8_t>& bytes) {
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty()) {
        std::memcpy(::GlobalLock(memory), bytes.data(), bytes.size());
        ::GlobalUnlock(memory);
    }
    return static_cast<HDROP>(memory);
}

// A DROPFILES header with the list at `offset`, followed by `list`.
inline std::vector<uint8_t> DropBytes(DWORD offset, bool wide, const void* list, size_t bytes) {
    DROPFILES header{};
    header.pFiles = offset;
    header.fWide = wide;
    std::vector<uint8_t> block(sizeof header + bytes);
    std::memcpy(block.data(), &header, sizeof header);
    std::memcpy(block.data() + sizeof header, list, bytes);
    return block;
}

// What the shell gives a window that files are dropped on.
inline HDROP MakeDrop(const std::vector<std::wstring>& names) {
    size_t chars = 1;
    for (const auto& name : names) chars += name.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(::GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(drop + 1);
    for (const auto& name : names) {
        std::memcpy(text, name.c_str(), name.size() * sizeof(wchar_t));
        text += name.size() + 1;
    }
    ::GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

struct UnreadableDrop {
    const char* what;
    HDROP drop;
};

// Drop handles from other programs: one whose list the system would read past its end is
// left alone as a whole, even when its first names look fine. Made anew for each use.
inline std::vector<UnreadableDrop> UnreadableDrops() {
    static const wchar_t unended[] = L"C:\\a.wav";    // its zero, but not the list's
    static const wchar_t emptyOfOne[] = L"";          // a single zero
    static const wchar_t wellFormed[] = L"C:\\b.wav\0";  // and the literal's zero ends the list
    // What Wine's X11 bridge posts from the desktop process: a pointer that is no memory
    // block of this process (here to a well-formed list, which must not be read nor freed).
    static const struct {
        DROPFILES header;
        wchar_t names[10];
    } foreign = {{sizeof(DROPFILES), {}, FALSE, TRUE}, L"C:\\f.wav"};
    return {
        {"list without its end", MakeDropBlock(DropBytes(sizeof(DROPFILES), true, unended, sizeof unended))},
        {"one zero for an empty list", MakeDropBlock(DropBytes(sizeof(DROPFILES), true, emptyOfOne, sizeof emptyOfOne))},
        {"list beyond the block", MakeDropBlock(DropBytes(4096, true, wellFormed, sizeof wellFormed))},
        {"header cut short", MakeDropBlock(std::vector<uint8_t>(12, 0))},
        {"empty block", MakeDropBlock({})},
        {"no handle", nullptr},
        {"no memory block of this process", reinterpret_cast<HDROP>(const_cast<DROPFILES*>(&foreign.header))},
    };
}
