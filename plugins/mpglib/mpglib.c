/* The three calls over libmpg123's feed interface. No gapless trimming, and a Xing/Info
 * frame is decoded as the silent frame it is, so the output holds every frame it is given:
 * the player indexes the frames itself, never feeds the Info frame and trims what its LAME
 * tag says, so it counts on one frame of PCM per frame of input. */
#include "mpglib.h"

#include <mpg123.h>

#include "platform/DebugLine.h"

#if defined(_WIN32)
#define MPGLIB_EXPORT
#else
#define MPGLIB_EXPORT __attribute__((visibility("default")))
#endif

typedef struct Decoder {
    mpg123_handle* handle;
} Decoder;

_Static_assert(sizeof(Decoder) <= sizeof(MpglibState), "decoder state does not fit the player's storage");

static Decoder* DecoderOf(MpglibState* state) { return (Decoder*)state->bytes; }

static mpg123_handle* NewHandle(void) {
    int error = MPG123_OK;
    mpg123_handle* handle = mpg123_new(NULL, &error);
    if (handle) {
        const long* rates = NULL;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        error = mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0);
        if (error == MPG123_OK) error = mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
        if (error == MPG123_OK) error = mpg123_format_none(handle);
        for (size_t i = 0; error == MPG123_OK && i < count; ++i)
            error = mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
        if (error == MPG123_OK) error = mpg123_open_feed(handle);
        if (error == MPG123_OK) return handle;
        mpg123_delete(handle);
    }
    /* The player sees only a reader that gives no PCM. */
    DebugLine(L"mpglib: no decoder, mpg123 error %d: %hs", error, mpg123_plain_strerror(error));
    return NULL;
}

MPGLIB_EXPORT int _InitMP3(MpglibState* state) {
    if (!state) return 0;
    DecoderOf(state)->handle = NewHandle();
    return DecoderOf(state)->handle != NULL;
}

MPGLIB_EXPORT void _ExitMP3(MpglibState* state) {
    if (!state || !DecoderOf(state)->handle) return;
    mpg123_delete(DecoderOf(state)->handle);
    DecoderOf(state)->handle = NULL;
}

MPGLIB_EXPORT int _decodeMP3(MpglibState* state, const unsigned char* in, int inSize, unsigned char* out, int outSize,
                             int* done) {
    if (done) *done = 0;
    mpg123_handle* handle = state ? DecoderOf(state)->handle : NULL;
    if (!handle || !done || !out || outSize <= 0) return MPGLIB_ERROR;
    if (in && inSize > 0 && mpg123_feed(handle, in, (size_t)inSize) != MPG123_OK) return MPGLIB_ERROR;
    for (;;) {
        size_t bytes = 0;
        const int result = mpg123_read(handle, out, (size_t)outSize, &bytes);
        if (bytes > 0) {
            *done = (int)bytes;
            return MPGLIB_OK;
        }
        if (result == MPG123_NEED_MORE || result == MPG123_OK) return MPGLIB_NEED_MORE;
        if (result != MPG123_NEW_FORMAT) return MPGLIB_ERROR;
    }
}
