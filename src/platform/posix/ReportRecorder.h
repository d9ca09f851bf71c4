#pragma once
// Native reports are not shown: they are recorded here for tests, which may also queue
// the answers that the next reports return (OK when none is queued).
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct RecordedReport {
    std::wstring text;
    std::wstring caption;
    uint32_t style;
};

class ReportRecorder {
public:
    static std::vector<RecordedReport> Take();
    static void QueueAnswer(int answer);
    static void Clear();
};

}  // namespace platform
