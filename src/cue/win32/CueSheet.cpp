#include "cue/win32/CueSheet.h"

#include "resources/resource.h"

void CCueSheet::SetPlayMode(int mode) {
    m_mode = mode;
    wchar_t title[128] = L"";
    ::LoadStringW(ResourceInstance(), IDR_MAINFRAME, title, ARRAYSIZE(title));
    std::wstring text = title;
    if (mode == CueModeCuePlay) text += L" - Cue Play";
    if (mode == CueModeCutIn) text += L" - Cut In Play";
    if (m_hWnd) ::SetWindowTextW(MainWindow(), text.c_str());
}

void CCueSheet::CutIn() {
    if (IsCuePlay()) SetPlayMode(CueModeCutIn);
}

void CCueSheet::EndCuePlay() {
    if (IsWindow()) SetPlayMode(CueModeOff);
}

bool CCueSheet::SelectCurrentCue(std::wstring& path) {
    // An empty list has nothing to play: cue play ends.
    path.clear();
    SetPlayMode(CueModeOff);
    return false;
}

bool CCueSheet::AdvanceCue(std::wstring& path) {
    ++m_currentCue;
    return SelectCurrentCue(path);
}

void CCueSheet::StoreMeasuredTime(int, int) {
    // No entry to keep the time in yet.
}

void CCueSheet::ShowCueWindow() {
    ::SetForegroundWindow(::GetForegroundWindow());
    ::ShowWindow(MainWindow(), SW_SHOWNOACTIVATE);
}
