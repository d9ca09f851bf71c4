// The real registry under Wine: what later settings code relies on.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kKey[] = L"Software\\OrvaneTests\\RegistryTest";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &key_, nullptr));
    }
    void TearDown() override {
        if (key_) RegCloseKey(key_);
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(HKEY_CURRENT_USER, kKey));
        HKEY gone = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &gone));
    }
    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, DwordRoundTripsAtTheExtremes) {
    for (DWORD value : {DWORD(0), DWORD(1), DWORD(0x7fffffff), DWORD(0xffffffff)}) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, L"Number", 0, REG_DWORD,
                                                reinterpret_cast<const BYTE*>(&value), sizeof value));
        DWORD type = 0, read = 0, size = sizeof read;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, L"Number", nullptr, &type,
                                                  reinterpret_cast<BYTE*>(&read), &size));
        EXPECT_EQ(DWORD(REG_DWORD), type);
        EXPECT_EQ(sizeof read, size);
        EXPECT_EQ(value, read);
    }
}

// Japanese text must survive as UTF-16, not pass through the ANSI code page.
TEST_F(RegistryTest, WideStringRoundTripsWithItsTerminator) {
    const std::wstring text = L"再生 - Orvane -";
    const DWORD bytes = DWORD((text.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, L"Text", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text.c_str()), bytes));
    wchar_t read[64] = {};
    DWORD type = 0, size = sizeof read;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, L"Text", nullptr, &type,
                                              reinterpret_cast<BYTE*>(read), &size));
    EXPECT_EQ(DWORD(REG_SZ), type);
    EXPECT_EQ(bytes, size);
    EXPECT_EQ(text, read);
}

TEST_F(RegistryTest, ValuesPersistAcrossReopenAndMissingOnesReportNotFound) {
    const DWORD value = 1234;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, L"Kept", 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&value), sizeof value));
    RegCloseKey(key_);
    key_ = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_READ | KEY_WRITE, &key_));
    DWORD read = 0, size = sizeof read;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, L"Kept", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&read), &size));
    EXPECT_EQ(value, read);
    size = sizeof read;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key_, L"Absent", nullptr, nullptr,
                                                     reinterpret_cast<BYTE*>(&read), &size));
}

}  // namespace
