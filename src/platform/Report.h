#pragma once
// The message boxes a user sees. Style and result values are the Win32 ones, so callers
// write the styles the program shows. On Windows this is MessageBoxW with no owner;
// natively every report is recorded (posix/ReportRecorder.h) and answers can be scripted.
#include <cstdint>
#include <string>

#include "platform/DebugLine.h"

namespace platform {

enum : uint32_t {
    ReportOk = 0x0,
    ReportYesNoCancel = 0x3,
    ReportIconError = 0x10,
    ReportIconQuestion = 0x20,
    ReportIconWarning = 0x30,
    ReportIconInformation = 0x40,
    ReportTopmost = 0x40000,
    ReportTaskModal = 0x2000,
    // The style every error box of the program uses.
    ReportErrorStyle = ReportIconError | ReportTaskModal | ReportTopmost,
};

enum : int { ReportAnswerOk = 1, ReportAnswerCancel = 2, ReportAnswerYes = 6, ReportAnswerNo = 7 };

// Shows the box and returns the button pressed.
int ShowReport(const std::wstring& text, const std::wstring& caption, uint32_t style);

// One line for a debugger or trace viewer, for failures no box tells fully: what failed,
// with the system's or driver's code and text; through the plug-ins' own DebugLine.
inline void DebugLine(const std::wstring& line) { ::DebugLine(L"%ls", line.c_str()); }

}  // namespace platform
