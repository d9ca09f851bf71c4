#pragma once
// The checkered outline that shows where a docking or undocking window will land. As a
// popup it follows the mouse, which it holds captured, and tells its owner where it was
// released; as a child of the main dialog it only marks the docking place.
#include <windows.h>

#include "ui/Messages.h"
#include "ui/Window.h"

class CDropFrame : public CWindowImpl<CDropFrame> {
public:
    static const wchar_t* GetWndClassName() { return L"DropFrame"; }
    static constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

    // parent: the owner of a popup frame, the parent of a child one; rect in its coordinates.
    HWND Create(HWND parent, const RECT& rect, DWORD style);

    BEGIN_MSG_MAP(CDropFrame)
        MESSAGE_HANDLER_EX(WM_CREATE, OnCreate)
        MESSAGE_HANDLER_EX(WM_PAINT, OnPaint)
        MSG_WM_KILLFOCUS(OnKillFocus)
        MSG_WM_LBUTTONUP(OnLButtonUp)
        MSG_WM_MOUSEMOVE(OnMouseMove)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM lParam);
    LRESULT OnPaint(UINT, WPARAM, LPARAM);
    void OnKillFocus(HWND);
    void OnLButtonUp(UINT, POINT);
    void OnMouseMove(UINT, POINT);
    void Close();

    bool m_moved = false;
    RECT m_start{};
    POINT m_cursorOffset{};
    POINT m_newTopLeft{};
    HWND m_owner = nullptr;
};
