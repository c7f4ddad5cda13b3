#include "fileutil.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PathExists(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

bool MakeFolders(const std::string& path, std::string* error)
{
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            const int err = errno;
            if (error)
                *error = ErrnoText(part, err);
            return false;
        }
    }
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (error)
            *error = ErrnoText(path, ENOTDIR);
        return false;
    }
    return true;
}

std::string CurrentFolder()
{
    char* cwd = ::getcwd(nullptr, 0);
    if (!cwd)
        return {};
    std::string folder = cwd;
    std::free(cwd);
    return folder;
}

int ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat st{};
    int err = 0;
    if (::fstat(fd, &st) != 0)
        err = errno;
    else if (!S_ISREG(st.st_mode))
        err = EINVAL;
    else if (static_cast<unsigned long long>(st.st_size) > maxBytes)
        err = EFBIG;
    if (err == 0) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                err = errno;
                break;
            }
            if (n == 0)
                break; // the file shrank meanwhile
            done += static_cast<std::size_t>(n);
        }
        bytes.resize(done);
    }
    ::close(fd);
    return err;
}

std::string ErrnoText(const std::string& path, int err)
{
    return path + ": " + std::strerror(err);
}
