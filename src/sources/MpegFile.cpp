#include "sources/MpegFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/Heap.h"
#include "platform/Time.h"
#include "sources/ReaderReport.h"

namespace {

// Decoded PCM, shared by every MPEG reader of the process: only one stream plays at a time.
uint8_t g_pcm[MPGLIB_OUTPUT_BYTES];
uint32_t g_pcmUnread = 0;
uint32_t g_pcmCursor = 0;

void DropPcm() {
    std::memset(g_pcm, 0, sizeof g_pcm);
    g_pcmUnread = 0;
    g_pcmCursor = 0;
}

// The file is opened unshared, for the parse as for playback.
bool ParseFile(const std::wstring& path, AudioFormatInfo& format, XingInfo& xing) {
    platform::File file;
    return file.OpenRead(path, platform::FileShare::None) && ParseMpegStream(file, format, xing);
}

}  // namespace

CMpegFile::CMpegFile(std::wstring libraryName) : m_libraryName(std::move(libraryName)) {}

CMpegFile::~CMpegFile() { Close(); }

// An incomplete library is let go, so a replaced one is tried at the next Open.
bool CMpegFile::LoadDecoder() {
    if (m_decode) return true;
    if (!m_library.Load(m_libraryName)) return ReportDecoderError(kTextMpglibMissing);
    m_init = reinterpret_cast<MpglibInitFn>(m_library.Symbol(MPGLIB_INIT_NAME));
    m_exit = reinterpret_cast<MpglibExitFn>(m_library.Symbol(MPGLIB_EXIT_NAME));
    m_decode = reinterpret_cast<MpglibDecodeFn>(m_library.Symbol(MPGLIB_DECODE_NAME));
    if (m_init && m_exit && m_decode) return true;
    m_init = nullptr;
    m_exit = nullptr;
    m_decode = nullptr;
    m_library.Free();
    return ReportDecoderError(kTextMpglibIncomplete);
}

void CMpegFile::ResetDecoder() {
    if (m_state) m_exit(m_state);
    m_state = &m_stateStorage;
    m_init(m_state);
}

int CMpegFile::Open(const std::wstring& path) {
    if (m_file.IsOpen() || !LoadDecoder()) return 0;
    ResetDecoder();
    if (!platform::File::Exists(path)) return ReportFileError(kTextCannotOpen);
    if (!ParseFile(path, m_format, m_xing)) return ReportFileError(kTextUnsupported);
    if (!m_file.OpenRead(path, platform::FileShare::None)) return 0;
    m_file.Seek(m_format.dataOffset);
    m_inputSize = m_inputBytes > 0 ? static_cast<uint32_t>(m_inputBytes) : 8192;
    m_input = static_cast<uint8_t*>(platform::HeapAllocZeroed(m_inputSize));
    if (!m_input) {
        m_file.Close();  // a failed Open leaves nothing open
        return 0;
    }
    m_format.totalFrames = MpegTotalFrames(m_format, m_xing);
    DropPcm();
    return 1;
}

void CMpegFile::Close() {
    m_file.Close();
    if (m_state) m_exit(m_state);
    m_state = nullptr;
    platform::HeapFree(m_input);
    m_input = nullptr;
}

// Decodes into the PCM buffer, feeding the decoder from the file when it asks for more:
// 1 when the buffer was refilled (possibly with nothing), 0 at the end of the data, -1
// when the call must fail.
int CMpegFile::Refill() {
    int produced = 0;
    int result = m_decode(m_state, nullptr, 0, g_pcm, MPGLIB_OUTPUT_BYTES, &produced);
    if (result == MPGLIB_ERROR) return -1;
    if (result == MPGLIB_NEED_MORE || produced <= 0) {
        const int64_t at = m_file.Tell();
        if (at < 0 || static_cast<uint64_t>(at) >= m_format.dataEnd) return 0;
        const uint32_t amount =
            static_cast<uint32_t>(std::min<uint64_t>(m_inputSize, m_format.dataEnd - static_cast<uint64_t>(at)));
        const int64_t got = m_file.Read(m_input, amount);
        if (got < 0) return -1;
        if (got == 0) return 0;
        produced = 0;
        m_decode(m_state, m_input, static_cast<int>(got), g_pcm, MPGLIB_OUTPUT_BYTES, &produced);
    }
    // A library that claims more than the buffer holds is not believed.
    g_pcmUnread = static_cast<uint32_t>(std::clamp(produced, 0, int{MPGLIB_OUTPUT_BYTES}));
    g_pcmCursor = 0;
    return 1;
}

int CMpegFile::Read(void* buffer, uint32_t bytes) {
    if (bytes == 0) {
        DropPcm();
        return 0;
    }
    if (!m_file.IsOpen() || !m_state || !buffer) return 0;
    bytes = std::min<uint32_t>(bytes, INT_MAX);
    auto* out = static_cast<uint8_t*>(buffer);
    uint32_t copied = 0;
    while (copied < bytes) {
        if (g_pcmUnread == 0) {
            const int refilled = Refill();
            if (refilled < 0) return 0;
            if (refilled == 0) break;
        }
        const uint32_t n = std::min(bytes - copied, g_pcmUnread);
        std::memcpy(out + copied, g_pcm + g_pcmCursor, n);
        copied += n;
        g_pcmCursor += n;
        g_pcmUnread -= n;
    }
    platform::SleepMs(10);
    return static_cast<int>(copied);
}

int CMpegFile::Seek(uint32_t frame) {
    if (!m_file.IsOpen()) return -1;
    if (!MpegHasBitrate(m_xing.header)) {
        // Nothing to measure a free-format stream by: it starts again, as the answer says.
        m_file.Seek(m_format.dataOffset);
        ResetDecoder();
        Read(nullptr, 0);
        return 0;
    }
    const uint64_t start = m_format.dataOffset;
    const int64_t found =
        ResyncMpeg(m_file, static_cast<int64_t>(start + MpegSeekOffset(m_format, m_xing, frame)), m_xing.header);
    if (found < 0) return 0;
    m_file.Seek(found);
    const uint64_t reached = MpegFrameAt(m_format, m_xing, static_cast<uint64_t>(found) - start, frame);
    ResetDecoder();
    Read(nullptr, 0);
    return static_cast<int>(reached);
}

int CMpegFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    AudioFormatInfo format;
    XingInfo xing;
    uint64_t length = 0;
    if (!ParseFile(path, format, xing) || !MpegLengthSeconds(format, xing, length)) return 0;
    minutes = static_cast<int>(length / 60);
    seconds = static_cast<int>(length % 60);
    return 1;
}
