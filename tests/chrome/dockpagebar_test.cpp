// The dock page bar in a main window on an X server, driven through the server's test
// extension as a user drives it: tabs dragged along the strip and out of the bar, a bar
// dragged onto another's caption, the caption's buttons, the pin, and the kept layout.
#include "autohidestrip.h"
#include "dockcaption.h"
#include "dockpagebar.h"
#include "pagetabbar.h"
#include "profile.h"
#include "waituntil.h"
#include "xinput.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QPointer>
#include <QProcess>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

class XPointer
{
public:
    XPointer()
        : m_c(xcb_connect(nullptr, nullptr)),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root)
    {
    }
    ~XPointer() { xcb_disconnect(m_c); }
    XPointer(const XPointer&) = delete;
    XPointer& operator=(const XPointer&) = delete;

    void move(const QPoint& p)
    {
        xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root,
                            static_cast<std::int16_t>(p.x()), static_cast<std::int16_t>(p.y()), 0);
        xcb_flush(m_c);
    }
    // Button 1 is the left button, 3 the right one.
    void press(std::uint8_t button = 1) { fake(XCB_BUTTON_PRESS, button); }
    void release(std::uint8_t button = 1) { fake(XCB_BUTTON_RELEASE, button); }

private:
    void fake(std::uint8_t type, std::uint8_t button)
    {
        xcb_test_fake_input(m_c, type, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root;
};

// Runs the steps one at a time from a timer, so that they go on inside a drag's own event
// loop as well; true when all ran.
bool runSteps(std::vector<std::function<void()>> steps)
{
    std::size_t next = 0;
    QTimer timer;
    timer.setInterval(40);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (next < steps.size()) steps[next++]();
    });
    timer.start();
    const bool done = WaitUntil([&] { return next == steps.size(); }, 30000);
    WaitUntil([] { return false; }, 300); // the last events settle
    return done;
}

// Press at the first point, move through the others in small steps, let go.
bool dragPointer(XPointer& pointer, const std::vector<QPoint>& path, int steps = 20)
{
    std::vector<std::function<void()>> script{[&] { pointer.move(path.front()); },
                                              [&] { pointer.press(); },
                                              [&] { pointer.move(path.front() + QPoint(0, 1)); }};
    for (std::size_t leg = 1; leg < path.size(); ++leg) {
        const QPoint from = path[leg - 1];
        const QPoint to = path[leg];
        for (int i = 1; i <= steps; ++i) {
            const QPoint p = from + (to - from) * i / steps;
            script.push_back([&pointer, p] { pointer.move(p); });
        }
    }
    script.push_back([&] { pointer.release(); });
    return runSteps(std::move(script));
}

bool dragPointer(XPointer& pointer, const QPoint& from, const QPoint& to, int steps = 20)
{
    return dragPointer(pointer, std::vector<QPoint>{from, to}, steps);
}

void clickAt(XPointer& pointer, const QPoint& p)
{
    runSteps({[&] { pointer.move(p); }, [&] { pointer.press(); }, [&] { pointer.release(); }});
}

// A picture of the screen for a person to look at, when QUOR_DOCK_SCREENSHOTS names a folder.
void screenshot(const char* name)
{
    const QString folder = qEnvironmentVariable("QUOR_DOCK_SCREENSHOTS");
    if (folder.isEmpty()) return;
    WaitUntil([] { return false; }, 300);
    QProcess::execute(
        QStringLiteral("import"),
        {QStringLiteral("-window"), QStringLiteral("root"),
         folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png")});
}

QPoint globalCenter(const QWidget* widget, const QRect& rect)
{
    return widget->mapToGlobal(rect.center());
}

std::vector<CDockPageBar*> barsOf(const QMainWindow& window)
{
    std::vector<CDockPageBar*> bars;
    for (CDockPageBar* bar : window.findChildren<CDockPageBar*>())
        bars.push_back(bar);
    return bars;
}

class DockBar : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setGeometry(40, 40, 900, 600);
        central = new QTextEdit;
        window.setCentralWidget(central);
        bar = new CDockPageBar(QStringLiteral("DockPageBar"), &window);
        bar->setAllowedAreas(Qt::AllDockWidgetAreas);
        catalog = new QListWidget;
        catalog->addItems({QStringLiteral("笔记"), QStringLiteral("收藏")});
        notes = new QLabel(QStringLiteral("notes page"));
        bar->AppendPage(catalog, QStringLiteral("CATALOG"),
                        window.style()->standardIcon(QStyle::SP_DirIcon));
        window.addDockWidget(Qt::LeftDockWidgetArea, bar);
        window.resizeDocks({bar}, {230}, Qt::Horizontal);
        window.show();
        ASSERT_TRUE(WaitUntil(
            [this] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000));
        // With no window manager the window takes the keyboard only when asked.
        window.activateWindow();
        ASSERT_TRUE(WaitUntil([this] { return QApplication::activeWindow() == &window; }, 5000));
        WaitUntil([] { return false; }, 200);
    }

    void addNotes()
    {
        bar->AppendPage(notes, QStringLiteral("Notes"));
        WaitUntil([] { return false; }, 100);
    }

    QMainWindow window;
    XPointer pointer;
    QTextEdit* central = nullptr;
    CDockPageBar* bar = nullptr;
    QPointer<QListWidget> catalog;
    QPointer<QLabel> notes;
};

TEST_F(DockBar, OnePageHasNoTabStripAndTwoPagesHaveOne)
{
    EXPECT_FALSE(bar->TabBar()->isVisible());
    EXPECT_EQ(bar->ActivePage(), catalog);
    EXPECT_EQ(catalog->geometry().height(), catalog->parentWidget()->height());
    EXPECT_EQ(bar->Caption()->Text(), QStringLiteral("CATALOG"));
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("CATALOG"));
    EXPECT_EQ(bar->titleBarWidget(), bar->Caption());
    screenshot("one-page");

    addNotes();
    EXPECT_TRUE(bar->TabBar()->isVisible());
    EXPECT_EQ(bar->ActivePage(), catalog); // the first page stays current
    EXPECT_EQ(bar->widget()->height() - catalog->parentWidget()->height(), 27);
    bar->SelectPage(1);
    EXPECT_EQ(bar->ActivePage(), notes);
    EXPECT_EQ(bar->Caption()->Text(), QStringLiteral("Notes"));
    EXPECT_TRUE(notes->isVisible());
    EXPECT_FALSE(catalog->isVisible());
    bar->SelectPage(0);
    screenshot("two-pages");
}

TEST_F(DockBar, TabsShareANarrowStripAfterAResize)
{
    addNotes();
    bar->AppendPage(new QLabel, QStringLiteral("A page with a rather long title"));
    window.resizeDocks({bar}, {120}, Qt::Horizontal);
    ASSERT_TRUE(WaitUntil([this] { return bar->width() < 140; }, 5000));
    const CPageTabBar* tabs = bar->TabBar();
    const std::vector<int> advances = tabs->TabAdvances();
    ASSERT_EQ(advances.size(), 3u);
    EXPECT_LE(std::accumulate(advances.begin(), advances.end(), 0), tabs->width());
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_EQ(tabs->tabRect(i).width(), advances[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(tabs->tabRect(2).right(),
              tabs->tabRect(0).width() + tabs->tabRect(1).width() + advances[2] - 1);
}

TEST_F(DockBar, DraggingATabAlongTheStripReordersThePages)
{
    addNotes();
    const CPageTabBar* tabs = bar->TabBar();
    ASSERT_TRUE(dragPointer(pointer, globalCenter(tabs, tabs->tabRect(0)),
                            globalCenter(tabs, tabs->tabRect(1)) +
                                QPoint(tabs->tabRect(1).width() / 2, 0)));
    ASSERT_TRUE(WaitUntil([this] { return bar->PageAt(0) == notes; }, 3000));
    EXPECT_EQ(bar->PageAt(1), catalog);
    EXPECT_EQ(bar->PageTitle(1), QStringLiteral("CATALOG"));
    EXPECT_EQ(bar->ActivePage(), catalog);
    EXPECT_EQ(barsOf(window).size(), 1u);
}

class DockBarDragOut : public DockBar
{
protected:
    // Drags the notes tab out of the bar onto the empty screen; the new bar there.
    CDockPageBar* dragNotesOut()
    {
        bar->SelectPage(1);
        const CPageTabBar* tabs = bar->TabBar();
        if (!dragPointer(pointer, globalCenter(tabs, tabs->tabRect(1)), QPoint(1100, 200), 30))
            return nullptr;
        CDockPageBar* newBar = nullptr;
        WaitUntil(
            [&] {
                for (CDockPageBar* b : barsOf(window))
                    if (b != bar && b->isVisible()) newBar = b;
                return newBar != nullptr;
            },
            5000);
        return newBar;
    }

    void expectBothPagesBack()
    {
        ASSERT_EQ(bar->PageCount(), 2);
        EXPECT_EQ(bar->PageAt(0), catalog);
        EXPECT_EQ(bar->PageAt(1), notes);
        EXPECT_TRUE(catalog && notes);
        EXPECT_TRUE(bar->isAncestorOf(notes));
        EXPECT_TRUE(bar->TabBar()->isVisible());
        EXPECT_EQ(barsOf(window).size(), 1u);
        EXPECT_FALSE(bar->isFloating());
        EXPECT_EQ(window.dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    }
};

TEST_F(DockBarDragOut, APageDraggedOutGoesToANewFloatingBar)
{
    addNotes();
    CDockPageBar* newBar = dragNotesOut();
    ASSERT_NE(newBar, nullptr);
    EXPECT_EQ(newBar->BarTitle(), QStringLiteral("New Bar"));
    EXPECT_TRUE(newBar->IsMadeByDragging());
    EXPECT_TRUE(newBar->isFloating());
    EXPECT_EQ(newBar->titleBarWidget(), nullptr); // the floating window's own title bar
    ASSERT_EQ(newBar->PageCount(), 1);
    EXPECT_EQ(newBar->ActivePage(), notes);
    EXPECT_EQ(newBar->windowTitle(), QStringLiteral("Notes"));
    EXPECT_TRUE(notes->isVisible());
    EXPECT_TRUE(newBar->geometry().contains(QPoint(1100, 200)));
    EXPECT_NE(newBar->objectName(), bar->objectName());
    EXPECT_EQ(bar->PageCount(), 1);
    EXPECT_EQ(bar->ActivePage(), catalog);
    EXPECT_FALSE(bar->TabBar()->isVisible());
    screenshot("dragged-out");
}

TEST_F(DockBarDragOut, TheNewBarDroppedOnTheCaptionGivesItsPageBack)
{
    addNotes();
    const QPointer<CDockPageBar> newBar = dragNotesOut();
    ASSERT_TRUE(newBar);
    // Along the caption from the window's middle, as a user aims at it.
    const QPoint caption = bar->Caption()->mapToGlobal(QPoint(60, 9));
    ASSERT_TRUE(dragPointer(
        pointer, {newBar->mapToGlobal(QPoint(30, 8)), QPoint(600, caption.y()), caption}));
    ASSERT_TRUE(WaitUntil([&] { return newBar.isNull(); }, 5000));
    expectBothPagesBack();
}

TEST_F(DockBarDragOut, TheNewBarDroppedOnTheMiddleOfTheBarGivesItsPageBack)
{
    addNotes();
    const QPointer<CDockPageBar> newBar = dragNotesOut();
    ASSERT_TRUE(newBar);
    // The main window offers to put it in a tab group with the bar: it joins the bar instead.
    ASSERT_TRUE(dragPointer(pointer, newBar->mapToGlobal(QPoint(30, 8)),
                            bar->mapToGlobal(bar->rect().center())));
    ASSERT_TRUE(WaitUntil([&] { return newBar.isNull(); }, 5000));
    expectBothPagesBack();
}

TEST_F(DockBarDragOut, TheBarTheProgramMadeKeepsThePagesWhenDroppedOnANewBar)
{
    addNotes();
    const QPointer<CDockPageBar> newBar = dragNotesOut();
    ASSERT_TRUE(newBar);
    // The program's bar dragged by its caption onto the new bar's title.
    ASSERT_TRUE(dragPointer(pointer, bar->Caption()->mapToGlobal(QPoint(60, 9)),
                            newBar->mapToGlobal(QPoint(40, 8))));
    ASSERT_TRUE(WaitUntil([&] { return newBar.isNull(); }, 5000));
    ASSERT_EQ(bar->PageCount(), 2);
    EXPECT_EQ(bar->PageAt(0), notes); // the target's pages first
    EXPECT_EQ(bar->PageAt(1), catalog);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(barsOf(window).size(), 1u);
}

TEST_F(DockBar, APageDroppedOnAnotherBarsCaptionJoinsItsTabs)
{
    addNotes();
    auto* other = new CDockPageBar(QStringLiteral("Other"), &window);
    auto* third = new QLabel(QStringLiteral("third"));
    other->AppendPage(third, QStringLiteral("Third"));
    window.addDockWidget(Qt::RightDockWidgetArea, other);
    WaitUntil([] { return false; }, 200);

    const CPageTabBar* tabs = bar->TabBar();
    ASSERT_TRUE(dragPointer(pointer, globalCenter(tabs, tabs->tabRect(1)),
                            other->Caption()->mapToGlobal(QPoint(40, 9)), 40));
    ASSERT_TRUE(WaitUntil([&] { return other->PageCount() == 2; }, 5000));
    EXPECT_EQ(other->PageAt(1), notes);
    EXPECT_EQ(other->ActivePage(), notes);
    EXPECT_EQ(bar->PageCount(), 1);
    EXPECT_EQ(barsOf(window).size(), 2u); // no new bar
    // The bar the program made keeps its last page's bar alive even when dropped elsewhere.
    EXPECT_TRUE(bar->isVisible());
}

TEST_F(DockBar, EscapeOrTheRightButtonDuringAPageDragLeavesThePageWhereItWas)
{
    addNotes();
    auto* other = new CDockPageBar(QStringLiteral("Other"), &window);
    other->AppendPage(new QLabel(QStringLiteral("third")), QStringLiteral("Third"));
    window.addDockWidget(Qt::RightDockWidgetArea, other);
    WaitUntil([] { return false; }, 200);
    const CPageTabBar* tabs = bar->TabBar();
    const QPoint from = globalCenter(tabs, tabs->tabRect(1));
    const QPoint otherCaption = other->Caption()->mapToGlobal(QPoint(40, 9));
    xcb_connection_t* keyboard = xcb_connect(nullptr, nullptr);
    const xcb_keycode_t escape = keycodeOf(keyboard, 0xff1b);
    ASSERT_NE(escape, 0);
    const std::function<void()> cancels[] = {[&] {
                                                 fakeKey(keyboard, escape, true);
                                                 fakeKey(keyboard, escape, false);
                                                 xcb_flush(keyboard);
                                             },
                                             [&] {
                                                 pointer.press(3);
                                                 pointer.release(3);
                                             }};
    for (const auto& cancel : cancels) {
        // Out of the bar and onto the other bar's caption, where letting go would drop the
        // page; cancelled there, and let go.
        std::vector<std::function<void()>> steps{[&] { pointer.move(from); },
                                                 [&] { pointer.press(); }};
        const QPoint out = from + QPoint(0, -100);
        for (int i = 1; i <= 5; ++i)
            steps.push_back([&, i] { pointer.move(from + (out - from) * i / 5); });
        for (int i = 1; i <= 10; ++i)
            steps.push_back([&, i] { pointer.move(out + (otherCaption - out) * i / 10); });
        steps.push_back(cancel);
        steps.push_back([&] { pointer.move(otherCaption + QPoint(5, 0)); });
        steps.push_back([&] { pointer.release(); });
        ASSERT_TRUE(runSteps(std::move(steps)));
        EXPECT_EQ(bar->PageCount(), 2);
        EXPECT_EQ(bar->PageAt(1), notes);
        EXPECT_EQ(other->PageCount(), 1);
        EXPECT_EQ(barsOf(window).size(), 2u);
    }
    xcb_disconnect(keyboard);
}

TEST_F(DockBar, CloseHidesTheBarAndShowingItBringsItBack)
{
    std::vector<bool> seen;
    QObject::connect(bar, &QDockWidget::visibilityChanged,
                     [&](bool visible) { seen.push_back(visible); });
    const CDockCaption* caption = bar->Caption();
    clickAt(pointer, globalCenter(caption, caption->CloseButtonRect()));
    ASSERT_TRUE(WaitUntil([&] { return !bar->isVisible(); }, 3000));
    ASSERT_FALSE(seen.empty());
    EXPECT_FALSE(seen.back());
    bar->setVisible(true); // what the main window's command does
    ASSERT_TRUE(WaitUntil([&] { return bar->isVisible(); }, 3000));
    EXPECT_TRUE(seen.back());
    EXPECT_TRUE(catalog->isVisible());
}

TEST_F(DockBar, TheCaptionIsActiveWhileTheFocusIsInTheBar)
{
    catalog->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return bar->Caption()->IsActive(); }, 3000));
    screenshot("active");
    central->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return !bar->Caption()->IsActive(); }, 3000));
}

TEST_F(DockBar, UnpinnedTheBarHidesAtTheEdgeAndComesOutOverTheWindow)
{
    addNotes();
    const int fullWidth = bar->width();
    const CDockCaption* caption = bar->Caption();
    clickAt(pointer, globalCenter(caption, caption->PinButtonRect()));
    ASSERT_TRUE(WaitUntil([&] { return !bar->IsPinned() && bar->width() <= 30; }, 3000));
    EXPECT_TRUE(bar->Strip()->isVisible());
    EXPECT_FALSE(catalog->isVisible());
    EXPECT_GT(central->mapToGlobal(QPoint(0, 0)).x(), bar->mapToGlobal(QPoint(0, 0)).x());
    EXPECT_LT(central->mapToGlobal(QPoint(0, 0)).x(), bar->mapToGlobal(QPoint(0, 0)).x() + 40);
    screenshot("unpinned");

    // Out while the mouse is over it, back when it leaves.
    pointer.move(bar->Strip()->mapToGlobal(QPoint(12, 200)));
    ASSERT_TRUE(WaitUntil([&] { return bar->IsShownOut(); }, 3000));
    const QFrame* panel = bar->OutPanel();
    EXPECT_EQ(panel->width(), fullWidth);
    EXPECT_EQ(panel->mapToGlobal(QPoint(0, 0)).x(),
              bar->Strip()->mapToGlobal(QPoint(bar->Strip()->width(), 0)).x());
    EXPECT_TRUE(catalog->isVisible());
    screenshot("shown-out");
    pointer.move(central->mapToGlobal(QPoint(400, 300)));
    ASSERT_TRUE(WaitUntil([&] { return !bar->IsShownOut(); }, 3000));

    // A click on a page's button brings that page out with the focus; it stays until the
    // focus goes elsewhere.
    clickAt(pointer, bar->Strip()->mapToGlobal(bar->Strip()->ItemRect(1).center()));
    ASSERT_TRUE(WaitUntil([&] { return bar->IsShownOut(); }, 3000));
    EXPECT_EQ(bar->ActivePage(), notes);
    pointer.move(central->mapToGlobal(QPoint(400, 300)));
    WaitUntil([] { return false; }, 800);
    EXPECT_TRUE(bar->IsShownOut());
    clickAt(pointer, central->mapToGlobal(QPoint(400, 300)));
    ASSERT_TRUE(WaitUntil([&] { return !bar->IsShownOut(); }, 3000));

    // The pin on the bar that came out docks it again at its full width.
    pointer.move(bar->Strip()->mapToGlobal(QPoint(12, 300)));
    ASSERT_TRUE(WaitUntil([&] { return bar->IsShownOut(); }, 3000));
    clickAt(pointer, globalCenter(caption, caption->PinButtonRect()));
    ASSERT_TRUE(WaitUntil([&] { return bar->IsPinned(); }, 3000));
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == fullWidth; }, 3000)) << bar->width();
    EXPECT_EQ(bar->titleBarWidget(), caption);
    EXPECT_TRUE(caption->isVisible());
    EXPECT_TRUE(notes->isVisible());
    EXPECT_FALSE(bar->OutPanel()->isVisible());
}

TEST_F(DockBar, TheWindowLayoutIsKeptInTheSettings)
{
    CProfile profile("QuorTest", "DockBar");
    const int fullWidth = bar->width();
    const QRect geometry = window.geometry();
    CDockPageBar::SaveWindowLayout(window, profile);

    window.addDockWidget(Qt::RightDockWidgetArea, bar);
    window.resizeDocks({bar}, {320}, Qt::Horizontal);
    window.setGeometry(100, 100, 700, 500);
    ASSERT_TRUE(WaitUntil([&] { return window.width() == 700; }, 3000));
    CDockPageBar::RestoreWindowLayout(window, profile);
    ASSERT_TRUE(WaitUntil([&] { return window.geometry() == geometry; }, 3000))
        << window.geometry().x();
    EXPECT_EQ(window.dockWidgetArea(bar), Qt::LeftDockWidgetArea);
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == fullWidth; }, 3000)) << bar->width();

    // An unpinned bar is stored at its full size and comes back unpinned.
    bar->SetPinned(false);
    ASSERT_TRUE(WaitUntil([&] { return bar->width() <= 30; }, 3000));
    CDockPageBar::SaveWindowLayout(window, profile);
    EXPECT_TRUE(bar->IsPinned());
    CDockPageBar::RestoreWindowLayout(window, profile);
    ASSERT_TRUE(WaitUntil([&] { return !bar->IsPinned() && bar->width() <= 30; }, 3000));
    bar->SetPinned(true);
    ASSERT_TRUE(WaitUntil([&] { return bar->width() == fullWidth; }, 3000)) << bar->width();

    // A floating bar comes back floating, with no caption band.
    bar->setFloating(true);
    ASSERT_TRUE(WaitUntil([&] { return bar->titleBarWidget() == nullptr; }, 3000));
    CDockPageBar::SaveWindowLayout(window, profile);
    bar->setFloating(false);
    ASSERT_TRUE(WaitUntil([&] { return bar->titleBarWidget() == bar->Caption(); }, 3000));
    CDockPageBar::RestoreWindowLayout(window, profile);
    ASSERT_TRUE(
        WaitUntil([&] { return bar->isFloating() && bar->titleBarWidget() == nullptr; }, 3000));
}

} // namespace
