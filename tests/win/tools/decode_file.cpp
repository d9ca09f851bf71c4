// Decodes a file through the reader the player would choose, in odd-sized reads like the
// engine's chunks, into a raw PCM file. No COM is initialised: readers must work on the
// engine's worker thread, which has none.
//
//   decode_file.exe FILE OUT.raw [--seek FRAME] [--chunk BYTES]
//
// Prints "format TAG RATE BITS CHANNELS FRAMES", "length M:SS" (or "length none"), then,
// after the seek when asked, "reached FRAME" and "bytes N" (what was decoded). Exit code 0
// when the file decoded, 1 when Open failed, 2 on a bad argument.
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "sources/ReaderSet.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3 || argc % 2 == 0) {
        std::fprintf(stderr, "usage: decode_file.exe FILE OUT.raw [--seek FRAME] [--chunk BYTES]\n");
        return 2;
    }
    long seek = -1, chunk = 4099;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::wstring flag = argv[i];
        long* target = flag == L"--seek" ? &seek : flag == L"--chunk" ? &chunk : nullptr;
        if (!target) return 2;
        *target = std::wcstol(argv[i + 1], nullptr, 10);
    }
    CReaderSet readers;
    CAudioFile* reader = readers.ForPath(argv[1]);
    if (!reader || chunk <= 0) return 2;
    int minutes = 0, seconds = 0;
    if (reader->GetLength(argv[1], minutes, seconds))
        std::printf("length %d:%02d\n", minutes, seconds);
    else
        std::printf("length none\n");
    if (!reader->Open(argv[1])) return 1;
    const AudioFormatInfo& f = reader->Format();
    std::printf("format %d %d %d %d %llu\n", f.formatTag, f.sampleRate, f.bitsPerSample, f.channels,
                static_cast<unsigned long long>(f.totalFrames));
    if (seek >= 0) std::printf("reached %d\n", reader->Seek(static_cast<uint32_t>(seek)));
    reader->Read(nullptr, 0);
    FILE* out = _wfopen(argv[2], L"wb");
    if (!out) return 2;
    std::vector<char> buffer(static_cast<size_t>(chunk));
    unsigned long long total = 0;
    for (int n; (n = reader->Read(buffer.data(), static_cast<uint32_t>(chunk))) > 0; total += static_cast<unsigned>(n))
        std::fwrite(buffer.data(), 1, static_cast<size_t>(n), out);
    std::fclose(out);
    reader->Close();
    std::printf("bytes %llu\n", total);
    return 0;
}
