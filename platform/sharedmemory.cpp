#include "sharedmemory.h"

#include "runtimedir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Opens the file without following links; refuses one that is not ours or not a plain
// file. Returns the descriptor, or -errno.
int openBlock(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -errno;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return -EACCES;
    }
    if ((st.st_mode & 0777) != 0600)
        ::fchmod(fd, 0600);
    return fd;
}

off_t blockSize(int fd)
{
    struct stat st{};
    return ::fstat(fd, &st) == 0 ? st.st_size : -1;
}

// Copies the whole block in or out. Reads and writes rather than a mapping: a peer that
// shrinks the file meanwhile gives a short count here, never a fault.
bool copyBlock(int fd, std::size_t size, const void* from, void* to)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = from ? ::pwrite(fd, static_cast<const char*>(from) + done, size - done, static_cast<off_t>(done))
                               : ::pread(fd, static_cast<char*>(to) + done, size - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

CSharedMemory::~CSharedMemory()
{
    close();
}

std::string CSharedMemory::PathFor(const std::string& name)
{
    const std::string kept = name.substr(0, kMaxNameBytes);
    if (kept.empty() || kept == "." || kept == ".." || kept.find('/') != std::string::npos ||
        kept.find('\0') != std::string::npos)
        return {};
    const std::string dir = QuorRuntimeDir();
    return dir.empty() ? std::string() : dir + "/" + kept;
}

int CSharedMemory::Create(const std::string& name, std::size_t size, const void* source)
{
    if (size == 0)
        return -EINVAL;
    const std::string path = PathFor(name);
    if (path.empty())
        return -ENOENT;
    if (m_fd >= 0 && path != m_path)
        close();
    if (m_fd < 0) {
        int fd = openBlock(path, O_RDWR | O_CREAT | O_EXCL);
        const bool made = fd >= 0;
        if (fd == -EEXIST)
            fd = openBlock(path, O_RDWR);
        if (fd < 0)
            return fd;
        const off_t have = blockSize(fd);
        if (have == 0 && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            const int err = errno;
            ::close(fd);
            return -err;
        }
        if (have != 0 && have != static_cast<off_t>(size)) {
            // Left by another program with another layout: never touched.
            ::close(fd);
            return -EINVAL;
        }
        m_fd = fd;
        m_path = path;
        m_madeHere = made;
    }
    if (blockSize(m_fd) != static_cast<off_t>(size) || !copyBlock(m_fd, size, source, nullptr)) {
        close();
        return 0;
    }
    return 1;
}

void CSharedMemory::close()
{
    if (m_fd < 0)
        return;
    // The program that made the block takes it away when it is done; a peer that still
    // has it open keeps its copy.
    if (m_madeHere)
        ::unlink(m_path.c_str());
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
    m_madeHere = false;
}

int CSharedMemory::Open(const std::string& name, std::size_t size, void* destination)
{
    const std::string path = PathFor(name);
    if (path.empty() || size == 0)
        return 0;
    const int fd = openBlock(path, O_RDWR);
    if (fd == -ENOENT)
        return 0;
    if (fd < 0)
        return fd;
    std::vector<char> copy(size);
    const bool ok = blockSize(fd) == static_cast<off_t>(size) && copyBlock(fd, size, nullptr, copy.data());
    ::close(fd);
    if (!ok)
        return 0;
    std::memcpy(destination, copy.data(), size);
    return 1;
}
