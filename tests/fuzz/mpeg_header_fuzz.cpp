// The MPEG header parse and the seek arithmetic and resynchronisation over one input
// written to a file; the decoder library is not involved.
#include <string>

#include "FuzzInput.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/MpegStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring path = FuzzInputFile(data, size, "mpeg");
    if (path.empty()) return 0;

    platform::File file;
    AudioFormatInfo format;
    XingInfo xing;
    if (file.OpenRead(path, platform::FileShare::None) &&
        ParseMpegStream(file, format, xing)) {
        if (format.dataEnd > size || format.dataOffset > size) __builtin_trap();
        const uint64_t total = MpegTotalFrames(format, xing);
        uint64_t seconds = 0;
        MpegLengthSeconds(format, xing, seconds);
        for (uint64_t frame : {uint64_t{0}, total / 3, total, total + 1, uint64_t{0xFFFFFFFF}}) {
            const auto target = static_cast<uint32_t>(frame);
            const uint64_t offset = MpegSeekOffset(format, xing, target);
            const int64_t found = ResyncMpeg(file, static_cast<int64_t>(format.dataOffset + offset), xing.header);
            if (found >= 0 && static_cast<uint64_t>(found) + 4 > size) __builtin_trap();
            if (found >= 0) MpegFrameAt(format, xing, static_cast<uint64_t>(found) - format.dataOffset, target);
        }
    }
    platform::ReportRecorder::Clear();
    return 0;
}
