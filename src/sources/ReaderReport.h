#pragma once
// The file errors a reader shows the user.
#include "platform/Report.h"
#include "ui/Captions.h"

inline const wchar_t* const kTextCannotOpen = L"ファイルをオープンできません。";
inline const wchar_t* const kTextUnsupported = L"サポートしていないファイルです。";

// Shows the text as a file error; returns 0 so that a failing Open can return it.
inline int ReportFileError(const wchar_t* text) {
    platform::ShowReport(text, kCaptionError, platform::ReportErrorStyle);
    return 0;
}

// A decoder library that cannot be loaded is reported under the program's name.
inline int ReportDecoderError(const wchar_t* text) {
    platform::ShowReport(text, kCaptionProgram, platform::ReportErrorStyle);
    return 0;
}
