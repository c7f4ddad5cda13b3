#include "quorapp.h"

#include "appglobals.h"
#include "appsettings.h"
#include "codepage.h"
#include "defaultcatalog.h"
#include "fileutil.h"
#include "mainframe.h"
#include "messagebox.h"
#include "profile.h"
#include "quordoc.h"
#include "termination.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kMutexName[] = "MutexToProtectDatabase";

} // namespace

CQuorApp::CQuorApp() = default;

CQuorApp::~CQuorApp() = default;

std::string CQuorApp::CatalogPathFromArguments(const QStringList& arguments, bool* isDefault)
{
    // The first argument that is not an option names the catalog.
    std::string name;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (!arguments[i].startsWith(QLatin1Char('-'))) {
            name = arguments[i].toStdString();
            break;
        }
    }
    const bool useDefault = Cp936Length(name) < 5;
    if (isDefault)
        *isDefault = useDefault;
    return useDefault ? CQuorDoc::DefaultPath() : name;
}

bool CQuorApp::InitInstance(const QStringList& arguments)
{
    m_pProfile = std::make_unique<CProfile>(QUOR_REGISTRY_KEY, QUOR_APP_NAME);
    LoadFileTypes(*m_pProfile);

    // One instance at a time; a second start ends here, having touched nothing.
    switch (m_instanceLock.TryLock(kMutexName)) {
    case CInstanceLock::Result::HeldByAnother:
        m_exitCode = 0;
        return false;
    case CInstanceLock::Result::Failed:
        ShowMessageBox(
            nullptr,
            QCoreApplication::translate(
                "CQuorApp",
                "无法确认是否已有 Quor 在运行，同时运行两个 Quor 可能使目录信息互相覆盖。\n%1")
                .arg(QString::fromStdString(m_instanceLock.ErrorText())),
            QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Warning);
        break;
    case CInstanceLock::Result::Acquired:
        break;
    }

    bool isDefault = false;
    const std::string catalog = CatalogPathFromArguments(arguments, &isDefault);
    std::string createError;
    if (isDefault && !PathExists(catalog))
        WriteDefaultCatalog(catalog, DefaultDataFolder() + "1", &createError);

    m_pDocument = std::make_unique<CQuorDoc>();
    std::string openError;
    if (!m_pDocument->OnOpenDocument(catalog, &openError)) {
        reportStartFailure(catalog, createError.empty() ? openError : createError);
        m_exitCode = 1;
        return false;
    }
    AddRecentFile(*m_pProfile, m_pDocument->GetPathName());

    m_pMainFrame = std::make_unique<CMainFrame>(m_pDocument.get(), m_pProfile.get());
    if (!m_pMainFrame->Create()) {
        m_exitCode = 1;
        return false;
    }
    m_pMainFrame->show();
    QuitOnTermination([frame = m_pMainFrame.get()] { frame->close(); });

    const int published = m_missionTable.Init(QUOR_SHARE_DATA, m_pMainFrame->WindowHandle(), WM_EDITOR_NOTIFY, true);
    m_pMainFrame->SetMissionTable(&m_missionTable);
    if (published != 1) {
        // The program runs without the table (editing in the external editor will not
        // work); the next publish tries again.
        const QString where = QString::fromStdString(CSharedMemory::PathFor(QUOR_SHARE_DATA));
        const QString reason = published < 0 ? QString::fromUtf8(std::strerror(-published))
                                             : QCoreApplication::translate("CQuorApp", "写入失败");
        const QString text = QCoreApplication::translate("CQuorApp", "编辑任务表无法共享：%1：%2")
                                 .arg(where, reason);
        qWarning("Quor: %s", qPrintable(text));
        m_pMainFrame->SetMessageText(text);
    }
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
    const QString text = QCoreApplication::translate("CQuorApp", "无法打开文档。\n\n%1\n%2")
                             .arg(QFileInfo(QString::fromStdString(path)).absoluteFilePath(),
                                  QString::fromStdString(reason));
    qWarning("Quor: %s", qPrintable(text)); // also for a start from a terminal
    ShowMessageBox(nullptr, text, QStringLiteral("Quor"), MsgButtons::Ok, MsgIcon::Critical);
}

