#include "shell.h"

#include "fileutil.h"
#include "runtimedir.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The user's own trash, $XDG_DATA_HOME/Trash with its files and info folders (mode 0700),
// made when missing. Qt falls back to the current folder when it cannot make it.
bool makeHomeTrash(std::string* error)
{
    const std::string data = XdgBaseDir("XDG_DATA_HOME", ".local/share");
    if (data.empty()) {
        if (error) *error = "no home folder for the trash";
        return false;
    }
    if (!MakeFolders(data, error))
        return false;
    for (const std::string& dir : {data + "/Trash", data + "/Trash/files", data + "/Trash/info"}) {
        if (::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) {
            struct stat st{};
            if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                continue;
            errno = ENOTDIR;
        }
        if (error) *error = ErrnoText(dir, errno);
        return false;
    }
    return true;
}

} // namespace

bool MoveToTrash(const std::string& path, std::string* error)
{
    std::string why;
    if (!makeHomeTrash(&why)) {
        if (error) *error = "the trash cannot be made: " + why;
        return false;
    }
    QFile file(QString::fromStdString(path));
    if (file.moveToTrash())
        return true;
    if (error)
        *error = file.errorString().toStdString();
    return false;
}

bool OpenInShell(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingDir)
{
    QStringList args;
    for (const auto& a : arguments)
        args << QString::fromStdString(a);
    return QProcess::startDetached(QString::fromStdString(program), args,
                                   QString::fromStdString(workingDir));
}

namespace {

bool isExecutableFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string FindProgram(const std::string& name, const std::vector<std::string>& folders)
{
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return isExecutableFile(name) ? name : std::string();

    std::vector<std::string> search;
    if (char* cwd = ::getcwd(nullptr, 0)) {
        search.emplace_back(cwd);
        std::free(cwd);
    }
    search.insert(search.end(), folders.begin(), folders.end());
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start)
                search.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const auto& dir : search) {
        const std::string candidate = dir + "/" + name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}
