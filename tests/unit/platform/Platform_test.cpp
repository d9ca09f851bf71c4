#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/Thread.h"
#include "platform/File.h"
#include "platform/Heap.h"
#include "platform/Library.h"
#include "platform/Report.h"
#include "platform/Text.h"
#include "platform/posix/ReportRecorder.h"
#include "support/native/AudioFixtures.h"

namespace {
std::wstring TempPath(const wchar_t* name) {
    const std::string dir = TestFolder();
    return std::wstring(dir.begin(), dir.end()) + L"/" + name;
}
}  // namespace

TEST(PlatformFile, ReadsWritesAndSeeksBeyondFourGiBByWidePath) {
    const std::wstring path = TempPath(L"ファイル テスト.bin");
    platform::File out;
    ASSERT_TRUE(out.Create(path));
    ASSERT_TRUE(out.Write("abcdef", 6));
    out.Close();
    EXPECT_TRUE(platform::File::Exists(path));
    EXPECT_FALSE(platform::File::Exists(path + L".missing"));

    platform::File in;
    ASSERT_TRUE(in.OpenRead(path, platform::FileShare::Read));
    EXPECT_EQ(in.Size(), 6);
    char buffer[8] = {};
    ASSERT_TRUE(in.Seek(2));
    EXPECT_EQ(in.Read(buffer, 8), 4) << "a read at the end delivers what is there";
    EXPECT_EQ(std::memcmp(buffer, "cdef", 4), 0);
    EXPECT_EQ(in.Read(buffer, 8), 0);
    const int64_t beyond4GiB = (int64_t{1} << 32) + 17;
    EXPECT_TRUE(in.Seek(beyond4GiB));
    EXPECT_EQ(in.Tell(), beyond4GiB);
    EXPECT_FALSE(in.Seek(-1));
    in.Close();
    EXPECT_EQ(in.Read(buffer, 1), -1) << "a closed file reads nothing";
    std::remove(platform::WideToUtf8(path).c_str());
}

TEST(PlatformFile, OpeningAMissingFileFails) {
    platform::File in;
    EXPECT_FALSE(in.OpenRead(TempPath(L"no such file.wav"), platform::FileShare::Read));
    EXPECT_FALSE(in.IsOpen());
    EXPECT_EQ(in.Size(), -1);
}

// Each length's first and last character, and what is no character at all.
TEST(PlatformText, WideToUtf8EncodesEveryLengthAndReplacesWhatIsNoCharacter) {
    const struct {
        std::wstring wide;
        const char* utf8;
    } cases[] = {
        {L"", ""},
        {L"A\x7F", "A\x7F"},
        {L"\x80\x7FF", "\xC2\x80\xDF\xBF"},
        {L"\x800\x3042\xFFFF", "\xE0\xA0\x80\xE3\x81\x82\xEF\xBF\xBF"},
        {L"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x", "\xEF\xBF\xBDx"},
        {std::wstring(1, static_cast<wchar_t>(0x110000)), "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::WideToUtf8(c.wide), c.utf8);
}

TEST(PlatformLibrary, LoadsByNameAndFindsSymbols) {
    platform::Library library;
    EXPECT_FALSE(library.Load(L"liborvane-missing.so"));
    EXPECT_EQ(library.Symbol("anything"), nullptr);
    ASSERT_TRUE(library.Load(L"libm.so.6"));
    EXPECT_NE(library.Symbol("cos"), nullptr);
    EXPECT_EQ(library.Symbol("orvane_no_such_symbol"), nullptr);
}

TEST(PlatformReport, RecordsTextCaptionStyleAndScriptedAnswers) {
    platform::ReportRecorder::Clear();
    platform::ReportRecorder::QueueAnswer(platform::ReportAnswerNo);
    EXPECT_EQ(platform::ShowReport(L"いいえ?", L"Orvane", platform::ReportYesNoCancel), platform::ReportAnswerNo);
    EXPECT_EQ(platform::ShowReport(L"x", L"Error - Orvane -", platform::ReportErrorStyle), platform::ReportAnswerOk);
    auto reports = platform::ReportRecorder::Take();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].text, L"いいえ?");
    EXPECT_EQ(reports[1].caption, L"Error - Orvane -");
    EXPECT_EQ(reports[1].style, 0x10u | 0x2000u | 0x40000u);
    EXPECT_TRUE(platform::ReportRecorder::Take().empty());
}

namespace {
class CountingThread : public CThread {
public:
    std::atomic<int> runs{0};
    std::atomic<int> loops{0};

protected:
    unsigned Run() override {
        ++runs;
        while (!StopRequested()) ++loops;
        return 0;
    }
};
}  // namespace

TEST(CThread, StartsRunsStopsAndStartsAgain) {
    CountingThread thread;
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_TRUE(thread.Start(nullptr));
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_FALSE(thread.Start(nullptr)) << "one run at a time";
    thread.Stop();
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_TRUE(thread.Start(nullptr));
    thread.Stop();
    EXPECT_EQ(thread.runs.load(), 2);
    thread.Stop();  // stopping a stopped thread is harmless
}

TEST(PlatformHeap, ZeroFilledAndCounted) {
    uint64_t before = platform::HeapAllocations();
    auto* block = static_cast<unsigned char*>(platform::HeapAllocZeroed(4096));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0);
    EXPECT_EQ(platform::HeapAllocations(), before + 1);
    platform::HeapFree(block);
    platform::HeapFree(nullptr);
}
