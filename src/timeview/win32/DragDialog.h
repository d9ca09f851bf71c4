#pragma once
// A modeless dialog that docks into the top of its main window's client area when dragged
// there, and floats again when dragged out. The dialog class T supplies Dock(),
// Undock(POINT) and the main window (MainWindow()); this base supplies the drag.
//
// Floating: the system's move loop moves the window; while the pointer is in the top
// 40 pixels of the main window's client area a drop frame outlines that area, and letting
// go there docks. Docked: a press and drag on the background opens a drop frame over the
// window that follows the mouse; letting go outside its start undocks at its top-left.
#include <windows.h>

#include "timeview/win32/DropFrame.h"
#include "ui/Messages.h"
#include "ui/Window.h"

template <class T>
class CDragDialogImpl : public CDialogImpl<T> {
public:
    static constexpr int kDockBand = 40;

    using CDialogImpl<T>::SetMsgHandled;
    using CDialogImpl<T>::IsMsgHandled;

    bool IsDocked() const { return m_docked; }
    void SetDocked(bool docked) { m_docked = docked; }

    BEGIN_MSG_MAP(CDragDialogImpl)
        MSG_WM_NCLBUTTONDOWN(OnNcLButtonDown)
        MESSAGE_HANDLER_EX(WM_LBUTTONDOWN, OnLButtonDown)
        MSG_WM_ENTERSIZEMOVE(OnEnterSizeMove)
        MSG_WM_EXITSIZEMOVE(OnExitSizeMove)
        MSG_WM_MOVING(OnMoving)
        MESSAGE_HANDLER_EX(WM_DROPFRAME_MOVED, OnDropFrameMoved)
    END_MSG_MAP()

protected:
    CDropFrame m_dropFrame;
    bool m_dragging = false;
    bool m_docked = false;
    bool m_titleBarWanted = true;
    RECT m_floatingRect{};
    SIZE m_fullClient{};

private:
    T& Self() { return static_cast<T&>(*this); }

    void OnNcLButtonDown(UINT, POINT screen) {
        if (!m_docked) {
            m_dragging = false;
            this->SetMsgHandled(FALSE);
            return;
        }
        if (!::DragDetect(this->m_hWnd, screen) || m_dropFrame.IsWindow()) return;
        if (!m_dropFrame.Create(this->m_hWnd, this->GetWindowRect(), WS_POPUP)) return;
        m_dropFrame.ShowWindow(SW_SHOW);
        ::SetActiveWindow(m_dropFrame);
        ::SetCapture(m_dropFrame);
        m_dragging = true;
    }

    // A press on the background acts as a press on the caption.
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM lParam) {
        POINT p = PointFromLParam(lParam);
        ::ClientToScreen(this->m_hWnd, &p);
        this->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
        this->SetMsgHandled(FALSE);
        return 0;
    }

    void OnEnterSizeMove() {
        if (!m_docked) m_dragging = true;
        this->SetMsgHandled(FALSE);
    }

    void OnMoving(UINT, RECT*) {
        this->SetMsgHandled(FALSE);
        CWindow main = Self().MainWindow();
        if (!m_dragging || !main.IsWindowVisible()) return;
        POINT p{};
        ::GetCursorPos(&p);
        ::ScreenToClient(main, &p);
        const RECT rc = main.GetClientRect();
        const bool inBand = p.x > 0 && p.x < rc.right && p.y > 0 && p.y < rc.top + kDockBand;
        if (!inBand) {
            if (m_dropFrame.IsWindow()) m_dropFrame.DestroyWindow();
        } else if (!m_dropFrame.IsWindow() && m_dropFrame.Create(main, rc, CDropFrame::kChildStyle)) {
            m_dropFrame.ShowWindow(SW_SHOW);
        }
    }

    void OnExitSizeMove() {
        m_dragging = false;
        if (m_dropFrame.IsWindow()) {
            m_dropFrame.DestroyWindow();
            Self().Dock();
        }
        this->SetMsgHandled(FALSE);
    }

    LRESULT OnDropFrameMoved(UINT, WPARAM, LPARAM lParam) {
        if (!m_docked || !m_dragging || !lParam) {
            this->SetMsgHandled(FALSE);
            return 0;
        }
        m_dragging = false;
        Self().Undock(*reinterpret_cast<const POINT*>(lParam));
        return 0;
    }
};
