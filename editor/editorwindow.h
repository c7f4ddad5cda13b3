#pragma once
// Scrivel's one window: the article in an editable web view, a tool bar, a find bar and an
// HTML source view. Saving writes the library's stored form and tells the library.

#include "mission.h"

#include <QMainWindow>

#include <cstdint>
#include <functional>
#include <string>

class CArticleScheme;
class QAction;
class QCloseEvent;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QStackedWidget;
class QTimer;
class QToolBar;
class QWebChannel;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

// What the page's script reports: the count of edits made in the page since it loaded.
class CEditBridge final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    void changed(int count) { emit edited(count); }

signals:
    void edited(int count);
};

class CEditorWindow final : public QMainWindow
{
    Q_OBJECT

public:
    explicit CEditorWindow(ArticleTarget target, QWidget* parent = nullptr);
    ~CEditorWindow() override;

    // Reads the article file and starts showing it; false with the reason.
    bool Open(std::string& error);

    // Writes the article; done(ok) runs once it is written or the failure was reported.
    void Save(const std::function<void(bool)>& done = {});
    // Asks what to do with unsaved changes, then closes (unless cancelled).
    void RequestClose();
    // A message posted to this window.
    void OnWindowMessage(quint32 message, quint32 wParam, qint32 lParam);

    // Copies the picture into the attachment folder and puts it at the caret.
    bool InsertPicture(const QString& file);
    void InsertLink(const QString& address);
    // Runs an editing command of the page (document.execCommand).
    void Exec(const QString& command, const QString& value = {});

    void ShowSource(bool source);
    bool IsShowingSource() const;
    bool IsModified() const;
    bool IsLoaded() const { return m_loaded; }
    QWebEnginePage* Page() const;
    QPlainTextEdit* SourceEdit() const { return m_source; }
    const ArticleTarget& Target() const { return m_target; }

signals:
    void loaded();
    void saveFinished(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createFindBar();
    void load();
    void showInSource(const std::string& page);
    std::string sourceText() const;
    void finishSave(const std::string& page, const std::function<void(bool)>& done);
    void decideClose();
    void finishClose();
    void updateModified();
    void notifyLibrary(std::uint32_t command);
    void findNext(bool backward);
    void closeFindBar();
    void checkFileOnDisk();
    void askForLink();
    void askForPicture();
    void report(const QString& text);

    ArticleTarget m_target;
    std::string m_document; // the whole page as UTF-8, as the view was given it
    std::string m_onDisk;   // the file's bytes as last read or written here

    QWebEngineProfile* m_profile = nullptr;
    CArticleScheme* m_scheme = nullptr;
    QWebEngineView* m_view = nullptr;
    QWebChannel* m_channel = nullptr;
    CEditBridge* m_bridge = nullptr;
    QPlainTextEdit* m_source = nullptr;
    QStackedWidget* m_stack = nullptr;
    QToolBar* m_findBar = nullptr;
    QLineEdit* m_findEdit = nullptr;
    QLabel* m_findResult = nullptr;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer* m_diskCheck = nullptr;
    QAction* m_sourceAction = nullptr;
    QList<QAction*> m_pageActions; // only for the page, off in the source view

    bool m_loaded = false;
    bool m_saving = false;
    bool m_asking = false;
    bool m_closing = false;
    bool m_fillingSource = false;
    bool m_dirty = false;        // changed outside the page's own edits (the source view)
    bool m_sourceEdited = false; // the source differs from what the view shows
    int m_changes = 0;    // edits the page reported since it loaded
    int m_savedChanges = 0;
};
