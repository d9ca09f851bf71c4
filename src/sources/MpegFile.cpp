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
HeldPcm g_held;

void DropPcm() {
    std::memset(g_pcm, 0, sizeof g_pcm);
    g_held = HeldPcm{};
}

// The file is opened unshared, for the parse as for playback.
bool ParseFile(const std::wstring& path, AudioFormatInfo& format, XingInfo& xing, MpegTrim& trim) {
    platform::File file;
    if (!file.OpenRead(path, platform::FileShare::None) || !ParseMpegStream(file, format, xing)) return false;
    trim = FindMpegTrim(file, format, xing.header);
    return true;
}

}  // namespace

CMpegFile::CMpegFile(std::wstring libraryName)
    : m_library(std::move(libraryName), {kTextMpglibMissing, kTextMpglibIncomplete}) {}

CMpegFile::~CMpegFile() { Close(); }

bool CMpegFile::LoadDecoder() {
    return m_library.Load([this](const DecoderLibrary& library) {
        m_init = library.Export<MpglibInitFn>(MPGLIB_INIT_NAME);
        m_exit = library.Export<MpglibExitFn>(MPGLIB_EXIT_NAME);
        m_decode = library.Export<MpglibDecodeFn>(MPGLIB_DECODE_NAME);
        return m_init && m_exit && m_decode;
    });
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
    if (!ParseFile(path, m_format, m_xing, m_trim)) return ReportFileError(kTextUnsupported);
    if (!m_file.OpenRead(path, platform::FileShare::None)) return 0;
    m_inputSize = m_inputBytes > 0 ? static_cast<uint32_t>(m_inputBytes) : 8192;
    m_input = static_cast<uint8_t*>(platform::HeapAllocZeroed(m_inputSize));
    if (!m_input) {
        m_file.Close();  // a failed Open leaves nothing open
        return 0;
    }
    const uint64_t firstFrame = m_format.dataOffset + m_trim.infoFrameBytes;
    m_indexed = m_index.Build(m_file, m_format, m_xing.header, firstFrame);
    if (m_indexed) {
        m_format.totalFrames = MpegHeardLength(m_trim, uint64_t{m_index.Count()} * m_index.SamplesPerFrame());
    } else {
        m_trim = MpegTrim{};
        m_format.totalFrames = MpegTotalFrames(m_format, m_xing);
    }
    m_file.Seek(static_cast<int64_t>(m_indexed ? firstFrame : m_format.dataOffset));
    m_preroll = MpegPreroll{};
    m_decodedBytes = m_heardFromBytes = 0;
    DropPcm();
    return ReaderDone;
}

void CMpegFile::Close() {
    m_file.Close();
    if (m_state) m_exit(m_state);
    m_state = nullptr;
    platform::HeapFree(m_input);
    m_input = nullptr;
    m_index.Clear();
}

// Decodes into the PCM buffer, feeding the decoder from the file when it asks for more.
// Filled may leave it empty (all of it unheard, or no PCM from the input yet).
Refill CMpegFile::DecodeMore() {
    int produced = 0;
    int result = m_decode(m_state, nullptr, 0, g_pcm, MPGLIB_OUTPUT_BYTES, &produced);
    if (result == MPGLIB_ERROR) return Refill::Failed;
    if (result == MPGLIB_NEED_MORE || produced <= 0) {
        const int64_t at = m_file.Tell();
        if (at < 0 || static_cast<uint64_t>(at) >= m_format.dataEnd) return Refill::End;
        const uint32_t amount =
            static_cast<uint32_t>(std::min<uint64_t>(m_inputSize, m_format.dataEnd - static_cast<uint64_t>(at)));
        const int64_t got = m_file.Read(m_input, amount);
        if (got < 0) return Refill::Failed;
        if (got == 0) return Refill::End;
        if (m_indexed) m_index.Silence(m_preroll, static_cast<uint64_t>(at), m_input, static_cast<uint32_t>(got));
        produced = 0;
        m_decode(m_state, m_input, static_cast<int>(got), g_pcm, MPGLIB_OUTPUT_BYTES, &produced);
    }
    // A library that claims more than the buffer holds is not believed.
    g_held = {g_pcm, KeepHeard(static_cast<uint32_t>(std::clamp(produced, 0, int{MPGLIB_OUTPUT_BYTES})))};
    return Refill::Filled;
}

// Moves the heard part of the PCM just decoded to the front of the buffer: what the trim
// keeps, from the seek target on. Returns its size.
uint32_t CMpegFile::KeepHeard(uint32_t decoded) {
    const uint64_t from = m_decodedBytes, to = from + decoded;
    m_decodedBytes = to;
    const uint64_t align = static_cast<uint64_t>(m_format.blockAlign);
    uint32_t kept = 0;
    const auto keep = [&](uint64_t start, uint64_t end) {
        start = std::max({start, from, m_heardFromBytes});
        end = std::min(end, to);
        if (start >= end) return;
        std::memmove(g_pcm + kept, g_pcm + (start - from), static_cast<size_t>(end - start));
        kept += static_cast<uint32_t>(end - start);
    };
    keep(m_trim.begin * align, m_trim.headEnd * align);
    keep(m_trim.tailStart * align, UINT64_MAX);
    return kept;
}

int CMpegFile::Read(void* buffer, uint32_t bytes) {
    if (bytes == 0) {
        DropPcm();
        return 0;
    }
    if (!m_file.IsOpen() || !m_state || !buffer) return 0;
    bytes = std::min<uint32_t>(bytes, INT_MAX);
    const Gathered got = GatherPcm(g_held, static_cast<uint8_t*>(buffer), bytes, [this] { return DecodeMore(); });
    // A decoder error loses what this read gathered before it.
    if (got.failed) return 0;
    platform::SleepMs(10);
    return static_cast<int>(got.bytes);
}

// Decoding starts at the preroll's first frame; what comes before the target is dropped.
// Whatever was decoded before is gone, so the next Read starts at the target even without
// the zero-byte Read that usually follows.
int CMpegFile::Seek(uint32_t frame) {
    if (!m_file.IsOpen()) return SeekNoFile;
    if (!m_indexed) return SeekByTable(frame);
    const uint64_t heard = std::min<uint64_t>(frame, m_format.totalFrames);
    const uint64_t decoded = MpegDecodedPosition(m_trim, heard);
    const uint32_t spf = m_index.SamplesPerFrame();
    m_preroll = m_index.Preroll(static_cast<uint32_t>(std::min<uint64_t>(decoded / spf, m_index.Count())));
    m_file.Seek(static_cast<int64_t>(m_index.FileOffset(m_preroll.first)));
    ResetDecoder();
    DropPcm();
    const uint64_t align = static_cast<uint64_t>(m_format.blockAlign);
    m_decodedBytes = uint64_t{m_preroll.first} * spf * align;
    m_heardFromBytes = decoded * align;
    return static_cast<int>(heard);
}

// Without an index: the frame the table or the bitrate puts at the byte position found.
int CMpegFile::SeekByTable(uint32_t frame) {
    if (!MpegHasBitrate(m_xing.header)) {
        // Nothing to measure a free-format stream by: it starts again, as the answer says.
        m_file.Seek(m_format.dataOffset);
        ResetDecoder();
        DropPcm();
        return 0;
    }
    const uint64_t start = m_format.dataOffset;
    const int64_t found =
        ResyncMpeg(m_file, static_cast<int64_t>(start + MpegSeekOffset(m_format, m_xing, frame)), m_xing.header);
    if (found < 0) return 0;
    m_file.Seek(found);
    ResetDecoder();
    DropPcm();
    return static_cast<int>(MpegFrameAt(m_format, m_xing, static_cast<uint64_t>(found) - start));
}

int CMpegFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    AudioFormatInfo format;
    XingInfo xing;
    MpegTrim trim;
    uint64_t length = 0;
    if (!ParseFile(path, format, xing, trim) || !MpegLengthSeconds(format, xing, trim, length)) return 0;
    minutes = static_cast<int>(length / 60);
    seconds = static_cast<int>(length % 60);
    return ReaderDone;
}
