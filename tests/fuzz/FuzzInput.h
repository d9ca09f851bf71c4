#pragma once
// One fuzz input as the file a reader opens: written to memory-backed storage under a
// name of this process's own, removed at exit. Each fuzz program has one target, so the
// first name given is the one used.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

// The wide path of the written input; empty when it could not be written.
inline std::wstring FuzzInputFile(const uint8_t* data, size_t size, const char* name) {
    static const std::string path = "/dev/shm/orvane-" + std::string(name) + "-" + std::to_string(::getpid());
    static const struct Cleanup {
        ~Cleanup() { std::remove(path.c_str()); }
    } cleanup;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return {};
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    return std::wstring(path.begin(), path.end());
}
