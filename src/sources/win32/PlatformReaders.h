#pragma once
// The readers only the Windows build has (none yet).
#include "sources/ReaderList.h"

using PlatformReaders = CReaderList<>;
