#pragma once
// The cue sheet: the play list in the main dialog's list view and its play mode. So far
// it holds no entries; the mode and the window title already follow the commands.
#include <windows.h>

#include <string>

#include "ui/Window.h"

enum CuePlayMode : int { CueModeOff = 0, CueModeCuePlay = 1, CueModeCutIn = 2 };

class CCueSheet : public CWindowImpl<CCueSheet> {
public:
    // Takes over the list control of the main dialog.
    BOOL Attach(HWND list) { return SubclassWindow(list); }

    // Stores the mode and titles the main window after it.
    void SetPlayMode(int mode);
    bool IsCuePlay() const { return m_mode == CueModeCuePlay; }
    bool IsCutInPlay() const { return m_mode == CueModeCutIn; }
    // A file from outside the list starts: a cue play becomes a cut-in play.
    void CutIn();
    // The user stopped.
    void EndCuePlay();
    // The path of the entry to play at or after the current one.
    bool SelectCurrentCue(std::wstring& path);
    bool AdvanceCue(std::wstring& path);
    void StoreMeasuredTime(int frames, int rate);
    // Shows the main window without activating it.
    void ShowCueWindow();

    BEGIN_MSG_MAP(CCueSheet)
    END_MSG_MAP()

private:
    HWND MainWindow() const { return ::GetParent(m_hWnd); }

    int m_mode = -1;  // nothing set yet: like off, and the title is left alone
    int m_currentCue = 0;
};
