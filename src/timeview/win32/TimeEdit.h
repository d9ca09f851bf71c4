#pragma once
// "TimeEditClass": a time entered as two-digit fields with the keyboard, the mouse, a small
// spin or the clipboard. Dialogs place it by class name; it takes WM_SETTEXT and
// WM_SETFONT and tells its parent EN_UPDATE and EN_CHANGE like an edit control. Each
// window owns one TimeEdit, kept in the window's "CPP_CLASS" property.
#include <windows.h>

#include <vector>

#include "timeview/TimeEditModel.h"
#include "ui/Window.h"

// The control's own messages. wParam first unit, lParam last unit (-1: to the fraction).
constexpr UINT TEM_SETFORMAT = 0x1001;
// As WM_GETTEXT, with ":" between fields and "." before a fraction.
constexpr UINT TEM_GETTEXTSEP = 0x1002;
// lParam: TimeCode* that receives the value.
constexpr UINT TEM_GETTIME = 0x1003;
// wParam: auto-size; LOWORD(lParam): spin shown.
constexpr UINT TEM_SETLAYOUT = 0x1004;
// lParam: fractions per second; returns the fraction limit. (UDM_SETRANGE32's number.)
constexpr UINT TEM_SETFRACTIONCOUNT = 0x046F;
// EM_LIMITTEXT here means: wParam minutes per hour (0 keeps), lParam carry.

// Once at start-up, before any dialog that holds the control.
bool RegisterTimeEditClass(HINSTANCE instance);

class TimeEdit : public CMessageMap {
public:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    BEGIN_MSG_MAP(TimeEdit)
        MESSAGE_HANDLER_EX(WM_CREATE, OnCreate)
        MESSAGE_HANDLER_EX(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER_EX(WM_GETDLGCODE, OnGetDlgCode)
        MESSAGE_HANDLER_EX(WM_PAINT, OnPaint)
        MESSAGE_HANDLER_EX(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER_EX(WM_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER_EX(WM_ENABLE, OnEnable)
        MESSAGE_HANDLER_EX(WM_NOTIFY, OnNotify)
        MESSAGE_HANDLER_EX(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER_EX(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER_EX(WM_SETFONT, OnSetFont)
        MESSAGE_HANDLER_EX(WM_GETFONT, OnGetFont)
        MESSAGE_HANDLER_EX(WM_SETTEXT, OnSetText)
        MESSAGE_HANDLER_EX(WM_GETTEXT, OnGetText)
        MESSAGE_HANDLER_EX(WM_GETTEXTLENGTH, OnGetTextLength)
        MESSAGE_HANDLER_EX(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER_EX(TEM_SETFORMAT, OnSetFormat)
        MESSAGE_HANDLER_EX(TEM_GETTEXTSEP, OnGetText)
        MESSAGE_HANDLER_EX(TEM_GETTIME, OnGetTime)
        MESSAGE_HANDLER_EX(TEM_SETLAYOUT, OnSetLayout)
        MESSAGE_HANDLER_EX(TEM_SETFRACTIONCOUNT, OnSetFractionCount)
        MESSAGE_HANDLER_EX(EM_LIMITTEXT, OnLimitText)
        MESSAGE_HANDLER_EX(EM_GETMODIFY, OnGetModify)
    END_MSG_MAP()

private:
    explicit TimeEdit(HWND window) : m_window(window) {}

    LRESULT OnCreate(UINT, WPARAM, LPARAM lParam);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM);
    LRESULT OnGetDlgCode(UINT, WPARAM, LPARAM) { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    LRESULT OnPaint(UINT, WPARAM, LPARAM);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM);
    LRESULT OnEnable(UINT, WPARAM wParam, LPARAM);
    LRESULT OnNotify(UINT, WPARAM, LPARAM lParam);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM lParam);
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM);
    LRESULT OnSetFont(UINT, WPARAM wParam, LPARAM lParam);
    LRESULT OnGetFont(UINT, WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(m_font); }
    LRESULT OnSetText(UINT, WPARAM, LPARAM lParam);
    LRESULT OnGetText(UINT, WPARAM size, LPARAM buffer);
    LRESULT OnGetTextLength(UINT, WPARAM, LPARAM) { return 3 * m_model.FieldCount(); }
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM lParam);
    LRESULT OnSetFormat(UINT, WPARAM first, LPARAM last);
    LRESULT OnGetTime(UINT, WPARAM, LPARAM lParam);
    LRESULT OnSetLayout(UINT, WPARAM autoSize, LPARAM spinShown);
    LRESULT OnSetFractionCount(UINT, WPARAM, LPARAM count);
    LRESULT OnLimitText(UINT, WPARAM count, LPARAM carry);
    LRESULT OnGetModify(UINT, WPARAM, LPARAM) { return m_model.Modified(); }

    void Layout();
    // EN_UPDATE, the repaint, EN_CHANGE.
    void NotifyChange(bool wholeText);
    void Notify(WORD code);
    void RepaintField(int field);
    void RepaintText();
    void SetText(const std::wstring& text);
    void Copy();
    void Paste();

    HWND m_window;
    bool m_autoSize = false;
    bool m_spinShown = true;
    bool m_enabled = true;
    HWND m_spin = nullptr;
    SIZE m_created{};
    RECT m_text{};
    std::vector<RECT> m_fields;
    HFONT m_font = nullptr;
    bool m_hasFocus = false;
    TimeEditModel m_model;
};
