// The drivers listed under HKEY_LOCAL_MACHINE "software\asio", each naming the COM class
// of its driver object; only those whose in-process server file exists are listed.
#include "output/AsioDriverList.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "platform/ComUnknown.h"
#include "platform/Text.h"

namespace {

// A string value of at most size bytes; empty when missing or not a string.
std::string ReadString(HKEY key, const char* value, DWORD size) {
    std::string text(size, '\0');
    DWORD type = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    text.resize(std::min<size_t>(size, text.size()));
    text.resize(std::strlen(text.c_str()));
    if (type == REG_EXPAND_SZ) {
        char expanded[MAX_PATH];
        if (ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded) - 1 < sizeof expanded) text = expanded;
    }
    return text;
}

// Whether the class's in-process server file exists.
bool ServerExists(std::string clsid) {
    std::transform(clsid.begin(), clsid.end(), clsid.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    HKEY classes = nullptr, server = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, "clsid", &classes) != ERROR_SUCCESS) return false;
    bool exists = false;
    const std::string path = clsid + "\\InprocServer32";
    if (RegOpenKeyExA(classes, path.c_str(), 0, KEY_READ, &server) == ERROR_SUCCESS) {
        const std::string file = ReadString(server, nullptr, 512);
        const DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(file.c_str());
        exists = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
        RegCloseKey(server);
    }
    RegCloseKey(classes);
    return exists;
}

class AsioDriverList : public CAsioDriverListBase {
public:
    AsioDriverList() {
        HKEY root = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\asio", &root) == ERROR_SUCCESS) {
            char name[128];
            for (DWORD i = 0; RegEnumKeyA(root, i, name, sizeof name) == ERROR_SUCCESS; ++i) Append(root, name);
            RegCloseKey(root);
        }
        if (!m_entries.empty()) m_com = SUCCEEDED(CoInitialize(nullptr));
    }

    ~AsioDriverList() override {
        // Released here, not by the entries' destructors: COM must still be initialised.
        for (int i = 0; i < Count(); ++i) ReleaseDriver(i);
        if (m_com) CoUninitialize();
    }

    int Count() override { return static_cast<int>(m_entries.size()); }

    int GetName(int index, char* buffer, int size) override {
        if (!buffer) return AsioListNullArgument;
        if (index < 0 || index >= Count()) return AsioListNoEntry;
        return CopyAsioDriverName(m_entries[static_cast<size_t>(index)].name, buffer, size);
    }

    int CreateDriver(int index, IAsioDriver** out) override {
        if (!out) return AsioListNullArgument;
        if (index < 0 || index >= Count()) return AsioListNoEntry;
        Entry& entry = m_entries[static_cast<size_t>(index)];
        if (entry.driver) return AsioListDriverExists;
        // The driver's class id is also the id of its interface.
        void* object = nullptr;
        const HRESULT result = CoCreateInstance(entry.clsid, nullptr, CLSCTX_INPROC_SERVER, entry.clsid, &object);
        if (FAILED(result)) return static_cast<int>(result);
        entry.driver.Reset(static_cast<IAsioDriver*>(object));
        *out = entry.driver.Get();
        return 0;
    }

    int ReleaseDriver(int index) override {
        if (index < 0 || index >= Count()) return 0;
        m_entries[static_cast<size_t>(index)].driver.Reset();
        return 0;
    }

private:
    struct Entry {
        CLSID clsid;
        std::string name;  // at most 127 bytes
        platform::ComRef<IAsioDriver> driver;
    };

    void Append(HKEY root, const char* keyName) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(root, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
        const std::string clsid = ReadString(key, "clsid", 256);
        if (!clsid.empty() && ServerExists(clsid)) {
            Entry entry{};
            const std::wstring wide = platform::AnsiToWide(clsid).substr(0, 100);
            if (FAILED(CLSIDFromString(wide.c_str(), &entry.clsid))) entry.clsid = CLSID{};
            entry.name = ReadString(key, "description", 256);
            if (entry.name.empty()) entry.name = keyName;
            entry.name.resize(std::min<size_t>(entry.name.size(), 127));
            m_entries.push_back(std::move(entry));
        }
        RegCloseKey(key);
    }

    std::vector<Entry> m_entries;
    bool m_com = false;
};

}  // namespace

std::unique_ptr<CAsioDriverListBase> OpenAsioDriverList() { return std::make_unique<AsioDriverList>(); }
