#include "setup/win32/SetupDialog.h"

CSetupDialog::CSetupDialog(AppSettings& settings, const CPlayerCore& engine)
    : m_context{settings, engine},
      m_audio(m_context, 0),
      m_buffer(m_context, 1),
      m_global(m_context, 2),
      m_icon(m_context, 3) {}

int CALLBACK CSetupDialog::SheetCallback(HWND sheet, UINT msg, LPARAM) {
    if (msg == PSCB_INITIALIZED) {
        CWindow window(sheet);
        window.SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        window.CenterOnDesktop();
    }
    return 0;
}

void CSetupDialog::DoModal(HWND owner, HWND mainWindow) {
    m_context.mainWindow = mainWindow;
    HPROPSHEETPAGE pages[] = {m_audio.Create(), m_buffer.Create(), m_global.Create(), m_icon.Create()};
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOCONTEXTHELP | PSH_USECALLBACK;
    header.hwndParent = owner;
    header.hInstance = ResourceInstance();
    header.pszCaption = L"設定";
    header.nPages = ARRAYSIZE(pages);
    header.nStartPage = static_cast<UINT>(m_context.activePage);
    header.phpage = pages;
    header.pfnCallback = SheetCallback;
    m_open = true;
    ::PropertySheetW(&header);
    m_open = false;
}
