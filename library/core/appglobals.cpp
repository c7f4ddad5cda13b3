#include "appglobals.h"

#include "fileutil.h"

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

std::string DataFolderProblem(const std::string& folder)
{
    // The folder itself, or the nearest folder above it that exists, must take new entries.
    std::string probe = folder;
    struct stat st{};
    while (::stat(probe.c_str(), &st) != 0) {
        if (errno != ENOENT)
            return ErrnoText(probe, errno);
        const auto slash = probe.rfind('/');
        if (slash == std::string::npos || probe == "/")
            return {};
        probe.resize(slash == 0 ? 1 : slash);
    }
    if (!S_ISDIR(st.st_mode))
        return ErrnoText(probe, ENOTDIR);
    if (::access(probe.c_str(), W_OK | X_OK) != 0)
        return ErrnoText(probe, errno);
    return {};
}
