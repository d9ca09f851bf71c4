#pragma once
// The about box: version and build of this program, read from its own version resource.
#include "resources/resource.h"
#include "ui/Window.h"

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUTBOX };

    BEGIN_MSG_MAP(CAboutDlg)
        MSG_WM_INITDIALOG(OnInitDialog)
        COMMAND_ID_HANDLER_EX(IDOK, OnClose)
        COMMAND_ID_HANDLER_EX(IDCANCEL, OnClose)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnClose(UINT, int id, HWND) { EndDialog(id); }
};
