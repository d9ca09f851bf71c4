/* flacdec.dll over libFLAC: native FLAC streams to interleaved little-endian PCM in whole
 * bytes, as a WAV file would hold them. 8-bit and narrower samples become unsigned 8-bit;
 * other widths are carried in the next whole number of bytes, left-justified (12 bits in
 * 16, 20 in 24), so a reduction to 16 bits keeps the top bits; 16, 24 and 32 bits are
 * delivered as they are. Every channel is delivered, in the file's order. */
#include <FLAC/stream_decoder.h>
#include <stdlib.h>
#include <string.h>

#include "decoder_plugin.h"
#include "plugin_file.h"

typedef struct FlacDecoder {
    DecoderPlugin base;
    FLAC__StreamDecoder* decoder;
    DecoderInfo info;
    int sourceBits;
    int haveInfo;
    int failed;       /* a frame that does not fit the stream's format */
    unsigned char* pcm; /* the last decoded block, converted */
    size_t pcmSize;
    size_t pcmUnread;
    size_t pcmCursor;
} FlacDecoder;

static FlacDecoder* Self(DecoderPlugin* plugin) { return (FlacDecoder*)plugin; }

static int BytesPerSample(int bits) { return (bits + 7) / 8; }

static void PutSample(unsigned char* out, FLAC__int32 value, int bytes, int shift) {
    if (bytes == 1) {
        out[0] = (unsigned char)(((FLAC__uint32)value << shift) + 128);
        return;
    }
    const FLAC__uint32 v = (FLAC__uint32)value << shift;
    for (int i = 0; i < bytes; ++i) out[i] = (unsigned char)(v >> (8 * i));
}

static FLAC__StreamDecoderWriteStatus OnWrite(const FLAC__StreamDecoder* decoder, const FLAC__Frame* frame,
                                              const FLAC__int32* const buffer[], void* data) {
    (void)decoder;
    FlacDecoder* self = (FlacDecoder*)data;
    const int channels = self->info.channels;
    if (!self->haveInfo || (int)frame->header.channels != channels ||
        (int)frame->header.bits_per_sample != self->sourceBits) {
        self->failed = 1;
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const int bytes = self->info.bitsPerSample / 8;
    const int shift = bytes * 8 - self->sourceBits;
    const size_t need = (size_t)frame->header.blocksize * (size_t)channels * (size_t)bytes;
    if (need > self->pcmSize) {
        /* Only a block larger than any before grows the buffer. */
        unsigned char* grown = (unsigned char*)realloc(self->pcm, need);
        if (!grown) {
            self->failed = 1;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        self->pcm = grown;
        self->pcmSize = need;
    }
    unsigned char* out = self->pcm;
    for (unsigned i = 0; i < frame->header.blocksize; ++i)
        for (int c = 0; c < channels; ++c, out += bytes) PutSample(out, buffer[c][i], bytes, shift);
    self->pcmUnread = need;
    self->pcmCursor = 0;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

static void OnMetadata(const FLAC__StreamDecoder* decoder, const FLAC__StreamMetadata* metadata, void* data) {
    (void)decoder;
    FlacDecoder* self = (FlacDecoder*)data;
    if (metadata->type != FLAC__METADATA_TYPE_STREAMINFO) return;
    const FLAC__StreamMetadata_StreamInfo* s = &metadata->data.stream_info;
    self->sourceBits = (int)s->bits_per_sample;
    self->info.totalSamples = s->total_samples;
    self->info.bitsPerSample = 8 * BytesPerSample((int)s->bits_per_sample);
    self->info.sampleRate = (int32_t)s->sample_rate;
    self->info.channels = (int32_t)s->channels;
    self->haveInfo = s->sample_rate > 0 && s->channels > 0 && s->bits_per_sample > 0;
}

/* A damaged frame is skipped; libFLAC finds the next one. */
static void OnError(const FLAC__StreamDecoder* decoder, FLAC__StreamDecoderErrorStatus status, void* data) {
    (void)decoder;
    (void)status;
    (void)data;
}

static void FlacClose(DecoderPlugin* plugin) {
    FlacDecoder* self = Self(plugin);
    FLAC__stream_decoder_finish(self->decoder); /* closes the file */
    self->haveInfo = 0;
    self->failed = 0;
    self->pcmUnread = 0;
}

static int FlacOpen(DecoderPlugin* plugin, const wchar_t* path, DecoderInfo* info) {
    FlacDecoder* self = Self(plugin);
    FlacClose(plugin);
    FILE* file = OpenPluginFile(path);
    if (!file) return 0;
    memset(&self->info, 0, sizeof self->info);
    if (FLAC__stream_decoder_init_FILE(self->decoder, file, OnWrite, OnMetadata, OnError, self) !=
        FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        fclose(file);
        return 0;
    }
    if (!FLAC__stream_decoder_process_until_end_of_metadata(self->decoder) || !self->haveInfo) {
        FlacClose(plugin);
        return 0;
    }
    *info = self->info;
    return 1;
}

static void FlacSeek(DecoderPlugin* plugin, uint64_t frame) {
    FlacDecoder* self = Self(plugin);
    if (!self->haveInfo) return;
    self->pcmUnread = 0;
    /* The decoder writes the block that holds the frame from that frame on. */
    if (!FLAC__stream_decoder_seek_absolute(self->decoder, frame)) {
        self->failed = 1; /* nothing is delivered until the next seek or file */
        if (FLAC__stream_decoder_get_state(self->decoder) == FLAC__STREAM_DECODER_SEEK_ERROR)
            FLAC__stream_decoder_flush(self->decoder);
        return;
    }
    self->failed = 0;
}

static int FlacRead(DecoderPlugin* plugin, void* buffer, int capacity) {
    FlacDecoder* self = Self(plugin);
    if (!self->haveInfo || !buffer || capacity <= 0) return 0;
    while (self->pcmUnread == 0) {
        if (self->failed) return 0;
        if (FLAC__stream_decoder_get_state(self->decoder) == FLAC__STREAM_DECODER_END_OF_STREAM) return 0;
        if (!FLAC__stream_decoder_process_single(self->decoder)) return -1;
    }
    const size_t n = self->pcmUnread < (size_t)capacity ? self->pcmUnread : (size_t)capacity;
    memcpy(buffer, self->pcm + self->pcmCursor, n);
    self->pcmCursor += n;
    self->pcmUnread -= n;
    return (int)n;
}

static void FlacRelease(DecoderPlugin* plugin) {
    FlacDecoder* self = Self(plugin);
    FLAC__stream_decoder_delete(self->decoder);
    free(self->pcm);
    free(self);
}

static const DecoderPluginOps kFlacOps = {NULL, FlacOpen, FlacClose, FlacSeek, FlacRead, FlacRelease};

DECODER_EXPORT DecoderPlugin* Create(void) {
    FlacDecoder* self = (FlacDecoder*)calloc(1, sizeof *self);
    if (!self) return NULL;
    self->base.ops = &kFlacOps;
    self->decoder = FLAC__stream_decoder_new();
    if (!self->decoder) {
        free(self);
        return NULL;
    }
    return &self->base;
}
