/* A decoder library without its decode call, as a broken mpglib.dll would be. */
#include "mpglib/mpglib.h"

__attribute__((visibility("default"))) int _InitMP3(MpglibState* state) { return state != 0; }
__attribute__((visibility("default"))) void _ExitMP3(MpglibState* state) { (void)state; }
