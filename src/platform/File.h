#pragma once
// A file opened by wide path: read, write, 64-bit seek. One object owns one OS handle.
#include <cstdint>
#include <string>

namespace platform {

enum class FileShare { Read, None };

class File {
public:
    File() = default;
    ~File() { Close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file for reading with a random-access hint.
    bool OpenRead(const std::wstring& path, FileShare share);
    // Creates (or truncates) a file for writing.
    bool Create(const std::wstring& path);
    bool IsOpen() const;
    void Close();

    // Bytes read (0 at the end), or -1 on an error.
    int64_t Read(void* buffer, uint32_t bytes);
    // True when every byte was written.
    bool Write(const void* data, uint32_t bytes);
    // Pushes written bytes to the disk.
    bool Flush();
    bool Seek(int64_t offset);
    // The position the reads, writes and seeks through this object have left, with no
    // call to the OS: readers ask for it on every block. -1 when closed.
    int64_t Tell() const { return IsOpen() ? m_position : -1; }
    int64_t Size() const;

    static bool Exists(const std::wstring& path);
    // Puts `from` in the place of `to` in one step, replacing what was there.
    static bool Replace(const std::wstring& from, const std::wstring& to);
    static bool Delete(const std::wstring& path);

private:
    int64_t m_position = 0;
#ifdef _WIN32
    void* m_handle = reinterpret_cast<void*>(-1);
#else
    int m_fd = -1;
#endif
};

}  // namespace platform
