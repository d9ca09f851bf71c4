// Reduces raw 24-bit little-endian PCM to 16 bits with the MME device's arithmetic, from
// the noise sources' start state (a fresh process), so a test knows what a fresh player
// must play.
//
//   dither_pcm.exe IN.raw OUT.raw CHANNELS CODE
//
// CODE is the device's dither code. Exit code 0 when written, 2 on a bad argument or file.
#include <cstdio>
#include <cwchar>
#include <vector>

#include "output/Dither.h"
#include "platform/File.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: dither_pcm.exe IN.raw OUT.raw CHANNELS CODE\n");
        return 2;
    }
    const int channels = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    const int code = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
    platform::File in;
    if (channels < 1 || !in.OpenRead(argv[1], platform::FileShare::Read)) return 2;
    std::vector<uint8_t> source(static_cast<size_t>(in.Size()));
    if (in.Read(source.data(), static_cast<uint32_t>(source.size())) != static_cast<int64_t>(source.size())) return 2;

    const uint32_t frames = static_cast<uint32_t>(source.size() / (3 * static_cast<size_t>(channels)));
    std::vector<uint8_t> out(size_t{frames} * 2 * static_cast<size_t>(channels));
    CSampleReducer reducer;
    reducer.Setup(channels, 3, 16, code);
    reducer.To16(source.data(), out.data(), frames);

    platform::File file;
    return file.Create(argv[2]) && file.Write(out.data(), static_cast<uint32_t>(out.size())) ? 0 : 2;
}
