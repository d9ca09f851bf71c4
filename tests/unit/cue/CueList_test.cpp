#include "cue/CueList.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "platform/Report.h"
#include "platform/Text.h"
#include "platform/posix/ReportRecorder.h"
#include "support/native/CueTestSupport.h"

namespace {
struct CueRig {
    explicit CueRig(int entries, const char* folder = "list") : list(view, settings) {
        std::wstring dir = CueTestFolder(folder);
        for (int i = 0; i < entries; ++i) {
            std::wstring path = dir + L"/take" + std::to_wstring(i) + L".wav";
            WriteBytes(path, "RIFF");
            list.AddCueFile(path, nullptr, -1);
        }
        platform::ReportRecorder::Clear();
    }
    std::wstring PathOf(int i) const { return list.Items()[static_cast<size_t>(i)].path; }

    AppSettings settings;
    RecordingCueView view;
    CCueList list;
};
}  // namespace

TEST(CueList, MoveCueKeepsTheCurrentEntryCurrent) {
    CueRig rig(9);
    rig.list.CurrentCue = 2;
    std::wstring current = rig.PathOf(2);
    rig.list.MoveCue(5, 7);
    EXPECT_EQ(rig.list.CurrentCue, 2);
    rig.list.MoveCue(1, 4);
    EXPECT_EQ(rig.list.CurrentCue, 1);
    EXPECT_EQ(rig.PathOf(1), current);
    rig.list.MoveCue(6, 0);
    EXPECT_EQ(rig.list.CurrentCue, 2);
    rig.list.MoveCue(2, 8);
    EXPECT_EQ(rig.list.CurrentCue, 8);
    EXPECT_EQ(rig.PathOf(8), current);
    rig.list.MoveCue(3, 9);  // outside the list: nothing moves
    EXPECT_EQ(rig.list.Count(), 9);
}

TEST(CueList, DeletingEntriesFollowsAndEndsCuePlayOnTheCurrentOne) {
    CueRig rig(6);
    rig.list.CuePlayFrom(3);
    EXPECT_EQ(rig.view.title, L" - Cue Play");
    rig.list.RemoveCues({0});
    EXPECT_EQ(rig.list.CurrentCue, 2);
    EXPECT_TRUE(rig.list.IsCuePlay());
    std::wstring following = rig.PathOf(3);
    rig.list.RemoveCues({1, 2});
    EXPECT_EQ(rig.view.title, L"");
    EXPECT_FALSE(rig.list.IsCuePlay());
    EXPECT_EQ(rig.list.CurrentCue, 1) << "the entry above moved it; its own removal did not";
    EXPECT_EQ(rig.PathOf(1), following);
    EXPECT_EQ(rig.view.itemCount, 3);
}

TEST(CueList, TheEndOfTheListStopsOrRepeats) {
    CueRig rig(2);
    std::wstring path;
    rig.list.CuePlayFrom(1);
    EXPECT_FALSE(rig.list.AdvanceCue(path));
    EXPECT_EQ(rig.view.title, L"");
    EXPECT_EQ(rig.list.GetPlayMode(), CueModeOff);

    rig.settings.AppConfig |= AppRepeatCue;
    rig.list.CuePlayFrom(1);
    ASSERT_TRUE(rig.list.AdvanceCue(path));
    EXPECT_EQ(rig.list.CurrentCue, 0);
    EXPECT_EQ(path, rig.PathOf(0));
    EXPECT_TRUE(rig.list.IsCuePlay());
}

TEST(CueList, AMissingFileIsAskedAboutAndEachAnswerActs) {
    const uint32_t style = 0x3 | 0x30 | 0x2000 | 0x40000;
    {
        CueRig rig(3, "missing-yes");
        std::wstring missing = rig.PathOf(0);
        std::remove(platform::WideToUtf8(missing).c_str());
        platform::ReportRecorder::QueueAnswer(platform::ReportAnswerYes);
        rig.list.CuePlayFrom(0);
        std::wstring path;
        ASSERT_TRUE(rig.list.SelectCurrentCue(path));
        EXPECT_EQ(rig.list.Count(), 2);
        EXPECT_EQ(rig.list.CurrentCue, 0);
        EXPECT_NE(path, missing);
        auto reports = platform::ReportRecorder::Take();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text,
                  L"take0.wav は移動されたか削除されています。\nCueシートから削除しますか？\n"
                  L"(キャンセルでCuePlayがキャンセルされます)");
        EXPECT_EQ(reports[0].caption, L"Orvane");
        EXPECT_EQ(reports[0].style, style);
    }
    {
        CueRig rig(3, "missing-no");
        std::remove(platform::WideToUtf8(rig.PathOf(1)).c_str());
        platform::ReportRecorder::QueueAnswer(platform::ReportAnswerNo);
        rig.list.CuePlayFrom(1);
        std::wstring path;
        ASSERT_TRUE(rig.list.SelectCurrentCue(path));
        EXPECT_EQ(rig.list.Count(), 3) << "No keeps the entry";
        EXPECT_EQ(rig.list.CurrentCue, 2);
        EXPECT_EQ(path, rig.PathOf(2));
    }
    {
        CueRig rig(3, "missing-cancel");
        std::remove(platform::WideToUtf8(rig.PathOf(0)).c_str());
        platform::ReportRecorder::QueueAnswer(platform::ReportAnswerCancel);
        rig.list.CuePlayFrom(0);
        std::wstring path = L"stale";
        EXPECT_FALSE(rig.list.SelectCurrentCue(path));
        EXPECT_TRUE(path.empty());
        EXPECT_EQ(rig.list.GetPlayMode(), CueModeOff);
        EXPECT_EQ(rig.list.Count(), 3);
    }
}

TEST(CueList, RepeatOverAListOfMissingFilesEndsWhenAllAreRemoved) {
    CueRig rig(2, "all-missing");
    rig.settings.AppConfig |= AppRepeatCue;
    for (int i = 0; i < 2; ++i) {
        std::remove(platform::WideToUtf8(rig.PathOf(i)).c_str());
        platform::ReportRecorder::QueueAnswer(platform::ReportAnswerYes);
    }
    rig.list.CuePlayFrom(0);
    std::wstring path;
    EXPECT_FALSE(rig.list.SelectCurrentCue(path));
    EXPECT_EQ(rig.list.Count(), 0);
}

TEST(CueList, CutInReturnsToCuePlayAtTheNextEntry) {
    CueRig rig(3);
    rig.list.CutIn();
    EXPECT_EQ(rig.list.GetPlayMode(), CueModeUnset) << "no cue play, nothing to cut into";
    rig.list.CuePlayFrom(0);
    rig.list.CutIn();
    EXPECT_EQ(rig.view.title, L" - Cut In Play");
    std::wstring path;
    ASSERT_TRUE(rig.list.AdvanceCue(path));
    EXPECT_EQ(path, rig.PathOf(1));
    EXPECT_EQ(rig.view.title, L" - Cue Play");
}

TEST(CueList, MeasuredTimeRoundsUpToTheNextSecond) {
    CueRig rig(1);
    rig.list.StoreMeasuredTime(44100 * 3, 44100);
    EXPECT_EQ(rig.list.Items()[0].time, L"00:04");
    rig.list.StoreMeasuredTime(44100 * 3 - 1, 44100);
    EXPECT_EQ(rig.list.Items()[0].time, L"00:03");
    rig.list.StoreMeasuredTime(48000 * 61 - 1, 48000);
    EXPECT_EQ(rig.list.Items()[0].time, L"01:01");
    rig.list.StoreMeasuredTime(1000, 0);
    EXPECT_EQ(rig.list.Items()[0].time, L"01:01") << "no rate, no time";
    rig.list.SetCueTime(5, 1, 1);  // outside the list: ignored
}

TEST(CueList, AddingBeforeTheSelectionMovesTheCurrentIndexWithItsEntry) {
    CueRig rig(3);
    rig.list.CurrentCue = 1;
    std::wstring time = L"02:00";
    rig.list.AddCueFile(L"C:\\x\\new.mp3", &time, 1);
    EXPECT_EQ(rig.list.CurrentCue, 2);
    EXPECT_EQ(rig.list.Items()[1].name, L"new.mp3");
    EXPECT_EQ(rig.list.Items()[1].time, L"02:00");
    rig.list.AddCueFile(L"C:\\x\\after.mp3", nullptr, 3);
    EXPECT_EQ(rig.list.CurrentCue, 2);
    EXPECT_EQ(rig.view.itemCount, 5);
}

TEST(CueList, RecalculatingKeepsTheOldTimeOfAFileWithoutLength) {
    CueRig rig(2);
    rig.list.SetCueTime(0, 9, 9);
    rig.list.SetCueTime(1, 9, 9);
    rig.list.RecalculateCueTimes({0, 1}, [&](const std::wstring& path, int& m, int& s) {
        if (path != rig.PathOf(1)) return false;
        m = 0;
        s = 7;
        return true;
    });
    EXPECT_EQ(rig.list.Items()[0].time, L"09:09");
    EXPECT_EQ(rig.list.Items()[1].time, L"00:07");
    rig.list.ClearCueTimes({0});
    EXPECT_EQ(rig.list.Items()[0].time, L"");
}
