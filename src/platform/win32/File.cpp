#include "platform/File.h"

#include <windows.h>

#include "platform/DebugLine.h"

namespace platform {

namespace {
HANDLE H(void* h) { return static_cast<HANDLE>(h); }
}

bool File::OpenRead(const std::wstring& path, FileShare share) {
    Close();
    m_handle = CreateFileW(path.c_str(), GENERIC_READ, share == FileShare::Read ? FILE_SHARE_READ : 0,
                           nullptr, OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS, nullptr);
    m_position = 0;
    return IsOpen();
}

bool File::Create(const std::wstring& path) {
    Close();
    m_handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    m_position = 0;
    return IsOpen();
}

bool File::IsOpen() const { return H(m_handle) != INVALID_HANDLE_VALUE; }

void File::Close() {
    if (IsOpen()) CloseHandle(H(m_handle));
    m_handle = INVALID_HANDLE_VALUE;
}

int64_t File::Read(void* buffer, uint32_t bytes) {
    DWORD got = 0;
    if (!IsOpen()) return -1;
    if (!ReadFile(H(m_handle), buffer, bytes, &got, nullptr)) {
        // The caller sees only -1; the OS's reason goes to the debugger.
        DebugSystemError(L"File::Read: ReadFile", GetLastError());
        return -1;
    }
    m_position += got;
    return got;
}

bool File::Write(const void* data, uint32_t bytes) {
    DWORD done = 0;
    const bool written = IsOpen() && WriteFile(H(m_handle), data, bytes, &done, nullptr);
    m_position += done;
    return written && done == bytes;
}

bool File::Flush() { return IsOpen() && FlushFileBuffers(H(m_handle)); }

bool File::Seek(int64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = offset;
    if (!IsOpen() || offset < 0 || !SetFilePointerEx(H(m_handle), to, nullptr, FILE_BEGIN)) return false;
    m_position = offset;
    return true;
}

int64_t File::Size() const {
    LARGE_INTEGER size{};
    if (!IsOpen() || !GetFileSizeEx(H(m_handle), &size)) return -1;
    return size.QuadPart;
}

bool File::Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool File::Replace(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool File::Delete(const std::wstring& path) { return DeleteFileW(path.c_str()) != 0; }

}  // namespace platform
