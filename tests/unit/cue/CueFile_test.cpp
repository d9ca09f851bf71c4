#include "cue/CueFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "cue/CueList.h"
#include "platform/Text.h"
#include "support/native/CueTestSupport.h"

namespace {
std::vector<CueItem> Items(std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> entries) {
    std::vector<CueItem> items;
    for (auto [path, time] : entries) items.push_back({L"", path, time});
    return items;
}
}  // namespace

TEST(CueText, LinesKeepPlayablePathsAndTheirTimes) {
    // A line of a kind no reader plays goes like any other unplayable one.
    auto items = DecodeCueText("C:\\a\\x.aif,01:02\r\nC:\\a\\y.txt,00:10\r\nC:\\a\\w.m4a,00:20\r\n");
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].path, L"C:\\a\\x.aif");
    EXPECT_EQ(items[0].name, L"x.aif");
    EXPECT_EQ(items[0].time, L"01:02");

    items = DecodeCueText("C:\\a\\x.wav\r\nC:\\a\\z.WAV,01:02,extra\r\n\r\n");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].time, L"") << "no comma, no time";
    EXPECT_EQ(items[1].time, L"01:02") << "extra fields are dropped";

    EXPECT_TRUE(DecodeCueText(std::string("C:\\a.wav,00:01\r\n\0C:\\b.wav,00:02\r\n", 32)).size() == 1)
        << "a zero byte ends the list";
}

TEST(CueText, LineEndsOfEveryKindReadTheSame) {
    auto crlf = DecodeCueText("C:\\1.wav,00:01\r\nC:\\2.aiff,00:02\r\n");
    for (const char* text : {"C:\\1.wav,00:01\nC:\\2.aiff,00:02\n", "C:\\1.wav,00:01\rC:\\2.aiff,00:02",
                             "C:\\1.wav,00:01\n\n\r\nC:\\2.aiff,00:02"}) {
        auto items = DecodeCueText(text);
        ASSERT_EQ(items.size(), crlf.size()) << text;
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].path, crlf[i].path);
            EXPECT_EQ(items[i].time, crlf[i].time);
        }
    }
}

TEST(CueText, JapaneseNamesStayInTheCodePageAndOthersGoToMarkedUtf8) {
    auto japanese = Items({{L"C:\\曲\\テイク1.wav", L"03:25"}, {L"C:\\a\\x.wav", L""}});
    std::string text = EncodeCueText(japanese);
    EXPECT_EQ(text.substr(0, 5), "C:\\\x8B\xC8") << "code page 932 bytes, no mark";
    EXPECT_EQ(text.substr(text.size() - 13), "C:\\a\\x.wav,\r\n");
    auto back = DecodeCueText(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].path, japanese[0].path);
    EXPECT_EQ(back[0].name, L"テイク1.wav");

    auto beyond = Items({{L"C:\\한국\\노래.wav", L"00:42"}, {L"C:\\曲\\é.aiff", L""}});
    text = EncodeCueText(beyond);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    back = DecodeCueText(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].path, beyond[0].path);
    EXPECT_EQ(back[0].time, L"00:42");
    EXPECT_EQ(back[1].path, beyond[1].path);

    EXPECT_EQ(EncodeCueText({}), "");
}

TEST(CueFile, SaveAndLoadThroughTheList) {
    std::wstring dir = CueTestFolder("file");
    AppSettings settings;
    RecordingCueView view;
    CCueList list(view, settings);
    list.AddCueFile(dir + L"/曲.wav", nullptr, -1);
    list.SetCueTime(0, 3, 25);
    const std::wstring path = dir + L"/Default.cue";
    ASSERT_TRUE(list.SaveCueFile(path));
    EXPECT_FALSE(std::filesystem::exists(platform::WideToUtf8(path + L".saving")));

    CCueList loaded(view, settings);
    loaded.CuePlayFrom(0);
    ASSERT_TRUE(loaded.LoadCueFile(path));
    EXPECT_EQ(loaded.GetPlayMode(), CueModeOff);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Items()[0].time, L"03:25");
    EXPECT_EQ(view.itemCount, 1);

    EXPECT_FALSE(loaded.LoadCueFile(dir + L"/missing.cue"));
    EXPECT_EQ(loaded.Count(), 1) << "a missing file leaves the list as it was";
    WriteBytes(dir + L"/empty.cue", "");
    EXPECT_FALSE(loaded.LoadCueFile(dir + L"/empty.cue"));
    EXPECT_EQ(loaded.Count(), 0) << "an empty file empties the list";

    CCueList empty(view, settings);
    ASSERT_TRUE(empty.SaveCueFile(path));
    EXPECT_EQ(ReadBytes(path), "");
}

TEST(CueFile, TheDefaultListIsWrittenOnlyAfterItWasLoaded) {
    std::wstring dir = CueTestFolder("default");
    const std::wstring path = dir + L"/Default.cue";
    WriteBytes(path, "C:\\kept.wav,00:01\r\n");
    AppSettings settings;
    RecordingCueView view;
    CCueList list(view, settings);
    EXPECT_TRUE(list.SaveDefaultCue(path));
    EXPECT_EQ(ReadBytes(path), "C:\\kept.wav,00:01\r\n") << "a list never shown leaves the file alone";
    list.LoadDefaultCue(path);
    list.LoadDefaultCue(path);  // once only
    ASSERT_EQ(list.Count(), 1);
    list.AddCueFile(L"C:\\added.mp3", nullptr, -1);
    ASSERT_TRUE(list.SaveDefaultCue(path));
    EXPECT_EQ(ReadBytes(path), "C:\\kept.wav,00:01\r\nC:\\added.mp3,\r\n");
}

TEST(CueFile, ASaveThatFailsPartWayKeepsThePreviousFile) {
    std::wstring dir = CueTestFolder("failing");
    const std::wstring path = dir + L"/Default.cue";
    const std::string previous = "C:\\before.wav,00:01\r\n";
    WriteBytes(path, previous);
    std::vector<CueItem> many;
    for (int i = 0; i < 200; ++i) many.push_back({L"", L"C:\\music\\a rather long file name " + std::to_wstring(i) + L".wav", L"01:00"});

    // Writes beyond 512 bytes fail, as on a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    bool saved = WriteCueFile(path, many);
    setrlimit(RLIMIT_FSIZE, &old);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(path), previous);
    EXPECT_FALSE(std::filesystem::exists(platform::WideToUtf8(path + L".saving")));
    EXPECT_TRUE(WriteCueFile(path, many));
    EXPECT_EQ(DecodeCueText(ReadBytes(path)).size(), 200u);
}
