#include "setup/win32/SetupDialog.h"

#include <algorithm>
#include <vector>

#include "output/AsioDriverList.h"
#include "output/AsioOut.h"
#include "output/Dither.h"
#include "output/win32/WinMMEOut.h"

namespace {
constexpr const wchar_t* kWaveMapperName = L"WAVE MAPPER";
}

std::wstring CSetupAudio::SelectedText(int id) const {
    HWND list = Item(id);
    LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    std::wstring text(static_cast<size_t>(::SendMessageW(list, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
    ::SendMessageW(list, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return text.c_str();
}

BOOL CSetupAudio::OnInitDialog(HWND, LPARAM) {
    AppSettings& settings = Settings();
    m_panelOpen = false;
    FillMmeList();
    FillAsioList();

    m_resolution = ResolutionIndex(settings.ResolutionBits);
    settings.ResolutionBits = kResolutionBits[m_resolution];
    Check(IDC_RESOLUTION_FIRST + m_resolution, true);

    const bool dither = DitherEnabled(settings.DitherType);
    Check(IDC_DITHER, dither);
    HWND types = Item(IDC_DITHER_TYPE);
    for (const wchar_t* name : kDitherDisplayNames) {
        if (!*name) break;
        ::SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    ::SendMessageW(types, CB_SETCURSEL, DitherMethod(settings.DitherType), 0);
    Enable(IDC_DITHER_TYPE, dither);
    return TRUE;
}

void CSetupAudio::FillMmeList() {
    HWND list = Item(IDC_MME_DEVICE);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> items{kWaveMapperName};
    const std::vector<std::wstring>& devices = CWinMMEOut::RebuildDeviceList();
    items.insert(items.end(), devices.begin(), devices.end());
    // The mapper's data is its id, -1; a device's is its index.
    for (size_t i = 0; i < items.size(); ++i) {
        LRESULT item = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
        ::SendMessageW(list, CB_SETITEMDATA, item, static_cast<LPARAM>(i) - 1);
    }
    // Searched from the first device round to the mapper; nothing found is the mapper.
    const int selected = std::max(FindPrefix(items, 0, Settings().MmeDeviceString), 0);
    ::SendMessageW(list, CB_SETCURSEL, selected, 0);
    m_mmeData = selected - 1;
}

void CSetupAudio::FillAsioList() {
    AppSettings& settings = Settings();
    HWND list = Item(IDC_ASIO_DRIVER);
    ::SendMessageW(list, CB_RESETCONTENT, 0, 0);
    std::vector<std::wstring> names;
    const bool any = AsioDriverNames(names);
    if (any) names.erase(std::find(names.begin(), names.end(), std::wstring()), names.end());
    for (size_t i = 0; i < names.size(); ++i) {
        LRESULT item = ::SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(names[i].c_str()));
        ::SendMessageW(list, CB_SETITEMDATA, item, static_cast<LPARAM>(i));
    }
    m_asioIndex = FindPrefix(names, 0, settings.AsioDriverString);
    ::SendMessageW(list, CB_SETCURSEL, m_asioIndex, 0);
    Enable(IDC_ASIO_DRIVER, any);
    Enable(IDC_CONTROL_PANEL, any);
    if (!any) {
        // Stored at once, whatever becomes of the sheet: there is no driver to play on.
        settings.AsioDriverString.clear();
        settings.OutputDeviceSel = 0;
    }
}

void CSetupAudio::OnMmeDevice(UINT code, int, HWND list) {
    if (code != CBN_SELCHANGE) return;
    LRESULT index = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (index != CB_ERR && ::SendMessageW(list, CB_GETITEMDATA, index, 0) != m_mmeData) SetModified();
}

void CSetupAudio::OnAsioDriver(UINT code, int, HWND list) {
    if (code == CBN_SELCHANGE && ::SendMessageW(list, CB_GETCURSEL, 0, 0) != m_asioIndex) SetModified();
}

void CSetupAudio::OnControlPanel(UINT, int, HWND) {
    // The panel may run its own message loop; a second click meanwhile is not a second panel.
    if (m_panelOpen) return;
    m_panelOpen = true;
    CAsioOut::ShowControlPanel(SelectedText(IDC_ASIO_DRIVER));
    m_panelOpen = false;
}

void CSetupAudio::OnResolution(UINT, int id, HWND) {
    if (IsChecked(id) && id - IDC_RESOLUTION_FIRST != m_resolution) SetModified();
}

void CSetupAudio::OnDither(UINT, int, HWND) {
    const bool dither = IsChecked(IDC_DITHER);
    Enable(IDC_DITHER_TYPE, dither);
    if (dither != DitherEnabled(Settings().DitherType)) SetModified();
}

void CSetupAudio::OnDitherType(UINT code, int, HWND list) {
    if (code == CBN_SELCHANGE && ::SendMessageW(list, CB_GETCURSEL, 0, 0) != DitherMethod(Settings().DitherType))
        SetModified();
}

int CSetupAudio::OnApply() {
    AudioChoice choice;
    HWND mme = Item(IDC_MME_DEVICE);
    LRESULT index = ::SendMessageW(mme, CB_GETCURSEL, 0, 0);
    choice.mmeName = SelectedText(IDC_MME_DEVICE);
    choice.mmeId = static_cast<int32_t>(::SendMessageW(mme, CB_GETITEMDATA, index, 0));
    const bool playing = m_context.engine.GetPlayState() != PlayStopped;
    choice.asioDriver = SelectedText(IDC_ASIO_DRIVER);
    if (!playing) m_asioIndex = ::SendMessageW(Item(IDC_ASIO_DRIVER), CB_GETCURSEL, 0, 0);
    for (int i = 0; i < kResolutionCount; ++i)
        if (IsChecked(IDC_RESOLUTION_FIRST + i)) choice.resolutionIndex = i;
    m_resolution = choice.resolutionIndex;
    choice.dither = IsChecked(IDC_DITHER);
    LRESULT method = ::SendMessageW(Item(IDC_DITHER_TYPE), CB_GETCURSEL, 0, 0);
    choice.ditherMethod = method == CB_ERR ? 0 : static_cast<int>(method);
    ApplyAudioChoice(choice, playing, Settings());
    m_mmeData = choice.mmeId;
    return PSNRET_NOERROR;
}
