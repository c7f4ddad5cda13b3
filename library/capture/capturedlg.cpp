#include "capturedlg.h"

#include "articlepage.h"
#include "downloadtexts.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

QString sizeText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    if (bytes < 1024 * 1024)
        return QStringLiteral("%1 KB").arg(static_cast<double>(bytes) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / (1024 * 1024), 0, 'f', 1);
}

} // namespace

CCaptureDlg::CCaptureDlg(QWidget* mainWindow, CDownloadQueue::Options options)
    : QDialog(nullptr, Qt::Tool | Qt::WindowDoesNotAcceptFocus), m_mainWindow(mainWindow), m_files(new QLabel(this)),
      m_bytes(new QLabel(this)), m_current(new QLabel(this)), m_progress(new QProgressBar(this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)), m_queue(std::move(options))
{
    setWindowTitle(QStringLiteral("File Download"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_current->setWordWrap(true);
    m_current->setTextFormat(Qt::PlainText);
    m_current->setMinimumHeight(fontMetrics().lineSpacing() * 3);
    m_progress->setRange(0, 0);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_files, 0, 0, 1, 2);
    layout->addWidget(m_progress, 1, 0, 1, 2);
    layout->addWidget(m_bytes, 2, 0, 1, 2);
    layout->addWidget(m_current, 3, 0, 1, 2);
    layout->addWidget(m_cancel, 4, 1, Qt::AlignRight);
    connect(m_cancel, &QPushButton::clicked, this, &CCaptureDlg::reject);
    resize(420, 200);
}

CCaptureDlg::~CCaptureDlg()
{
    m_abort = true;
    if (m_worker.joinable())
        m_worker.join();
}

CaptureFetcher CCaptureDlg::Fetcher()
{
    CaptureFetcher fetcher;
    fetcher.download = [this](std::vector<DownloadRequest>& requests) { return runRound(requests); };
    return fetcher;
}

QString CCaptureDlg::FilesText() const
{
    return m_files->text();
}

bool CCaptureDlg::runRound(std::vector<DownloadRequest>& requests)
{
    if (m_abort)
        return false;
    if (!isVisible())
        show();
    QPointer<CCaptureDlg> self(this);
    QEventLoop loop;
    bool finished = false;
    m_worker = std::thread([&, self] {
        RunDownloadRound(
            m_queue, requests,
            [self](const CDownloadQueue::Progress& progress) {
                QMetaObject::invokeMethod(self.data(), [self, progress] {
                    if (self)
                        self->onProgress(progress);
                }, Qt::QueuedConnection);
            },
            m_abort);
        QMetaObject::invokeMethod(&loop, [&] {
            finished = true;
            loop.quit();
        }, Qt::QueuedConnection);
    });
    loop.exec();
    if (!finished)
        m_abort = true; // the program is ending: every transfer stops at once
    m_worker.join();
    return !m_abort;
}

void CCaptureDlg::onProgress(const CDownloadQueue::Progress& progress)
{
    const std::size_t ended = progress.done + progress.failed;
    m_files->setText(QStringLiteral("%1 of %2 files").arg(ended).arg(progress.total));
    m_progress->setRange(0, static_cast<int>(std::max<std::size_t>(progress.total, 1)));
    m_progress->setValue(static_cast<int>(ended));
    m_bytes->setText(QStringLiteral("%1, %2").arg(sizeText(progress.bytes), QString::fromStdString(DownloadRateText(progress.rate / 1000))));
    QStringList current;
    for (const std::string& url : progress.current)
        current << QString::fromStdString(url);
    m_current->setText(current.join(QLatin1Char('\n')));
}

void CCaptureDlg::reject()
{
    m_abort = true;
    m_cancel->setEnabled(false);
    m_current->setText(QStringLiteral("Aborting transfer"));
}

void CCaptureDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_mainWindow) {
        const QRect frame = m_mainWindow->frameGeometry();
        move(frame.left(), frame.bottom() - frameGeometry().height() + 1);
    }
}
