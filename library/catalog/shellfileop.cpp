#include "shellfileop.h"

#include "fileutil.h"
#include "lasterror.h"
#include "messagebox.h"
#include "shell.h"
#include "storage.h"

#include <QApplication>
#include <QWidget>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool pathExists(const std::string& path)
{
    return PathExists(path);
}

bool isDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

std::string MakeCollisionFreeName(const std::string& path)
{
    if (!pathExists(path))
        return path;
    const fs::path p(path);
    const std::string stem = p.has_extension() && p.stem() != "" ? p.stem().string() : p.filename().string();
    const std::string ext = p.has_extension() && p.stem() != "" ? p.extension().string() : std::string();
    for (int n = 2; n < 100000; ++n) {
        const std::string candidate = (p.parent_path() / (stem + " (" + std::to_string(n) + ")" + ext)).string();
        if (!pathExists(candidate))
            return candidate;
    }
    return {};
}

void CShellFileOp::Reset()
{
    *this = CShellFileOp();
}

void CShellFileOp::SetOperationFlags(unsigned function, QWidget* window, unsigned flags)
{
    m_function = function;
    m_owner = window;
    m_flags = flags;
    m_flagsSet = true;
}

bool CShellFileOp::AddSourceFile(const std::string& path)
{
    m_sources.push_back(path);
    return true;
}

bool CShellFileOp::AddDestFile(const std::string& path)
{
    m_destinations.push_back(path);
    return true;
}

bool CShellFileOp::Go(bool* started, int* result, bool* aborted)
{
    m_started = false;
    if (started)
        *started = false;
    if (!m_flagsSet || m_function < FO_MOVE || m_function > FO_RENAME || m_sources.empty())
        return false;
    if (m_function != FO_DELETE &&
        (m_destinations.empty() || (m_destinations.size() != 1 && m_destinations.size() != m_sources.size())))
        return false;
    if (m_destinations.size() > 1)
        m_flags |= FOF_MULTIDESTFILES;

    m_started = true;
    if (started)
        *started = true;
    bool anyAborted = false;
    const int rc = run(anyAborted);
    if (result)
        *result = rc;
    if (aborted)
        *aborted = anyAborted;
    return rc == 0;
}

int CShellFileOp::run(bool& aborted)
{
    m_created.clear();
    SetLastErrorCode(0);
    int rc = 0;
    for (std::size_t i = 0; i < m_sources.size() && !aborted; ++i) {
        const std::string& source = m_sources[i];
        int err = 0;
        if (m_function == FO_DELETE) {
            err = remove(source, aborted);
        } else {
            std::string target = m_destinations.size() == 1 ? m_destinations[0] : m_destinations[i];
            // Several sources into one destination, or a destination that is a folder:
            // the files go into it under their own names.
            if ((m_destinations.size() == 1 && m_sources.size() > 1) || isDirectory(target))
                target = (fs::path(target) / fs::path(source).filename()).string();
            err = copyOrMove(source, target, aborted);
        }
        if (err != 0) {
            if (LastErrorCode() != err)
                SetLastErrorCode(err);
            if (err != ECANCELED)
                reportError(source, err);
            rc = err;
        }
    }
    return rc;
}

int CShellFileOp::copyOrMove(const std::string& source, const std::string& requested, bool& aborted)
{
    if (!pathExists(source))
        return ENOENT;
    std::string target = requested;
    if (pathExists(target)) {
        if (m_flags & FOF_RENAMEONCOLLISION) {
            target = MakeCollisionFreeName(target);
            if (target.empty())
                return EEXIST;
        } else if (!(m_flags & FOF_NOCONFIRMATION)) {
            const auto answer = ShowMessageBox(
                m_owner,
                QCoreApplication::translate("CShellFileOp", "“%1”已经存在。\n要替换它吗？")
                    .arg(q(target)),
                QCoreApplication::translate("CShellFileOp", "确认文件替换"),
                MsgButtons::YesNoCancel, MsgIcon::Question);
            if (answer == MsgResult::Cancel)
                aborted = true;
            if (answer != MsgResult::Yes)
                return ECANCELED;
        }
    }
    std::error_code ec;
    if (m_function == FO_MOVE || m_function == FO_RENAME) {
        fs::rename(source, target, ec);
        if (ec == std::errc::cross_device_link) {
            ec.clear();
            fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
            if (!ec)
                fs::remove_all(source, ec);
        }
    } else {
        fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    }
    if (ec)
        return ec.value() ? ec.value() : EIO;
    m_created.push_back(target);
    return 0;
}

int CShellFileOp::remove(const std::string& source, bool& aborted)
{
    if (!pathExists(source))
        return ENOENT;
    const bool toTrash = (m_flags & FOF_ALLOWUNDO) != 0;
    if (!(m_flags & FOF_NOCONFIRMATION)) {
        const QString name = q(fs::path(source).filename().string());
        const QString text =
            toTrash ? QCoreApplication::translate("CShellFileOp", "确实要把“%1”放入回收站吗？")
                          .arg(name)
                    : QCoreApplication::translate("CShellFileOp", "确实要永久性地删除“%1”吗？")
                          .arg(name);
        if (ShowMessageBox(m_owner, text, QCoreApplication::translate("CShellFileOp", "删除文件"),
                           MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes) {
            aborted = true;
            return ECANCELED;
        }
    }
    if (toTrash) {
        std::string why;
        if (MoveToTrash(source, &why))
            return 0;
        SetLastErrorCode(EIO, why);
        return EIO;
    }
    std::error_code ec;
    fs::remove_all(source, ec);
    return ec ? ec.value() : 0;
}

void CShellFileOp::reportError(const std::string& path, int err) const
{
    if (m_flags & FOF_NOERRORUI)
        return;
    if (LastErrorCode() != err)
        SetLastErrorCode(err);
    const QString text = QCoreApplication::translate("CShellFileOp", "无法处理“%1”：%2")
                             .arg(q(path), q(LastErrorText()).trimmed());
    ShowMessageBox(m_owner, text, QCoreApplication::translate("CShellFileOp", "错误"),
                   MsgButtons::Ok, MsgIcon::Critical);
}

bool CopyFileShell(const std::string& source, const std::string& destination)
{
    CShellFileOp op;
    op.SetOperationFlags(FO_COPY, QApplication::activeWindow(), FOF_FILESONLY | FOF_RENAMEONCOLLISION);
    op.AddSourceFile(source);
    op.AddDestFile(destination);
    int result = -1;
    bool aborted = true;
    return op.Go(nullptr, &result, &aborted) && result == 0 && !aborted;
}

bool DeleteToRecycleBin(const std::string& path)
{
    if (path == QUOR_FOLDER_MARKER)
        return true;
    if (path == "RECYCLE")
        return false;
    if (!pathExists(path))
        return true;
    CShellFileOp op;
    op.SetOperationFlags(FO_DELETE, QApplication::activeWindow(), FOF_ALLOWUNDO);
    op.AddSourceFile(path);
    bool started = false;
    int result = -1;
    bool aborted = true;
    return op.Go(&started, &result, &aborted) && started && result == 0 && !aborted;
}

bool TrashArticleFile(const std::string& path)
{
    if (path.empty() || path == QUOR_FOLDER_MARKER || !pathExists(path))
        return true;
    CShellFileOp op;
    op.SetOperationFlags(FO_DELETE, QApplication::activeWindow(), FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_NOERRORUI);
    op.AddSourceFile(path);
    return op.Go();
}

std::string ShowLastErrorText()
{
    const std::string text = LastErrorText();
    ShowMessageBox(nullptr, q(text), QStringLiteral("Error"), MsgButtons::Ok, MsgIcon::Information);
    return text;
}
