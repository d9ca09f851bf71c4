// The ASIO driver list, host and device under Wine against the loopback test driver, a
// real in-process COM server registered with regsvr32 and run on its own thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "output/AsioConvert.h"
#include "output/AsioDriverList.h"
#include "output/AsioHost.h"
#include "output/AsioOut.h"
#include "output/Dither.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kLoopbackClsid[] = "{5A1E0F3C-7B2D-4E61-9C8A-0D4F3B2A1C91}";

std::wstring ExeDir() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L'\\'));
}

DWORD RunAndWait(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 0xFFFFFFFF;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

void SetEnv(const char* name, const std::string& value) { SetEnvironmentVariableA(name, value.c_str()); }

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// xorshift32 noise; never a zero first sample.
Bytes Noise(size_t bytes, uint32_t seed) {
    Bytes out(bytes);
    for (uint8_t& b : out) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        b = static_cast<uint8_t>(seed >> 7);
    }
    out[0] |= 1;
    return out;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

// Collects the texts of the message boxes with a title, and dismisses them.
class BoxWatcher {
public:
    explicit BoxWatcher(const wchar_t* title) : m_title(title), m_thread([this] { Watch(); }) {}
    ~BoxWatcher() {
        m_stop = true;
        m_thread.join();
    }
    std::vector<std::wstring> Texts() {
        Sleep(300);
        std::lock_guard<std::mutex> hold(m_lock);
        return m_texts;
    }

private:
    void Watch() {
        while (!m_stop) {
            if (HWND box = FindWindowW(nullptr, m_title)) {
                EnumChildWindows(box, &BoxWatcher::CollectText, reinterpret_cast<LPARAM>(this));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                Sleep(200);
            }
            Sleep(20);
        }
    }
    static BOOL CALLBACK CollectText(HWND child, LPARAM self) {
        wchar_t text[256] = L"", kind[32] = L"";
        GetClassNameW(child, kind, 32);
        GetWindowTextW(child, text, 256);
        auto* watcher = reinterpret_cast<BoxWatcher*>(self);
        std::lock_guard<std::mutex> hold(watcher->m_lock);
        if (lstrcmpiW(kind, L"Static") == 0 && text[0]) watcher->m_texts.push_back(text);
        return TRUE;
    }
    const wchar_t* m_title;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::wstring> m_texts;
    std::thread m_thread;
};

class AsioLoopbackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(RunAndWait(L"regsvr32 /s \"" + ExeDir() + L"\\OrvaneAsioLoopback.dll\""), 0u);
    }
    static void TearDownTestSuite() { RunAndWait(L"regsvr32 /s /u \"" + ExeDir() + L"\\OrvaneAsioLoopback.dll\""); }

    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_capture = std::string(temp) + "orvane_asio_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (const char* name : {"OUTPUTS", "NAMES", "TYPE", "BUFFER", "RATE", "INIT_ERROR"})
            SetEnvironmentVariableA((std::string("ORVANE_LOOPBACK_") + name).c_str(), nullptr);
        SetEnv("ORVANE_LOOPBACK_CAPTURE", m_capture);
        RemoveCaptures();
    }
    void TearDown() override {
        device.Close();
        RemoveCaptures();
    }
    void RemoveCaptures() {
        for (int c = 0; c < 4; ++c) DeleteFileA(Capture(c).c_str());
    }
    std::string Capture(int channel) const { return m_capture + ".ch" + std::to_string(channel) + ".raw"; }

    OutputParams Params(int32_t bits, int32_t channels) {
        OutputParams p;
        p.deviceName = L"Orvane Loopback";
        p.selection = pair;
        p.sampleRate = 44100;
        p.channels = channels;
        p.bitsPerSample = bits;
        p.formatTag = 1;
        p.resolution = 24;
        p.bufferTime = 100;
        p.blockCount = 8;
        return p;
    }

    // Writes pcm as the engine does and waits until the device has played it out.
    void Play(const Bytes& pcm) {
        const size_t block = static_cast<size_t>(device.GetBlockBytes());
        ASSERT_GT(block, 0u);
        for (size_t at = 0; at < pcm.size();) {
            const int taken = device.Write(pcm.data() + at, static_cast<uint32_t>(std::min(block, pcm.size() - at)));
            ASSERT_GE(taken, 0);
            if (taken > 0)
                at += static_cast<size_t>(taken);
            else
                Sleep(10);
        }
        int result = WriteFull;
        for (int i = 0; i < 1000 && result == WriteFull; ++i) {
            result = device.Write(pcm.data(), 0);
            if (result == WriteFull) Sleep(10);
        }
        ASSERT_EQ(result, WriteDrained);
        Sleep(100);  // the last switch's frames are counted by the next one
    }

    // What the converter for the driver's type makes of a whole source.
    static void Expected(const Bytes& source, int sourceBytes, int channels, int32_t type, Bytes& left, Bytes& right) {
        AsioConversion c;
        c.sourceBytes = sourceBytes;
        c.channels = channels;
        AsioConverter convert = nullptr;
        ASSERT_TRUE(ChooseAsioConverter(type, false, c, convert));
        const uint32_t frames = static_cast<uint32_t>(source.size() / static_cast<size_t>(sourceBytes * channels));
        left.assign(size_t{frames} * static_cast<size_t>(c.driverBytes), 0);
        right = left;
        convert(c, source.data(), frames, frames, left.data(), right.data());
    }

    CAsioOut device;
    int32_t pair = 0;
    std::string m_capture;
};

}  // namespace

TEST_F(AsioLoopbackTest, TheListHoldsOnlyDriversWithAnExistingServer) {
    const std::string root = "SOFTWARE\\ASIO\\", classes = "CLSID\\";
    const std::string missingClsid = "{5A1E0F3C-7B2D-4E61-9C8A-0D4F3B2A1C92}";
    const std::string longName(40, 'L');
    auto set = [](HKEY base, const std::string& path, const char* name, const std::string& value) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(base, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
        if (name || !value.empty())
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
        RegCloseKey(key);
    };
    set(HKEY_LOCAL_MACHINE, root + "Orvane A No Clsid", "Description", "No Clsid");
    set(HKEY_LOCAL_MACHINE, root + "Orvane B Missing Server", "CLSID", missingClsid);
    set(HKEY_CLASSES_ROOT, classes + missingClsid + "\\InprocServer32", nullptr, "C:\\nowhere\\gone.dll");
    set(HKEY_LOCAL_MACHINE, root + "Orvane C No Description", "CLSID", kLoopbackClsid);
    set(HKEY_LOCAL_MACHINE, root + "Orvane D Long", "CLSID", kLoopbackClsid);
    set(HKEY_LOCAL_MACHINE, root + "Orvane D Long", "Description", longName);

    {
        std::unique_ptr<CAsioDriverListBase> list = OpenAsioDriverList();
        std::vector<std::string> names;
        char name[128], cut[32];
        for (int i = 0; i < list->Count(); ++i) {
            ASSERT_EQ(list->GetName(i, name, sizeof name), 0);
            names.push_back(name);
        }
        EXPECT_EQ(list->GetName(list->Count(), name, sizeof name), AsioListNoEntry);
        EXPECT_EQ(list->GetName(0, nullptr, 32), AsioListNullArgument);
        EXPECT_EQ(std::count(names.begin(), names.end(), "Orvane Loopback"), 1);
        EXPECT_EQ(std::count(names.begin(), names.end(), "Orvane C No Description"), 1);
        EXPECT_EQ(std::count(names.begin(), names.end(), longName), 1);
        for (const std::string& n : names) EXPECT_EQ(n.find("Orvane A"), std::string::npos) << n;
        for (const std::string& n : names) EXPECT_EQ(n.find("Orvane B"), std::string::npos) << n;
        std::vector<std::wstring> full;
        ASSERT_TRUE(AsioDriverNames(full));  // what the setup dialog lists: names uncut
        EXPECT_EQ(std::count(full.begin(), full.end(), std::wstring(40, L'L')), 1);
        const int longIndex = static_cast<int>(std::find(names.begin(), names.end(), longName) - names.begin());
        ASSERT_EQ(list->GetName(longIndex, cut, sizeof cut), 0);
        EXPECT_EQ(std::string(cut), std::string(28, 'L') + "...");

        // A name of 32 characters or more never loads; the others create the driver.
        CAsioHost& host = CAsioHost::Instance();
        host.UseDriverList(list.get());
        EXPECT_FALSE(host.LoadDriver(longName));
        EXPECT_TRUE(host.LoadDriver("Orvane C No Description"));
        EXPECT_EQ(host.Init(), AsioOk);
        EXPECT_STREQ(host.driver.info.name, "Orvane Loopback");
        const int current = static_cast<int>(std::find(names.begin(), names.end(), "Orvane C No Description") - names.begin());
        IAsioDriver* again = nullptr;
        EXPECT_EQ(list->CreateDriver(current, &again), AsioListDriverExists);
        host.UseDriverList(nullptr);
    }
    for (const char* key : {"Orvane A No Clsid", "Orvane B Missing Server", "Orvane C No Description", "Orvane D Long"})
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, (root + key).c_str());
    RegDeleteTreeA(HKEY_CLASSES_ROOT, (classes + missingClsid).c_str());
}

TEST_F(AsioLoopbackTest, EverySampleTypeCarriesTheConversionOfTheSource) {
    const Bytes source = Noise(44100 / 4 * 4, 2463534242u);  // a quarter second, 16-bit stereo
    struct Case {
        int32_t type, buffer, rate;
    };
    for (Case c : {Case{AsioInt16Lsb, 512, 44100}, Case{AsioInt24Lsb, 256, 44100}, Case{AsioInt32Lsb, 480, 0},
                   Case{AsioFloat32Lsb, 512, 44100}, Case{AsioFloat64Lsb, 1024, 44100},
                   Case{AsioInt32Lsb16, 512, 48000}, Case{AsioInt32Lsb18, 128, 44100}, Case{AsioInt32Lsb20, 512, 44100},
                   Case{AsioInt32Lsb24, 333, 44100}}) {
        SCOPED_TRACE("sample type " + std::to_string(c.type));
        RemoveCaptures();
        SetEnv("ORVANE_LOOPBACK_TYPE", std::to_string(c.type));
        SetEnv("ORVANE_LOOPBACK_BUFFER", std::to_string(c.buffer));
        SetEnv("ORVANE_LOOPBACK_RATE", std::to_string(c.rate));
        OutputParams p = Params(16, 2);
        ASSERT_EQ(device.Open(p), 1);
        Play(source);
        EXPECT_EQ(device.GetPosition(), static_cast<int>(source.size() / 4));
        device.Close();
        Bytes left, right;
        Expected(source, 2, 2, c.type, left, right);
        EXPECT_TRUE(Contains(ReadAll(Capture(0)), left));
        EXPECT_TRUE(Contains(ReadAll(Capture(1)), right));
    }
}

TEST_F(AsioLoopbackTest, MonoSourceOnPairOneFeedsDriverChannelsTwoAndThree) {
    SetEnv("ORVANE_LOOPBACK_OUTPUTS", "4");
    pair = 1;
    const Bytes source = Noise(44100 / 4 * 2, 99u);
    OutputParams p = Params(16, 1);
    ASSERT_EQ(device.Open(p), 1);
    Play(source);
    device.Close();
    Bytes left, right;
    Expected(source, 2, 1, AsioInt32Lsb, left, right);
    EXPECT_TRUE(Contains(ReadAll(Capture(2)), left));
    EXPECT_TRUE(Contains(ReadAll(Capture(3)), left));
    EXPECT_EQ(GetFileAttributesA(Capture(0).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(Capture(1).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(AsioLoopbackTest, TwentyFourBitsAtResolution16AreDitheredAsPredicted) {
    SetEnv("ORVANE_LOOPBACK_TYPE", std::to_string(AsioInt24Lsb));
    const Bytes source = Noise(44100 / 5 * 6, 777u);
    for (int32_t dither : {DitherNone, DitherTriangle, DitherMSequence, DitherNoiseShaping}) {
        SCOPED_TRACE("dither " + std::to_string(dither));
        RemoveCaptures();
        // The noise sources run on across devices: predict from a copy of their state.
        const CTriangleNoise triangle = ProcessTriangleNoise();
        const CMSequenceNoise sequence = ProcessMSequenceNoise();
        Bytes reduced(source.size());
        CSampleReducer reducer;
        reducer.Setup(2, 3, 16, dither);
        reducer.KeepWidth(source.data(), reduced.data(), static_cast<uint32_t>(source.size() / 6));
        ProcessTriangleNoise() = triangle;
        ProcessMSequenceNoise() = sequence;

        OutputParams p = Params(24, 2);
        p.resolution = 16;
        p.ditherType = dither;
        ASSERT_EQ(device.Open(p), 1);
        Play(source);
        device.Close();
        Bytes left, right;
        Expected(reduced, 3, 2, AsioInt24Lsb, left, right);
        EXPECT_TRUE(Contains(ReadAll(Capture(0)), left));
        EXPECT_TRUE(Contains(ReadAll(Capture(1)), right));
    }
}

TEST_F(AsioLoopbackTest, PauseSeekStopAndASecondPlay) {
    const Bytes first = Noise(44100 * 4, 5u), second = Noise(44100 / 2 * 4, 6u);
    OutputParams p = Params(16, 2);
    ASSERT_EQ(device.Open(p), 1);
    const int block = device.GetBlockBytes();
    for (int i = 0; i < 4; ++i) ASSERT_EQ(device.Write(first.data() + i * block, static_cast<uint32_t>(block)), block);
    Sleep(150);
    // A seek as the engine makes it: paused around the reset.
    ASSERT_EQ(device.Pause(1), PauseDone);
    EXPECT_EQ(device.GetState(), DevicePaused);
    const size_t heard = ReadAll(Capture(0)).size();
    Sleep(200);
    EXPECT_EQ(ReadAll(Capture(0)).size(), heard);  // nothing plays while paused
    device.Reset(1000);
    EXPECT_EQ(device.GetPosition(), 1000);
    ASSERT_EQ(device.Pause(0), PauseDone);
    Play(second);
    EXPECT_EQ(device.GetPosition(), 1000 + static_cast<int>(second.size() / 4));
    device.Close();
    EXPECT_EQ(device.GetState(), DeviceClosed);

    Bytes left, right, firstLeft, unused;
    Expected(second, 2, 2, AsioInt32Lsb, left, right);
    const Bytes captured = ReadAll(Capture(0));
    const auto at = std::search(captured.begin(), captured.end(), left.begin(), left.end());
    ASSERT_NE(at, captured.end());
    EXPECT_TRUE(std::all_of(at + static_cast<std::ptrdiff_t>(left.size()), captured.end(), [](uint8_t b) { return b == 0; }));
    // Before the seek, the start of the first stream played in order.
    Expected(Bytes(first.begin(), first.begin() + 512 * 4), 2, 2, AsioInt32Lsb, firstLeft, unused);
    EXPECT_TRUE(Contains(Bytes(captured.begin(), at), firstLeft));

    // A second run starts from a fresh ring and position.
    RemoveCaptures();
    ASSERT_EQ(device.Open(p), 1);
    EXPECT_EQ(device.GetPosition(), 0);
    Play(second);
    device.Close();
    EXPECT_TRUE(Contains(ReadAll(Capture(0)), left));
}

TEST_F(AsioLoopbackTest, APairBeyondTheChannelsFailsQuietlyAndAFailingInitIsReported) {
    BoxWatcher boxes(L"Asio Error");
    pair = 1;  // the driver has two outputs
    OutputParams p = Params(16, 2);
    EXPECT_EQ(device.Open(p), 0);
    EXPECT_TRUE(boxes.Texts().empty());
    device.Close();

    p.selection = 0;
    SetEnv("ORVANE_LOOPBACK_INIT_ERROR", "loopback refuses");
    EXPECT_EQ(device.Open(p), 0);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{L"ASIOドライバの初期化に失敗しました。"});
    EXPECT_STREQ(CAsioHost::Instance().driver.info.errorMessage, "loopback refuses");
    EXPECT_EQ(device.GetState(), DeviceClosed);
}

TEST_F(AsioLoopbackTest, TheControlPanelIsTheNamedDriversOwn) {
    SetEnv("ORVANE_LOOPBACK_OUTPUTS", "6");
    BoxWatcher panel(L"Orvane Loopback");
    CAsioOut::ShowControlPanel(L"Orvane Loopback");
    EXPECT_EQ(panel.Texts(), std::vector<std::wstring>{L"6 outputs, sample type 18, 512 frames, 44100 Hz"});
}
