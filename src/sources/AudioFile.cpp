#include "sources/AudioFile.h"

int CAudioFile::Open(const std::wstring&) { return 0; }
void CAudioFile::Close() {}
int CAudioFile::Seek(uint32_t) { return 0; }
int CAudioFile::Read(void*, uint32_t) { return 0; }
int CAudioFile::GetLength(const std::wstring&, int&, int&) { return 0; }
