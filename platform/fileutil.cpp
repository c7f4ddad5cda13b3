#include "fileutil.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

std::string ErrnoText(const std::string& path, int err)
{
    return path + ": " + std::strerror(err);
}
