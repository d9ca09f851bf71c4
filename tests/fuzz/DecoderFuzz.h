#pragma once
// Drives a plug-in reader and its native plug-in over one fuzz input written to a file:
// the reader opens it and asks for its length; the plug-in, through its operation table,
// decodes to the end, seeks and decodes again. The reader's own reads sleep as the engine
// wants, so the decoding goes to the plug-in directly, under the same contract checks: no
// count beyond the capacity, none that is not whole frames.
#include <dlfcn.h>

#include <cstdint>
#include <string>

#include "FuzzInput.h"
#include "decoder_plugin.h"
#include "platform/posix/ReportRecorder.h"
#include "sources/PluginFile.h"

template <class Reader>
int FuzzDecoder(const uint8_t* data, size_t size, const char* name, const char* library) {
    static Reader reader{std::wstring(library, library + std::char_traits<char>::length(library))};
    static DecoderPlugin* decoder = [&] {
        void* handle = dlopen(library, RTLD_NOW | RTLD_LOCAL);
        auto create = handle ? reinterpret_cast<DecoderCreateFn>(dlsym(handle, DECODER_CREATE_NAME)) : nullptr;
        return create ? create() : nullptr;
    }();
    if (!decoder) __builtin_trap();
    const std::wstring widePath = FuzzInputFile(data, size, name);
    if (widePath.empty()) return 0;

    if (reader.Open(widePath)) reader.Close();
    int minutes = 0, seconds = 0;
    reader.GetLength(widePath, minutes, seconds);

    DecoderInfo info{};
    if (decoder->ops->Open(decoder, widePath.c_str(), &info)) {
        const int align = info.channels * (info.bitsPerSample / 8);
        if (align <= 0) __builtin_trap();
        static uint8_t buffer[4704];
        // A tiny file may hold minutes of silence: a bounded number of reads is enough.
        const auto drain = [&](int reads) {
            for (int n; reads-- > 0 && (n = decoder->ops->Read(decoder, buffer, sizeof buffer)) > 0;)
                if (n > static_cast<int>(sizeof buffer) || n % align != 0) __builtin_trap();
        };
        drain(2000);
        for (uint64_t frame : {info.totalSamples / 3, info.totalSamples, info.totalSamples + 1, ~uint64_t{0}}) {
            decoder->ops->Seek(decoder, frame);
            drain(4);
        }
        decoder->ops->Close(decoder);
    }
    platform::ReportRecorder::Clear();
    return 0;
}
