#pragma once
// The library's main window: tool bar, status bar, the catalog bar at the left and the
// article view. Every command reaches OnCommand by its identifier.

#include "articlepage.h"
#include "catalog.h"

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>

#include <functional>
#include <map>
#include <memory>
#include <string>

class CCaptureDlg;
class CCatalog;
class CCatalogTree;
class CDockPageBar;
class CGlobalHotKey;
class CMissionTable;
class CProfile;
class CQuorDoc;
class CQuorView;
class CWindowMessageListener;
class QAction;
class QLabel;
class QMenu;
class QUrl;

class CMainFrame final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    CMainFrame(CQuorDoc* document, CProfile* profile, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the bars, the catalog page, the view and the hot key. False when a part
    // cannot be made.
    bool Create();

    void OnCommand(int id);
    // Queued, like a posted command.
    void PostCommand(int id);
    void SetMessageText(const QString& text);

    CQuorView* GetActiveView() const { return m_pView; }
    CCatalogTree* GetCatalogTree() const { return m_wndTree; }
    CQuorDoc* GetActiveDocument() const { return m_pDocument; }
    QAction* CommandAction(int id) const;
    bool HasHotKey() const;
    // Reads the article file back, cleans it and fetches what it needs; true when rewritten.
    bool RelocaliseArticle(const QModelIndex& item);
    // Fetches the page at an http(s) address (redirects followed) and files it as an article
    // under the selected item; false, with the reason shown, when it cannot be had.
    bool CaptureFromAddress(const std::string& address);
    // Copies the file in as a new article under the selected item (re-localised when HTML).
    bool ImportArticle(const std::string& chosen);
    // The 32-bit handle other programs post to.
    quint32 WindowHandle() const;
    // The published mission table the edit commands work on (owned by the application).
    void SetMissionTable(CMissionTable* table) { m_pMissions = table; }
    // An editor's notice (WM_EDITOR_NOTIFY): 1 when handled, 0 otherwise.
    int OnEditorNotify(quint32 command, qint32 slot);
    // The editor program g_szEditor names: relative to the current folder or a full path,
    // in our programs' folder, or on PATH. Empty when none of them has it.
    static std::string FindEditor();
    // The title handed to Tolvane: 60 code page 936 bytes at most, ".." when cut, '"' as '_'.
    static std::string PostingTitle(const std::string& title);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addCommand(int id, const QString& text, const QString& prompt = {});
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createCatalogBar();
    void restoreFromHotKey();
    void updateTitle();
    void updateRecentFiles();
    // Command handlers (mainframecommands.cpp).
    void onCatalogLoad();
    bool onCatalogSave();
    bool onFileSave();
    void onFileOpen(const QString& chosen = {});
    void onViewCatalog();
    void onFolderNew();
    void onItemDelete();
    void onFind();
    void onFindNext();
    void onMerge();
    void onItemProperties();
    void onArticleShow();
    void onForceDownload(const QUrl& url);
    void onAbout();
    void onArticlePost();
    void onFileSaveAs();
    void switchPane();
    void updateLockPanes();
    // Article creation (articlecommands.cpp).
    void onArticleNew();
    void onEditPaste();
    void onArticleFromUrl();
    void onArticleImport();
    void onDownloadLinks();
    QPersistentModelIndex newArticleTarget() const;
    QModelIndex addArticle(const QPersistentModelIndex& target, const CatalogItemInfo& info);
    bool captureBusy();
    ProcessedPage processPage(std::string page, const std::string& source, bool resolve, const std::string& id);
    void reportCapture(const ProcessedPage& page);
    bool openCatalog(const std::string& path);
    // Editing (editorcommands.cpp).
    void onArticleEdit();
    void onEditorWindows();
    void onOptions();
    void noticeEditorsOfClose();
    // Runs the work from the event loop once no dialog or capture is in the way.
    void postLater(std::function<void()> work);

    CQuorDoc* m_pDocument;
    CQuorView* m_pView = nullptr;
    CDockPageBar* m_wndDockPageBar = nullptr;
    CCatalogTree* m_wndTree = nullptr;
    std::unique_ptr<CCatalog> m_catalog;
    CProfile* m_pProfile;
    QMenu* m_recentMenu = nullptr;
    QString m_strLastKeyword;
    bool m_bCatalogLoaded = false;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_wndMessage = nullptr;
    QLabel* m_lockPanes[3] = {};
    CGlobalHotKey* m_pHotKey = nullptr;
    CWindowMessageListener* m_pListener = nullptr;
    CMissionTable* m_pMissions = nullptr;
    std::map<int, QAction*> m_actions;
    bool m_bCatalogVisible = true;
    QPointer<CCaptureDlg> m_pCapture; // the capture running, if any
    bool m_bCloseAfterCapture = false;
};
