// The settings record over the real registry: the key it creates, and what a save leaves
// there, value by value.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/AppSettings.h"

namespace {

struct RegValue {
    std::wstring name;
    DWORD type;
    std::vector<BYTE> data;
};

// The key's values. Wine lists them by name, so the order of writing cannot be seen here.
std::vector<RegValue> Enumerate(const wchar_t* path) {
    std::vector<RegValue> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0, size = 0;
        BYTE data[1024];
        size = sizeof data;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        values.push_back({name, type, std::vector<BYTE>(data, data + size)});
    }
    RegCloseKey(key);
    return values;
}

const RegValue* Find(const std::vector<RegValue>& values, const wchar_t* name) {
    for (const RegValue& v : values)
        if (v.name == name) return &v;
    return nullptr;
}

DWORD Dword(const RegValue* value) { return value ? *reinterpret_cast<const DWORD*>(value->data.data()) : 0; }

class SettingsRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey); }
};

}  // namespace

TEST_F(SettingsRegistryTest, FirstStartCreatesTheKeyAndYieldsDefaults) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key));
    AppSettings settings;
    settings.Load();
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key));
    RegCloseKey(key);
    EXPECT_TRUE(Enumerate(kSettingsKey).empty());

    EXPECT_EQ(settings.BufferTime, 2000);
    EXPECT_EQ(settings.BufferBlocks, 4);
    EXPECT_EQ(settings.DecodeBufSize, 8192);
    EXPECT_EQ(settings.OutputDeviceSel, 0);
    EXPECT_EQ(settings.MmeDeviceID, -1);
    EXPECT_EQ(settings.ResolutionBits, 24);
    EXPECT_EQ(settings.DitherCode(), 0);
    RECT desktop{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(settings.CueWindowPos.left, desktop.right);
    EXPECT_EQ(settings.CueWindowPos.top, desktop.bottom);
    EXPECT_EQ(settings.TimeViewPos.right, 0);
}

TEST_F(SettingsRegistryTest, SaveWritesEveryValueWithItsType) {
    AppSettings settings;
    settings.Load();
    settings.LastPath = L"C:\\音楽\\曲.wav";
    settings.MmeDeviceID = -1;
    settings.DitherType = 0x10001;
    settings.CueWindowPos = {1, 2, 3, 4};
    settings.OutputName = {L"Out 1/2", L"Out 3/4", L"Out 5/6"};
    settings.Save();

    const std::vector<RegValue> values = Enumerate(kSettingsKey);
    const std::vector<std::pair<const wchar_t*, DWORD>> expected = {
        {L"LastPath", REG_SZ},         {L"CueLastPath", REG_SZ},      {L"AppConfig", REG_DWORD},
        {L"CueWindowPos", REG_BINARY}, {L"TimeViewPos", REG_BINARY},  {L"TimeMode", REG_DWORD},
        {L"WindowConfig", REG_DWORD},  {L"AssociateConfig", REG_DWORD}, {L"BufferTime", REG_DWORD},
        {L"BufferBlocks", REG_DWORD},  {L"DecodeBufSize", REG_DWORD},  {L"OutputDeviceSel", REG_DWORD},
        {L"DitherType", REG_DWORD},    {L"MmeDeviceString", REG_SZ},   {L"MmeDeviceID", REG_DWORD},
        {L"AsioOutputChannel", REG_DWORD}, {L"ResolutionBits", REG_DWORD}, {L"AsioDriverString", REG_SZ},
        {L"IconFile0", REG_SZ},        {L"IconFile1", REG_SZ},         {L"IconFile2", REG_SZ}};
    EXPECT_EQ(values.size(), expected.size());
    for (const auto& [name, type] : expected) {
        const RegValue* value = Find(values, name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->type, type) << name;
        if (type == REG_DWORD) {
            EXPECT_EQ(value->data.size(), 4u) << name;
        }
    }
    const RegValue* path = Find(values, L"LastPath");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->data.size(), (settings.LastPath.size() + 1) * 2);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(path->data.data())), settings.LastPath);
    EXPECT_EQ(Dword(Find(values, L"MmeDeviceID")), 0xFFFFFFFFu);
    EXPECT_EQ(Dword(Find(values, L"DitherType")), 0x10001u);
    const RegValue* rect = Find(values, L"CueWindowPos");
    ASSERT_EQ(rect->data.size(), 16u);
    EXPECT_EQ(reinterpret_cast<const int32_t*>(rect->data.data())[3], 4);

    const std::vector<RegValue> outputs = Enumerate(kAsioOutputKey);
    EXPECT_EQ(outputs.size(), 4u);
    EXPECT_EQ(Dword(Find(outputs, L"Length")), 3u);
    const RegValue* last = Find(outputs, L"OutputName02");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(last->data.data())), L"Out 5/6");

    AppSettings loaded;
    loaded.Load();
    EXPECT_EQ(loaded.LastPath, settings.LastPath);
    EXPECT_EQ(loaded.OutputName, settings.OutputName);
    EXPECT_EQ(loaded.CueWindowPos.bottom, 4);
}

TEST_F(SettingsRegistryTest, ValueOfTheWrongTypeTakesItsDefault) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    const wchar_t text[] = L"500";
    RegSetValueExW(key, L"BufferTime", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
    const DWORD number = 7;
    RegSetValueExW(key, L"LastPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    const BYTE wide[8] = {1, 0, 0, 0, 2, 0, 0, 0};
    RegSetValueExW(key, L"BufferBlocks", 0, REG_BINARY, wide, sizeof wide);
    RegCloseKey(key);
    AppSettings settings;
    settings.Load();
    EXPECT_EQ(settings.BufferTime, 2000);
    EXPECT_EQ(settings.LastPath, L"");
    EXPECT_EQ(settings.BufferBlocks, 4);
}
