#include "settings/AppSettings.h"

#include <gtest/gtest.h>

#include "platform/Desktop.h"
#include "platform/ValueStore.h"
#include "platform/posix/ValueStoreMemory.h"

using platform::StoredValue;
using platform::ValueStore;
using platform::ValueStoreMemory;

namespace {

class AppSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ValueStoreMemory::Clear(); }
    void TearDown() override { ValueStoreMemory::Clear(); }

    static void PutDword(const wchar_t* key, const wchar_t* name, int32_t value) {
        ValueStore(key).Write(name, platform::ValueTypeDword, &value, sizeof value);
    }
    static void PutString(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
        ValueStore(key).Write(name, platform::ValueTypeString, value.c_str(),
                              static_cast<uint32_t>((value.size() + 1) * sizeof(wchar_t)));
    }
    static AppSettings Loaded(int32_t fileStart = 0) {
        AppSettings settings;
        settings.FileStart = fileStart;
        settings.Load();
        return settings;
    }
};

std::vector<std::wstring> Names(const std::vector<StoredValue>& values) {
    std::vector<std::wstring> names;
    for (const StoredValue& v : values) names.push_back(v.name);
    return names;
}

}  // namespace

TEST_F(AppSettingsTest, FirstStartCreatesTheKeyAndYieldsDefaults) {
    AppSettings settings;
    settings.BufferTime = 1;  // Load must overwrite whatever the record held
    settings.OutputName = {L"stale"};
    settings.Load();
    EXPECT_TRUE(ValueStoreMemory::KeyExists(kSettingsKey));
    EXPECT_TRUE(ValueStoreMemory::Values(kSettingsKey).empty());

    EXPECT_EQ(settings.BufferTime, 2000);
    EXPECT_EQ(settings.BufferBlocks, 4);
    EXPECT_EQ(settings.DecodeBufSize, 8192);
    EXPECT_EQ(settings.OutputDeviceSel, 0);
    EXPECT_EQ(settings.MmeDeviceID, -1);
    EXPECT_EQ(settings.ResolutionBits, 24);
    EXPECT_EQ(settings.DitherCode(), 0);
    EXPECT_EQ(settings.AppConfig, 0x10);
    EXPECT_EQ(settings.TimeMode, 1);
    EXPECT_EQ(settings.WindowConfig, 0x17);
    EXPECT_EQ(settings.AssociateConfig, 0x16);
    EXPECT_EQ(settings.CloseAtEnd, 0);
    EXPECT_TRUE(settings.OutputName.empty());
    EXPECT_TRUE(settings.LastPath.empty());

    const platform::DesktopEdges desktop = platform::GetDesktopEdges();
    for (const WindowRect& r : {settings.CueWindowPos, settings.TimeViewPos}) {
        EXPECT_EQ(r.left, desktop.right);
        EXPECT_EQ(r.top, desktop.bottom);
        EXPECT_EQ(r.right, 0);
        EXPECT_EQ(r.bottom, 0);
    }
}

TEST_F(AppSettingsTest, SaveWritesEveryValueInOrderAndLoadReadsThemBack) {
    AppSettings saved;
    saved.LastPath = L"C:\\音楽\\a.wav";
    saved.CueLastPath = L"D:\\cue";
    saved.AppConfig = 0xA5;
    saved.CueWindowPos = {10, -20, 300, 400};
    saved.TimeViewPos = {-1, 2, 3, 4};
    saved.TimeMode = 3;
    saved.WindowConfig = 0x0B;
    saved.AssociateConfig = 0x01;
    saved.BufferTime = 500;
    saved.BufferBlocks = 32;
    saved.DecodeBufSize = 65536;
    saved.OutputDeviceSel = 1;
    saved.DitherType = 0x10002;
    saved.MmeDeviceString = L"Speakers";
    saved.MmeDeviceID = 3;
    saved.AsioOutputChannel = 2;
    saved.ResolutionBits = 20;
    saved.AsioDriverString = L"Driver";
    saved.OutputName = {L"Out 1/2", L"Out 3/4"};
    saved.IconFile[0] = L"a.ico";
    saved.IconFile[2] = L"c.ico";
    saved.Save();

    EXPECT_EQ(Names(ValueStoreMemory::Values(kSettingsKey)),
              (std::vector<std::wstring>{L"LastPath", L"CueLastPath", L"AppConfig", L"CueWindowPos", L"TimeViewPos",
                                         L"TimeMode", L"WindowConfig", L"AssociateConfig", L"BufferTime",
                                         L"BufferBlocks", L"DecodeBufSize", L"OutputDeviceSel", L"DitherType",
                                         L"MmeDeviceString", L"MmeDeviceID", L"AsioOutputChannel", L"ResolutionBits",
                                         L"AsioDriverString", L"IconFile0", L"IconFile1", L"IconFile2"}));
    std::vector<StoredValue> outputs = ValueStoreMemory::Values(kAsioOutputKey);
    EXPECT_EQ(Names(outputs), (std::vector<std::wstring>{L"OutputName00", L"OutputName01", L"Length"}));
    for (const StoredValue& v : ValueStoreMemory::Values(kSettingsKey)) {
        if (v.name == L"CueWindowPos" || v.name == L"TimeViewPos") {
            EXPECT_EQ(v.type, platform::ValueTypeBinary);
            EXPECT_EQ(v.data.size(), 16u);
        } else if (v.name == L"LastPath") {
            EXPECT_EQ(v.type, platform::ValueTypeString);
            EXPECT_EQ(v.data.size(), (saved.LastPath.size() + 1) * sizeof(wchar_t));
        }
    }

    AppSettings loaded = Loaded();
    EXPECT_EQ(loaded.LastPath, saved.LastPath);
    EXPECT_EQ(loaded.CueLastPath, saved.CueLastPath);
    EXPECT_EQ(loaded.AppConfig, 0xA5);
    EXPECT_EQ(loaded.CloseAtEnd, 1);
    EXPECT_EQ(loaded.CueWindowPos.top, -20);
    EXPECT_EQ(loaded.CueWindowPos.bottom, 400);
    EXPECT_EQ(loaded.TimeViewPos.left, -1);
    EXPECT_EQ(loaded.TimeMode, 3);
    EXPECT_EQ(loaded.WindowConfig, 0x0B);
    EXPECT_EQ(loaded.AssociateConfig, 0x01);
    EXPECT_EQ(loaded.BufferTime, 500);
    EXPECT_EQ(loaded.BufferBlocks, 32);
    EXPECT_EQ(loaded.DecodeBufSize, 65536);
    EXPECT_EQ(loaded.OutputDeviceSel, 1);
    EXPECT_EQ(loaded.DitherType, 0x10002);
    EXPECT_EQ(loaded.DitherCode(), 3);
    EXPECT_EQ(loaded.MmeDeviceString, L"Speakers");
    EXPECT_EQ(loaded.MmeDeviceID, 3);
    EXPECT_EQ(loaded.AsioOutputChannel, 2);
    EXPECT_EQ(loaded.ResolutionBits, 20);
    EXPECT_EQ(loaded.AsioDriverString, L"Driver");
    EXPECT_EQ(loaded.OutputName, saved.OutputName);
    EXPECT_EQ(loaded.IconFile[0], L"a.ico");
    EXPECT_EQ(loaded.IconFile[1], L"");
    EXPECT_EQ(loaded.IconFile[2], L"c.ico");
}

TEST_F(AppSettingsTest, ClampsOutOfRangeValues) {
    PutDword(kSettingsKey, L"MmeDeviceID", -5);
    PutDword(kSettingsKey, L"AsioOutputChannel", -1);
    PutDword(kSettingsKey, L"TimeMode", 6);
    AppSettings settings = Loaded();
    EXPECT_EQ(settings.MmeDeviceID, -1);
    EXPECT_EQ(settings.AsioOutputChannel, 0);
    EXPECT_EQ(settings.TimeMode, 2);
}

TEST_F(AppSettingsTest, WrongTypeOrSizeTakesTheDefault) {
    PutString(kSettingsKey, L"BufferTime", L"500");
    const uint8_t shortDword[2] = {1, 2};
    ValueStore(kSettingsKey).Write(L"BufferBlocks", platform::ValueTypeDword, shortDword, 2);
    const int32_t threeEdges[3] = {1, 2, 3};
    ValueStore(kSettingsKey).Write(L"CueWindowPos", platform::ValueTypeBinary, threeEdges, sizeof threeEdges);
    PutDword(kSettingsKey, L"LastPath", 7);
    // A string stored without its terminating zero still reads whole.
    ValueStore(kSettingsKey).Write(L"CueLastPath", platform::ValueTypeString, L"abc", 3 * sizeof(wchar_t));
    AppSettings settings = Loaded();
    EXPECT_EQ(settings.BufferTime, 2000);
    EXPECT_EQ(settings.BufferBlocks, 4);
    EXPECT_EQ(settings.CueWindowPos.left, platform::GetDesktopEdges().right);
    EXPECT_EQ(settings.LastPath, L"");
    EXPECT_EQ(settings.CueLastPath, L"abc");
}

TEST_F(AppSettingsTest, OutputNamesStopAtTheFirstEmptyName) {
    PutDword(kAsioOutputKey, L"Length", 3);
    PutString(kAsioOutputKey, L"OutputName00", L"A");
    PutString(kAsioOutputKey, L"OutputName01", L"");
    PutString(kAsioOutputKey, L"OutputName02", L"C");
    EXPECT_EQ(Loaded().OutputName, std::vector<std::wstring>{L"A"});

    // A shorter list leaves the names beyond it in the store.
    AppSettings settings;
    settings.OutputName = {L"X"};
    settings.Save();
    std::vector<StoredValue> values = ValueStoreMemory::Values(kAsioOutputKey);
    EXPECT_EQ(Names(values), (std::vector<std::wstring>{L"Length", L"OutputName00", L"OutputName01", L"OutputName02"}));
    EXPECT_EQ(Loaded().OutputName, std::vector<std::wstring>{L"X"});
}

TEST_F(AppSettingsTest, FileStartUsesTheAssociateValues) {
    PutDword(kSettingsKey, L"WindowConfig", 0x03);
    PutDword(kSettingsKey, L"AssociateConfig", 0x1A);
    PutDword(kSettingsKey, L"AppConfig", 0x10);
    const int32_t normal[4] = {1, 1, 1, 1}, associated[4] = {2, 2, 2, 2};
    ValueStore(kSettingsKey).Write(L"CueWindowPos", platform::ValueTypeBinary, normal, sizeof normal);
    ValueStore(kSettingsKey).Write(L"CueWindowPosAss", platform::ValueTypeBinary, associated, sizeof associated);

    AppSettings normalStart = Loaded(0);
    EXPECT_EQ(normalStart.WindowConfig, 0x03);
    EXPECT_EQ(normalStart.CueWindowPos.left, 1);
    EXPECT_EQ(normalStart.CloseAtEnd, 0);

    AppSettings fileStart = Loaded(1);
    EXPECT_EQ(fileStart.WindowConfig, 0x1A);
    EXPECT_EQ(fileStart.CueWindowPos.left, 2);
    EXPECT_EQ(fileStart.CloseAtEnd, 1);

    fileStart.WindowConfig = 0x1F;
    fileStart.AssociateConfig = 0x04;
    fileStart.TimeViewPos = {5, 6, 7, 8};
    fileStart.Save();
    AppSettings after = Loaded(0);
    EXPECT_EQ(after.WindowConfig, 0x03);
    EXPECT_EQ(after.AssociateConfig, 0x04);
    EXPECT_EQ(after.TimeViewPos.left, platform::GetDesktopEdges().right);
    EXPECT_EQ(Loaded(1).TimeViewPos.left, 5);
}
