// The MPEG header parse, the Info frame and its trim, the frame index with the preroll it
// plans and the side information it rewrites, and the table arithmetic and resynchronisation
// over one input written to a file; the decoder library is not involved.
#include <algorithm>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/MpegIndex.h"
#include "sources/MpegStream.h"

namespace {

void FuzzIndex(platform::File& file, const AudioFormatInfo& format, const XingInfo& xing, const MpegTrim& trim,
               const std::vector<uint8_t>& data) {
    CMpegIndex index;
    if (!index.Build(file, format, xing.header, format.dataOffset + trim.infoFrameBytes)) return;
    const uint32_t count = index.Count();
    const uint64_t decoded = uint64_t{count} * index.SamplesPerFrame();
    const uint64_t heard = MpegHeardLength(trim, decoded);
    if (heard > decoded) __builtin_trap();
    std::vector<uint8_t> bytes(data);
    for (uint64_t frame : {uint64_t{0}, heard / 3, heard / 2, heard, heard + 1}) {
        const uint64_t at = MpegDecodedPosition(trim, frame);
        if (frame < heard && at >= decoded) __builtin_trap();
        const auto target = static_cast<uint32_t>(std::min<uint64_t>(at / index.SamplesPerFrame(), count));
        const MpegPreroll preroll = index.Preroll(target);
        if (preroll.first > target || preroll.silentUntil < preroll.first || preroll.silentUntil > count)
            __builtin_trap();
        if (index.FileOffset(preroll.first) > std::max<uint64_t>(format.dataEnd, format.dataOffset)) __builtin_trap();
        // The rewrite stays inside the bytes it is given, whatever part of the file they are.
        for (uint64_t from : {uint64_t{0}, uint64_t{format.dataOffset}, static_cast<uint64_t>(bytes.size() / 2)})
            if (from <= bytes.size())
                index.Silence(preroll, from, bytes.data() + from, static_cast<uint32_t>(bytes.size() - from));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::wstring path = FuzzInputFile(data, size, "mpeg");
    if (path.empty()) return 0;

    platform::File file;
    AudioFormatInfo format;
    XingInfo xing;
    if (file.OpenRead(path, platform::FileShare::None) &&
        ParseMpegStream(file, format, xing)) {
        if (format.dataEnd > size || format.dataOffset > size) __builtin_trap();
        const MpegTrim trim = FindMpegTrim(file, format, xing.header);
        if (trim.infoFrameBytes && format.dataOffset + uint64_t{trim.infoFrameBytes} > format.dataEnd)
            __builtin_trap();
        const uint64_t total = MpegTotalFrames(format, xing);
        uint64_t seconds = 0;
        MpegLengthSeconds(format, xing, trim, seconds);
        for (uint64_t frame : {uint64_t{0}, total / 3, total, total + 1, uint64_t{0xFFFFFFFF}}) {
            const auto target = static_cast<uint32_t>(frame);
            const uint64_t offset = MpegSeekOffset(format, xing, target);
            const int64_t found = ResyncMpeg(file, static_cast<int64_t>(format.dataOffset + offset), xing.header);
            if (found >= 0 && static_cast<uint64_t>(found) + 4 > size) __builtin_trap();
            if (found >= 0) MpegFrameAt(format, xing, static_cast<uint64_t>(found) - format.dataOffset);
        }
        FuzzIndex(file, format, xing, trim, std::vector<uint8_t>(data, data + size));
    }
    platform::ReportRecorder::Clear();
    return 0;
}
