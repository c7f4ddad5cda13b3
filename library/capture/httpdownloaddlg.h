#pragma once
// The "File Download" dialog: one address into one file, with status, progress, time left
// and rate, and Cancel. It keeps out of the way: no owner, never activated, at the bottom
// left of the main window, which stays usable. Exec returns when the download has ended.

#include "httpdownload.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "linklocalizer.h"

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

class CHttpDownloadDlg final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CHttpDownloadDlg)

public:
    explicit CHttpDownloadDlg(QWidget* mainWindow = nullptr);
    ~CHttpDownloadDlg() override;

    std::string m_strUrl;
    std::string m_strFilePath;
    std::string m_strFinalPath; // out: the name the file was moved to, or empty
    std::string m_strError;     // out: why it failed

    // Accepted when the file was downloaded completely.
    int exec() override;

    // The texts and numbers shown, for people and tests.
    QString StatusText() const;
    QString TimeLeftText() const;
    QString RateText() const;

public slots:
    void reject() override; // Cancel, Escape and the close box: stop, then end

protected:
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void onStatus(const QString& text);
    void onProgress(quint64 total, quint64 size);
    void onDone(int result);
    void placeAtMainWindow();

    QWidget* m_mainWindow;
    QLabel* m_status;
    QLabel* m_fileLine;
    QProgressBar* m_progress;
    QLabel* m_timeLeft;
    QLabel* m_rate;
    QPushButton* m_cancel;
    std::unique_ptr<CHttpDownload> m_download;
    std::thread m_worker;
    std::atomic<bool> m_bAbort{false};
    bool m_bSafeToClose = true;
    std::string m_fileName;
    qint64 m_start = 0, m_lastUpdate = 0;
    quint64 m_lastAmount = 0;
    int m_lastPercent = -1;
};

// Downloads through the dialog; a failure's reason goes to statusText (the status bar).
DownloadFunction DialogDownloader(QWidget* mainWindow, std::function<void(const QString&)> statusText);

// Tells the user how a page's localisation went: the failures in a box over the main window
// (brought to the front), or the success in the status bar.
void ReportLocalizeResult(QWidget* mainWindow, const LocalizeResult& result,
                          const std::function<void(const QString&)>& statusText);
