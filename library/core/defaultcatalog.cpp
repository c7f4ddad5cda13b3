#include "defaultcatalog.h"

#include "codepage.h"
#include "markup.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::string DefaultCatalogBytes(const std::string& rootDir)
{
    const std::string text =
        "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
        "<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + EscapeMarkup(rootDir) + "\">\r\n"
        "\t<DIR COMMENT=\"RECYCLE\"><DIR COMMENT=\"新闻\"/><DIR COMMENT=\"New Folder\"/></DIR>"
        "<DIR COMMENT=\"MFC\"/><DIR COMMENT=\"COM\"/></DIR>\r\n";
    return Utf8ToGbkWithCharRefs(text);
}

bool WriteDefaultCatalog(const std::string& path, const std::string& rootDir, std::string* error)
{
    const auto fail = [&](int err) {
        if (error)
            *error = path + ": " + std::strerror(err);
        return false;
    };
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? true : fail(errno);
    const std::string bytes = DefaultCatalogBytes(rootDir);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            return fail(err);
        }
        written += static_cast<std::size_t>(n);
    }
    const int synced = ::fsync(fd) == 0 ? 0 : errno;
    const int closed = ::close(fd) == 0 ? 0 : errno;
    if (synced != 0 || closed != 0) {
        const int err = synced != 0 ? synced : closed;
        ::unlink(path.c_str());
        return fail(err);
    }
    return true;
}
