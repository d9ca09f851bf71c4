#pragma once
// The file list of a drop handle's memory (a DROPFILES block: the offset of the list, the
// drop point, two flags, then the names, wide or ANSI, each ending in a zero and the list
// in an empty name). The system reads it without bounds, so a block from another program
// is checked before anything reads it.
#include <cstddef>

// Whether the list lies inside the `size` bytes of the block and ends before they do.
bool DropListIsReadable(const void* block, size_t size);
