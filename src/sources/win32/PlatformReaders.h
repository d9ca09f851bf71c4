#pragma once
// The readers only the Windows build has.
#include "WmaFile.h"
#include "sources/ReaderList.h"

using PlatformReaders = CReaderList<CWmaFile>;
