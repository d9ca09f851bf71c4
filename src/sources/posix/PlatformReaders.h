#pragma once
// The readers only the native build has: none.
#include "sources/ReaderList.h"

using PlatformReaders = CReaderList<>;
