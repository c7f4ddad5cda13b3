#include "runtimedir.h"

#include <cerrno>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Makes the folder (one level) with mode 0700 and checks that it is ours and private.
bool makePrivateDir(const std::string& path)
{
    if (path.empty())
        return false;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 0077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

std::string userName()
{
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return pw->pw_name;
    return std::to_string(::geteuid());
}

} // namespace

std::string RuntimeDir()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg == '/') {
        struct stat st{};
        if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid())
            return xdg;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string dir = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/runtime-" + userName();
    if (makePrivateDir(dir))
        return dir;
    // Someone else holds that name: a private folder in the user's cache instead.
    dir = XdgBaseDir("XDG_CACHE_HOME", ".cache");
    if (dir.empty())
        return {};
    ::mkdir(dir.c_str(), 0700);
    dir += "/runtime-" + userName();
    return makePrivateDir(dir) ? dir : std::string();
}

std::string XdgBaseDir(const char* variable, const char* underHome)
{
    const char* xdg = std::getenv(variable);
    const char* home = std::getenv("HOME");
    if (xdg && *xdg == '/')
        return xdg;
    if (home && *home == '/')
        return std::string(home) + "/" + underHome;
    return {};
}

std::string QuorRuntimeDir()
{
    const std::string base = RuntimeDir();
    if (base.empty())
        return {};
    std::string dir = base + "/quor";
    return makePrivateDir(dir) ? dir : std::string();
}

std::string ExecutableDir()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return ".";
    std::string path(buffer, static_cast<std::size_t>(n));
    const auto slash = path.rfind('/');
    return slash == 0 ? "/" : slash == std::string::npos ? "." : path.substr(0, slash);
}
