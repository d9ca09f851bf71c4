#include "setup/win32/SetupDialog.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "platform/PathName.h"
#include "ui/Messages.h"
#include "ui/SystemInfo.h"

namespace {
constexpr int kIconSize = 16;

// The icon files are listed and opened beside the program, whatever the current directory.
std::wstring IconFolder() { return BesideProgram(kIconFolderName); }
}  // namespace

BOOL CSetupIcon::OnInitDialog(HWND, LPARAM) {
    const AppSettings& settings = Settings();
    Check(IDC_USER_ICONS, (settings.AppConfig & AppUserIcons) != 0);
    SetFolderImage();
    m_images = ::ImageList_Create(kIconSize, kIconSize, ILC_COLOR8 | ILC_MASK, 2, 1);
    ListIconFiles();
    for (int i = 0; i < AppSettings::kIconFiles; ++i) FillIconList(i);
    Check(IDC_PAUSE_ICON_BLINK, (settings.AppConfig & AppPauseIconBlink) != 0);
    if (IsOlderThanXp()) {
        ::ShowWindow(Item(IDC_TRAY_COLOR256), SW_SHOW);
        Check(IDC_TRAY_COLOR256, (settings.AppConfig & AppTrayColor256) != 0);
    }
    UpdateEnabling();
    return TRUE;
}

void CSetupIcon::SetFolderImage() {
    wchar_t windows[MAX_PATH] = L"";
    if (!::SHGetSpecialFolderPathW(nullptr, windows, CSIDL_WINDOWS, FALSE)) ::lstrcpynW(windows, L"C:\\WINDOWS", MAX_PATH);
    SHFILEINFOW info{};
    if (::SHGetFileInfoW(windows, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON | SHGFI_OPENICON)) {
        m_folderIcon = info.hIcon;
        ::SendMessageW(Item(IDC_ICON_FOLDER), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(m_folderIcon));
    }
}

void CSetupIcon::ListIconFiles() {
    m_files.clear();
    m_imageOf.clear();
    const std::wstring folder = IconFolder();
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(platform::JoinPath(folder, L"*.ico").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        m_files.push_back(found.cFileName);
        const std::wstring path = platform::JoinPath(folder, found.cFileName);
        auto icon = static_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, kIconSize, kIconSize, LR_LOADFROMFILE));
        // A file that is no icon is listed without an image.
        m_imageOf.push_back(icon ? ::ImageList_AddIcon(m_images, icon) : -1);
        if (icon) ::DestroyIcon(icon);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

void CSetupIcon::FillIconList(int index) {
    HWND list = Item(IDC_ICON_NORMAL + index);
    ::SendMessageW(list, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_images));
    // The empty entry on top stands for "no file".
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(L"");
    item.iImage = item.iSelectedImage = -1;
    ::SendMessageW(list, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    int selected = -1;
    for (size_t i = 0; i < m_files.size(); ++i) {
        item.iItem = static_cast<INT_PTR>(i + 1);
        item.pszText = const_cast<wchar_t*>(m_files[i].c_str());
        item.iImage = item.iSelectedImage = m_imageOf[i];
        ::SendMessageW(list, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        if (selected < 0 && m_files[i] == Settings().IconFile[index]) selected = static_cast<int>(i + 1);
    }
    ::SendMessageW(list, CB_SETCURSEL, selected, 0);
}

std::wstring CSetupIcon::SelectedFile(int index) const {
    LRESULT selected = ::SendMessageW(Item(IDC_ICON_NORMAL + index), CB_GETCURSEL, 0, 0);
    return selected >= 1 && static_cast<size_t>(selected) <= m_files.size() ? m_files[selected - 1] : std::wstring();
}

void CSetupIcon::UpdateEnabling() {
    const bool user = IsChecked(IDC_USER_ICONS);
    Enable(IDC_ICON_NORMAL, user);
    Enable(IDC_ICON_FLIP, user);
    Enable(IDC_PAUSE_ICON_BLINK, user);
    Enable(IDC_ICON_PAUSE, user && IsChecked(IDC_PAUSE_ICON_BLINK));
    if (IsOlderThanXp()) Enable(IDC_TRAY_COLOR256, !user);
}

void CSetupIcon::OnOption(UINT code, int, HWND) {
    if (code != BN_CLICKED) return;
    UpdateEnabling();
    SetModified();
}

void CSetupIcon::OnIconList(UINT code, int id, HWND) {
    const int index = id - IDC_ICON_NORMAL;
    if (code == CBN_SELCHANGE && SelectedFile(index) != Settings().IconFile[index]) SetModified();
}

void CSetupIcon::OnFolder(UINT, int, HWND) {
    const std::wstring folder = IconFolder();
    if (!::PathIsDirectoryW(folder.c_str())) ::CreateDirectoryW(folder.c_str(), nullptr);
    ::ShellExecuteW(m_hWnd, nullptr, folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

int CSetupIcon::OnApply() {
    IconChoice choice;
    choice.userIcons = IsChecked(IDC_USER_ICONS);
    for (int i = 0; i < AppSettings::kIconFiles; ++i) choice.files[i] = SelectedFile(i);
    choice.pauseBlink = IsChecked(IDC_PAUSE_ICON_BLINK);
    choice.color256 = IsChecked(IDC_TRAY_COLOR256);
    if (ApplyIconChoice(choice, IsOlderThanXp(), Settings()) && m_context.mainWindow)
        ::PostMessageW(m_context.mainWindow, WM_RELOAD_ICONS, 0, 0);
    return PSNRET_NOERROR;
}

void CSetupIcon::OnDestroy() {
    if (m_images) ::ImageList_Destroy(m_images);
    if (m_folderIcon) ::DestroyIcon(m_folderIcon);
    m_images = nullptr;
    m_folderIcon = nullptr;
    SetMsgHandled(FALSE);
}
