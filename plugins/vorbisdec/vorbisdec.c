/* vorbisdec.dll over libvorbisfile: Ogg Vorbis to interleaved little-endian signed 16-bit
 * PCM through the library's integer read, every channel in the file's order. A chained
 * stream ends where a link changes the rate or the channel count. */
#include <stdlib.h>
#include <string.h>
#include <vorbis/vorbisfile.h>

#include "decoder_plugin.h"
#include "plugin_file.h"

typedef struct VorbisDecoder {
    DecoderPlugin base;
    OggVorbis_File file;
    DecoderInfo info;
    int open;
    int ended; /* a seek beyond the end, or a link of another format */
} VorbisDecoder;

static VorbisDecoder* Self(DecoderPlugin* plugin) { return (VorbisDecoder*)plugin; }

static size_t FileRead(void* buffer, size_t size, size_t count, void* file) {
    return fread(buffer, size, count, (FILE*)file);
}

static int FileSeek(void* file, ogg_int64_t offset, int whence) {
#if defined(_WIN32)
    return _fseeki64((FILE*)file, offset, whence);
#else
    return fseeko((FILE*)file, (off_t)offset, whence);
#endif
}

static int FileClose(void* file) { return fclose((FILE*)file); }

/* Windows' long has 32 bits: the library built for it takes a 64-bit tell. */
#if defined(_WIN32)
static ogg_int64_t FileTell(void* file) { return _ftelli64((FILE*)file); }
#else
static long FileTell(void* file) { return (long)ftello((FILE*)file); }
#endif

static const ov_callbacks kFileCallbacks = {FileRead, FileSeek, FileClose, FileTell};

static void VorbisClose(DecoderPlugin* plugin) {
    VorbisDecoder* self = Self(plugin);
    if (self->open) ov_clear(&self->file); /* closes the file */
    self->open = 0;
}

static int VorbisOpen(DecoderPlugin* plugin, const wchar_t* path, DecoderInfo* info) {
    VorbisDecoder* self = Self(plugin);
    VorbisClose(plugin);
    FILE* file = OpenPluginFile(path);
    if (!file) return 0;
    if (ov_open_callbacks(file, &self->file, NULL, 0, kFileCallbacks) != 0) {
        fclose(file);
        return 0;
    }
    self->open = 1;
    const vorbis_info* vi = ov_info(&self->file, -1);
    const ogg_int64_t total = ov_pcm_total(&self->file, -1);
    if (!vi || vi->channels <= 0 || vi->rate <= 0) {
        VorbisClose(plugin);
        return 0;
    }
    self->info.totalSamples = total > 0 ? (uint64_t)total : 0;
    self->info.bitsPerSample = 16;
    self->info.sampleRate = (int32_t)vi->rate;
    self->info.channels = vi->channels;
    self->ended = 0;
    *info = self->info;
    return 1;
}

static void VorbisSeek(DecoderPlugin* plugin, uint64_t frame) {
    VorbisDecoder* self = Self(plugin);
    if (!self->open) return;
    self->ended = frame > (uint64_t)INT64_MAX || ov_pcm_seek(&self->file, (ogg_int64_t)frame) != 0;
}

static int VorbisRead(DecoderPlugin* plugin, void* buffer, int capacity) {
    VorbisDecoder* self = Self(plugin);
    if (!self->open || self->ended || !buffer || capacity <= 0) return 0;
    for (;;) {
        int link = 0;
        const long got = ov_read(&self->file, (char*)buffer, capacity, 0, 2, 1, &link);
        if (got == OV_HOLE) continue; /* a gap in the data: decoding goes on after it */
        if (got < 0) return -1;
        const vorbis_info* vi = ov_info(&self->file, link);
        if (got > 0 && (!vi || vi->channels != self->info.channels || vi->rate != self->info.sampleRate)) {
            self->ended = 1;
            return 0;
        }
        return (int)got;
    }
}

static void VorbisRelease(DecoderPlugin* plugin) {
    VorbisClose(plugin);
    free(Self(plugin));
}

static const DecoderPluginOps kVorbisOps = {NULL, VorbisOpen, VorbisClose, VorbisSeek, VorbisRead, VorbisRelease};

DECODER_EXPORT DecoderPlugin* Create(void) {
    VorbisDecoder* self = (VorbisDecoder*)calloc(1, sizeof *self);
    if (!self) return NULL;
    self->base.ops = &kVorbisOps;
    return &self->base;
}
