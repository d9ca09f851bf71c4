#include "settings/AppSettings.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Desktop.h"
#include "platform/ValueStore.h"

using platform::ValueStore;

namespace {

// A value of exactly the given type and size, or false.
bool ReadExact(const ValueStore& store, const std::wstring& name, uint32_t type, void* buffer, uint32_t size) {
    uint32_t storedType = 0;
    uint32_t storedSize = size;
    return store.Read(name, storedType, buffer, storedSize) == 0 && storedType == type && storedSize == size;
}

int32_t ReadDword(const ValueStore& store, const std::wstring& name, int32_t fallback) {
    int32_t value = 0;
    return ReadExact(store, name, platform::ValueTypeDword, &value, sizeof value) ? value : fallback;
}

WindowRect ReadRect(const ValueStore& store, const std::wstring& name, const WindowRect& fallback) {
    int32_t edges[4];
    if (!ReadExact(store, name, platform::ValueTypeBinary, edges, sizeof edges)) return fallback;
    return {edges[0], edges[1], edges[2], edges[3]};
}

// Asks the size first and reads into a buffer one character longer, so a value stored
// without its terminating zero still ends in one.
std::wstring ReadString(const ValueStore& store, const std::wstring& name) {
    uint32_t type = 0;
    uint32_t size = 0;
    if (store.Read(name, type, nullptr, size) != 0 || type != platform::ValueTypeString) return {};
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    uint32_t capacity = static_cast<uint32_t>(text.size() * sizeof(wchar_t));
    if (store.Read(name, type, text.data(), capacity) != 0 || type != platform::ValueTypeString) return {};
    return std::wstring(text.data());
}

void WriteDword(const ValueStore& store, const std::wstring& name, int32_t value) {
    store.Write(name, platform::ValueTypeDword, &value, sizeof value);
}

void WriteRect(const ValueStore& store, const std::wstring& name, const WindowRect& rect) {
    const int32_t edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    store.Write(name, platform::ValueTypeBinary, edges, sizeof edges);
}

void WriteString(const ValueStore& store, const std::wstring& name, const std::wstring& value) {
    store.Write(name, platform::ValueTypeString, value.c_str(), static_cast<uint32_t>((value.size() + 1) * sizeof(wchar_t)));
}

std::wstring Numbered(const wchar_t* format, int number) {
    wchar_t name[32];
    std::swprintf(name, 32, format, number);
    return name;
}

// A window without a stored position starts at the desktop's bottom-right corner.
WindowRect CornerRect() {
    const platform::DesktopEdges desktop = platform::GetDesktopEdges();
    return {desktop.right, desktop.bottom, 0, 0};
}

}  // namespace

void AppSettings::DeriveCloseAtEnd() {
    CloseAtEnd = (AppConfig & (FileStart ? AppCloseAtEndFileStart : AppCloseAtEnd)) ? 1 : 0;
}

void AppSettings::Load() {
    const ValueStore store(kSettingsKey);
    const AppSettings defaults;
    LastPath = ReadString(store, L"LastPath");
    CueLastPath = ReadString(store, L"CueLastPath");
    AppConfig = ReadDword(store, L"AppConfig", defaults.AppConfig);
    DeriveCloseAtEnd();
    CueWindowPos = ReadRect(store, FileStart ? L"CueWindowPosAss" : L"CueWindowPos", CornerRect());
    TimeViewPos = ReadRect(store, FileStart ? L"TimeViewPosAss" : L"TimeViewPos", CornerRect());
    TimeMode = ReadDword(store, L"TimeMode", defaults.TimeMode) & 3;
    WindowConfig = ReadDword(store, L"WindowConfig", defaults.WindowConfig);
    AssociateConfig = ReadDword(store, L"AssociateConfig", defaults.AssociateConfig);
    if (FileStart) WindowConfig = AssociateConfig;
    BufferTime = ReadDword(store, L"BufferTime", defaults.BufferTime);
    BufferBlocks = ReadDword(store, L"BufferBlocks", defaults.BufferBlocks);
    DecodeBufSize = ReadDword(store, L"DecodeBufSize", defaults.DecodeBufSize);
    OutputDeviceSel = ReadDword(store, L"OutputDeviceSel", defaults.OutputDeviceSel);
    DitherType = ReadDword(store, L"DitherType", defaults.DitherType);
    MmeDeviceString = ReadString(store, L"MmeDeviceString");
    MmeDeviceID = ReadDword(store, L"MmeDeviceID", defaults.MmeDeviceID);
    if (MmeDeviceID < -1) MmeDeviceID = -1;
    AsioOutputChannel = ReadDword(store, L"AsioOutputChannel", defaults.AsioOutputChannel);
    if (AsioOutputChannel < 0) AsioOutputChannel = 0;
    ResolutionBits = ReadDword(store, L"ResolutionBits", defaults.ResolutionBits);
    AsioDriverString = ReadString(store, L"AsioDriverString");

    const ValueStore outputs(kAsioOutputKey);
    const uint32_t length = static_cast<uint32_t>(ReadDword(outputs, L"Length", 0));
    OutputName.clear();
    for (uint32_t i = 0; i < length; ++i) {
        std::wstring name = ReadString(outputs, Numbered(L"OutputName%02d", static_cast<int>(i)));
        if (name.empty()) break;
        OutputName.push_back(name);
    }
    for (int i = 0; i < kIconFiles; ++i) IconFile[i] = ReadString(store, Numbered(L"IconFile%d", i));
}

void AppSettings::Save() const {
    const ValueStore store(kSettingsKey);
    WriteString(store, L"LastPath", LastPath);
    WriteString(store, L"CueLastPath", CueLastPath);
    WriteDword(store, L"AppConfig", AppConfig);
    WriteRect(store, FileStart ? L"CueWindowPosAss" : L"CueWindowPos", CueWindowPos);
    WriteRect(store, FileStart ? L"TimeViewPosAss" : L"TimeViewPos", TimeViewPos);
    WriteDword(store, L"TimeMode", TimeMode);
    // After a start with a file the flags in use are the file-start ones.
    if (!FileStart) WriteDword(store, L"WindowConfig", WindowConfig);
    WriteDword(store, L"AssociateConfig", AssociateConfig);
    WriteDword(store, L"BufferTime", BufferTime);
    WriteDword(store, L"BufferBlocks", BufferBlocks);
    WriteDword(store, L"DecodeBufSize", DecodeBufSize);
    WriteDword(store, L"OutputDeviceSel", OutputDeviceSel);
    WriteDword(store, L"DitherType", DitherType);  // kept packed in memory
    WriteString(store, L"MmeDeviceString", MmeDeviceString);
    WriteDword(store, L"MmeDeviceID", MmeDeviceID);
    WriteDword(store, L"AsioOutputChannel", AsioOutputChannel);
    WriteDword(store, L"ResolutionBits", ResolutionBits);
    WriteString(store, L"AsioDriverString", AsioDriverString);

    const ValueStore outputs(kAsioOutputKey);
    for (size_t i = 0; i < OutputName.size(); ++i)
        WriteString(outputs, Numbered(L"OutputName%02d", static_cast<int>(i)), OutputName[i]);
    WriteDword(outputs, L"Length", static_cast<int32_t>(OutputName.size()));
    for (int i = 0; i < kIconFiles; ++i) WriteString(store, Numbered(L"IconFile%d", i), IconFile[i]);
}
