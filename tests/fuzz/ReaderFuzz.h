#pragma once
// Drives a reader over one fuzz input written to a file, as the program uses it: open,
// read in small chunks to the end, seek, read again, close, ask for the length. A count
// beyond what was asked for or what the file holds, or short of what it holds, is a fault.
#include <algorithm>
#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/AudioFile.h"

template <class Reader>
int FuzzReader(const uint8_t* data, size_t size, const char* name) {
    const std::wstring widePath = FuzzInputFile(data, size, name);
    if (widePath.empty()) return 0;

    Reader reader;
    if (reader.Open(widePath)) {
        const uint32_t chunk = 1 + static_cast<uint32_t>(size % 29);  // split samples too
        uint8_t buffer[32];
        size_t total = 0;
        for (int n; (n = reader.Read(buffer, chunk)) > 0;) {
            total += static_cast<size_t>(n);
            if (static_cast<uint32_t>(n) > chunk || total > size) __builtin_trap();
        }
        // Every sample byte the file holds is delivered, up to the size its header gives.
        const AudioFormatInfo& format = reader.Format();
        const uint64_t held = format.dataOffset < size ? std::min<uint64_t>(format.dataSize, size - format.dataOffset) : 0;
        if (total != held) __builtin_trap();
        const uint32_t frames = static_cast<uint32_t>(reader.Format().totalFrames);
        for (uint32_t frame : {frames / 3, frames, frames + 1, 0xFFFFFFFFu}) {
            reader.Seek(frame);
            if (reader.Read(buffer, chunk) > static_cast<int>(chunk)) __builtin_trap();
        }
        reader.Close();
    }
    int minutes = 0, seconds = 0;
    reader.GetLength(widePath, minutes, seconds);
    platform::ReportRecorder::Clear();
    return 0;
}
