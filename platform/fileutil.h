#pragma once
// Small file-system helpers shared by both programs.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// True when something is at the path (a dangling link counts: it occupies the name).
bool PathExists(const std::string& path);
// Makes the folder and its parents. False with the reason in error.
bool MakeFolders(const std::string& path, std::string* error = nullptr);
// The current folder, or empty.
std::string CurrentFolder();
// The whole file in one buffer: 0, or the errno of the failure (EINVAL for what is not a
// regular file, EFBIG for a file larger than maxBytes).
int ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// The same, with "path: reason" in error.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error, std::size_t maxBytes);

// Writes bytes to a new file beside path, syncs it and renames it over path. On failure path
// is untouched, the new file is gone and error says "path: reason". beforeRename runs once
// the new file is safely written, just before it replaces path (for backups of the old one).
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                         const std::function<void()>& beforeRename = {});

// Removes the new files that WriteFileAtomically left beside path when its program was
// killed during a write (their program is gone). Returns how many went.
int RemoveStaleTempFiles(const std::string& path);

// Writes all bytes to fd, again after a signal: 0, or the errno of the failure.
int WriteAll(int fd, const char* data, std::size_t size);

// "path: reason" for an errno value.
std::string ErrnoText(const std::string& path, int err);

inline void PutLe32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline std::uint32_t GetLe32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
