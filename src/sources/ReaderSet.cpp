#include "sources/ReaderSet.h"

#include "platform/PathName.h"

CAudioFile* CReaderSet::ForPath(const std::wstring& path) {
    const std::wstring ext = platform::PathExtension(path);
    if (CAudioFile* reader = m_common.ForExtension(ext)) return reader;
    return m_platform.ForExtension(ext);
}

bool CReaderSet::IsSupportedFile(const std::wstring& path) {
    const std::wstring ext = platform::PathExtension(path);
    return CommonReaders::Plays(ext) || PlatformReaders::Plays(ext);
}
