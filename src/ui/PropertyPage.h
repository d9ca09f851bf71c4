#pragma once
// A page of a property sheet: a dialog (resource T::IDD) that the sheet creates the first
// time it shows the page. Create() gives the handle for PROPSHEETHEADER's phpage; the
// object is found again from the PROPSHEETPAGE the sheet hands to WM_INITDIALOG.
//
// The sheet's notifications go to these handlers of T, each with a default here that T
// hides with its own:
//   int OnSetActive()    the page is about to be shown: 0 shows it, -1 passes it over
//   BOOL OnKillActive()  the page is about to be left: TRUE keeps it (its input is wrong)
//   int OnApply()        OK or Apply: PSNRET_NOERROR, or PSNRET_INVALID_NOCHANGEPAGE to
//                        keep the sheet open on this page
// Only pages that have been shown get them. T's map chains this one after its own entries:
//   CHAIN_MSG_MAP(CPropertyPageImpl<T>)
// SetModified tells the sheet that the page holds a change to apply, which enables Apply.
#include <windows.h>
#include <commctrl.h>

#include "ui/Window.h"

template <class T>
class CPropertyPageImpl : public CWindowImplRoot {
public:
    // title: the tab's text; null takes the dialog resource's caption.
    explicit CPropertyPageImpl(const wchar_t* title = nullptr) {
        m_page.dwSize = sizeof m_page;
        m_page.dwFlags = title ? PSP_USETITLE : PSP_DEFAULT;
        m_page.hInstance = ResourceInstance();
        m_page.pszTemplate = MAKEINTRESOURCEW(T::IDD);
        m_page.pszTitle = title;
        m_page.pfnDlgProc = PropertyPageProc;
        m_page.lParam = reinterpret_cast<LPARAM>(this);
    }

    // A page for one sheet; the sheet destroys it with itself.
    HPROPSHEETPAGE Create() { return ::CreatePropertySheetPageW(&m_page); }
    void SetModified(bool changed = true) {
        ::SendMessageW(::GetParent(m_hWnd), changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
    }

    int OnSetActive() { return 0; }
    BOOL OnKillActive() { return FALSE; }
    int OnApply() { return PSNRET_NOERROR; }

    BEGIN_MSG_MAP(CPropertyPageImpl)
        NOTIFY_CODE_HANDLER_EX(PSN_SETACTIVE, SetActiveNotified)
        NOTIFY_CODE_HANDLER_EX(PSN_KILLACTIVE, KillActiveNotified)
        NOTIFY_CODE_HANDLER_EX(PSN_APPLY, ApplyNotified)
    END_MSG_MAP()

protected:
    // What Create hands the sheet; a page may add to it first (an icon, a template in
    // memory).
    PROPSHEETPAGEW m_page{};

private:
    LRESULT SetActiveNotified(NMHDR*) { return static_cast<T*>(this)->OnSetActive(); }
    LRESULT KillActiveNotified(NMHDR*) { return static_cast<T*>(this)->OnKillActive(); }
    LRESULT ApplyNotified(NMHDR*) { return static_cast<T*>(this)->OnApply(); }
};
