#include "httpdownloaddlg.h"

#include "downloadtexts.h"
#include "fileutil.h"
#include "messagebox.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

CHttpDownloadDlg::CHttpDownloadDlg(QWidget* mainWindow)
    : QDialog(nullptr, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_mainWindow(mainWindow),
      m_status(new QLabel(this)), m_fileLine(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_timeLeft(new QLabel(this)), m_rate(new QLabel(this)), m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(QStringLiteral("File Download"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_fileLine->setWordWrap(true);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_status, 0, 0, 1, 2);
    layout->addWidget(m_fileLine, 1, 0, 1, 2);
    layout->addWidget(m_progress, 2, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("Estimated time left:"), this), 3, 0);
    layout->addWidget(m_timeLeft, 3, 1);
    layout->addWidget(new QLabel(QStringLiteral("Transfer rate:"), this), 4, 0);
    layout->addWidget(m_rate, 4, 1);
    layout->addWidget(m_cancel, 5, 1, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &CHttpDownloadDlg::reject);
    resize(360, 220);
}

CHttpDownloadDlg::~CHttpDownloadDlg()
{
    m_bAbort = true;
    if (m_worker.joinable())
        m_worker.join();
}

QString CHttpDownloadDlg::StatusText() const
{
    return m_status->text();
}

QString CHttpDownloadDlg::TimeLeftText() const
{
    return m_timeLeft->text();
}

QString CHttpDownloadDlg::RateText() const
{
    return m_rate->text();
}

int CHttpDownloadDlg::exec()
{
    m_download = std::make_unique<CHttpDownload>(m_strUrl, m_strFilePath);
    if (PathExists(m_strFilePath) &&
        ShowMessageBox(m_mainWindow,
                       q(FormatDownloadText("The file '%1' already exists.\nDo you want to replace it?", m_strFilePath)),
                       QStringLiteral("File Download"), MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return Rejected;
    m_fileName = CHttpDownload::FileNameOf(m_download->Url());
    const std::string server = CHttpDownload::ServerOf(m_download->Url());
    m_fileLine->setText(q(FormatDownloadText("%1 from %2", m_strUrl, server)));
    m_start = m_lastUpdate = nowMs();
    m_bSafeToClose = false;

    // The worker reports through queued calls; the dialog may be gone by then.
    QPointer<CHttpDownloadDlg> self(this);
    const auto post = [self](auto call) {
        QMetaObject::invokeMethod(self.data(), [self, call] {
            if (self)
                call(*self);
        }, Qt::QueuedConnection);
    };
    m_worker = std::thread([this, post] {
        CHttpDownload::Events events;
        events.status = [post](const std::string& s) { post([s](CHttpDownloadDlg& d) { d.onStatus(q(s)); }); };
        events.progress = [post](std::uint64_t total, std::uint64_t size) {
            post([total, size](CHttpDownloadDlg& d) { d.onProgress(total, size); });
        };
        const CHttpDownload::Result result = m_download->Run(events, m_bAbort);
        post([result](CHttpDownloadDlg& d) { d.onDone(static_cast<int>(result)); });
    });
    // Runs until the download ends, without blocking the main window.
    setWindowModality(Qt::NonModal);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec();
    return result();
}

void CHttpDownloadDlg::onStatus(const QString& text)
{
    m_status->setText(text);
}

void CHttpDownloadDlg::onProgress(quint64 total, quint64 size)
{
    if (size > 0) {
        const int percent = DownloadPercent(total, size);
        if (percent != m_lastPercent) {
            m_lastPercent = percent;
            setWindowTitle(q(FormatDownloadText("%1% of %2 Completed", std::to_string(percent), m_fileName)));
            m_progress->setRange(0, 1000);
            m_progress->setValue(static_cast<int>(static_cast<double>(total) * 1000 / static_cast<double>(size)));
        }
    }
    const qint64 now = nowMs();
    if (now - m_lastUpdate > 1000) {
        m_rate->setText(q(DownloadRateText(static_cast<double>(total - m_lastAmount) / static_cast<double>(now - m_lastUpdate))));
        m_lastUpdate = now;
        m_lastAmount = total;
        if (size > 0 && total > 0)
            m_timeLeft->setText(q(DownloadTimeLeftText(
                DownloadSecondsLeft(static_cast<std::uint64_t>(now - m_start), total, size), total, size)));
    }
}

void CHttpDownloadDlg::onDone(int result)
{
    if (m_worker.joinable())
        m_worker.join();
    m_bSafeToClose = true;
    m_strFinalPath = m_download->FinalPath();
    m_strError = m_download->Error();
    if (m_download->OpenFailed())
        ShowMessageBox(m_mainWindow, q(m_strError), QStringLiteral("File Download"), MsgButtons::Ok, MsgIcon::Critical);
    if (static_cast<CHttpDownload::Result>(result) == CHttpDownload::Result::Done && !m_bAbort)
        QDialog::accept();
    else
        QDialog::reject();
}

void CHttpDownloadDlg::reject()
{
    if (m_bSafeToClose) {
        QDialog::reject();
        return;
    }
    // The dialog ends when the worker has reported.
    m_bAbort = true;
    m_cancel->setEnabled(false);
    m_status->setText(QStringLiteral("Aborting transfer"));
}

void CHttpDownloadDlg::placeAtMainWindow()
{
    if (!m_mainWindow)
        return;
    const QRect frame = m_mainWindow->frameGeometry();
    const QPoint target(frame.left(), frame.bottom() - frameGeometry().height() + 1);
    if (pos() != target)
        move(target);
}

void CHttpDownloadDlg::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    placeAtMainWindow();
}

void CHttpDownloadDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeAtMainWindow();
}

DownloadFunction DialogDownloader(QWidget* mainWindow, std::function<void(const QString&)> statusText)
{
    return [mainWindow, statusText](const std::string& address, std::string& path) {
        CHttpDownloadDlg dialog(mainWindow);
        dialog.m_strUrl = address;
        dialog.m_strFilePath = path;
        if (dialog.exec() != QDialog::Accepted) {
            if (!dialog.m_strError.empty() && statusText)
                statusText(q(dialog.m_strError));
            return false;
        }
        if (!dialog.m_strFinalPath.empty())
            path = dialog.m_strFinalPath;
        return true;
    };
}

void ReportLocalizeResult(QWidget* mainWindow, const LocalizeResult& result,
                          const std::function<void(const QString&)>& statusText)
{
    const std::string failures = LocalizeFailureText(result);
    if (failures.empty()) {
        if (statusText)
            statusText(QString::fromLatin1(LOCALIZE_SUCCESS_TEXT));
        return;
    }
    if (mainWindow) {
        mainWindow->showNormal();
        mainWindow->raise();
        mainWindow->activateWindow();
    }
    ShowMessageBox(mainWindow, q(failures), QGuiApplication::applicationDisplayName(), MsgButtons::Ok, MsgIcon::Warning);
}
