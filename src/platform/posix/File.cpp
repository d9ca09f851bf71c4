#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/Text.h"

namespace platform {

bool File::OpenRead(const std::wstring& path, FileShare) {
    Close();
    m_fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    m_position = 0;
    return m_fd >= 0;
}

bool File::Create(const std::wstring& path) {
    Close();
    m_fd = ::open(WideToUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    m_position = 0;
    return m_fd >= 0;
}

bool File::IsOpen() const { return m_fd >= 0; }

void File::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

int64_t File::Read(void* buffer, uint32_t bytes) {
    if (m_fd < 0) return -1;
    auto* out = static_cast<char*>(buffer);
    int64_t total = 0;
    bool failed = false;
    while (total < bytes && !failed) {
        const ssize_t n = ::read(m_fd, out + total, bytes - total);
        if (n == 0) break;
        failed = n < 0;
        if (n > 0) total += n;
    }
    m_position += total;
    return failed && total == 0 ? -1 : total;
}

bool File::Write(const void* data, uint32_t bytes) {
    if (m_fd < 0) return false;
    auto* in = static_cast<const char*>(data);
    uint32_t done = 0;
    while (done < bytes) {
        ssize_t n = ::write(m_fd, in + done, bytes - done);
        if (n <= 0) break;
        done += static_cast<uint32_t>(n);
    }
    m_position += done;
    return done == bytes;
}

bool File::Flush() { return m_fd >= 0 && ::fsync(m_fd) == 0; }

bool File::Seek(int64_t offset) {
    if (m_fd < 0 || offset < 0 || ::lseek(m_fd, offset, SEEK_SET) != offset) return false;
    m_position = offset;
    return true;
}

int64_t File::Size() const {
    struct stat st;
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? st.st_size : -1;
}

bool File::Exists(const std::wstring& path) {
    struct stat st;
    return ::stat(WideToUtf8(path).c_str(), &st) == 0;
}

bool File::Replace(const std::wstring& from, const std::wstring& to) {
    return std::rename(WideToUtf8(from).c_str(), WideToUtf8(to).c_str()) == 0;
}

bool File::Delete(const std::wstring& path) { return ::unlink(WideToUtf8(path).c_str()) == 0; }

}  // namespace platform
