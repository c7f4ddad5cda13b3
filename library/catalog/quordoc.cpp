#include "quordoc.h"

#include "defaultcatalog.h"
#include "storage.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CQuorDoc::CQuorDoc(QObject* parent) : QObject(parent) {}

bool CQuorDoc::OnOpenDocument(const std::string& path, std::string* error)
{
    // Non-blocking, so that a FIFO in the catalog's place cannot hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st{};
    int err = 0;
    if (fd < 0)
        err = errno;
    else if (::fstat(fd, &st) != 0)
        err = errno;
    else if (S_ISDIR(st.st_mode))
        err = EISDIR;
    else if (!S_ISREG(st.st_mode))
        err = EINVAL; // a device or a pipe is no catalog
    if (fd >= 0)
        ::close(fd);
    if (err != 0) {
        if (error)
            *error = std::strerror(err);
        return false;
    }
    char resolved[PATH_MAX];
    m_strPathName = ::realpath(path.c_str(), resolved) ? resolved : path;
    SetModifiedFlag(false);
    emit pathChanged();
    return true;
}

std::string CQuorDoc::DefaultPath()
{
    return GetModuleDir() + "/" + DEFAULT_CATALOG_NAME;
}

bool CQuorDoc::OnSaveDocument(const std::function<bool(const std::string&, std::string*)>& save, std::string* error)
{
    if (m_strPathName.empty())
        SetPathName(DefaultPath());
    if (!m_bModified)
        return true;
    if (!save(m_strPathName, error))
        return false; // still modified: nothing is lost by a failed save
    SetModifiedFlag(false);
    return true;
}

bool CQuorDoc::OnSaveDocumentAs(const std::string& path,
                                const std::function<bool(const std::string&, std::string*)>& save,
                                std::string* error)
{
    if (path.empty() || !save(path, error))
        return false;
    char resolved[PATH_MAX];
    SetPathName(::realpath(path.c_str(), resolved) ? resolved : path);
    SetModifiedFlag(false);
    return true;
}

void CQuorDoc::SetPathName(const std::string& path)
{
    m_strPathName = path;
    emit pathChanged();
}

std::string CQuorDoc::GetTitle() const
{
    const auto slash = m_strPathName.rfind('/');
    return slash == std::string::npos ? m_strPathName : m_strPathName.substr(slash + 1);
}

void CQuorDoc::SetModifiedFlag(bool modified)
{
    if (m_bModified == modified)
        return;
    m_bModified = modified;
    emit modifiedChanged(modified);
}
