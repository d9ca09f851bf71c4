#pragma once
// The playback engine: owns every reader and device, and runs the worker thread that
// moves PCM from the chosen reader to the chosen device. The interface thread and the
// worker share only the atomic fields below and the end-of-play notification.
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/Thread.h"
#include "output/DeviceSet.h"
#include "settings/AppSettings.h"
#include "sources/ReaderSet.h"
#include "ui/Messages.h"

enum PlayState : int32_t { PlayStopped = 0, PlayPlaying = 1, PlayPaused = 2 };
enum EngineCommand : int32_t { CmdNone = 0, CmdSeek = 3, CmdRepositioning = 4, CmdJog = 5 };

// What the time view hears of the play state.
class CPlayerListener {
public:
    virtual void NotifyPlayStarted() = 0;
    virtual void NotifyPauseChanged() = 0;
    virtual void NotifyPlayStopped() = 0;

protected:
    ~CPlayerListener() = default;
};

class CPlayerCore : public CThread {
public:
    explicit CPlayerCore(AppSettings& settings);
    ~CPlayerCore() override;

    void SetFilePath(const std::wstring& path) { m_filePath = path; }
    const std::wstring& GetFilePath() const { return m_filePath; }
    void SetListener(CPlayerListener* listener) { m_listener = listener; }

    // Starts a run, numbered from 1 in the order runs start; its end of play is
    // WM_PLAYER_END with that number in wParam. A Play that fails keeps nothing that was
    // asked for it (a held jog, a pending seek).
    bool Play(platform::NotifyTarget notify);
    // The device's PauseDone or PauseFailed; PauseFailed when no device was ever opened.
    int Pause(bool pause);
    bool Stop();
    int Seek(int32_t frame);
    int BeginJog(int32_t frame);
    int EndJog(int32_t frame);
    int SetJogPosition(int32_t frame);
    int GetJogLength() const { return m_jogLength.load(); }
    bool IsSeeking() const;
    bool IsJogging() const;
    // True while run is the latest run and has not been stopped: an end of play that names
    // another run comes too late and means nothing.
    bool IsCurrentRun(uintptr_t run) const;
    PlayState GetPlayState() const { return static_cast<PlayState>(m_playState.load()); }
    int GetPosition();
    int GetDeviceState();
    const AudioFormatInfo* GetFormat() const { return &m_reader->Format(); }
    const OutputParams& GetOutputParams() const { return m_params; }

    // Stores the reader for the extension of path (the file path when null); for an
    // unsupported extension stores the WAV reader and returns false.
    bool SelectSource(CAudioFile*& reader, const std::wstring* path);
    static bool IsSupportedFile(const std::wstring& path) { return CReaderSet::IsSupportedFile(path); }
    bool GetFileLength(const std::wstring& path, int& minutes, int& seconds);

protected:
    // The reader for a path (null when none plays it) and the device for the output
    // setting (null when this build has none). Tests put their own behind these.
    virtual CAudioFile* ReaderFor(const std::wstring& path) { return m_readers.ForPath(path); }
    virtual CAudioDevice* DeviceFor(int32_t outputDeviceSel) { return m_devices.ForSelection(outputDeviceSel); }

    unsigned Run() override;

private:
    struct RunState;
    enum EngineStep : int32_t { StepFill = 1, StepWrite = 2, StepSeek = 3, StepJog = 5 };

    void FillOutputParams();
    // The setting the chosen device's selection comes from and is stored back to.
    int32_t& SelectionSetting();
    bool OpenRun(platform::NotifyTarget notify);
    bool Fill(RunState& run);
    void WriteBlock(RunState& run);
    void SeekStep(RunState& run);
    void JogStep(RunState& run);
    void JogRelease(RunState& run);
    void ResumeAfterReposition();
    // The worker's "this reposition is done": clears the marker and nothing the interface
    // thread wrote since.
    void ClearRepositioning();
    void MarkRepositioning(int32_t expected);

    AppSettings& m_settings;
    CPlayerListener* m_listener = nullptr;
    std::wstring m_filePath;
    std::atomic<int32_t> m_playState{PlayStopped};
    std::atomic<int32_t> m_targetFrame{0};
    std::atomic<int32_t> m_command{CmdNone};
    std::atomic<int32_t> m_jogLength{0};
    std::atomic<int32_t> m_jogFlag{0};
    std::atomic<uint32_t> m_run{0};  // number of the latest run

    CReaderSet m_readers;
    CAudioFile* m_reader;
    CDeviceSet m_devices;
    CAudioDevice* m_device = nullptr;
    OutputParams m_params;
};
