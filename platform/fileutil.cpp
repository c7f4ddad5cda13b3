#include "fileutil.h"

#include <atomic>
#include <cerrno>
#include <random>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
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
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
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

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string* error, std::size_t maxBytes)
{
    const int err = ReadWholeFile(path, bytes, maxBytes);
    if (err != 0 && error)
        *error = err == EFBIG   ? path + ": file too large (over " + std::to_string(maxBytes) + " bytes)"
                 : err == EINVAL ? path + ": not a regular file"
                                 : ErrnoText(path, err);
    return err == 0;
}

namespace {

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error,
                         const std::function<void()>& beforeRename)
{
    const auto fail = [&](int err) {
        if (error) *error = ErrnoText(path, err);
        return false;
    };
    const std::string folder = folderOf(path);
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return fail(EISDIR);

    static std::atomic<unsigned> counter{0};
    std::random_device random;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/." + base.substr(0, 200) + ".tmp-" + std::to_string(::getpid()) + "-" +
               std::to_string(counter++) + "-" + std::to_string(random() % 100000);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) return fail(errno);
    }
    if (fd < 0) return fail(EEXIST);
    const auto abandon = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return fail(err);
    };
    // The new file keeps the permissions of the one it replaces.
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);

    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return abandon(n < 0 ? errno : EIO);
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) return abandon(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return fail(err);
    }
    if (beforeRename)
        beforeRename();
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return fail(err);
    }
    // The rename itself is made durable; a folder that cannot be synced is no failure.
    const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}


std::string ErrnoText(const std::string& path, int err)
{
    return path + ": " + std::strerror(err);
}

int WriteAll(int fd, const char* data, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        const ssize_t w = ::write(fd, data + done, size - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return w < 0 ? errno : EIO;
        done += static_cast<std::size_t>(w);
    }
    return 0;
}

int RemoveStaleTempFiles(const std::string& path)
{
    const std::string folder = folderOf(path);
    const auto slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string prefix = ".";
    prefix += base.substr(0, 200);
    prefix += ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0) continue;
        // ".name.tmp-<pid>-...": left behind only when that program is gone.
        const std::string rest = name.substr(prefix.size());
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || *end != '-' || pid <= 0) continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st{};
        const std::string full = folder + "/" + name;
        if (::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::unlink(full.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}
