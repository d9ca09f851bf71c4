// The buffer and general pages: track bars and check boxes straight from their tables.
#include "setup/win32/SetupDialog.h"

#include <string>

int32_t CSetupBuffer::Position(const BufferTrack& track) const {
    return static_cast<int32_t>(::SendMessageW(Item(track.trackId), TBM_GETPOS, 0, 0));
}

BOOL CSetupBuffer::OnInitDialog(HWND, LPARAM) {
    for (const BufferTrack& track : kBufferTracks) {
        HWND bar = Item(track.trackId);
        ::SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(track.minPosition, track.maxPosition));
        ::SendMessageW(bar, TBM_SETPOS, TRUE, TrackPosition(track, Settings().*track.field));
    }
    ShowNumbers();
    return TRUE;
}

void CSetupBuffer::ShowNumbers() {
    for (const BufferTrack& track : kBufferTracks) {
        ::SetDlgItemTextW(m_hWnd, track.numberId, std::to_wstring(Position(track) * track.shownUnit).c_str());
    }
}

void CSetupBuffer::OnHScroll(UINT code, UINT, HWND) {
    if (code > TB_BOTTOM) return;
    ShowNumbers();
    SetModified();
}

int CSetupBuffer::OnApply() {
    for (const BufferTrack& track : kBufferTracks) Settings().*track.field = TrackValue(track, Position(track));
    return PSNRET_NOERROR;
}

BOOL CSetupGlobal::OnInitDialog(HWND, LPARAM) {
    for (const FlagCheck& check : kGeneralChecks) Check(check.id, FlagSet(Settings(), check));
    return TRUE;
}

void CSetupGlobal::OnCheck(UINT code, int, HWND) {
    if (code == BN_CLICKED) SetModified();
}

int CSetupGlobal::OnApply() {
    bool checked[kGeneralCheckCount];
    for (int i = 0; i < kGeneralCheckCount; ++i) checked[i] = IsChecked(kGeneralChecks[i].id);
    ApplyGeneralChecks(checked, Settings());
    return PSNRET_NOERROR;
}
