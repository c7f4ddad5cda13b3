#include "sharedmemory.h"

#include "runtimedir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Copies between the block and local memory. False when it cannot be mapped.
bool copyBlock(int fd, std::size_t size, void* local, bool toBlock)
{
    void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED)
        return false;
    if (toBlock)
        std::memcpy(view, local, size);
    else
        std::memcpy(local, view, size);
    ::munmap(view, size);
    return true;
}

} // namespace

CSharedMemory::~CSharedMemory()
{
    if (m_fd >= 0) {
        // The program that made the block takes it away when it ends; a peer that still
        // has it mapped keeps its copy.
        if (m_madeHere)
            ::unlink(m_path.c_str());
        ::close(m_fd);
    }
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
    int fd = m_fd;
    bool made = false;
    if (fd < 0 || path != m_path) {
        fd = openBlock(path, O_RDWR | O_CREAT | O_EXCL);
        made = fd >= 0;
        if (fd == -EEXIST)
            fd = openBlock(path, O_RDWR);
        if (fd < 0)
            return fd;
    }
    const off_t have = blockSize(fd);
    if (have == 0 && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        const int err = errno;
        if (fd != m_fd)
            ::close(fd);
        return -err;
    }
    if (have != 0 && have != static_cast<off_t>(size)) {
        // Left by another program with another layout: never mapped past its end.
        if (fd != m_fd)
            ::close(fd);
        return -EINVAL;
    }
    if (!copyBlock(fd, size, const_cast<void*>(source), true)) {
        ::close(fd);
        if (fd == m_fd)
            m_fd = -1;
        return 0;
    }
    if (fd != m_fd) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
        m_path = path;
        m_madeHere = made;
    }
    return 1;
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
    const bool ok = blockSize(fd) == static_cast<off_t>(size) && copyBlock(fd, size, destination, false);
    ::close(fd);
    return ok ? 1 : 0;
}
