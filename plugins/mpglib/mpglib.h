/* mpglib.dll: MPEG audio Layer I, II and III to interleaved 16-bit PCM at the stream's own
 * rate and channel count. The caller owns the per-stream state storage; its size is fixed
 * here, so the player and the DLL agree on it. Plain C calls (cdecl). */
#ifndef ORVANE_MPGLIB_H
#define ORVANE_MPGLIB_H

#ifdef __cplusplus
extern "C" {
#endif

enum { MPGLIB_OK = 0, MPGLIB_NEED_MORE = 1, MPGLIB_ERROR = -1 };

/* One frame of 1,152 stereo 16-bit samples: the output capacity the player gives. */
enum { MPGLIB_OUTPUT_BYTES = 4608 };

enum { MPGLIB_STATE_BYTES = 64 };
typedef union MpglibState {
    void* align;
    unsigned char bytes[MPGLIB_STATE_BYTES];
} MpglibState;

/* Prepares the state for a new stream; nonzero when it is ready. */
typedef int (*MpglibInitFn)(MpglibState* state);
/* Releases what the state holds; safe on a state that failed to initialise. */
typedef void (*MpglibExitFn)(MpglibState* state);
/* Takes the input (which may be null with size 0) and keeps it until used; writes up to
 * outSize bytes of PCM and their count to *done. MPGLIB_NEED_MORE when no PCM can be made
 * from the input held, MPGLIB_ERROR on an error, else MPGLIB_OK with *done > 0. */
typedef int (*MpglibDecodeFn)(MpglibState* state, const unsigned char* in, int inSize, unsigned char* out,
                              int outSize, int* done);

#define MPGLIB_INIT_NAME "_InitMP3"
#define MPGLIB_EXIT_NAME "_ExitMP3"
#define MPGLIB_DECODE_NAME "_decodeMP3"

#ifdef __cplusplus
}
#endif

#endif
