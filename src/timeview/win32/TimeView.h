#pragma once
// The time view: a small tool window owned by the main dialog that shows what plays.
// This is its frame so far: the window with its title after the play state, its place
// on the screen and its docked flag.
#include <windows.h>

#include "engine/PlayerCore.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "ui/Messages.h"
#include "ui/Window.h"

// The class of the time view's cue position entry; registered once at start-up.
bool RegisterTimeEditClass(HINSTANCE instance);

class CTimeView : public CDialogImpl<CTimeView>, public CPlayerListener {
public:
    enum { IDD = IDD_TIMEVIEW };

    CTimeView(CPlayerCore& engine, AppSettings& settings) : m_engine(engine), m_settings(settings) {}

    bool IsDocked() const { return m_docked; }
    void SetDocked(bool docked) { m_docked = docked; }

    void NotifyPlayStarted() override { UpdateTitle(); }
    void NotifyPauseChanged() override { UpdateTitle(); }
    void NotifyPlayStopped() override { UpdateTitle(); }

    BEGIN_MSG_MAP(CTimeView)
        MSG_WM_INITDIALOG(OnInitDialog)
        MSG_WM_DESTROY(OnDestroy)
        COMMAND_ID_HANDLER_EX(IDCANCEL, OnCancel)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnDestroy();
    void OnCancel(UINT, int, HWND) { DestroyWindow(); }
    void UpdateTitle();

    CPlayerCore& m_engine;
    AppSettings& m_settings;
    bool m_docked = false;
};
