#include "instancelock.h"

#include "fileutil.h"
#include "runtimedir.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CInstanceLock::~CInstanceLock()
{
    Release();
}

void CInstanceLock::Release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

CInstanceLock::Result CInstanceLock::TryLock(const std::string& name)
{
    Release();
    const std::string dir = QuorRuntimeDir();
    if (dir.empty() || name.empty() || name.find('/') != std::string::npos) {
        m_error = "no private runtime folder for the instance lock";
        return Result::Failed;
    }
    const std::string path = dir + "/" + name + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = ErrnoText(path, errno);
        return Result::Failed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK)
            return Result::HeldByAnother;
        m_error = ErrnoText(path, err);
        return Result::Failed;
    }
    m_fd = fd;
    return Result::Acquired;
}
