// A loopback ASIO driver for tests: an in-process COM server that registers itself as an
// installed driver and appends what the host writes to each output channel to a file.
//
// Configured from the environment of the process that creates it, read at creation:
//   ORVANE_LOOPBACK_OUTPUTS     output channel count (2)
//   ORVANE_LOOPBACK_NAMES       channel names separated by "|" ("Out 1", "Out 2", ...)
//   ORVANE_LOOPBACK_TYPE        sample type code (18, 32-bit integer)
//   ORVANE_LOOPBACK_BUFFER      buffer size in frames (512)
//   ORVANE_LOOPBACK_RATE        sample rate reported until one is set; 0 is allowed (44100)
//   ORVANE_LOOPBACK_CAPTURE     path prefix: channel n is appended to PREFIX.chN.raw, and
//                               PREFIX.nocom.txt gets a line for every start or stop called
//                               on a thread that has not initialised COM (where a driver that
//                               uses COM in them fails)
//   ORVANE_LOOPBACK_INIT_ERROR  when set, init fails with this message
// A time-critical thread calls the host's buffer switch once a period while started.
#include <windows.h>
#include <mmsystem.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output/AsioInterface.h"

namespace {

// {5A1E0F3C-7B2D-4E61-9C8A-0D4F3B2A1C91}
const CLSID kClsid = {0x5a1e0f3c, 0x7b2d, 0x4e61, {0x9c, 0x8a, 0x0d, 0x4f, 0x3b, 0x2a, 0x1c, 0x91}};
const char kClsidText[] = "{5A1E0F3C-7B2D-4E61-9C8A-0D4F3B2A1C91}";
const char kDriverName[] = "Orvane Loopback";

HMODULE g_module = nullptr;
std::atomic<long> g_objects{0};

std::string Env(const char* name, const char* fallback) {
    char value[1024];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string(fallback);
}

int EnvInt(const char* name, int fallback) {
    const std::string text = Env(name, "");
    return text.empty() ? fallback : std::atoi(text.c_str());
}

int BytesOf(int32_t type) {
    switch (type % 16) {
        case 0: return 2;
        case 1: return 3;
        case 4: return 8;
        default: return 4;
    }
}

void CopyName(char* to, const std::string& from, size_t size) {
    snprintf(to, size, "%s", from.c_str());
}

bool CallerHasCom() {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(result)) CoUninitialize();
    return result == S_FALSE || result == RPC_E_CHANGED_MODE;
}

class LoopbackDriver final : public IAsioDriver {
public:
    LoopbackDriver() {
        ++g_objects;
        m_outputs = EnvInt("ORVANE_LOOPBACK_OUTPUTS", 2);
        m_type = EnvInt("ORVANE_LOOPBACK_TYPE", AsioInt32Lsb);
        m_bufferSize = EnvInt("ORVANE_LOOPBACK_BUFFER", 512);
        m_rate = EnvInt("ORVANE_LOOPBACK_RATE", 44100);
        m_capture = Env("ORVANE_LOOPBACK_CAPTURE", "");
        m_initError = Env("ORVANE_LOOPBACK_INIT_ERROR", "");
        const std::string names = Env("ORVANE_LOOPBACK_NAMES", "");
        for (size_t start = 0; !names.empty() && start <= names.size();) {
            size_t end = names.find('|', start);
            if (end == std::string::npos) end = names.size();
            m_names.push_back(names.substr(start, end - start));
            start = end + 1;
        }
    }
    ~LoopbackDriver() {
        StopClock();
        disposeBuffers();
        --g_objects;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == kClsid) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --m_references;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    AsioBool ORVANE_THISCALL init(void*) override { return m_initError.empty() ? 1 : 0; }
    void ORVANE_THISCALL getDriverName(char* name) override { CopyName(name, kDriverName, 32); }
    int32_t ORVANE_THISCALL getDriverVersion() override { return 1; }
    void ORVANE_THISCALL getErrorMessage(char* text) override { CopyName(text, m_initError, 124); }

    AsioError ORVANE_THISCALL start() override {
        CheckCom("start");
        if (m_infos.empty()) return AsioInvalidMode;
        if (m_thread) return AsioOk;
        m_stop = false;
        m_thread = CreateThread(nullptr, 0, &LoopbackDriver::Run, this, 0, nullptr);
        return m_thread ? AsioOk : AsioHardwareMalfunction;
    }

    AsioError ORVANE_THISCALL stop() override {
        CheckCom("stop");
        StopClock();
        return AsioOk;
    }

    AsioError ORVANE_THISCALL getChannels(int32_t* inputs, int32_t* outputs) override {
        *inputs = 0;
        *outputs = m_outputs;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL getLatencies(int32_t* input, int32_t* output) override {
        *input = 0;
        *output = 2 * m_bufferSize;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL getBufferSize(int32_t* minSize, int32_t* maxSize, int32_t* preferred,
                                            int32_t* granularity) override {
        *minSize = *maxSize = *preferred = m_bufferSize;
        *granularity = 0;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL canSampleRate(AsioSampleRate rate) override { return rate > 0 ? AsioOk : AsioNoClock; }
    AsioError ORVANE_THISCALL getSampleRate(AsioSampleRate* rate) override {
        *rate = m_rate;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL setSampleRate(AsioSampleRate rate) override {
        if (!(rate > 0)) return AsioNoClock;
        m_rate = rate;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL getClockSources(ASIOClockSource* clocks, int32_t* count) override {
        *clocks = ASIOClockSource{0, -1, -1, 1, "Internal"};
        *count = 1;
        return AsioOk;
    }
    AsioError ORVANE_THISCALL setClockSource(int32_t reference) override {
        return reference == 0 ? AsioOk : AsioInvalidParameter;
    }
    AsioError ORVANE_THISCALL getSamplePosition(AsioSamples* position, AsioTimeStamp* time) override {
        const uint64_t frames = m_frames.load();
        *position = AsioSamples{static_cast<uint32_t>(frames >> 32), static_cast<uint32_t>(frames)};
        const uint64_t ns = uint64_t{timeGetTime()} * 1000000u;
        *time = AsioTimeStamp{static_cast<uint32_t>(ns >> 32), static_cast<uint32_t>(ns)};
        return AsioOk;
    }
    AsioError ORVANE_THISCALL getChannelInfo(ASIOChannelInfo* info) override {
        if (info->isInput || info->channel < 0 || info->channel >= m_outputs) return AsioInvalidParameter;
        info->isActive = 0;
        for (const Channel& c : m_infos) info->isActive |= c.info.channelNum == info->channel;
        info->channelGroup = 0;
        info->type = m_type;
        const size_t n = static_cast<size_t>(info->channel);
        CopyName(info->name, n < m_names.size() ? m_names[n] : "Out " + std::to_string(n + 1), sizeof info->name);
        return AsioOk;
    }

    AsioError ORVANE_THISCALL createBuffers(ASIOBufferInfo* infos, int32_t count, int32_t size,
                                            ASIOCallbacks* callbacks) override {
        if (!m_infos.empty() || size != m_bufferSize || count < 1) return AsioInvalidMode;
        for (int32_t i = 0; i < count; ++i) {
            if (infos[i].isInput || infos[i].channelNum < 0 || infos[i].channelNum >= m_outputs)
                return AsioInvalidParameter;
        }
        const size_t half = static_cast<size_t>(size) * static_cast<size_t>(BytesOf(m_type));
        m_infos.resize(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            Channel& c = m_infos[static_cast<size_t>(i)];
            c.memory.assign(2 * half, 0);
            infos[i].buffers[0] = c.memory.data();
            infos[i].buffers[1] = c.memory.data() + half;
            c.info = infos[i];
            c.file = INVALID_HANDLE_VALUE;
            if (!m_capture.empty()) {
                const std::string path = m_capture + ".ch" + std::to_string(infos[i].channelNum) + ".raw";
                c.file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
            }
        }
        m_half = half;
        m_callbacks = *callbacks;
        m_timeInfo = m_callbacks.asioMessage(AsioSelectorSupported, AsioSupportsTimeInfo, nullptr, nullptr) == 1 &&
                     m_callbacks.asioMessage(AsioSupportsTimeInfo, 0, nullptr, nullptr) == 1;
        return AsioOk;
    }

    AsioError ORVANE_THISCALL disposeBuffers() override {
        StopClock();
        for (Channel& c : m_infos) {
            if (c.file != INVALID_HANDLE_VALUE) CloseHandle(c.file);
        }
        m_infos.clear();
        return AsioOk;
    }

    AsioError ORVANE_THISCALL controlPanel() override {
        char text[160];
        snprintf(text, sizeof text, "%d outputs, sample type %d, %d frames, %.0f Hz", static_cast<int>(m_outputs),
                 static_cast<int>(m_type), static_cast<int>(m_bufferSize), m_rate);
        MessageBoxA(nullptr, text, kDriverName, MB_OK);
        return AsioOk;
    }

    AsioError ORVANE_THISCALL future(int32_t, void*) override { return AsioInvalidParameter; }
    AsioError ORVANE_THISCALL outputReady() override { return AsioOk; }

private:
    struct Channel {
        ASIOBufferInfo info;
        std::vector<uint8_t> memory;  // both halves
        HANDLE file;
    };

    void CheckCom(const char* call) const {
        if (m_capture.empty() || CallerHasCom()) return;
        const std::string path = m_capture + ".nocom.txt";
        HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return;
        DWORD written = 0;
        const std::string line = std::string(call) + "\n";
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }

    void StopClock() {
        if (!m_thread) return;
        m_stop = true;
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }

    static DWORD WINAPI Run(void* self) {
        static_cast<LoopbackDriver*>(self)->Loop();
        return 0;
    }

    // One buffer switch a period, timed from the start so that late periods catch up.
    void Loop() {
        timeBeginPeriod(1);
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        const double period = m_bufferSize * 1000.0 / (m_rate > 0 ? m_rate : 44100.0);
        const DWORD begin = timeGetTime();
        int32_t index = 0;
        for (uint64_t n = 1; !m_stop; ++n, index ^= 1) {
            while (!m_stop && static_cast<double>(timeGetTime() - begin) < n * period) Sleep(1);
            if (m_stop) break;
            if (m_timeInfo) {
                ASIOTime time{};
                getSamplePosition(&time.timeInfo.samplePosition, &time.timeInfo.systemTime);
                time.timeInfo.sampleRate = m_rate;
                time.timeInfo.flags = AsioSystemTimeValid | AsioSamplePositionValid | AsioSampleRateValid;
                m_callbacks.bufferSwitchTimeInfo(&time, index, 0);
            } else {
                m_callbacks.bufferSwitch(index, 0);
            }
            for (Channel& c : m_infos) {
                DWORD written = 0;
                if (c.file != INVALID_HANDLE_VALUE)
                    WriteFile(c.file, c.memory.data() + index * m_half, static_cast<DWORD>(m_half), &written, nullptr);
            }
            m_frames += static_cast<uint64_t>(m_bufferSize);
        }
        timeEndPeriod(1);
    }

    std::atomic<long> m_references{1};
    int32_t m_outputs = 2;
    int32_t m_type = AsioInt32Lsb;
    int32_t m_bufferSize = 512;
    double m_rate = 44100;
    std::string m_capture;
    std::string m_initError;
    std::vector<std::string> m_names;
    std::vector<Channel> m_infos;
    size_t m_half = 0;
    ASIOCallbacks m_callbacks{};
    bool m_timeInfo = false;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_frames{0};
};

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = this;
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* driver = new LoopbackDriver;
        const HRESULT result = driver->QueryInterface(iid, object);
        driver->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

bool SetValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

__declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (clsid != kClsid) {
        *object = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(iid, object);
}

__declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return g_objects.load() == 0 ? S_OK : S_FALSE; }

__declspec(dllexport) HRESULT WINAPI DllRegisterServer() {
    char path[MAX_PATH];
    if (!GetModuleFileNameA(g_module, path, sizeof path)) return E_FAIL;
    const std::string server = std::string("CLSID\\") + kClsidText + "\\InprocServer32";
    const std::string driver = std::string("SOFTWARE\\ASIO\\") + kDriverName;
    const bool ok = SetValue(HKEY_CLASSES_ROOT, server, nullptr, path) &&
                    SetValue(HKEY_CLASSES_ROOT, server, "ThreadingModel", "Apartment") &&
                    SetValue(HKEY_LOCAL_MACHINE, driver, "CLSID", kClsidText) &&
                    SetValue(HKEY_LOCAL_MACHINE, driver, "Description", kDriverName);
    return ok ? S_OK : E_FAIL;
}

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer() {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsidText).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (std::string("SOFTWARE\\ASIO\\") + kDriverName).c_str());
    return S_OK;
}

}  // extern "C"
