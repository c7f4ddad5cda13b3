#include "storage.h"

#include "appglobals.h"
#include "fileutil.h"
#include "runtimedir.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fnmatch.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>


namespace {

// Something readable is there (a link is followed).
bool exists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

std::string dataFolder()
{
    return g_szDataFolder.str();
}

// The day folder of an ID or FILE value: its first 6 bytes.
std::string dayOf(const std::string& id)
{
    return id.substr(0, 6);
}

bool hasWildcard(const std::string& s)
{
    return s.find_first_of("*?") != std::string::npos;
}

// Only '*' and '?' are wildcards; everything else matches itself.
std::string escapeForFnmatch(const std::string& pattern)
{
    std::string out;
    for (char c : pattern) {
        if (c == '[' || c == ']' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

std::string absolute(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return path;
    const std::string cwd = CurrentFolder();
    return cwd.empty() ? path : cwd + "/" + path;
}

// The first entry (by name) of the folder whose name matches the pattern's last part.
std::string firstMatch(const std::string& path)
{
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string pattern = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (pattern.empty())
        return {};
    if (!hasWildcard(pattern))
        return exists(path) ? pattern : std::string();

    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return {};
    const std::string glob = escapeForFnmatch(pattern);
    std::string best;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (::fnmatch(glob.c_str(), name.c_str(), 0) == 0 && (best.empty() || name < best))
            best = name;
    }
    ::closedir(d);
    return best;
}

} // namespace

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/*?\0", 4)) == std::string::npos;
}

bool IsFolderFile(const std::string& file)
{
    return file == QUOR_FOLDER_MARKER || Cp936Length(file) <= 3;
}

std::string GetModuleDir()
{
    const std::string exeDir = ExecutableDir();
    // An installed program (<prefix>/bin beside <prefix>/share/quor) keeps its files per
    // user even where it could write beside itself (as root).
    struct stat st{};
    const bool installed = ::stat((exeDir + "/../share/quor").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (!installed && ::access(exeDir.c_str(), W_OK) == 0)
        return exeDir;
    std::string base = XdgBaseDir("XDG_DATA_HOME", ".local/share");
    if (base.empty())
        base = "/tmp/.local/share";
    const std::string dir = base + "/Quor";
    MakeFolders(dir);
    return dir;
}

std::string MakeArticleIdAt(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    const auto sinceEpoch = floor<milliseconds>(when).time_since_epoch();
    const auto secs = floor<seconds>(sinceEpoch);
    const auto ms = static_cast<int>((sinceEpoch - secs).count());
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm local{};
    ::localtime_r(&t, &local);
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%y%m%d%H%M%S", &local) != 12)
        return {};
    char id[40];
    std::snprintf(id, sizeof id, "%s%03d", stamp, ms);
    return id;
}

std::string MakeArticleIdFrom(std::chrono::system_clock::time_point when)
{
    using namespace std::chrono;
    static std::mutex mutex;
    static time_point<system_clock, milliseconds> last;
    const std::lock_guard lock(mutex);

    auto now = floor<milliseconds>(when);
    if (now <= last)
        now = last + milliseconds(1);
    // An article of this ID already on disk (another run, a clock set back): take the next.
    const std::string base = dataFolder() + "/";
    for (int tries = 0; tries < 10000; ++tries) {
        const std::string id = MakeArticleIdAt(now);
        const std::string stem = base + dayOf(id) + "/" + id;
        if (GetExistingPath(stem + ".*").empty() && !PathExists(stem + "_files"))
            break;
        now += milliseconds(1);
    }
    last = now;
    return MakeArticleIdAt(now);
}

std::string MakeArticleId()
{
    return MakeArticleIdFrom(std::chrono::system_clock::now());
}

std::string GetArticlePath(const std::string& id)
{
    if (!IsPlainFileName(id) || !IsPlainFileName(dayOf(id)))
        return {};
    const std::string day = dataFolder() + "/" + dayOf(id);
    ::mkdir(day.c_str(), 0755);
    return day + "/" + id + ".html";
}

std::string GetAttachDirName(const std::string& id)
{
    return id + "_files";
}

std::string GetAttachDir(const std::string& id)
{
    if (!IsPlainFileName(id) || !IsPlainFileName(dayOf(id)))
        return {};
    const std::string folder = dataFolder() + "/" + dayOf(id) + "/" + GetAttachDirName(id);
    ::mkdir(folder.c_str(), 0755);
    return GetExistingPath(folder);
}

std::string ResolveArticleFile(const std::string& file)
{
    return ResolveArticleFileIn(dataFolder(), file);
}

std::string ResolveArticleFileIn(const std::string& folder, const std::string& file)
{
    if (IsFolderFile(file) || !IsPlainFileName(file))
        return {};
    const std::string day = folder + "/" + dayOf(file);
    const std::string path = IsPlainFileName(dayOf(file)) && exists(day) ? day + "/" + file : folder + "/" + file;
    return GetExistingPath(path);
}

std::string GetExistingPath(const std::string& path)
{
    const std::string name = firstMatch(path);
    if (name.empty())
        return {};
    const auto slash = path.rfind('/');
    return absolute(slash == std::string::npos ? name : path.substr(0, slash + 1) + name);
}

std::string GetExistingName(const std::string& path)
{
    const std::string name = firstMatch(path);
    return name.empty() ? path : name;
}

std::string GetFileExt(const std::string& name)
{
    const auto dot = name.rfind('.');
    const auto slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot))
        return {};
    return name.substr(dot + 1);
}

std::string ReplaceFileExt(const std::string& name, const std::string& ext)
{
    const auto dot = name.rfind('.');
    const auto slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && slash > dot))
        return name;
    return name.substr(0, dot + 1) + ext;
}

std::string GetFileNamePart(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PathToFileUrl(const std::string& path)
{
    std::string url = "file://" + path;
    std::replace(url.begin(), url.end(), '\\', '/');
    return url;
}

std::string GetUrlDir(const std::string& url)
{
    const auto slash = url.rfind('/');
    return slash == std::string::npos ? url + "/" : url.substr(0, slash + 1);
}

bool PathStartsWith(const std::string& a, const std::string& b)
{
    const auto normal = [](const std::string& s) {
        std::size_t i = s.find_first_not_of(' ');
        if (i == std::string::npos)
            return std::string();
        while (i < s.size() && s[i] == '"')
            ++i;
        std::string out = s.substr(i);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    };
    const std::string na = normal(a);
    const std::string nb = normal(b);
    return na.compare(0, nb.size(), nb) == 0;
}
