#include "timeview/TimeEditModel.h"

#include <cwchar>

namespace {
constexpr int32_t kSaturated = 2147483647;

// Digits read as a number, held at the largest 32-bit value instead of overflowing.
uint32_t ReadNumber(const std::wstring& s, size_t& i) {
    uint64_t n = 0;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        n = n * 10 + static_cast<uint32_t>(s[i] - L'0');
        if (n > kSaturated) n = kSaturated;
    }
    return static_cast<uint32_t>(n);
}

// Writes text at pos, over whatever is there; a field above 99 thus loses its third digit
// to what follows, as the two-characters-per-field layout has it.
void WriteAt(std::wstring& out, size_t pos, const std::wstring& text) {
    out.resize(pos);
    out += text;
}

std::wstring TwoDigits(uint8_t v) {
    wchar_t s[8];
    std::swprintf(s, 8, L"%02d", v);
    return s;
}
}  // namespace

void TimeEditModel::SetFormat(int32_t first, int32_t last) {
    if (first < UnitHours || first > UnitSeconds) first = UnitHours;
    m_fieldCount = 0;
    for (int32_t u = first; u <= UnitFraction; ++u) {
        m_units[m_fieldCount++] = static_cast<TimeUnit>(u);
        if (u == last) break;
    }
    m_currentUnit = m_units[0];
    // A shorter format must not leave the selection past its last field.
    if (m_currentField >= m_fieldCount) m_currentField = m_fieldCount - 1;
}

int32_t TimeEditModel::SetFractionCount(int32_t count) {
    if (count != 0) m_fractionLimit = (count - 1) % 100;
    return m_fractionLimit;
}

void TimeEditModel::SetMinutesCount(uint32_t count, bool carry) {
    if (count == 0) return;
    m_minutesLimit = static_cast<int32_t>((count - 1) % 100);
    m_carry = carry;
}

int32_t TimeEditModel::Limit(TimeUnit unit) const {
    switch (unit) {
    case UnitHours: return 23;
    case UnitMinutes: return m_minutesLimit;
    case UnitSeconds: return 59;
    default: return m_fractionLimit;
    }
}

wchar_t TimeEditModel::Separator(int field) const {
    if (field + 1 >= m_fieldCount) return L' ';
    return m_units[field + 1] == UnitFraction ? L'.' : L':';
}

void TimeEditModel::Select(int field) {
    m_currentField = field;
    m_currentUnit = m_units[field];
}

bool TimeEditModel::SetUnitField(int32_t v) {
    uint8_t& f = m_value[m_currentUnit];
    if (f == static_cast<uint8_t>(v)) return false;
    f = static_cast<uint8_t>(v);
    return true;
}

TimeEditModel::KeyResult TimeEditModel::Key(uint32_t key) {
    if (key == KeyDecimal || key == KeyOem1 || key == KeyOemPeriod) key = KeyRight;
    if (key >= '0' && key <= '9') return Digit(static_cast<int>(key - '0'));
    if (key >= KeyNumpad0 && key <= KeyNumpad0 + 9) return Digit(static_cast<int>(key - KeyNumpad0));

    KeyResult r;
    m_pending = -1;
    if (m_currentField < 0) m_currentField = 0;
    r.oldField = m_currentField;
    switch (key) {
    case KeyEnd: r.valueChanged = SetUnitField(Limit(m_currentUnit)); break;
    case KeyHome: r.valueChanged = SetUnitField(0); break;
    case KeyLeft: Select(m_currentField == 0 ? m_fieldCount - 1 : m_currentField - 1); break;
    case KeyRight: Select(m_currentField + 1 == m_fieldCount ? 0 : m_currentField + 1); break;
    case KeyUp: Step(1); r.valueChanged = true; break;
    case KeyDown: Step(-1); r.valueChanged = true; break;
    default: break;
    }
    return r;
}

TimeEditModel::KeyResult TimeEditModel::Digit(int d) {
    KeyResult r;
    r.digit = true;
    r.oldField = m_currentField;
    const int32_t v = m_pending < 0 ? d : m_pending * 10 + d;
    TimeCode copy = m_value;
    copy[m_currentUnit] = static_cast<uint8_t>(v);
    if (m_carry) Normalise(copy);
    const bool taken = copy[m_currentUnit] <= Limit(m_currentUnit);
    if (taken) m_value = copy;
    r.refused = !taken;
    if (m_pending < 0) {
        m_pending = d;
    } else if (taken) {
        m_pending = -1;
        if (m_currentField >= 0) Select(m_currentField + 1 == m_fieldCount ? 0 : m_currentField + 1);
    }
    return r;
}

void TimeEditModel::Step(int32_t delta) {
    const int32_t m = Limit(m_currentUnit);
    int32_t f = m_value[m_currentUnit] + delta;
    if (f < 0)
        f = m;
    else if (f > m)
        f = 0;
    m_value[m_currentUnit] = static_cast<uint8_t>(f);
}

bool TimeEditModel::Click(int field) {
    m_pending = -1;
    const int old = m_currentField;
    if (field >= 0 && field < m_fieldCount) Select(field);
    return m_currentField != old;
}

void TimeEditModel::Focus() {
    if (m_currentField < 0) m_currentField = 0;
    m_currentUnit = m_units[m_currentField];
}

void TimeEditModel::LoseFocus() {
    m_pending = -1;
    m_currentField = -1;
}

void TimeEditModel::Normalise(TimeCode& t) const {
    const auto fractions = static_cast<uint8_t>(m_fractionLimit + 1);
    if (t.fraction > m_fractionLimit && fractions != 0) {
        t.seconds = static_cast<uint8_t>(t.seconds + t.fraction / fractions);
        t.fraction = static_cast<uint8_t>(t.fraction % fractions);
    }
    if (t.seconds > 59) {
        t.minutes = static_cast<uint8_t>(t.minutes + t.seconds / 60);
        t.seconds = static_cast<uint8_t>(t.seconds % 60);
    }
    const auto minutes = static_cast<uint8_t>(m_minutesLimit + 1);
    if (t.minutes > m_minutesLimit && minutes != 0) {
        t.hours = static_cast<uint8_t>(t.hours + t.minutes / minutes);
        t.minutes = static_cast<uint8_t>(t.minutes % minutes);
    }
    if (t.hours > 23) t.hours = static_cast<uint8_t>(t.hours % 24);
}

TimeCode TimeEditModel::Parse(const std::wstring& text) const {
    std::wstring kept;
    int separators = 0;
    for (size_t i = 0; i < text.size() && i < kMaxParsedText; ++i) {
        const wchar_t c = text[i];
        if (c >= L'0' && c <= L'9') {
            kept += c;
        } else if (c == L'.' || c == L':') {
            kept += L' ';
            ++separators;
        }
    }
    uint32_t slots[kMaxFields] = {};
    size_t i = 0;
    if (separators > 0) {
        for (int f = 0; f < m_fieldCount; ++f) {
            while (i < kept.size() && kept[i] == L' ') ++i;
            slots[f] = ReadNumber(kept, i);
        }
    } else {
        uint32_t n = ReadNumber(kept, i);
        for (int f = m_fieldCount - 1; f > 0; --f) {
            slots[f] = n % 100;
            n /= 100;
        }
        slots[0] = n;
    }
    TimeCode t;
    for (int f = 0; f < m_fieldCount; ++f) t[m_units[f]] = static_cast<uint8_t>(slots[f]);
    if (m_carry) Normalise(t);
    return t;
}

bool TimeEditModel::SetText(const std::wstring& text) {
    m_saved = m_value;
    const TimeCode t = Parse(text);
    if (t == m_value) return false;
    m_value = t;
    return true;
}

std::wstring TimeEditModel::Text(bool separators) const {
    std::wstring out;
    size_t pos = 0;
    for (int f = 0; f < m_fieldCount; ++f) {
        WriteAt(out, pos, TwoDigits(m_value[m_units[f]]));
        pos += 2;
        if (separators && f + 1 < m_fieldCount) {
            WriteAt(out, pos, std::wstring(1, Separator(f)));
            pos += 1;
        }
    }
    return out;
}
