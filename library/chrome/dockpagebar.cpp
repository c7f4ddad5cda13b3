#include "dockpagebar.h"

#include "autohidestrip.h"
#include "dockcaption.h"
#include "pagetabbar.h"
#include "profile.h"

#include <QApplication>
#include <QDrag>
#include <QFrame>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kStripFill(247, 243, 233);
constexpr int kTabStripHeight = 27; // under the pages while there are several
constexpr int kFloatingTitleHeight = 20;
constexpr int kOutCheckMs = 250;
constexpr int kChromeRetryMs = 100;
constexpr int kMinOutExtent = 60;
constexpr int kPlugCheckMs = 100;
constexpr int kPlugChecks = 10;
const QString kPageMimeType = QStringLiteral("application/x-quor-dockpage");

const char kLayoutSection[] = "Window Layout";
const char kGeometryEntry[] = "Geometry";
const char kStateEntry[] = "State";
const char kUnpinnedEntry[] = "Unpinned";

// Every bar there is, to find the one under a drop.
QList<CDockPageBar*>& allBars()
{
    static QList<CDockPageBar*> bars;
    return bars;
}

// The page on its way between bars.
struct PageDrag
{
    QPointer<CDockPageBar> bar;
    QPointer<QWidget> page;
};
PageDrag& pageDrag()
{
    static PageDrag drag;
    return drag;
}

// Escape cancels a drag, and so does the right button. A drag that ends on no target
// looks the same as a cancelled one, so the watch tells them apart.
class CDragCancelWatch final : public QObject
{
public:
    bool cancelled = false;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            cancelled = true;
        } else if (event->type() == QEvent::MouseButtonPress &&
                   static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            cancelled = true;
            QDrag::cancel();
            return true;
        }
        return false;
    }
};

// Window states name the bars: each name once.
QString uniqueName(const QString& title)
{
    QString base = title;
    base.remove(QLatin1Char(' '));
    QString name = base;
    for (int n = 2;; ++n) {
        const bool taken =
            std::any_of(allBars().begin(), allBars().end(),
                        [&name](const CDockPageBar* bar) { return bar->objectName() == name; });
        if (!taken) return name;
        name = base + QString::number(n);
    }
}

} // namespace

CDockPageBar::CDockPageBar(const QString& title, QWidget* parent)
    : QDockWidget(title, parent), m_barTitle(title), m_caption(new CDockCaption(this)),
      m_body(new QWidget(this)), m_stack(new QStackedWidget(m_body)),
      m_tabs(new CPageTabBar(m_body)), m_strip(new CAutoHideStrip(this)),
      m_blankTitle(new QWidget(this)), m_chromeTimer(new QTimer(this)), m_outTimer(new QTimer(this))
{
    setObjectName(uniqueName(title));
    allBars().append(this);
    setAcceptDrops(true);

    m_caption->SetText(title);
    m_blankTitle->setFixedHeight(0);
    m_blankTitle->hide();
    m_strip->hide();
    m_tabs->hide();
    m_body->installEventFilter(this);
    setTitleBarWidget(m_caption);
    setWidget(m_body);

    m_chromeTimer->setSingleShot(true);
    m_chromeTimer->setInterval(kChromeRetryMs);
    connect(m_chromeTimer, &QTimer::timeout, this, &CDockPageBar::updateChrome);
    m_outTimer->setInterval(kOutCheckMs);
    connect(m_outTimer, &QTimer::timeout, this, &CDockPageBar::checkOutPanel);

    connect(this, &QDockWidget::topLevelChanged, this, &CDockPageBar::updateChrome);
    connect(this, &QDockWidget::dockLocationChanged, this, &CDockPageBar::updateChrome);
    connect(m_caption, &CDockCaption::closeClicked, this, [this] { close(); });
    connect(m_caption, &CDockCaption::pinClicked, this, [this] { SetPinned(!m_bPinned); });
    connect(m_caption, &CDockCaption::pressed, this, [this] {
        if (QWidget* page = ActivePage()) page->setFocus(Qt::MouseFocusReason);
    });
    connect(m_tabs, &QTabBar::currentChanged, this, &CDockPageBar::onCurrentChanged);
    connect(m_tabs, &QTabBar::tabMoved, this, &CDockPageBar::updateStrip);
    connect(m_tabs, &CPageTabBar::pageDragRequested, this, &CDockPageBar::DragPage);
    connect(m_strip, &CAutoHideStrip::hovered, this, [this] {
        if (m_strip->underMouse()) ShowOut();
    });
    connect(m_strip, &CAutoHideStrip::clicked, this, [this](int index) {
        if (index >= 0) SelectPage(index);
        ShowOut();
        if (QWidget* page = ActivePage(); page && IsShownOut())
            page->setFocus(Qt::MouseFocusReason);
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        updateActive();
        if (IsShownOut() && now && now != m_outPanel && !m_outPanel->isAncestorOf(now)) HideOut();
    });
    updateChrome();
}

CDockPageBar::~CDockPageBar()
{
    // Nothing of ours runs while our children go.
    disconnect(qApp, nullptr, this, nullptr);
    for (int i = 0; i < PageCount(); ++i)
        if (QWidget* page = PageAt(i)) disconnect(page, nullptr, this, nullptr);
    allBars().removeAll(this);
    for (const QPointer<CDockPageBar>& bar : std::as_const(m_made))
        delete bar.data();
    delete m_outPanel.data();
}

void CDockPageBar::AppendPage(QWidget* page, const QString& title, const QIcon& icon)
{
    AdoptPage(Page{page, title, icon});
}

QWidget* CDockPageBar::ActivePage() const
{
    return PageAt(CurrentIndex());
}

int CDockPageBar::PageCount() const
{
    return m_tabs->count();
}

QWidget* CDockPageBar::PageAt(int index) const
{
    // Only widgets are stored; a destroyed one has its tab removed at once.
    return static_cast<QWidget*>(m_tabs->tabData(index).value<QObject*>());
}

QString CDockPageBar::PageTitle(int index) const
{
    return m_tabs->tabText(index);
}

int CDockPageBar::CurrentIndex() const
{
    return m_tabs->currentIndex();
}

int CDockPageBar::indexOf(const QObject* page) const
{
    for (int i = 0; i < PageCount(); ++i)
        if (m_tabs->tabData(i).value<QObject*>() == page) return i;
    return -1;
}

void CDockPageBar::SelectPage(int index)
{
    if (index >= 0 && index < PageCount()) m_tabs->setCurrentIndex(index);
}

CDockPageBar::Page CDockPageBar::DetachCurrentPage()
{
    return CurrentIndex() < 0 ? Page{} : takePage(CurrentIndex());
}

CDockPageBar::Page CDockPageBar::takePage(int index)
{
    Page page{PageAt(index), PageTitle(index), m_tabs->tabIcon(index)};
    if (page.window) {
        disconnect(page.window, &QObject::destroyed, this, &CDockPageBar::onPageDestroyed);
        m_stack->removeWidget(page.window);
        page.window->hide();
        // Out of the bar, so that the bar may go before someone adopts the page.
        page.window->setParent(nullptr);
    }
    m_tabs->removeTab(index);
    afterPagesChanged();
    return page;
}

void CDockPageBar::AdoptPage(Page page, int index)
{
    if (!page.window || indexOf(page.window) >= 0) return;
    QWidget* window = page.window;
    m_stack->addWidget(window);
    connect(window, &QObject::destroyed, this, &CDockPageBar::onPageDestroyed);
    const int at = m_tabs->insertTab(index, page.icon, page.title);
    m_tabs->setTabData(at, QVariant::fromValue<QObject*>(window));
    m_tabs->setTabToolTip(at, page.title);
    afterPagesChanged();
}

void CDockPageBar::MergeBar(CDockPageBar* other)
{
    if (!other || other == this) return;
    if (m_bMadeByDragging && !other->m_bMadeByDragging) {
        // The bar the program made stays: it takes this bar's pages in front of its own.
        for (int i = 0; PageCount() > 0; ++i)
            other->AdoptPage(takePage(0), i);
        return;
    }
    while (other->PageCount() > 0)
        AdoptPage(other->takePage(0));
}

void CDockPageBar::onPageDestroyed(QObject* page)
{
    const int index = indexOf(page);
    if (index < 0) return;
    m_tabs->removeTab(index);
    afterPagesChanged();
}

void CDockPageBar::onCurrentChanged(int index)
{
    QWidget* page = PageAt(index);
    if (page) m_stack->setCurrentWidget(page);
    const QString title = page ? PageTitle(index) : m_barTitle;
    m_caption->SetText(title);
    setWindowTitle(title);
}

void CDockPageBar::afterPagesChanged()
{
    m_tabs->setVisible(PageCount() > 1);
    layoutPages();
    onCurrentChanged(CurrentIndex());
    updateStrip();
    m_body->update();
    if (PageCount() == 0) leaveIfEmpty();
}

void CDockPageBar::leaveIfEmpty()
{
    HideOut();
    if (!m_bMadeByDragging) {
        hide();
        return;
    }
    if (QMainWindow* main = mainWindow()) main->removeDockWidget(this);
    hide();
    deleteLater();
}

void CDockPageBar::layoutPages()
{
    const QRect r = m_body->rect();
    if (PageCount() > 1) {
        m_stack->setGeometry(r.x(), r.y(), r.width(), r.height() - kTabStripHeight);
        // The tabs end 1 pixel above the bottom.
        m_tabs->setGeometry(r.x() + CPageTabBar::kSideMargin,
                            r.y() + r.height() - 1 - CPageTabBar::kHeight,
                            r.width() - 2 * CPageTabBar::kSideMargin, CPageTabBar::kHeight);
    } else {
        m_stack->setGeometry(r);
    }
}

void CDockPageBar::paintTabStrip()
{
    if (PageCount() < 2) return;
    QPainter painter(m_body);
    const QRect r = m_body->rect();
    // From 24 pixels above the bottom to 1 above it, 1 pixel in from the sides.
    const QRect band(r.x() + 1, r.y() + r.height() - 24, r.width() - 2, 23);
    painter.fillRect(band, kStripFill);
    painter.setPen(m_body->palette().color(QPalette::Shadow));
    painter.drawLine(band.topLeft(), band.topRight());
}

bool CDockPageBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_body) {
        if (event->type() == QEvent::Resize)
            layoutPages();
        else if (event->type() == QEvent::Paint)
            paintTabStrip();
    }
    return QDockWidget::eventFilter(watched, event);
}

QMainWindow* CDockPageBar::mainWindow() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* main = qobject_cast<QMainWindow*>(w)) return main;
    return nullptr;
}

Qt::Orientation CDockPageBar::dockOrientation() const
{
    const QMainWindow* main = mainWindow();
    const Qt::DockWidgetArea area =
        main ? main->dockWidgetArea(const_cast<CDockPageBar*>(this)) : Qt::LeftDockWidgetArea;
    return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea ? Qt::Horizontal
                                                                             : Qt::Vertical;
}

void CDockPageBar::updateChrome()
{
    // Swapping the title bar under a drag would end it: wait for the button to come up.
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) {
        m_chromeTimer->start();
        return;
    }
    if (isFloating()) {
        if (!m_bPinned) {
            // A floating bar has no edge to hide at.
            expand();
            m_bPinned = true;
            m_bCollapsePending = false;
            m_caption->SetPinned(true);
            emit pinnedChanged(true);
        }
        if (titleBarWidget()) setTitleBarWidget(nullptr);
        setMinimumSize(150, 150);
        return;
    }
    if (!m_bCollapsed && titleBarWidget() != m_caption) setTitleBarWidget(m_caption);
    m_strip->SetOrientation(dockOrientation());
    if (m_bCollapsed)
        setMinimumSize(0, 0);
    else if (dockOrientation() == Qt::Vertical)
        setMinimumSize(60, 60);
    else
        setMinimumSize(50, 50);
    if (IsShownOut()) placeOutPanel();
}

void CDockPageBar::updateStrip()
{
    std::vector<CAutoHideStrip::Item> items;
    for (int i = 0; i < PageCount(); ++i)
        items.push_back({m_tabs->tabIcon(i), PageTitle(i)});
    m_strip->SetItems(std::move(items));
}

bool CDockPageBar::hasFocusInside() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus) || m_body->isAncestorOf(focus) ||
                     (m_outPanel && m_outPanel->isAncestorOf(focus)));
}

void CDockPageBar::updateActive()
{
    m_caption->SetActive(hasFocusInside());
}

void CDockPageBar::SetPinned(bool pinned)
{
    if (pinned == m_bPinned || (!pinned && (isFloating() || !mainWindow()))) return;
    m_bPinned = pinned;
    m_caption->SetPinned(pinned);
    m_bCollapsePending = false;
    if (pinned)
        expand();
    else if (isVisible())
        collapse();
    else
        m_bCollapsePending = true; // the bar keeps its full size until it shows
    updateChrome();
    emit pinnedChanged(pinned);
}

void CDockPageBar::collapse()
{
    if (m_bCollapsed || isFloating()) return;
    m_expandedExtent = dockOrientation() == Qt::Vertical ? width() : height();
    m_bCollapsed = true;
    if (!m_outPanel) {
        m_outPanel = new QFrame(mainWindow());
        m_outPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        m_outPanel->setAutoFillBackground(true);
        auto* layout = new QVBoxLayout(m_outPanel);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->setSpacing(0);
        m_outPanel->hide();
    }
    setTitleBarWidget(m_blankTitle);
    setWidget(m_strip);
    m_outPanel->layout()->addWidget(m_caption);
    m_outPanel->layout()->addWidget(m_body);
    m_caption->show();
    m_body->show();
}

void CDockPageBar::expand()
{
    if (!m_bCollapsed) return;
    HideOut();
    m_bCollapsed = false;
    m_outPanel->layout()->removeWidget(m_caption);
    m_outPanel->layout()->removeWidget(m_body);
    setTitleBarWidget(isFloating() ? nullptr : m_caption);
    setWidget(m_body);
    QMainWindow* main = mainWindow();
    if (main && !isFloating() && m_expandedExtent > 0)
        main->resizeDocks({this}, {m_expandedExtent},
                          dockOrientation() == Qt::Vertical ? Qt::Horizontal : Qt::Vertical);
}

bool CDockPageBar::IsShownOut() const
{
    return m_bCollapsed && m_outPanel && m_outPanel->isVisible();
}

void CDockPageBar::ShowOut()
{
    if (!m_bCollapsed || !isVisible() || !m_outPanel) return;
    placeOutPanel();
    m_outPanel->show();
    m_outPanel->raise();
    m_outTimer->start();
    updateActive();
}

void CDockPageBar::HideOut()
{
    m_outTimer->stop();
    if (m_outPanel) m_outPanel->hide();
}

void CDockPageBar::placeOutPanel()
{
    QWidget* host = m_outPanel->parentWidget();
    const QRect strip(m_strip->mapTo(host, QPoint(0, 0)), m_strip->size());
    const int extent = std::max(m_expandedExtent, kMinOutExtent);
    const QMainWindow* main = mainWindow();
    QRect r;
    switch (main ? main->dockWidgetArea(this) : Qt::LeftDockWidgetArea) {
    case Qt::RightDockWidgetArea:
        r = QRect(strip.left() - extent, strip.top(), extent, strip.height());
        break;
    case Qt::TopDockWidgetArea:
        r = QRect(strip.left(), strip.bottom() + 1, strip.width(), extent);
        break;
    case Qt::BottomDockWidgetArea:
        r = QRect(strip.left(), strip.top() - extent, strip.width(), extent);
        break;
    default:
        r = QRect(strip.right() + 1, strip.top(), extent, strip.height());
        break;
    }
    m_outPanel->setGeometry(r);
}

void CDockPageBar::checkOutPanel()
{
    if (!IsShownOut()) {
        m_outTimer->stop();
        return;
    }
    // It stays out while the mouse is over it or its strip, a button is held or a menu is
    // open, or the focus is in it.
    const QPoint cursor = QCursor::pos();
    const QRect panel(m_outPanel->mapToGlobal(QPoint(0, 0)), m_outPanel->size());
    const QRect strip(m_strip->mapToGlobal(QPoint(0, 0)), m_strip->size());
    if (panel.contains(cursor) || strip.contains(cursor) ||
        QApplication::mouseButtons() != Qt::NoButton || QApplication::activePopupWidget() ||
        hasFocusInside())
        return;
    HideOut();
}

QRect CDockPageBar::DropZone() const
{
    if (m_bCollapsed) return rect();
    if (isFloating()) return QRect(0, 0, width(), kFloatingTitleHeight);
    return titleBarWidget() == m_caption ? m_caption->geometry() : QRect();
}

CDockPageBar* CDockPageBar::BarAt(const QPoint& globalPos, const CDockPageBar* except)
{
    for (CDockPageBar* bar : std::as_const(allBars())) {
        if (bar == except || !bar->isVisible()) continue;
        if (bar->DropZone().contains(bar->mapFromGlobal(globalPos))) return bar;
    }
    return nullptr;
}

CDockPageBar* CDockPageBar::dropTargetAt(const QPoint& globalPos) const
{
    if (CDockPageBar* bar = BarAt(globalPos, this)) return bar;
    for (const auto& [bar, zone] : m_dropZones)
        if (bar && bar->isVisible() && zone.contains(globalPos)) return bar;
    return nullptr;
}

void CDockPageBar::mergeAfterDrop(CDockPageBar* target, int triesLeft)
{
    if (target) {
        target->MergeBar(this);
        return;
    }
    // Dropped on the middle of a docked page bar, the main window puts the bar in a tab
    // group with it once the bar has slid into place: that is a drop on the bar too.
    QMainWindow* main = mainWindow();
    if (!main) return;
    if (isFloating()) {
        if (triesLeft > 0)
            QTimer::singleShot(kPlugCheckMs, this,
                               [this, triesLeft] { mergeAfterDrop(nullptr, triesLeft - 1); });
        return;
    }
    for (QDockWidget* dock : main->tabifiedDockWidgets(this)) {
        if (auto* bar = qobject_cast<CDockPageBar*>(dock)) {
            bar->MergeBar(this);
            return;
        }
    }
}

void CDockPageBar::showDropOutline(const CDockPageBar* target)
{
    static QPointer<QRubberBand> outline;
    if (!target) {
        if (outline) outline->hide();
        return;
    }
    if (!outline) outline = new QRubberBand(QRubberBand::Rectangle);
    outline->setGeometry(QRect(target->mapToGlobal(QPoint(0, 0)), target->size()));
    outline->show();
}

bool CDockPageBar::acceptsDrop(const QDropEvent* event) const
{
    const PageDrag& drag = pageDrag();
    return event->mimeData()->hasFormat(kPageMimeType) && drag.bar && drag.page &&
           DropZone().contains(event->position().toPoint());
}

void CDockPageBar::dragEnterEvent(QDragEnterEvent* event)
{
    // Taken in so that the moves come; only the drop zone accepts them.
    if (event->mimeData()->hasFormat(kPageMimeType))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CDockPageBar::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CDockPageBar::dropEvent(QDropEvent* event)
{
    if (!acceptsDrop(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    CDockPageBar* source = pageDrag().bar;
    QWidget* page = pageDrag().page;
    const int index = source->indexOf(page);
    if (source == this || index < 0) return;
    AdoptPage(source->takePage(index));
    SelectPage(indexOf(page));
}

void CDockPageBar::DragPage(int index)
{
    QWidget* page = PageAt(index);
    if (!page || PageCount() < 2) return;
    pageDrag() = PageDrag{this, page};
    auto* mime = new QMimeData;
    mime->setData(kPageMimeType, QByteArray());
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    const QRect tab = m_tabs->tabRect(index);
    drag->setPixmap(m_tabs->grab(tab));
    drag->setHotSpot(QPoint(tab.width() / 2, tab.height() / 2));

    const QPointer<CDockPageBar> self(this);
    const QPointer<QWidget> dragged(page);
    CDragCancelWatch watch;
    // Once the drag runs, so that the watch sees the keys and buttons before the drag does.
    QTimer::singleShot(0, &watch, [&watch] { qApp->installEventFilter(&watch); });
    const Qt::DropAction action = drag->exec(Qt::MoveAction);
    const bool cancelled = watch.cancelled;
    pageDrag() = PageDrag{};
    if (!self || !dragged || action != Qt::IgnoreAction || cancelled) return;
    const int at = indexOf(dragged);
    if (at >= 0) FloatPage(at, QCursor::pos());
}

CDockPageBar* CDockPageBar::FloatPage(int index, const QPoint& globalPos)
{
    QMainWindow* main = mainWindow();
    if (!main || index < 0 || index >= PageCount()) return nullptr;
    CDockPageBar* keeper = m_bMadeByDragging && m_owner ? m_owner.data() : this;
    auto* bar = new CDockPageBar(QStringLiteral("New Bar"), main);
    bar->m_bMadeByDragging = true;
    bar->m_owner = keeper;
    keeper->m_made.append(bar);
    bar->setAllowedAreas(allowedAreas());
    bar->setFeatures(features());
    main->addDockWidget(Qt::LeftDockWidgetArea, bar);
    bar->setFloating(true);
    const QSize size(std::max(width(), 150), std::max(height(), 150));
    bar->AdoptPage(takePage(index));
    bar->resize(size);
    bar->move(globalPos - QPoint(size.width() / 2, kFloatingTitleHeight / 2));
    bar->show();
    return bar;
}

bool CDockPageBar::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        // A press on the caption or the floating title may begin a drag onto another bar.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint pos = mouse->position().toPoint();
        m_bBarPressed =
            mouse->button() == Qt::LeftButton &&
            (isFloating() ? pos.y() < kFloatingTitleHeight : m_caption->geometry().contains(pos));
        m_dragOffset = mouse->globalPosition().toPoint() - this->pos();
        // The captions as they are now: the main window may move them to make room while the
        // bar is dragged.
        m_dropZones.clear();
        for (CDockPageBar* bar : std::as_const(allBars())) {
            const QRect zone = bar->DropZone();
            if (m_bBarPressed && bar != this && bar->isVisible())
                m_dropZones.push_back({bar, QRect(bar->mapToGlobal(zone.topLeft()), zone.size())});
        }
        break;
    }
    case QEvent::MouseMove: {
        if (!m_bBarPressed || !isFloating()) break;
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint global = mouse->globalPosition().toPoint();
        CDockPageBar* target = dropTargetAt(global);
        showDropOutline(target);
        if (!target) {
            const bool handled = QDockWidget::event(event);
            m_dragOffset = global - pos();
            return handled;
        }
        // Over another bar's caption: the main window is shown a point far from it, so that
        // it makes no room for the bar, and the bar follows the mouse by itself.
        const QPoint away(-100000, -100000);
        QMouseEvent elsewhere(QEvent::MouseMove, mapFromGlobal(away), away, away, Qt::NoButton,
                              mouse->buttons(), mouse->modifiers());
        QDockWidget::event(&elsewhere);
        move(global - m_dragOffset);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool barDrop = m_bBarPressed && mouse->button() == Qt::LeftButton && isFloating();
        const QPointer<CDockPageBar> target =
            barDrop ? dropTargetAt(mouse->globalPosition().toPoint()) : nullptr;
        m_bBarPressed = false;
        m_dropZones.clear();
        showDropOutline(nullptr);
        const bool handled = QDockWidget::event(event);
        if (barDrop)
            QTimer::singleShot(0, this, [this, target] { mergeAfterDrop(target, kPlugChecks); });
        return handled;
    }
    case QEvent::Show:
        if (m_bCollapsePending)
            QTimer::singleShot(0, this, [this] {
                if (m_bCollapsePending && !m_bPinned && isVisible() && !isFloating()) {
                    m_bCollapsePending = false;
                    collapse();
                    updateChrome();
                }
            });
        break;
    case QEvent::Hide:
        HideOut();
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (IsShownOut()) placeOutPanel();
        break;
    default:
        break;
    }
    return QDockWidget::event(event);
}

void CDockPageBar::SaveWindowLayout(QMainWindow& window, CProfile& profile)
{
    // Bars are stored at their full size; the names of the unpinned ones go alongside.
    QStringList unpinned;
    for (CDockPageBar* bar : window.findChildren<CDockPageBar*>()) {
        if (bar->IsPinned()) continue;
        unpinned << bar->objectName();
        bar->SetPinned(true);
    }
    profile.WriteProfileString(kLayoutSection, kGeometryEntry,
                               window.saveGeometry().toBase64().toStdString());
    profile.WriteProfileString(kLayoutSection, kStateEntry,
                               window.saveState().toBase64().toStdString());
    profile.WriteProfileString(kLayoutSection, kUnpinnedEntry,
                               unpinned.join(QLatin1Char(',')).toStdString());
}

void CDockPageBar::RestoreWindowLayout(QMainWindow& window, const CProfile& profile)
{
    const auto stored = [&profile](const char* entry) {
        return QByteArray::fromBase64(
            QByteArray::fromStdString(profile.GetProfileString(kLayoutSection, entry)));
    };
    if (const QByteArray geometry = stored(kGeometryEntry); !geometry.isEmpty())
        window.restoreGeometry(geometry);
    if (const QByteArray state = stored(kStateEntry); !state.isEmpty()) window.restoreState(state);
    const QString unpinned =
        QString::fromStdString(profile.GetProfileString(kLayoutSection, kUnpinnedEntry));
    for (const QString& name : unpinned.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (auto* bar = window.findChild<CDockPageBar*>(name)) bar->SetPinned(false);
    // A bar restored hidden before the window shows sends no visibility change of its own.
    for (CDockPageBar* bar : window.findChildren<CDockPageBar*>())
        emit bar->visibilityChanged(bar->isVisibleTo(&window));
}
