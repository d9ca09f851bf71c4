/* The contract of vorbisdec.dll and flacdec.dll: one export, "Create", returning a decoder
 * object whose first member points to its table of operations; each operation takes the
 * object first. Plain C calls (cdecl). */
#ifndef ORVANE_DECODER_PLUGIN_H
#define ORVANE_DECODER_PLUGIN_H

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What an open file delivers: interleaved little-endian integer PCM (8-bit unsigned, wider
 * signed) of bitsPerSample, a whole number of bytes. totalSamples is in sample frames. */
typedef struct DecoderInfo {
    uint64_t totalSamples;
    int32_t bitsPerSample;
    int32_t sampleRate;
    int32_t channels;
} DecoderInfo;

typedef struct DecoderPlugin DecoderPlugin;

typedef struct DecoderPluginOps {
    void* unused;
    /* Nonzero when the file is open and info is filled; the stream starts at frame 0. */
    int (*Open)(DecoderPlugin* self, const wchar_t* path, DecoderInfo* info);
    /* The object can open another file afterwards; safe when nothing is open. */
    void (*Close)(DecoderPlugin* self);
    /* The next Read delivers from that frame; beyond the end it delivers nothing. */
    void (*Seek)(DecoderPlugin* self, uint64_t frame);
    /* Up to capacity bytes of PCM: the count, 0 at the end of the stream, negative on an
     * error. */
    int (*Read)(DecoderPlugin* self, void* buffer, int capacity);
    void (*Release)(DecoderPlugin* self);
} DecoderPluginOps;

struct DecoderPlugin {
    const DecoderPluginOps* ops;
};

typedef DecoderPlugin* (*DecoderCreateFn)(void);
#define DECODER_CREATE_NAME "Create"

#if defined(_WIN32)
#define DECODER_EXPORT
#else
#define DECODER_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
}
#endif

#endif
