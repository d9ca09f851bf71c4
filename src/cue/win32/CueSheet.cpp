#include "cue/win32/CueSheet.h"

#include <imm.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <climits>

#include "platform/PathName.h"
#include "ui/DroppedFiles.h"
#include "ui/FileDialog.h"
#include "ui/Menu.h"

namespace {
constexpr DWORD kListExStyles = LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER;
constexpr COLORREF kTextColor = RGB(240, 100, 50);
constexpr COLORREF kCuePlayColor = RGB(20, 100, 240);
constexpr COLORREF kCutInColor = RGB(100, 100, 100);
constexpr UINT kRowStates = LVIS_SELECTED | LVIS_FOCUSED;
constexpr UINT kScrollPeriodMs = 30;
constexpr int kTimeColumnWidth = 40;
// The name column takes what the time column and the borders leave.
constexpr int kNameColumnAllowance = kTimeColumnWidth + 3;

// Two pairs of display text and pattern, each ending in a zero.
const wchar_t kCueFilter[] = L"Play Cue files(*.Cue)\0*.cue;\0All Files(*.*)\0*.*\0";

bool IsFolder(const std::wstring& path) {
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The open or save dialog for a cue file; false when cancelled.
bool AskCuePath(bool save, const std::wstring& folder, std::wstring& path) {
    const DWORD flags = save ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    return AskFileName(
        {save, save ? L"Cueファイルを保存" : L"Cueファイルを開く", kCueFilter, L"cue", folder.c_str(), flags}, path);
}
}  // namespace

CCueSheet::CCueSheet(CPlayerCore& engine, AppSettings& settings)
    : m_list(*this, settings),
      m_engine(engine),
      m_settings(settings),
      m_scrollTimer(WM_CUE_DRAG_TICK, 100) {}

BOOL CCueSheet::Attach(HWND list) {
    if (!SubclassWindow(list)) return FALSE;
    ListView_SetExtendedListViewStyle(list, kListExStyles);
    ::ImmAssociateContext(list, nullptr);
    ListView_SetTextColor(list, kTextColor);
    const struct {
        int format, width;
    } columns[] = {{LVCFMT_LEFT, 0}, {LVCFMT_LEFT, 0}, {LVCFMT_RIGHT, kTimeColumnWidth}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        column.fmt = columns[i].format;
        column.cx = columns[i].width;
        ListView_InsertColumn(list, i, &column);
    }
    FitNameColumn();
    // The dialog takes drops too; on the list they fill it instead of playing.
    ::DragAcceptFiles(list, TRUE);
    return TRUE;
}

void CCueSheet::FitNameColumn() { ListView_SetColumnWidth(m_hWnd, 1, GetClientRect().right - kNameColumnAllowance); }

std::wstring CCueSheet::DefaultCuePath(bool create) {
    wchar_t appData[MAX_PATH];
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) return L"";
    std::wstring folder = platform::JoinPath(appData, L"Orvane");
    if (create) ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return platform::JoinPath(folder, L"Default.cue");
}

void CCueSheet::ShowCueWindow() {
    m_list.LoadDefaultCue(DefaultCuePath(false));
    ::SetForegroundWindow(::GetForegroundWindow());
    ::ShowWindow(MainWindow(), SW_SHOWNOACTIVATE);
}

// ---- CueListView ------------------------------------------------------------------------

void CCueSheet::ShowTitleSuffix(const wchar_t* suffix) {
    wchar_t name[128] = L"";
    ::LoadStringW(ResourceInstance(), IDR_MAINFRAME, name, ARRAYSIZE(name));
    ::SetWindowTextW(MainWindow(), (std::wstring(name) + suffix).c_str());
}

void CCueSheet::RedrawItem(int index) {
    if (index >= 0 && index < m_list.Count()) ListView_RedrawItems(m_hWnd, index, index);
}

void CCueSheet::SetItemCount(int count) { ListView_SetItemCountEx(m_hWnd, count, LVSICF_NOSCROLL); }

// ---- notifications and drawing ----------------------------------------------------------

LRESULT CCueSheet::OnGetDispInfo(NMHDR* header) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return 0;
    if (item.iItem < 0 || item.iItem >= m_list.Count()) return 0;
    const CueItem& entry = m_list.Items()[static_cast<size_t>(item.iItem)];
    if (item.iSubItem == 1) ::lstrcpynW(item.pszText, entry.name.c_str(), item.cchTextMax);
    if (item.iSubItem == 2) ::lstrcpynW(item.pszText, entry.time.c_str(), item.cchTextMax);
    return 0;
}

// Typing a name: an owner-data list asks us, and an answer of 0 would be taken as row 0.
LRESULT CCueSheet::OnFindItem(NMHDR* header) const {
    const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
    const LVFINDINFOW& info = find->lvfi;
    const int count = m_list.Count();
    if (!(info.flags & (LVFI_STRING | LVFI_PARTIAL)) || !info.psz || count == 0) return -1;
    const int typed = ::lstrlenW(info.psz);
    const int start = find->iStart >= 0 && find->iStart < count ? find->iStart : 0;
    const int rows = (info.flags & LVFI_WRAP) ? count : count - start;
    for (int n = 0; n < rows; ++n) {
        const int row = (start + n) % count;
        const std::wstring& name = m_list.Items()[static_cast<size_t>(row)].name;
        const int length = static_cast<int>(name.size());
        if (info.flags & LVFI_PARTIAL ? length < typed : length != typed) continue;
        if (::CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(), typed, info.psz, typed) == CSTR_EQUAL)
            return row;
    }
    return -1;
}

LRESULT CCueSheet::OnKeyDown(NMHDR* header) {
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (key->wVKey == VK_RETURN)
        SendMessage(WM_COMMAND, ::GetKeyState(VK_CONTROL) < 0 ? ID_SPOTPLAY : ID_CUEPLAY);
    else if (key->wVKey == VK_DELETE)
        SendMessage(WM_COMMAND, ID_CUE_DELETE);
    return 0;
}

LRESULT CCueSheet::OnDoubleClick(NMHDR*) {
    SendMessage(WM_COMMAND, ID_CUEPLAY);
    return 0;
}

// Alt+Enter, the key the menu shows for Spot Play, comes as a system key the control
// ignores; its character would then make the window beep for want of a menu entry.
LRESULT CCueSheet::OnSysKeyDown(UINT, WPARAM key, LPARAM) {
    if (key == VK_RETURN)
        SendMessage(WM_COMMAND, ID_SPOTPLAY);
    else
        SetMsgHandled(FALSE);
    return 0;
}

LRESULT CCueSheet::OnSysChar(UINT, WPARAM key, LPARAM) {
    if (key != L'\r') SetMsgHandled(FALSE);
    return 0;
}

void CCueSheet::DrawRow(const DRAWITEMSTRUCT& draw) {
    const int row = static_cast<int>(draw.itemID);
    if (row < 0 || row >= m_list.Count()) return;
    const bool focused = ::GetFocus() == m_hWnd;
    COLORREF back = ListView_GetTextBkColor(m_hWnd);
    if (back > 0xFFFFFF) back = ::GetSysColor(COLOR_WINDOW);  // CLR_NONE, CLR_DEFAULT
    COLORREF text = ListView_GetTextColor(m_hWnd);
    if (row == m_list.CurrentCue && m_list.IsCuePlay()) text = kCuePlayColor;
    if (row == m_list.CurrentCue && m_list.IsCutInPlay()) text = kCutInColor;
    if ((draw.itemState & ODS_SELECTED) && focused) {
        back = ::GetSysColor(COLOR_HIGHLIGHT);
        text = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    } else if (draw.itemState & ODS_SELECTED) {
        back = ::GetSysColor(COLOR_BTNFACE);
    }
    HDC dc = draw.hDC;
    ::SetBkColor(dc, back);
    ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &draw.rcItem, nullptr, 0, nullptr);
    ::SetTextColor(dc, text);
    ::SetBkMode(dc, TRANSPARENT);

    const CueItem& entry = m_list.Items()[static_cast<size_t>(row)];
    const struct {
        int column;
        const std::wstring& text;
        bool right;
    } cells[] = {{1, entry.name, false}, {2, entry.time, true}};
    for (const auto& cell : cells) {
        RECT r{};
        if (!ListView_GetSubItemRect(m_hWnd, row, cell.column, LVIR_BOUNDS, &r)) continue;
        ::OffsetRect(&r, 1, 0);
        if (cell.right)
            r.right -= 6;
        else
            r.left += 2;
        ::DrawTextW(dc, cell.text.c_str(), static_cast<int>(cell.text.size()), &r,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | (cell.right ? DT_RIGHT : DT_LEFT));
    }
    if (focused && (draw.itemState & ODS_FOCUS)) ::DrawFocusRect(dc, &draw.rcItem);
}

LRESULT CCueSheet::OnNcCalcSize(BOOL, LPARAM) {
    // The name column is sized to the client; a vertical bar would otherwise add a horizontal one.
    if (::GetWindowLongW(m_hWnd, GWL_STYLE) & WS_HSCROLL) ::ShowScrollBar(m_hWnd, SB_HORZ, FALSE);
    SetMsgHandled(FALSE);
    return 0;
}

void CCueSheet::OnContextMenu(HWND, POINT) {
    CMenu menu = CMenu::Load(IDR_MAINFRAME);
    HMENU cueMenu = menu.SubMenu(MENU_POPUP_CUE);
    if (!cueMenu) return;
    POINT at{};
    ::GetCursorPos(&at);
    ::TrackPopupMenu(cueMenu, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, at.x, at.y, 0, m_hWnd, nullptr);
}

// ---- commands ---------------------------------------------------------------------------

void CCueSheet::OnCuePlay(UINT, int, HWND) {
    m_list.CuePlayFrom(FocusedItem());
    ::SendMessageW(MainWindow(), WM_COMMAND, ID_CUEPLAY, 0);
}

void CCueSheet::OnSpotPlay(UINT, int, HWND) {
    m_list.SpotPlayAt(FocusedItem());
    ::SendMessageW(MainWindow(), WM_COMMAND, ID_SPOTPLAY, 0);
}

void CCueSheet::OnDelete(UINT, int, HWND) {
    m_list.RemoveCues(SelectedIndices());
    // The rows keep their states by index: the entries that moved up were not chosen.
    SetItemState(-1, 0, LVIS_SELECTED);
}

void CCueSheet::OnTimeAll(UINT, int, HWND) {
    std::vector<int> all(static_cast<size_t>(m_list.Count()));
    for (int i = 0; i < m_list.Count(); ++i) all[static_cast<size_t>(i)] = i;
    RecalculateTimes(all);
}

void CCueSheet::RecalculateTimes(const std::vector<int>& indices) {
    m_list.RecalculateCueTimes(indices, [this](const std::wstring& path, int& minutes, int& seconds) {
        return m_engine.GetFileLength(path, minutes, seconds);
    });
}

void CCueSheet::OnOpenCueFile(UINT, int, HWND) {
    std::wstring path;
    if (!AskCuePath(false, m_settings.CueLastPath, path)) return;
    m_list.LoadCueFile(path);
    m_settings.CueLastPath = platform::FolderPart(path);
}

void CCueSheet::OnSaveCueFile(UINT, int, HWND) {
    std::wstring path;
    if (!AskCuePath(true, m_settings.CueLastPath, path)) return;
    m_list.SaveCueFile(path);
    m_settings.CueLastPath = platform::FolderPart(path);
}

void CCueSheet::OnDestroy() {
    if (m_dragSource >= 0) EndDrag();
    // The list window owns this box, unlike the program's error boxes.
    if (!m_list.SaveDefaultCue(DefaultCuePath(true)))
        ::MessageBoxW(m_hWnd, kCueSaveFailedText, kCueSaveFailedCaption, MB_OK);
    SetMsgHandled(FALSE);
}

// ---- dropping ---------------------------------------------------------------------------

void CCueSheet::OnDropFiles(HDROP drop) {
    const std::vector<int> selected = SelectedIndices();
    const int focused = FocusedItem();
    const int before = m_list.Count();
    int insertAt = selected.empty() ? -1 : selected.front();
    bool loaded = false;
    for (const std::wstring& name : DroppedFiles(drop, UINT_MAX)) {
        if (platform::PathExtension(name) == L".cue") {
            m_list.LoadCueFile(name);
            loaded = true;
            break;
        }
        AddDroppedName(name, insertAt);
    }
    FinishDrop(drop);
    // Dropped files go in, in their order, above the selection, which stays on its entries.
    const int added = m_list.Count() - before;
    if (loaded || added == 0 || selected.empty()) return;
    SetItemState(-1, 0, kRowStates);
    for (int index : selected) SetItemState(index + added, LVIS_SELECTED, LVIS_SELECTED);
    if (focused >= selected.front()) SetItemState(focused + added, LVIS_FOCUSED, LVIS_FOCUSED);
}

void CCueSheet::AddDroppedName(const std::wstring& path, int& insertAt) {
    if (IsFolder(path))
        AddFolder(path, insertAt);
    else if (CPlayerCore::IsSupportedFile(path))
        AddAt(path, insertAt);
}

void CCueSheet::AddFolder(const std::wstring& folder, int& insertAt) {
    WIN32_FIND_DATAW found;
    HANDLE find = ::FindFirstFileW(platform::JoinPath(folder, L"*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring path = platform::JoinPath(folder, found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && CPlayerCore::IsSupportedFile(path))
            AddAt(path, insertAt);
    } while (::FindNextFileW(find, &found));
    ::FindClose(find);
}

void CCueSheet::AddAt(const std::wstring& path, int& insertAt) {
    m_list.AddCueFile(path, nullptr, insertAt);
    if (insertAt >= 0) ++insertAt;
}

// ---- dragging ---------------------------------------------------------------------------

LRESULT CCueSheet::OnBeginDrag(NMHDR* header) {
    const int item = reinterpret_cast<NMLISTVIEW*>(header)->iItem;
    if (item < 0 || item >= m_list.Count()) return 0;
    m_dragSource = m_dragTarget = item;
    ::SetFocus(m_hWnd);
    SetItemState(item, kRowStates, kRowStates);
    ::SetCursor(::LoadCursorW(ResourceInstance(), MAKEINTRESOURCEW(IDC_DRAG)));
    ::SetCapture(m_hWnd);
    return 0;
}

// While dragging, the control must not see the mouse: it would start a drag of its own.
void CCueSheet::OnMouseMove(UINT, POINT point) {
    if (m_dragSource < 0) {
        SetMsgHandled(FALSE);
        return;
    }
    if (!m_scrollTimer.IsRunning()) DragOver(point);
}

void CCueSheet::OnLButtonUp(UINT, POINT) {
    if (m_dragSource < 0) {
        SetMsgHandled(FALSE);
        return;
    }
    const int source = m_dragSource, target = m_dragTarget;
    if (target != source) {
        SetItemState(source, 0, kRowStates);
        SetItemState(target, kRowStates, kRowStates);
        m_list.MoveCue(source, target);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        SetItemState(target, kRowStates, kRowStates);
    }
    EndDrag();
}

void CCueSheet::OnKillFocus(HWND) {
    if (m_dragSource >= 0) EndDrag();
    SetMsgHandled(FALSE);
}

LRESULT CCueSheet::OnDragTick(UINT, WPARAM timerId, LPARAM) {
    if (m_dragSource < 0 || !m_scrollTimer.IsTick(timerId)) return 0;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ::ScreenToClient(m_hWnd, &cursor);
    DragOver(cursor);
    return 0;
}

void CCueSheet::DragOver(POINT point) {
    LVHITTESTINFO hit{};
    hit.pt = point;
    int target = ListView_HitTest(m_hWnd, &hit);
    if (target >= 0 && target < m_list.Count()) {
        if (m_scrollTimer.IsRunning()) m_scrollTimer.Stop();
    } else {
        // Off the entries: scroll a row at a time towards the pointer.
        if (!m_scrollTimer.IsRunning()) m_scrollTimer.Start(m_hWnd, kScrollPeriodMs);
        const int top = ListView_GetTopIndex(m_hWnd);
        target = point.y > 0 ? std::min(top + ListView_GetCountPerPage(m_hWnd), m_list.Count() - 1) : std::max(top - 1, 0);
        ListView_EnsureVisible(m_hWnd, target, FALSE);
    }
    if (target == m_dragTarget) return;
    SetItemState(m_dragTarget, 0, LVIS_FOCUSED);
    SetItemState(target, LVIS_FOCUSED, LVIS_FOCUSED);
    m_dragTarget = target;
}

void CCueSheet::EndDrag() {
    ::ReleaseCapture();
    ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    m_dragSource = -1;
    m_scrollTimer.Stop();
}

// ---- list state -------------------------------------------------------------------------

int CCueSheet::FocusedItem() const { return ListView_GetNextItem(m_hWnd, -1, LVNI_FOCUSED); }

std::vector<int> CCueSheet::SelectedIndices() const {
    std::vector<int> indices;
    for (int i = ListView_GetNextItem(m_hWnd, -1, LVNI_SELECTED); i >= 0 && i < m_list.Count();
         i = ListView_GetNextItem(m_hWnd, i, LVNI_SELECTED))
        indices.push_back(i);
    return indices;
}

void CCueSheet::SetItemState(int item, UINT state, UINT mask) { ListView_SetItemState(m_hWnd, item, state, mask); }
