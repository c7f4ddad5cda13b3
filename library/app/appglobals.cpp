#include "appglobals.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

CFixedText<300> g_szDataFolder{DefaultDataFolder()};
CFixedText<300> g_szEditor{DEFAULT_EDITOR};
CFixedText<512> g_szFileTypes{DEFAULT_FILE_TYPES};

std::string DefaultDataFolder()
{
    const char* home = std::getenv("HOME");
    return std::string(home && *home == '/' ? home : "/tmp") + "/QuorCollection";
}

bool SetDataFolder(const std::string& path)
{
    if (path.empty() || path.front() != '/' || Cp936Length(path) > decltype(g_szDataFolder)::kMaxBytes)
        return false;
    std::string clean = path;
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    g_szDataFolder = clean;
    return true;
}

bool EnsureDataFolder(std::string* error)
{
    const std::string& folder = g_szDataFolder;
    for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/')
            continue;
        const std::string part = folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
            if (error)
                *error = part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st{};
    int err = 0;
    if (::stat(folder.c_str(), &st) != 0)
        err = errno;
    else if (!S_ISDIR(st.st_mode))
        err = ENOTDIR;
    else if (::access(folder.c_str(), W_OK | X_OK) != 0)
        err = errno;
    if (err != 0 && error)
        *error = folder + ": " + std::strerror(err);
    return err == 0;
}
