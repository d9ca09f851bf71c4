#pragma once
// Every reader of the program, one object of each for the set's whole life, and the choice
// among them by a file name's extension: from the last dot of the last component,
// lower-cased, compared exactly; the contents never choose. An extension that no reader
// plays is unsupported, and such a file is neither played nor listed nor taken from a drop.
//
// A reader joins with one line: its class in CommonReaders below or, when only one
// platform has it, in PlatformReaders (PlatformReaders.h in sources/win32 or sources/posix).
// The class names what it plays in kExtensions.
#include <string>

#include "PlatformReaders.h"
#include "sources/AiffFile.h"
#include "sources/MpegFile.h"
#include "sources/PluginFile.h"
#include "sources/ReaderList.h"
#include "sources/WaveFile.h"

using CommonReaders = CReaderList<CWaveFile, CAiffFile, CMpegFile, COggFile, CFlacFile>;

class CReaderSet {
public:
    // The reader for the path's extension; null when none plays it.
    CAudioFile* ForPath(const std::wstring& path);
    // Where an engine points before its first run and after an unsupported file.
    CAudioFile& Fallback() { return m_common.Get<CWaveFile>(); }
    static bool IsSupportedFile(const std::wstring& path);
    // Compressed bytes a decoding reader reads from its file at a time; taken at its next Open.
    void SetDecodeBufferSize(int32_t bytes) { m_common.Get<CMpegFile>().SetDecodeBufferSize(bytes); }

private:
    CommonReaders m_common;
    PlatformReaders m_platform;
};
