// Any text set into the time edit parses to a value whose fields keep their limits when
// carrying, and formats back without overrunning the caller's buffer size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "timeview/TimeEditModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    TimeEditModel m;
    m.SetFormat(data[0] % 5, static_cast<int8_t>(data[1]) % 5);
    m.SetMinutesCount(data[0], true);
    std::wstring text;
    for (size_t i = 2; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    m.SetText(text);
    const TimeCode& t = m.Value();
    if (t.hours > 23 || t.seconds > 59 || t.minutes > m.Limit(UnitMinutes) || t.fraction > m.FractionLimit()) __builtin_trap();
    if (m.Text(true).size() > static_cast<size_t>(3 * m.FieldCount())) __builtin_trap();
    return 0;
}
