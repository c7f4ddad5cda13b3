#pragma once
// The one progress window of a capture: files done out of all found so far, bytes, rate, the
// addresses coming in, and Cancel. It runs each round of downloads on a worker thread while
// the main window stays usable, and keeps out of the way at the main window's corner.

#include "downloadqueue.h"
#include "pagecapture.h"

#include <QDialog>

#include <atomic>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;

class CCaptureDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCaptureDlg)

public:
    explicit CCaptureDlg(QWidget* mainWindow = nullptr, CDownloadQueue::Options options = {});
    ~CCaptureDlg() override;

    // Downloads through this window; the browser cache is not there to ask on this system.
    CaptureFetcher Fetcher();

    QString FilesText() const;
    bool Cancelled() const { return m_abort.load(); }

public slots:
    void reject() override; // Cancel: every transfer stops, what came is kept

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool runRound(std::vector<DownloadRequest>& requests);
    void onProgress(const CDownloadQueue::Progress& progress);

    QWidget* m_mainWindow;
    QLabel* m_files;
    QLabel* m_bytes;
    QLabel* m_current;
    QProgressBar* m_progress;
    QPushButton* m_cancel;
    CDownloadQueue m_queue;
    std::atomic<bool> m_abort{false};
    std::thread m_worker;
};
