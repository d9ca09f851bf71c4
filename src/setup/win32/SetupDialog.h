#pragma once
// The setup sheet "設定" and its four pages. A page loads its controls from the settings
// each time the sheet creates it, marks the sheet changed when a control moves away from
// the stored value, and writes back when the sheet applies (OK or Apply). Nothing reaches
// the registry here: the settings are saved when the program ends.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "engine/PlayerCore.h"
#include "resources/resource.h"
#include "settings/AppSettings.h"
#include "setup/SetupRules.h"
#include "ui/PropertyPage.h"

// What the pages of one sheet share.
struct SetupContext {
    AppSettings& settings;
    const CPlayerCore& engine;
    HWND mainWindow = nullptr;  // receives WM_RELOAD_ICONS
    int activePage = 0;         // the next opening starts here
};

template <class T>
class CSetupPage : public CPropertyPageImpl<T> {
public:
    CSetupPage(SetupContext& context, int index) : m_context(context), m_index(index) {}
    int OnSetActive() {
        m_context.activePage = m_index;
        return 0;
    }

protected:
    AppSettings& Settings() { return m_context.settings; }
    HWND Item(int id) const { return ::GetDlgItem(this->m_hWnd, id); }
    bool IsChecked(int id) const { return ::IsDlgButtonChecked(this->m_hWnd, id) == BST_CHECKED; }
    void Check(int id, bool on) { ::CheckDlgButton(this->m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void Enable(int id, bool on) { ::EnableWindow(Item(id), on ? TRUE : FALSE); }

    SetupContext& m_context;

private:
    const int m_index;
};

class CSetupAudio : public CSetupPage<CSetupAudio> {
public:
    enum { IDD = IDD_SETUP_AUDIO };
    using CSetupPage::CSetupPage;
    int OnApply();

    BEGIN_MSG_MAP(CSetupAudio)
        MSG_WM_INITDIALOG(OnInitDialog)
        COMMAND_ID_HANDLER_EX(IDC_MME_DEVICE, OnMmeDevice)
        COMMAND_ID_HANDLER_EX(IDC_ASIO_DRIVER, OnAsioDriver)
        COMMAND_ID_HANDLER_EX(IDC_CONTROL_PANEL, OnControlPanel)
        COMMAND_RANGE_HANDLER_EX(IDC_RESOLUTION_FIRST, IDC_RESOLUTION_LAST, OnResolution)
        COMMAND_ID_HANDLER_EX(IDC_DITHER, OnDither)
        COMMAND_ID_HANDLER_EX(IDC_DITHER_TYPE, OnDitherType)
        CHAIN_MSG_MAP(CSetupPage<CSetupAudio>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void FillMmeList();
    void FillAsioList();
    void OnMmeDevice(UINT code, int, HWND);
    void OnAsioDriver(UINT code, int, HWND);
    void OnControlPanel(UINT, int, HWND);
    void OnResolution(UINT, int id, HWND);
    void OnDither(UINT, int, HWND);
    void OnDitherType(UINT code, int, HWND);
    std::wstring SelectedText(int id) const;

    LRESULT m_mmeData = -1;  // of the item selected at the start
    LRESULT m_asioIndex = CB_ERR;
    int m_resolution = 0;
    bool m_panelOpen = false;
};

class CSetupBuffer : public CSetupPage<CSetupBuffer> {
public:
    enum { IDD = IDD_SETUP_BUFFER };
    using CSetupPage::CSetupPage;
    int OnApply();

    BEGIN_MSG_MAP(CSetupBuffer)
        MSG_WM_INITDIALOG(OnInitDialog)
        MSG_WM_HSCROLL(OnHScroll)
        CHAIN_MSG_MAP(CSetupPage<CSetupBuffer>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnHScroll(UINT code, UINT, HWND);
    void ShowNumbers();
    int32_t Position(const BufferTrack& track) const;
};

class CSetupGlobal : public CSetupPage<CSetupGlobal> {
public:
    enum { IDD = IDD_SETUP_GLOBAL };
    using CSetupPage::CSetupPage;
    int OnApply();

    BEGIN_MSG_MAP(CSetupGlobal)
        MSG_WM_INITDIALOG(OnInitDialog)
        COMMAND_RANGE_HANDLER_EX(IDC_CLOSE_AT_END, IDC_ASSOC_SEEKBAR, OnCheck)
        CHAIN_MSG_MAP(CSetupPage<CSetupGlobal>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnCheck(UINT code, int id, HWND);
};

class CSetupIcon : public CSetupPage<CSetupIcon> {
public:
    enum { IDD = IDD_SETUP_ICON };
    using CSetupPage::CSetupPage;
    int OnApply();

    BEGIN_MSG_MAP(CSetupIcon)
        MSG_WM_INITDIALOG(OnInitDialog)
        MSG_WM_DESTROY(OnDestroy)
        COMMAND_ID_HANDLER_EX(IDC_USER_ICONS, OnOption)
        COMMAND_ID_HANDLER_EX(IDC_PAUSE_ICON_BLINK, OnOption)
        COMMAND_RANGE_HANDLER_EX(IDC_ICON_NORMAL, IDC_ICON_PAUSE, OnIconList)
        COMMAND_ID_HANDLER_EX(IDC_ICON_FOLDER, OnFolder)
        CHAIN_MSG_MAP(CSetupPage<CSetupIcon>)
    END_MSG_MAP()

private:
    BOOL OnInitDialog(HWND, LPARAM);
    void OnDestroy();
    void SetFolderImage();
    void ListIconFiles();
    void FillIconList(int index);
    void UpdateEnabling();
    void OnOption(UINT code, int, HWND);
    void OnIconList(UINT code, int id, HWND);
    void OnFolder(UINT, int, HWND);
    // The text of the list's selected entry; empty when none is.
    std::wstring SelectedFile(int index) const;

    HIMAGELIST m_images = nullptr;
    HICON m_folderIcon = nullptr;
    std::vector<std::wstring> m_files;
    std::vector<int> m_imageOf;  // image list index of each file, -1 without one
};

class CSetupDialog {
public:
    CSetupDialog(AppSettings& settings, const CPlayerCore& engine);
    CSetupDialog(const CSetupDialog&) = delete;
    CSetupDialog& operator=(const CSetupDialog&) = delete;

    // Runs the sheet modally, owned by owner; mainWindow hears when the icon set changed.
    void DoModal(HWND owner, HWND mainWindow);
    bool IsOpen() const { return m_open; }

private:
    static int CALLBACK SheetCallback(HWND sheet, UINT msg, LPARAM);

    SetupContext m_context;
    CSetupAudio m_audio;
    CSetupBuffer m_buffer;
    CSetupGlobal m_global;
    CSetupIcon m_icon;
    bool m_open = false;
};
