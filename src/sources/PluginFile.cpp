#include "sources/PluginFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/DebugLine.h"
#include "platform/Time.h"
#include "sources/PlayLength.h"
#include "sources/ReaderReport.h"

namespace {

uint8_t g_oggBytes[4608];
PluginPcm g_oggPcm{g_oggBytes, sizeof g_oggBytes, 4096, {}};
const PluginReaderTraits kOggTraits{{kTextVorbisdecMissing, kTextVorbisdecIncomplete}, SeekNoFile};

uint8_t g_flacBytes[4704];
PluginPcm g_flacPcm{g_flacBytes, sizeof g_flacBytes, 4704, {}};
const PluginReaderTraits kFlacTraits{{kTextFlacdecMissing, kTextFlacdecIncomplete}, 0};

// A format the engine and the devices can carry: whole bytes per sample and a known rate.
bool Playable(const DecoderInfo& info) {
    return info.sampleRate > 0 && info.channels > 0 && info.bitsPerSample > 0 && info.bitsPerSample % 8 == 0 &&
           info.bitsPerSample <= 32 && info.channels <= 255;
}

}  // namespace

COggFile::COggFile(std::wstring libraryName) : CPluginFile(std::move(libraryName), kOggTraits, g_oggPcm) {}

CFlacFile::CFlacFile(std::wstring libraryName) : CPluginFile(std::move(libraryName), kFlacTraits, g_flacPcm) {}

CPluginFile::CPluginFile(std::wstring libraryName, const PluginReaderTraits& traits, PluginPcm& pcm)
    : m_traits(traits), m_pcm(pcm), m_library(std::move(libraryName), traits.texts) {}

CPluginFile::~CPluginFile() {
    Close();
    if (m_decoder) m_decoder->ops->Release(m_decoder);
}

// A "Create" that gave no object (short of memory) is asked again.
bool CPluginFile::LoadDecoder() {
    const bool loaded = m_library.Load([this](const DecoderLibrary& library) {
        m_create = library.Export<DecoderCreateFn>(DECODER_CREATE_NAME);
        return m_create != nullptr;
    });
    if (!loaded) return false;
    if (!m_decoder) m_decoder = m_create();
    return true;
}

void CPluginFile::DropPcm() {
    std::memset(m_pcm.bytes, 0, m_pcm.size);
    m_pcm.held = HeldPcm{};
}

int CPluginFile::Open(const std::wstring& path) {
    if (!LoadDecoder() || !m_decoder) return 0;
    if (!platform::File::Exists(path)) return ReportFileError(kTextCannotOpen);
    DecoderInfo info{};
    if (!m_decoder->ops->Open(m_decoder, path.c_str(), &info)) {
        DebugLine(L"%ls: cannot open %ls", m_library.Name().c_str(), path.c_str());
        return ReportFileError(kTextUnsupported);
    }
    if (!Playable(info)) {
        m_decoder->ops->Close(m_decoder);
        return ReportFileError(kTextUnsupported);
    }
    m_format = AudioFormatInfo{};
    m_format.formatTag = FormatTagPcm;
    m_format.sampleRate = info.sampleRate;
    m_format.bitsPerSample = info.bitsPerSample;
    m_format.channels = info.channels;
    m_format.blockAlign = info.channels * info.bitsPerSample / 8;
    m_format.totalFrames = info.totalSamples;
    DropPcm();
    return ReaderDone;
}

void CPluginFile::Close() {
    if (m_decoder) m_decoder->ops->Close(m_decoder);
}

// Whoever seeks, nothing decoded before the jump is delivered after it.
int CPluginFile::Seek(uint32_t frame) {
    if (!m_decoder) return m_traits.seekWithoutDecoder;
    m_decoder->ops->Seek(m_decoder, frame);
    DropPcm();
    return static_cast<int>(frame);
}

int CPluginFile::Read(void* buffer, uint32_t bytes) {
    if (!m_decoder) return 0;
    if (bytes == 0) {
        DropPcm();
        return 0;
    }
    if (!buffer) return 0;
    bytes = std::min<uint32_t>(bytes, INT_MAX);
    const Gathered got = GatherPcm(m_pcm.held, static_cast<uint8_t*>(buffer), bytes, [this] {
        const int decoded = m_decoder->ops->Read(m_decoder, m_pcm.bytes, static_cast<int>(m_pcm.capacity));
        if (decoded <= 0) return decoded < 0 ? Refill::Failed : Refill::End;
        // A decoder that claims more than it was given room for is not believed.
        m_pcm.held = {m_pcm.bytes, std::min(static_cast<uint32_t>(decoded), m_pcm.capacity)};
        return Refill::Filled;
    });
    if (got.failed) return ReadFailed;
    platform::SleepMs(10);
    return static_cast<int>(got.bytes);
}

// A second decoder object of its own, so the stream that plays is not disturbed.
int CPluginFile::GetLength(const std::wstring& path, int& minutes, int& seconds) {
    if (!LoadDecoder() || !m_create) return 0;
    DecoderPlugin* decoder = m_create();
    if (!decoder) return 0;
    DecoderInfo info{};
    const int opened = decoder->ops->Open(decoder, path.c_str(), &info);
    decoder->ops->Close(decoder);
    decoder->ops->Release(decoder);
    if (!opened || info.sampleRate <= 0) return 0;
    const PlayLength length = RoundedUpLength(info.totalSamples, static_cast<uint64_t>(info.sampleRate));
    minutes = length.minutes;
    seconds = length.seconds;
    return ReaderDone;
}
