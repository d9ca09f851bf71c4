#include "sources/PcmStream.h"

#include <algorithm>
#include <limits>

#include "sources/PlayLength.h"
#include "sources/ReaderReport.h"

namespace {

bool ParseFile(const std::wstring& path, HeaderParse parse, AudioFormatInfo& format) {
    AudioFormatInfo parsed{};
    platform::File header;
    const bool ok = header.OpenRead(path, platform::FileShare::Read) && parse(header, parsed);
    format = ok ? parsed : AudioFormatInfo{};
    return ok;
}

}  // namespace

bool SetDataRange(AudioFormatInfo& format, const platform::File& file, int64_t offset, uint64_t size) {
    if (offset < 0 || offset > std::numeric_limits<uint32_t>::max()) return false;
    const uint64_t largestEnd = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (size > largestEnd - static_cast<uint64_t>(offset))
        size = static_cast<uint64_t>(std::max<int64_t>(file.Size() - offset, 0));
    format.dataOffset = static_cast<uint32_t>(offset);
    format.dataSize = size;
    format.dataEnd = format.dataOffset + size;
    format.totalFrames = format.blockAlign > 0 ? size / static_cast<uint32_t>(format.blockAlign) : 0;
    return true;
}

int OpenPcmStream(platform::File& file, AudioFormatInfo& format, const std::wstring& path, HeaderParse parse) {
    if (file.IsOpen()) return 0;
    if (!platform::File::Exists(path)) return ReportFileError(kTextCannotOpen);
    if (!ParseFile(path, parse, format)) return ReportFileError(kTextUnsupported);
    if (!file.OpenRead(path, platform::FileShare::Read)) return ReportFileError(kTextCannotOpen);
    file.Seek(format.dataOffset);
    return ReaderDone;
}

int SeekPcmStream(platform::File& file, const AudioFormatInfo& format, uint32_t frame) {
    if (!file.IsOpen()) return SeekNoFile;
    uint64_t offset = static_cast<uint64_t>(frame) * static_cast<uint32_t>(format.blockAlign) + format.dataOffset;
    if (offset > format.dataEnd) {
        offset = format.dataOffset;
        frame = 0;
    }
    file.Seek(static_cast<int64_t>(offset));
    return static_cast<int>(frame);
}

uint32_t PcmBytesLeft(const platform::File& file, const AudioFormatInfo& format, uint32_t bytes) {
    const int64_t at = file.Tell();
    if (at < 0 || static_cast<uint64_t>(at) >= format.dataEnd) return 0;
    // The count is returned as an int.
    const uint64_t limit = std::min<uint64_t>(format.dataEnd - static_cast<uint64_t>(at),
                                              std::numeric_limits<int>::max());
    return static_cast<uint32_t>(std::min<uint64_t>(bytes, limit));
}

int ReadPcmStream(platform::File& file, const AudioFormatInfo& format, void* buffer, uint32_t bytes) {
    const uint32_t n = PcmBytesLeft(file, format, bytes);
    if (n == 0) return 0;
    const int64_t got = file.Read(buffer, n);
    return got > 0 ? static_cast<int>(got) : 0;
}

int PcmStreamLength(const std::wstring& path, HeaderParse parse, int& minutes, int& seconds) {
    AudioFormatInfo format;
    if (!ParseFile(path, parse, format) || format.sampleRate <= 0) return 0;
    const PlayLength length = RoundedUpLength(format.totalFrames, static_cast<uint64_t>(format.sampleRate));
    minutes = length.minutes;
    seconds = length.seconds;
    return ReaderDone;
}
