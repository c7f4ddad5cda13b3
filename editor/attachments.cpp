#include "attachments.h"

#include "fileutil.h"
#include "mission.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxPictureBytes = std::size_t(64) << 20;
constexpr std::size_t kMaxNameBytes = 80;

bool isSafe(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

// A path segment for a URL: unsafe bytes percent-encoded.
std::string urlSegment(std::string_view name)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : name) {
        if (isSafe(c) || c == '~') {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

std::string canonical(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

} // namespace

std::string SanitizeFileName(std::string_view name)
{
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const std::size_t dot = name.rfind('.');
    std::string extension;
    if (dot != std::string_view::npos && dot > 0) {
        for (char c : name.substr(dot + 1))
            if (isSafe(c) && c != '.' && c != '-' && c != '_' && extension.size() < 10)
                extension += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        name = name.substr(0, dot);
    }
    std::string stem;
    for (char c : name) {
        const char kept = isSafe(c) ? c : '_';
        if (!(kept == '_' && !stem.empty() && stem.back() == '_'))
            stem += kept;
    }
    stem.erase(0, stem.find_first_not_of("._-"));
    while (!stem.empty() && (stem.back() == '.' || stem.back() == '_' || stem.back() == '-'))
        stem.pop_back();
    if (stem.empty())
        stem = "picture";
    if (stem.size() + extension.size() + 1 > kMaxNameBytes)
        stem.resize(kMaxNameBytes - extension.size() - 1);
    return extension.empty() ? stem : stem + "." + extension;
}

std::string CopyIntoAttachments(const std::string& source, const std::string& articlePath,
                                const std::string& attachDir, std::string& error)
{
    if (!IsPlainName(attachDir)) {
        error = "the article has no usable attachment folder name (\"" + attachDir + "\")";
        return {};
    }
    const std::size_t slash = articlePath.rfind('/');
    if (slash == std::string::npos) {
        error = articlePath + ": not an absolute path";
        return {};
    }
    const std::string folder = articlePath.substr(0, slash) + "/" + attachDir;
    struct stat st{};
    if (::lstat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || ::mkdir(folder.c_str(), 0755) != 0) {
            error = ErrnoText(folder, errno);
            return {};
        }
    } else if (!S_ISDIR(st.st_mode)) {
        // A link could lead anywhere: pictures go only into a real folder beside the article.
        error = folder + ": not a folder";
        return {};
    }
    const std::string link = urlSegment(attachDir) + "/";

    // A picture already in the folder is linked as it is.
    const std::string sourceReal = canonical(source);
    const std::string folderReal = canonical(folder);
    if (!sourceReal.empty() && sourceReal.rfind('/') == folderReal.size() &&
        sourceReal.compare(0, folderReal.size(), folderReal) == 0 && ::stat(sourceReal.c_str(), &st) == 0 &&
        S_ISREG(st.st_mode))
        return link + urlSegment(sourceReal.substr(folderReal.size() + 1));

    std::string bytes;
    if (!ReadFileBytes(source, bytes, &error, kMaxPictureBytes))
        return {};

    const std::string name = SanitizeFileName(source);
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : stem + "-" + std::to_string(n) + extension;
        const std::string path = folder + "/" + candidate;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            error = ErrnoText(path, errno);
            return {};
        }
        const int err = WriteAll(fd, bytes.data(), bytes.size());
        if (::close(fd) != 0 || err != 0) {
            error = ErrnoText(path, err != 0 ? err : errno);
            ::unlink(path.c_str());
            return {};
        }
        return link + candidate;
    }
    error = folder + ": too many files of that name";
    return {};
}
