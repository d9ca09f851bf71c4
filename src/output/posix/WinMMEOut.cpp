// No wave-out natively: the device never opens.
#include "output/WinMMEOut.h"

CWinMMEOut::~CWinMMEOut() = default;
int CWinMMEOut::Open(OutputParams&) { return 0; }
void CWinMMEOut::Close() {}
int CWinMMEOut::Write(const uint8_t*, uint32_t) { return WriteDrained; }
int CWinMMEOut::GetState() { return DeviceClosed; }
int CWinMMEOut::Pause(int) { return 0; }
int CWinMMEOut::GetPosition() { return m_positionBase.load(); }
void CWinMMEOut::Reset(int position) { m_positionBase.store(position); }
int CWinMMEOut::GetBlockBytes() { return 0; }

const std::vector<std::wstring>& CWinMMEOut::RebuildDeviceList() {
    static const std::vector<std::wstring> none;
    return none;
}
