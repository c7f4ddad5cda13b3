#pragma once
// The docking bar at the main window's side that holds pages behind tabs. Docked, it shows
// a caption of ours with the current page's title, a close and a pin button; floating, the
// floating window's own title bar. Unpinned, it shrinks to a strip at the window's edge and
// comes out over the window while the mouse or the focus is in it. Pages move between bars
// by dragging their tabs; a bar dropped on another bar's caption gives it all its pages.

#include <QDockWidget>
#include <QIcon>
#include <QPointer>

#include <utility>
#include <vector>

class CAutoHideStrip;
class CDockCaption;
class CPageTabBar;
class CProfile;
class QFrame;
class QMainWindow;
class QStackedWidget;
class QTimer;

class CDockPageBar final : public QDockWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDockPageBar)

public:
    struct Page
    {
        QPointer<QWidget> window;
        QString title;
        QIcon icon;
    };

    // Bars made by the program stay when they lose their pages (hidden); bars made by
    // dragging a page out go away with their last page.
    explicit CDockPageBar(const QString& title, QWidget* parent = nullptr);
    ~CDockPageBar() override;

    // Adds a page with its tab title and icon; the first page becomes current.
    void AppendPage(QWidget* page, const QString& title, const QIcon& icon = {});
    QWidget* ActivePage() const;

    int PageCount() const;
    QWidget* PageAt(int index) const;
    QString PageTitle(int index) const;
    int CurrentIndex() const;
    void SelectPage(int index);
    // Hides the current page and hands it over; the bar keeps the others.
    Page DetachCurrentPage();
    // Takes a page from elsewhere at the end of the tabs (or at index) and shows it.
    void AdoptPage(Page page, int index = -1);
    // Moves all pages of the other bar to this one, after this bar's own.
    void MergeBar(CDockPageBar* other);

    // The title the bar was made with ("New Bar" for a bar made by dragging a page out);
    // the window title follows the current page.
    QString BarTitle() const { return m_barTitle; }
    bool IsMadeByDragging() const { return m_bMadeByDragging; }

    bool IsPinned() const { return m_bPinned; }
    void SetPinned(bool pinned);
    // While unpinned: whether the bar is out over the window.
    bool IsShownOut() const;
    void ShowOut();
    void HideOut();

    CDockCaption* Caption() const { return m_caption; }
    CPageTabBar* TabBar() const { return m_tabs; }
    CAutoHideStrip* Strip() const { return m_strip; }
    QFrame* OutPanel() const { return m_outPanel.data(); }
    // Where a page or a bar may be dropped on this bar, in its coordinates: the caption
    // band while docked, the title bar's height while floating, the strip while unpinned.
    QRect DropZone() const;
    // The bar whose drop zone is at the point on the screen, other than the one given.
    static CDockPageBar* BarAt(const QPoint& globalPos, const CDockPageBar* except = nullptr);

    // Drags the page out of the bar; dropped on no bar's caption, it goes to a new bar
    // floating at the drop point.
    void DragPage(int index);
    // A page dropped outside every bar: a new floating bar "New Bar" takes it.
    CDockPageBar* FloatPage(int index, const QPoint& globalPos);

    // The window's geometry, its bars' places and which bars are unpinned, in the settings.
    static void SaveWindowLayout(QMainWindow& window, CProfile& profile);
    static void RestoreWindowLayout(QMainWindow& window, const CProfile& profile);

signals:
    void pinnedChanged(bool pinned);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    Page takePage(int index);
    int indexOf(const QObject* page) const;
    void onCurrentChanged(int index);
    void onPageDestroyed(QObject* page);
    void afterPagesChanged();
    void layoutPages();
    void paintTabStrip();
    void leaveIfEmpty();
    void updateChrome();
    void updateStrip();
    void updateActive();
    bool hasFocusInside() const;
    void collapse();
    void expand();
    void placeOutPanel();
    void checkOutPanel();
    bool acceptsDrop(const QDropEvent* event) const;
    CDockPageBar* dropTargetAt(const QPoint& globalPos) const;
    void mergeAfterDrop(CDockPageBar* target, int triesLeft);
    static void showDropOutline(const CDockPageBar* target);
    QMainWindow* mainWindow() const;
    Qt::Orientation dockOrientation() const;

    QString m_barTitle;
    CDockCaption* m_caption;
    QWidget* m_body;
    QStackedWidget* m_stack;
    CPageTabBar* m_tabs;
    CAutoHideStrip* m_strip;
    QWidget* m_blankTitle;
    QPointer<QFrame> m_outPanel; // a child of the main window
    QTimer* m_chromeTimer;
    QTimer* m_outTimer;
    QPointer<CDockPageBar> m_owner;       // for a bar made by dragging: the bar that keeps it
    QList<QPointer<CDockPageBar>> m_made; // the bars made by dragging pages out of this one
    bool m_bMadeByDragging = false;
    bool m_bPinned = true;
    bool m_bCollapsed = false;
    bool m_bCollapsePending = false;
    bool m_bBarPressed = false;
    int m_expandedExtent = 0;
    QPoint m_dragOffset; // from the bar's corner to the mouse while it is dragged
    std::vector<std::pair<QPointer<CDockPageBar>, QRect>> m_dropZones; // when the drag began
};
