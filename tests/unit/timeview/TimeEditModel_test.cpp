#include "timeview/TimeEditModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t KeyOf(char k) {
    switch (k) {
    case 'E': return KeyEnd;
    case 'H': return KeyHome;
    case 'L': return KeyLeft;
    case 'R': return KeyRight;
    case 'U': return KeyUp;
    case 'D': return KeyDown;
    default: return static_cast<uint32_t>(k);
    }
}

// The time view's control: minutes, seconds, fraction; minutes up to 99, no carry.
struct TimeViewEdit : TimeEditModel {
    TimeViewEdit() {
        SetFormat(UnitMinutes, -1);
        SetMinutesCount(100, false);
        Focus();
    }
    // Keys as characters: digits, and E H L R U D for End Home Left Right Up Down.
    std::string Type(const char* keys) {
        std::string beeps;
        for (const char* k = keys; *k; ++k) beeps += Key(KeyOf(*k)).refused ? 'B' : '.';
        return beeps;
    }
};

TEST(TimeEditModel, FieldUnitsFromTheFormat) {
    struct Case {
        int32_t first, last;
        std::vector<TimeUnit> units;
    } cases[] = {
        {0, 3, {UnitHours, UnitMinutes, UnitSeconds, UnitFraction}},
        {1, -1, {UnitMinutes, UnitSeconds, UnitFraction}},
        {2, 2, {UnitSeconds}},
        {2, 1, {UnitSeconds, UnitFraction}},
        {7, 1, {UnitHours, UnitMinutes}},
    };
    for (const Case& c : cases) {
        TimeEditModel m;
        m.SetFormat(c.first, c.last);
        ASSERT_EQ(m.FieldCount(), static_cast<int>(c.units.size()));
        for (int i = 0; i < m.FieldCount(); ++i) EXPECT_EQ(m.FieldUnit(i), c.units[i]);
        EXPECT_EQ(m.CurrentUnit(), c.units[0]);
    }
}

TEST(TimeEditModel, DigitEntry) {
    struct Case {
        const char* keys;
        const char* beeps;
        const wchar_t* text;
        int field, pending;
    } cases[] = {
        {"99", "..", L"99:00.00", 1, -1},
        {"99" "75", "...B", L"99:07.00", 1, 7},   // 75 seconds refused, 7 stays pending
        {"99" "753", "...BB", L"99:07.00", 1, 7},  // and 73 too
        {"123456", "......", L"12:34.56", 0, -1},
        {"R" "R" "75", "...B", L"00:00.07", 2, 7},  // fraction limit 74
        {"5L", "..", L"05:00.00", 2, -1},  // another key drops the pending digit
    };
    for (const Case& c : cases) {
        TimeViewEdit m;
        EXPECT_EQ(m.Type(c.keys), c.beeps) << c.keys;
        EXPECT_EQ(m.Text(true), c.text) << c.keys;
        EXPECT_EQ(m.CurrentField(), c.field) << c.keys;
        EXPECT_EQ(m.PendingDigit(), c.pending) << c.keys;
    }
}

TEST(TimeEditModel, StepsHomeAndEnd) {
    struct Case {
        const char* keys;
        const wchar_t* text;
    } cases[] = {
        {"E", L"99:00.00"}, {"EH", L"00:00.00"}, {"R59" "LU", L"00:00.00"}, {"RRD", L"00:00.74"},
        {"D", L"99:00.00"}, {"RRE", L"00:00.74"}, {"RU", L"00:01.00"},  {"RRRE", L"99:00.00"},
    };
    for (const Case& c : cases) {
        TimeViewEdit m;
        m.Type(c.keys);
        EXPECT_EQ(m.Text(true), c.text) << c.keys;
    }
    TimeViewEdit m;
    m.Type("R");
    m.Step(200);  // a big delta lands on 0, however far it goes
    EXPECT_EQ(m.Value().seconds, 0);
    m.Step(-200);
    EXPECT_EQ(m.Value().seconds, 59);
}

TEST(TimeEditModel, ParseWithAndWithoutSeparators) {
    struct Case {
        const wchar_t* text;
        bool carry;
        const wchar_t* shown;
    } cases[] = {
        {L"1:2:3", false, L"01:02.03"},
        {L"0:75.80", false, L"00:75.80"},
        {L"0:75.80", true, L"01:16.05"},
        {L"12345", false, L"01:23.45"},
        {L"1:", false, L"01:00.00"},
        {L"x7y.", false, L"07:00.00"},
        {L"", false, L"00:00.00"},
    };
    for (const Case& c : cases) {
        TimeEditModel m;
        m.SetFormat(UnitMinutes, -1);
        m.SetMinutesCount(100, c.carry);
        m.SetText(c.text);
        EXPECT_EQ(m.Text(true), c.shown) << c.text;
    }
}

TEST(TimeEditModel, LongNumbers) {
    TimeEditModel m;
    m.SetFormat(UnitMinutes, -1);
    m.SetMinutesCount(100, false);
    m.SetText(L"1234567");
    EXPECT_EQ(m.Value(), (TimeCode{0, 123, 45, 67}));
    m.SetText(L"99999999999");  // held at 2147483647, each field cut to a byte
    EXPECT_EQ(m.Value(), (TimeCode{0, 214748 & 0xFF, 36, 47}));
}

TEST(TimeEditModel, TextKeepsTwoCharactersPerField) {
    TimeEditModel m;
    m.SetFormat(UnitMinutes, -1);
    m.SetMinutesCount(100, false);
    m.SetText(L"123:45.67");
    EXPECT_EQ(m.Text(false), L"124567");  // the third minutes digit is overwritten
    EXPECT_TRUE(m.Modified());
    m.SaveValue();
    EXPECT_FALSE(m.Modified());
    TimeEditModel all;  // four fields, carry on: 25 hours wrap
    all.SetText(L"25:61:00.80");
    EXPECT_EQ(all.Text(true), L"02:01:01.05");
    EXPECT_EQ(all.Text(false), L"02010105");
}

TEST(TimeEditModel, LimitsAndFocus) {
    TimeEditModel m;
    EXPECT_EQ(m.SetFractionCount(30), 29);
    EXPECT_EQ(m.SetFractionCount(0), 29);
    EXPECT_EQ(m.SetFractionCount(100), 99);
    m.SetMinutesCount(0, false);  // keeps limit and carry
    EXPECT_EQ(m.Limit(UnitMinutes), 59);
    m.SetMinutesCount(250, true);
    EXPECT_EQ(m.Limit(UnitMinutes), 49);

    EXPECT_EQ(m.CurrentField(), -1);
    EXPECT_FALSE(m.Click(-1));
    EXPECT_TRUE(m.Click(2));
    EXPECT_EQ(m.CurrentUnit(), UnitSeconds);
    m.SetFormat(UnitSeconds, UnitSeconds);  // one field left: the selection stays inside
    EXPECT_EQ(m.CurrentField(), 0);
    m.LoseFocus();
    EXPECT_EQ(m.CurrentField(), -1);
}

}  // namespace
