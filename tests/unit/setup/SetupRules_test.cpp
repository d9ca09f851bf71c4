// What the setup pages store when the sheet applies, and how stored values show.
#include "setup/SetupRules.h"

#include <gtest/gtest.h>

#include "output/AsioHost.h"
#include "support/native/ScriptedAsioDriver.h"

namespace {

TEST(SetupRules, ResolutionButtonsShowOfferedLengthsAndAnyOtherAs32) {
    const std::pair<int32_t, int> cases[] = {{16, 0}, {18, 1}, {20, 2}, {24, 3}, {32, 4}, {22, 4}, {0, 4}, {-24, 4}};
    for (auto [bits, index] : cases) EXPECT_EQ(ResolutionIndex(bits), index) << bits;
}

TEST(SetupRules, StoredNamesAreFoundByPrefixFromTheSecondItemRound) {
    const std::vector<std::wstring> devices = {L"WAVE MAPPER", L"Speakers (HD)", L"speakers 2", L"Wave Out"};
    const std::pair<const wchar_t*, int> cases[] = {
        {L"", 1}, {L"SPEAKERS", 1}, {L"speakers 2", 2}, {L"wave", 3}, {L"WAVE M", 0}, {L"Headphones", -1},
        {L"Speakers (HD) and more", -1},
    };
    for (auto [name, index] : cases) EXPECT_EQ(FindPrefix(devices, 0, name), index) << name;
    EXPECT_EQ(FindPrefix({L"Only"}, 0, L""), 0);
    EXPECT_EQ(FindPrefix({}, 0, L""), -1);
}

TEST(SetupRules, TrackBarsStandOnWholeUnitsInTheirRange) {
    struct Case {
        int track;
        int32_t stored, position, applied;
    } cases[] = {
        {0, 2050, 20, 2000}, {0, 2000, 20, 2000}, {0, 50, 2, 200},     {0, 999999, 100, 10000},
        {1, 4, 4, 4},        {1, 1, 2, 2},        {1, 33, 32, 32},     {2, 8192, 8, 8192},
        {2, 1500, 1, 1024},  {2, 0, 1, 1024},     {2, 1 << 20, 32, 32768},
    };
    for (const Case& c : cases) {
        const BufferTrack& track = kBufferTracks[c.track];
        EXPECT_EQ(TrackPosition(track, c.stored), c.position) << c.track << " " << c.stored;
        EXPECT_EQ(TrackValue(track, c.position), c.applied) << c.track << " " << c.stored;
    }
}

TEST(SetupRules, GeneralChecksWriteTheirBitsAndCloseAtEndFollowsTheStart) {
    AppSettings settings;
    settings.AppConfig = AppUserIcons | AppCloseAtEndFileStart;
    settings.AssociateConfig = 0;
    bool checked[kGeneralCheckCount] = {};
    for (int i = 0; i < kGeneralCheckCount; ++i) checked[i] = kGeneralChecks[i].id != 1019;
    for (int fileStart : {0, 1}) {
        settings.FileStart = fileStart;
        ApplyGeneralChecks(checked, settings);
        // Bits the page does not show are kept.
        EXPECT_EQ(settings.AppConfig, AppUserIcons | AppRepeatCue | AppOpenDialogAtStart | AppCloseAtEnd);
        EXPECT_EQ(settings.AssociateConfig, 0x1F);
        EXPECT_EQ(settings.CloseAtEnd, fileStart ? 0 : 1);
    }
}

TEST(SetupRules, IconChoiceReportsAChangeOnlyWhenSomethingDiffers) {
    AppSettings stored;
    stored.AppConfig = AppUserIcons | AppTrayColor256;
    stored.IconFile[0] = L"a.ico";
    stored.IconFile[1] = L"gone.ico";
    IconChoice same{true, {L"a.ico", L"gone.ico", L""}, false, false};
    struct Case {
        const char* what;
        IconChoice choice;
        bool olderThanXp;
        bool changed;
        int32_t config;
    } cases[] = {
        {"unchanged; the 256-colour flag is not the page's", same, false, false, AppUserIcons | AppTrayColor256},
        {"a name no longer listed is cleared", {true, {L"a.ico", L"", L""}, false, false}, false, true,
         AppUserIcons | AppTrayColor256},
        {"user icons off keeps the names", {false, {L"a.ico", L"gone.ico", L""}, false, false}, false, true,
         AppTrayColor256},
        {"pause blink", {true, {L"a.ico", L"gone.ico", L""}, true, false}, false, true,
         AppUserIcons | AppTrayColor256 | AppPauseIconBlink},
        {"before XP the 256-colour flag is the page's", same, true, true, AppUserIcons},
    };
    for (const Case& c : cases) {
        AppSettings settings = stored;
        EXPECT_EQ(ApplyIconChoice(c.choice, c.olderThanXp, settings), c.changed) << c.what;
        EXPECT_EQ(settings.AppConfig, c.config) << c.what;
        for (int i = 0; i < AppSettings::kIconFiles; ++i) EXPECT_EQ(settings.IconFile[i], c.choice.files[i]) << c.what;
    }
}

class AudioApply : public ::testing::Test {
protected:
    void SetUp() override {
        list.entries = {{"Loop", {}, true}, {"Wide", {}, true}, {"Broken", {}, true}};
        list.entries[1].config.outputs = 130;
        list.entries[2].config.init = 0;
        CAsioHost::Instance().UseDriverList(&list);
        settings.AsioDriverString = L"Old";
        settings.OutputName = {L"Old 1+2"};
        settings.OutputDeviceSel = 1;
        choice.mmeName = L"Speakers";
        choice.mmeId = 2;
        choice.resolutionIndex = 1;
        choice.dither = true;
        choice.ditherMethod = 2;
    }
    void TearDown() override { CAsioHost::Instance().UseDriverList(nullptr); }

    void ExpectDeviceAndDitherStored() {
        EXPECT_EQ(settings.MmeDeviceString, L"Speakers");
        EXPECT_EQ(settings.MmeDeviceID, 2);
        EXPECT_EQ(settings.ResolutionBits, 18);
        EXPECT_EQ(settings.DitherType, 0x10002);
    }

    ScriptedAsioList list;
    AppSettings settings;
    AudioChoice choice;
};

TEST_F(AudioApply, BuildsPairNamesFromTheDriversChannels) {
    choice.asioDriver = L"Loop";
    ApplyAudioChoice(choice, false, settings);
    ExpectDeviceAndDitherStored();
    EXPECT_EQ(settings.AsioDriverString, L"Loop");
    EXPECT_EQ(settings.OutputName, (std::vector<std::wstring>{L"Out 1+2", L"Out 3+4"}));
    EXPECT_EQ(settings.OutputDeviceSel, 1);

    choice.asioDriver = L"Wide";
    ApplyAudioChoice(choice, false, settings);
    ASSERT_EQ(settings.OutputName.size(), kMaxChannelNames / 2);
    EXPECT_EQ(settings.OutputName.back(), L"Out 63+64");
}

TEST_F(AudioApply, WhilePlayingTheDriverAndPairsStay) {
    choice.asioDriver = L"Loop";
    ApplyAudioChoice(choice, true, settings);
    ExpectDeviceAndDitherStored();
    EXPECT_EQ(settings.AsioDriverString, L"Old");
    EXPECT_EQ(settings.OutputName, std::vector<std::wstring>{L"Old 1+2"});
    EXPECT_EQ(settings.OutputDeviceSel, 1);
    EXPECT_TRUE(list.log.empty());
}

TEST_F(AudioApply, ADriverWithoutChannelsLeavesMmeAsTheOutput) {
    for (const wchar_t* driver : {L"Broken", L"Missing", L""}) {
        settings.OutputDeviceSel = 1;
        choice.asioDriver = driver;
        ApplyAudioChoice(choice, false, settings);
        EXPECT_EQ(settings.AsioDriverString, driver);
        EXPECT_TRUE(settings.OutputName.empty());
        EXPECT_EQ(settings.OutputDeviceSel, 0);
        ExpectDeviceAndDitherStored();
    }
}

}  // namespace
