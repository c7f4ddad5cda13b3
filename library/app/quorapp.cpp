#include "quorapp.h"

#include "appglobals.h"
#include "appsettings.h"
#include "codepage.h"
#include "defaultcatalog.h"
#include "mainframe.h"
#include "messagebox.h"
#include "profile.h"
#include "quordoc.h"
#include "termination.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kMutexName[] = "MutexToProtectDatabase";

bool pathExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace

CQuorApp::CQuorApp() = default;

CQuorApp::~CQuorApp() = default;

std::string CQuorApp::CatalogPathFromArguments(const QStringList& arguments)
{
    // The first argument that is not an option names the catalog.
    std::string name;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-'))) {
            name = arguments[i].toStdString();
            break;
        }
    }
    return Cp936Length(name) < 5 ? std::string(DEFAULT_CATALOG_NAME) : name;
}

bool CQuorApp::InitInstance(const QStringList& arguments)
{
    m_pProfile = std::make_unique<CProfile>(QUOR_REGISTRY_KEY, QUOR_APP_NAME);
    LoadFileTypes(*m_pProfile);

    const std::string catalog = CatalogPathFromArguments(arguments);
    std::string createError;
    if (catalog == DEFAULT_CATALOG_NAME && !pathExists(catalog))
        WriteDefaultCatalog(catalog, DefaultDataFolder() + "1", &createError);

    switch (m_instanceLock.TryLock(kMutexName)) {
    case CInstanceLock::Result::HeldByAnother:
        m_exitCode = 0; // another instance runs: end at once, show nothing
        return false;
    case CInstanceLock::Result::Failed:
        qWarning("Quor: cannot mark the running instance: %s", m_instanceLock.ErrorText().c_str());
        break;
    case CInstanceLock::Result::Acquired:
        break;
    }

    m_pDocument = std::make_unique<CQuorDoc>();
    std::string openError;
    if (!m_pDocument->OnOpenDocument(catalog, &openError)) {
        reportStartFailure(catalog, createError.empty() ? openError : createError);
        m_exitCode = 1;
        return false;
    }
    AddRecentFile(*m_pProfile, m_pDocument->GetPathName());

    m_pMainFrame = std::make_unique<CMainFrame>(m_pDocument.get());
    if (!m_pMainFrame->Create()) {
        m_exitCode = 1;
        return false;
    }
    m_pMainFrame->show();
    QuitOnTermination([frame = m_pMainFrame.get()] { frame->close(); });

    const int published = m_missionTable.Init(QUOR_SHARE_DATA, m_pMainFrame->WindowHandle(), WM_EDITOR_NOTIFY, true);
    if (published == 0) {
        reportStartFailure(CSharedMemory::PathFor(QUOR_SHARE_DATA), "the editing table cannot be mapped");
        m_exitCode = 1;
        return false;
    }
    if (published < 0) {
        // The program runs without the table; the next publish tries again.
        const QString reason = QString::fromUtf8(std::strerror(-published));
        qWarning("Quor: editing table not published: %s", qPrintable(reason));
        m_pMainFrame->SetMessageText(QObject::tr("编辑任务表无法共享：%1").arg(reason));
    }
    checkDataFolder();
    return true;
}

int CQuorApp::ExitInstance(int exitCode)
{
    m_pMainFrame.reset();
    m_instanceLock.Release();
    return exitCode;
}

void CQuorApp::reportStartFailure(const std::string& path, const std::string& reason)
{
    const QString text = QObject::tr("无法打开文档。\n\n%1\n%2")
                             .arg(QFileInfo(QString::fromStdString(path)).absoluteFilePath(),
                                  QString::fromStdString(reason));
    qWarning("Quor: %s", qPrintable(text)); // also for a start from a terminal
    ShowMessageBox(nullptr, text, QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Critical);
}

void CQuorApp::checkDataFolder()
{
    // Only a folder that exists and refuses writing is reported here; a missing one is
    // made when the first article needs it.
    const std::string& folder = g_szDataFolder;
    if (!pathExists(folder) || ::access(folder.c_str(), W_OK | X_OK) == 0)
        return;
    const QString reason = QString::fromUtf8(std::strerror(errno));
    const QString text = QObject::tr("数据文件夹不能写入，新文章无法保存：\n%1\n%2")
                             .arg(QString::fromStdString(folder), reason);
    ShowMessageBox(m_pMainFrame.get(), text, QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
}
