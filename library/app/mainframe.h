#pragma once
// The library's main window: tool bar, status bar, the catalog bar at the left and the
// article view. Every command reaches OnCommand by its identifier.

#include <QMainWindow>

#include <map>

class CDockPageBar;
class CGlobalHotKey;
class CQuorDoc;
class CQuorView;
class CWindowMessageListener;
class QAction;
class QLabel;
class QTreeView;

class CMainFrame final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMainFrame)

public:
    explicit CMainFrame(CQuorDoc* document, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the bars, the catalog page, the view and the hot key. False when a part
    // cannot be made.
    bool Create();

    void OnCommand(int id);
    // Queued, like a posted command.
    void PostCommand(int id);
    void SetMessageText(const QString& text);

    CQuorView* GetActiveView() const { return m_pView; }
    CQuorDoc* GetActiveDocument() const { return m_pDocument; }
    QAction* CommandAction(int id) const;
    bool HasHotKey() const;
    // The 32-bit handle other programs post to.
    quint32 WindowHandle() const;

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
    void onCatalogLoad();
    void onViewCatalog();
    void onAbout();

    CQuorDoc* m_pDocument;
    CQuorView* m_pView = nullptr;
    CDockPageBar* m_wndDockPageBar = nullptr;
    QTreeView* m_wndTree = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QLabel* m_wndMessage = nullptr;
    CGlobalHotKey* m_pHotKey = nullptr;
    CWindowMessageListener* m_pListener = nullptr;
    std::map<int, QAction*> m_actions;
    bool m_bCatalogVisible = true;
};
