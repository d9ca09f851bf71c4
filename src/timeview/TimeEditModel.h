#pragma once
// What the time edit control knows apart from its window: which fields it shows, their
// limits, the value, the selected field and the first digit typed into it. The window
// turns keys, clicks and texts into these calls and repaints and notifies as they say.
#include <cstdint>
#include <string>

#include "timeview/TimeCode.h"

// Virtual keys the model acts on (the Windows values).
enum : uint32_t {
    KeyEnd = 0x23, KeyHome = 0x24, KeyLeft = 0x25, KeyUp = 0x26, KeyRight = 0x27, KeyDown = 0x28,
    KeyNumpad0 = 0x60, KeyDecimal = 0x6E, KeyOem1 = 0xBA, KeyOemPeriod = 0xBE,
};

class TimeEditModel {
public:
    static constexpr int kMaxFields = 4;
    // Text longer than this is cut before it is parsed.
    static constexpr size_t kMaxParsedText = 256;

    // What a key did, for the window's repaint and notifications.
    struct KeyResult {
        bool digit = false;         // digit entry: EN_UPDATE/EN_CHANGE always follow
        bool refused = false;       // the digit was refused: beep
        bool valueChanged = false;  // Home/End/Up/Down changed the value
        int oldField = -1;          // the selection moved from oldField to CurrentField()
    };

    TimeEditModel() { SetFormat(UnitHours, UnitFraction); }

    // Units from first (0 to 2, else 0) up to last, or to the fraction when last is not met.
    void SetFormat(int32_t first, int32_t last);
    // Fractions per second; 0 keeps the limit. Returns the fraction limit.
    int32_t SetFractionCount(int32_t count);
    // Largest minutes value + 1 (0 keeps it), and whether overflowing fields carry.
    void SetMinutesCount(uint32_t count, bool carry);

    KeyResult Key(uint32_t virtualKey);
    // Steps the current unit's field, wrapping within its limit.
    void Step(int32_t delta);
    // A click on field (-1: outside every field); true when the selection changed.
    bool Click(int field);
    void Focus();
    void LoseFocus();

    // The value a text gives (digits with or without ":" and "." between fields).
    TimeCode Parse(const std::wstring& text) const;
    // WM_SETTEXT: true when the value changed.
    bool SetText(const std::wstring& text);
    // The fields as two digits each, without or with separators.
    std::wstring Text(bool separators) const;

    int FieldCount() const { return m_fieldCount; }
    TimeUnit FieldUnit(int field) const { return m_units[field]; }
    // What follows a field on the screen: " " after the last, "." before a fraction, ":".
    wchar_t Separator(int field) const;
    int32_t Limit(TimeUnit unit) const;
    int32_t FractionLimit() const { return m_fractionLimit; }
    int CurrentField() const { return m_currentField; }
    TimeUnit CurrentUnit() const { return m_currentUnit; }
    int PendingDigit() const { return m_pending; }
    const TimeCode& Value() const { return m_value; }
    bool Modified() const { return m_value != m_saved; }
    void SaveValue() { m_saved = m_value; }

private:
    KeyResult Digit(int d);
    void Select(int field);
    bool SetUnitField(int32_t v);
    void Normalise(TimeCode& t) const;

    int32_t m_fractionLimit = 74;
    int32_t m_minutesLimit = 59;
    bool m_carry = true;
    TimeUnit m_units[kMaxFields] = {};
    int m_fieldCount = 0;
    TimeUnit m_currentUnit = UnitHours;
    int m_currentField = -1;
    int m_pending = -1;
    TimeCode m_value;
    TimeCode m_saved;
};
