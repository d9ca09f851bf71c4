#pragma once
// The record a second start sends to the running instance: the path to play as UTF-16
// with its terminating zero, (length + 1) * 2 bytes. The receiver cannot trust it: any
// process on the desktop can send WM_COPYDATA.
#include <cstddef>

// Longest path the system accepts, in UTF-16 code units.
constexpr size_t kMaxPathUnits = 32767;

// The length in code units of the path in a received record, or 0 when the record is to
// be ignored: no data, an odd size, no terminating zero within the record, an empty path
// or one longer than any path.
size_t HandOverPathLength(const void* data, size_t bytes);
