#include "engine/PlayerCore.h"

#include <climits>
#include <cstring>

#include "platform/Heap.h"
#include "platform/Time.h"

// Worker-only state of one run.
struct CPlayerCore::RunState {
    uint32_t number = 0;  // what its end of play carries
    int32_t step = StepFill;
    int32_t frameReached = 0;
    int32_t lastJogFrame = -1;
    int32_t blockBytes = 0;
    uint8_t* block = nullptr;
    int32_t byteCount = 0;  // bytes of the block filled by the last fill
    int32_t lastRead = 0;   // result of the last reader Read
    int32_t jogBytes = 0;
    uint8_t* jog = nullptr;
};

CPlayerCore::CPlayerCore(AppSettings& settings) : m_settings(settings), m_reader(&m_readers.Fallback()) {}

CPlayerCore::~CPlayerCore() { Stop(); }

bool CPlayerCore::SelectSource(CAudioFile*& reader, const std::wstring* path) {
    CAudioFile* found = ReaderFor(path ? *path : m_filePath);
    reader = found ? found : &m_readers.Fallback();
    return found != nullptr;
}

bool CPlayerCore::GetFileLength(const std::wstring& path, int& minutes, int& seconds) {
    CAudioFile* reader = nullptr;
    if (!SelectSource(reader, &path)) return false;
    return reader->GetLength(path, minutes, seconds) != 0;
}

void CPlayerCore::FillOutputParams() {
    const AudioFormatInfo& format = m_reader->Format();
    m_params.sampleRate = format.sampleRate;
    m_params.channels = format.channels;
    m_params.bitsPerSample = format.bitsPerSample;
    m_params.formatTag = format.formatTag;
    m_params.bufferTime = m_settings.BufferTime;
    m_params.blockCount = m_settings.BufferBlocks;
    m_params.ditherType = m_settings.DitherCode();
    m_params.resolution = m_settings.ResolutionBits;
    bool asio = m_settings.OutputDeviceSel != 0;
    m_device = DeviceFor(m_settings.OutputDeviceSel);
    m_params.deviceName = asio ? m_settings.AsioDriverString : m_settings.MmeDeviceString;
    m_params.selection = SelectionSetting();
}

int32_t& CPlayerCore::SelectionSetting() {
    return m_settings.OutputDeviceSel != 0 ? m_settings.AsioOutputChannel : m_settings.MmeDeviceID;
}

bool CPlayerCore::Play(platform::NotifyTarget notify) {
    if (OpenRun(notify)) return true;
    // Left set, a jog would make the next run begin as a jog, a seek at its old target.
    m_command.store(CmdNone);
    m_jogFlag.store(0);
    return false;
}

bool CPlayerCore::OpenRun(platform::NotifyTarget notify) {
    if (!SelectSource(m_reader, nullptr)) return false;
    m_readers.SetDecodeBufferSize(m_settings.DecodeBufSize);
    if (!m_reader->Open(m_filePath)) return false;
    FillOutputParams();
    const bool opened = m_device && m_device->Open(m_params) == OpenDone;
    // The MME device finds a moved device by its name: its id is stored, opened or not.
    SelectionSetting() = m_params.selection;
    if (!opened) {
        m_reader->Close();
        return false;
    }
    m_run.fetch_add(1);
    if (!Start(notify)) {
        m_device->Close();
        m_reader->Close();
        return false;
    }
    SetPriority(platform::ThreadPriorityHighest);
    m_playState.store(PlayPlaying);
    if (m_listener) m_listener->NotifyPlayStarted();
    return true;
}

int CPlayerCore::Pause(bool pause) {
    if (!m_device) return PauseFailed;
    m_playState.store(pause ? PlayPaused : PlayPlaying);
    if (m_listener) m_listener->NotifyPauseChanged();
    return m_device->Pause(pause ? 1 : 0);
}

bool CPlayerCore::Stop() {
    if (m_playState.load() == PlayStopped) return true;
    m_playState.store(PlayStopped);
    if (m_listener) m_listener->NotifyPlayStopped();
    if (IsRunning()) CThread::Stop();
    m_reader->Close();
    if (m_device) m_device->Close();
    return true;
}

int CPlayerCore::Seek(int32_t frame) {
    m_targetFrame.store(frame);
    m_command.store(CmdSeek);
    return 0;
}

int CPlayerCore::BeginJog(int32_t frame) {
    m_targetFrame.store(frame);
    m_command.store(CmdJog);
    m_jogFlag.store(1);
    return 0;
}

int CPlayerCore::EndJog(int32_t frame) {
    m_targetFrame.store(frame);
    m_command.store(CmdNone);
    m_jogFlag.store(0);
    return 0;
}

int CPlayerCore::SetJogPosition(int32_t frame) {
    m_targetFrame.store(frame);
    return 0;
}

bool CPlayerCore::IsSeeking() const {
    int32_t command = m_command.load();
    return command == CmdSeek || command == CmdRepositioning;
}

bool CPlayerCore::IsJogging() const { return m_command.load() == CmdJog || m_jogFlag.load() != 0; }

bool CPlayerCore::IsCurrentRun(uintptr_t run) const {
    return run == m_run.load() && m_playState.load() != PlayStopped;
}

int CPlayerCore::GetPosition() { return m_device ? m_device->GetPosition() : 0; }

int CPlayerCore::GetDeviceState() { return m_device ? m_device->GetState() : 0; }

void CPlayerCore::ClearRepositioning() {
    int32_t expected = CmdRepositioning;
    m_command.compare_exchange_strong(expected, CmdNone);
}

void CPlayerCore::MarkRepositioning(int32_t expected) {
    m_command.compare_exchange_strong(expected, CmdRepositioning);
}

unsigned CPlayerCore::Run() {
    RunState run;
    run.number = m_run.load();
    run.frameReached = m_targetFrame.load();
    run.blockBytes = m_device->GetBlockBytes();
    run.block = static_cast<uint8_t*>(platform::HeapAllocZeroed(static_cast<size_t>(run.blockBytes > 0 ? run.blockBytes : 0)));
    if (!run.block) {
        // Nothing can be played without a block: end the run as at end of play.
        RequestStop();
        platform::SendNotify(m_notify, WM_PLAYER_END, run.number);
        return 0;
    }
    const AudioFormatInfo& format = m_reader->Format();
    // A fifth of a second; a format too large for it gets no jog snippet rather than an
    // overflowed size.
    int64_t jogBytes = int64_t{format.sampleRate} * format.channels * (format.bitsPerSample / 8) / 5;
    run.jogBytes = jogBytes >= 0 && jogBytes <= INT32_MAX ? static_cast<int32_t>(jogBytes) : 0;
    m_jogLength.store(format.sampleRate / 5);
    m_reader->Read(run.block, 0);

    // A marker left by a run stopped right after a seek means nothing for this run.
    int32_t command = m_command.load();
    int32_t first = command == CmdRepositioning ? CmdNone : command;
    run.step = first != CmdNone ? first : StepFill;
    if (command != CmdJog) MarkRepositioning(command);

    do {
        switch (run.step) {
            case StepFill:
                if (Fill(run)) WriteBlock(run);
                break;
            case StepWrite: WriteBlock(run); break;
            case StepSeek: SeekStep(run); break;
            case StepJog:
                if (m_command.load() == CmdJog)
                    JogStep(run);
                else
                    JogRelease(run);
                break;
            default: platform::SleepMs(1); break;
        }
    } while (!StopRequested());

    platform::HeapFree(run.block);
    platform::HeapFree(run.jog);
    return 0;
}

// Reads one block in quarter-block chunks. False when a seek cut it short; the bytes read
// so far are dropped then.
bool CPlayerCore::Fill(RunState& run) {
    run.byteCount = 0;
    const int32_t quarter = run.blockBytes / 4;
    for (;;) {
        int32_t chunk = quarter;
        if (run.byteCount + chunk > run.blockBytes) chunk = run.blockBytes - run.byteCount;
        int n = m_reader->Read(run.block + run.byteCount, static_cast<uint32_t>(chunk));
        run.lastRead = n;
        if (n <= 0) break;
        run.byteCount += n;
        if (StopRequested() || run.byteCount == run.blockBytes) break;
        if (m_command.load() == CmdSeek) break;
    }
    if (m_command.load() == CmdSeek) {
        run.step = StepSeek;
        return false;
    }
    ClearRepositioning();
    run.step = StepWrite;
    return true;
}

void CPlayerCore::WriteBlock(RunState& run) {
    int r = m_device->Write(run.block, static_cast<uint32_t>(run.byteCount));
    if (r != WriteFull) run.step = StepFill;
    if (r == WriteDrained && run.lastRead <= 0) {
        RequestStop();
        platform::SendNotify(m_notify, WM_PLAYER_END, run.number);
    } else if (r == WriteFull) {
        platform::SleepMs(10);
    }
    int32_t command = m_command.load();
    if (command != CmdNone) run.step = command;
    platform::SleepMs(1);
}

void CPlayerCore::SeekStep(RunState& run) {
    int state = m_device->GetState();
    m_device->Pause(1);
    run.frameReached = m_reader->Seek(static_cast<uint32_t>(m_targetFrame.load()));
    m_reader->Read(run.block, 0);
    m_device->Reset(run.frameReached);
    run.step = StepFill;
    MarkRepositioning(CmdSeek);
    if (state != DevicePaused) ResumeAfterReposition();
}

// A pause the user asks for while the device is held for a reposition is kept.
void CPlayerCore::ResumeAfterReposition() {
    m_device->Pause(0);
    if (m_playState.load() == PlayPaused) m_device->Pause(1);
}

void CPlayerCore::JogStep(RunState& run) {
    int32_t remaining = run.jogBytes;
    if (!run.jog) {
        MarkRepositioning(CmdJog);
        run.jog = static_cast<uint8_t*>(platform::HeapAllocZeroed(static_cast<size_t>(run.jogBytes > 0 ? run.jogBytes : 0)));
        if (!run.jog) {
            platform::SleepMs(1);
            return;
        }
    }
    int32_t target = m_targetFrame.load();
    if (target != run.lastJogFrame) {
        std::memset(run.jog, 0, static_cast<size_t>(run.jogBytes));
        run.frameReached = m_reader->Seek(static_cast<uint32_t>(target));
        run.lastRead = m_reader->Read(run.jog, static_cast<uint32_t>(run.jogBytes));
        run.lastJogFrame = target;
        // Back to jogging unless the jog was released meanwhile.
        int32_t expected = CmdRepositioning;
        m_command.compare_exchange_strong(expected, CmdJog);
    }
    m_device->Reset(run.frameReached);

    while (remaining > 0) {
        int r = m_device->Write(run.jog + (run.jogBytes - remaining), static_cast<uint32_t>(remaining));
        if (r < 0) break;  // a device error ends this snippet
        remaining -= r;
        if (StopRequested()) break;
    }
    for (;;) {
        if (m_device->Write(run.jog, 0) == WriteDrained) break;
        if (m_command.load() != CmdJog || m_targetFrame.load() != run.lastJogFrame) break;
        platform::SleepMs(2);
        if (StopRequested()) break;
    }
    platform::SleepMs(1);
}

void CPlayerCore::JogRelease(RunState& run) {
    run.frameReached = m_reader->Seek(static_cast<uint32_t>(m_targetFrame.load()));
    if (m_device->GetState() != DevicePaused) {
        m_device->Pause(1);
        m_device->Reset(run.frameReached);
        ResumeAfterReposition();
    } else {
        m_device->Reset(run.frameReached);
    }
    ClearRepositioning();
    run.step = StepFill;
    platform::HeapFree(run.jog);
    run.jog = nullptr;
    run.lastJogFrame = -1;
    platform::SleepMs(1);
}
