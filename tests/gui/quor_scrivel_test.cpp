// Editing with the bundled editor, as a user does it: Quor hands the article over, keys go
// to the editor's window, Ctrl+S saves, and Quor processes the file and shows the change.
#include "appglobals.h"
#include "catalogmodel.h"
#include "catalogtree.h"
#include "commandids.h"
#include "mainframe.h"
#include "lockkeys.h"
#include "missiontable.h"
#include "quorapp.h"
#include "quorprocess.h"
#include "quorview.h"
#include "pngpicture.h"
#include "testenv.h"
#include "xinput.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QWebEnginePage>

#include <httplib.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace {

const std::string kId = "070315142233042";

bool running(std::uint32_t pid)
{
    return pid != 0 && ::kill(static_cast<pid_t>(pid), 0) == 0;
}

class WithScrivel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The site the article's picture still comes from.
        const QByteArray png = PngPicture(Qt::blue);
        picture.assign(png.constData(), static_cast<std::size_t>(png.size()));
        site.Get("/pic.png", [this](const httplib::Request&, httplib::Response& res) { res.set_content(picture, "image/png"); });
        port = site.bind_to_any_port("127.0.0.1");
        serving = std::thread([this] { site.listen_after_bind(); });

        data = dir.file("data");
        std::filesystem::create_directories(data + "/070315");
        article = data + "/070315/" + kId + ".html";
        ASSERT_TRUE(WriteFile(article, "<HTML><HEAD><TITLE>Story</TITLE></HEAD><BODY><P>Story</P><IMG src=\"http://127.0.0.1:" +
                                           std::to_string(port) + "/pic.png\"></BODY></HTML>"));
        catalog = dir.file("lib.xml");
        ASSERT_TRUE(WriteFile(catalog, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" +
                                           data + "\"><DIR COMMENT=\"RECYCLE\"/><ARTICLE COMMENT=\"Story\" ID=\"" + kId +
                                           "\" FILE=\"" + kId + ".html\"/></DIR>\r\n"));
        g_szEditor = SCRIVEL_BINARY;
        ASSERT_TRUE(app.InitInstance({QStringLiteral("Quor"), QString::fromStdString(catalog)}));
        frame = app.MainFrame();
        frame->move(0, 0);
        ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(model()->Catalog().FindById(kId)); }, 20000));
        table.Init(QUOR_SHARE_DATA, 0, 0, false);
    }
    void TearDown() override
    {
        g_szEditor = DEFAULT_EDITOR;
        if (frame)
            frame->close();
        app.ExitInstance(0);
        for (std::uint32_t pid : editors)
            if (running(pid))
                ::kill(static_cast<pid_t>(pid), SIGKILL);
        site.stop();
        serving.join();
    }

    CCatalogModel* model() { return frame->GetCatalogTree()->CatalogModel(); }
    // Starts the editor on the article; its window handle (process id) once it holds slot 1.
    std::uint32_t startEditing()
    {
        frame->GetCatalogTree()->SelectNode(model()->Catalog().FindById(kId));
        frame->OnCommand(ID_ARTICLE_EDIT);
        std::uint32_t pid = 0;
        WaitUntil([&] { return table.Read() == 1 && (pid = table.GetSlot(1).window) != 0; }, 30000);
        editors.push_back(pid);
        return pid;
    }
    QString viewText()
    {
        QString text;
        bool done = false;
        frame->GetActiveView()->page()->toPlainText([&](const QString& t) {
            text = t;
            done = true;
        });
        WaitUntil([&] { return done; }, 5000);
        return text;
    }

    httplib::Server site;
    std::string picture;
    int port = 0;
    std::thread serving;
    TestFolder dir;
    std::string data, article, catalog;
    CQuorApp app;
    CMainFrame* frame = nullptr;
    CMissionTable table;
    std::vector<std::uint32_t> editors;
};

} // namespace

TEST_F(WithScrivel, TypedTextIsSavedProcessedAndShownAndClosingFreesTheSlot)
{
    const std::uint32_t editor = startEditing();
    ASSERT_NE(editor, 0u) << "the editor took the mission";
    std::optional<WindowPlace> place;
    ASSERT_TRUE(WaitUntil([&] { return (place = findWindow(QStringLiteral("Story - Scrivel"))).has_value(); }, 30000))
        << windowTree().toStdString();
    WaitUntil([] { return false; }, 3000); // the page loads

    // Into the text, at its end, as a user would; tried again when a busy machine lost keys.
    for (int attempt = 0; attempt < 4 && ReadFile(article).find("typedwords") == std::string::npos; ++attempt) {
        focusWindow(place->id);
        clickAt(place->x + place->width / 2, place->y + place->height / 2);
        WaitUntil([] { return false; }, 500);
        pressKeys({0xffe1}); // a first key after the click wakes the keyboard focus
        WaitUntil([] { return false; }, 300);
        pressKeys({0xffe3, 0xff57}); // Ctrl+End
        typeText("typedwords");
        pressKeys({0xffe3, 0x73}); // Ctrl+S
        WaitUntil([&] { return ReadFile(article).find("typedwords") != std::string::npos; }, 8000);
    }
    ASSERT_NE(ReadFile(article).find("typedwords"), std::string::npos) << ReadFile(article);

    // Quor heard of the save: the picture was fetched and linked locally, the view shows it.
    const std::string attach = data + "/070315/" + kId + "_files";
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(article).find(kId + "_files/") != std::string::npos; }, 20000))
        << ReadFile(article);
    EXPECT_EQ(table.Read(), 1);
    EXPECT_EQ(table.GetSlot(1).state, MISSION_SAVED);
    bool fetched = false;
    for (const auto& entry : std::filesystem::directory_iterator(attach))
        fetched = fetched || ReadFile(entry.path().string()) == picture;
    EXPECT_TRUE(fetched);
    EXPECT_TRUE(WaitUntil([&] { return viewText().contains(QStringLiteral("typedwords")); }, 20000))
        << viewText().toStdString();

    // Ctrl+W closes the editor (nothing unsaved): the slot is free again. A press that the
    // busy web view loses is made again while the editor still runs.
    bool closed = false;
    for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
        pressKeys({0xffe3, 0x77});
        closed = WaitUntil([&] { return !running(editor); }, 8000);
    }
    EXPECT_TRUE(closed);
    EXPECT_TRUE(WaitUntil([&] { return table.Read() == 1 && table.GetSlot(1).state == MISSION_FREE; }, 10000));
}

TEST_F(WithScrivel, ClosingQuorAsksTheEditorToClose)
{
    const std::uint32_t editor = startEditing();
    ASSERT_NE(editor, 0u);
    ASSERT_TRUE(WaitUntil([&] { return findWindow(QStringLiteral("Story - Scrivel")).has_value(); }, 30000));
    WaitUntil([] { return false; }, 2000);
    frame->close();
    frame = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return !running(editor); }, 20000)) << "an editor with nothing unsaved just closes";
}

TEST_F(WithScrivel, TheLockPanesFollowTheKeyboardAndF6MovesBetweenThePanes)
{
    auto* caps = frame->findChild<QLabel*>(QStringLiteral("lockPane0"));
    ASSERT_NE(caps, nullptr);
    ASSERT_TRUE(ReadLockKeys().has_value());
    const bool before = ReadLockKeys()->caps;
    for (const bool want : {!before, before}) {
        // Caps Lock, as from any program; pressed again when a busy server lost the key.
        for (int attempt = 0; attempt < 3 && ReadLockKeys()->caps != want; ++attempt) {
            pressKeys({0xffe5});
            WaitUntil([&] { return ReadLockKeys()->caps == want; }, 2000);
        }
        ASSERT_EQ(ReadLockKeys()->caps, want);
        EXPECT_TRUE(WaitUntil([&] { return caps->isEnabled() == want; }, 3000));
    }

    frame->activateWindow();
    frame->GetCatalogTree()->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return frame->GetCatalogTree()->hasFocus(); }, 3000));
    frame->OnCommand(ID_NEXT_PANE);
    EXPECT_TRUE(WaitUntil([&] { return frame->GetActiveView()->isAncestorOf(QApplication::focusWidget()) ||
                                       frame->GetActiveView()->hasFocus(); },
                          3000));
    frame->OnCommand(ID_PREV_PANE);
    EXPECT_TRUE(WaitUntil([&] { return frame->GetCatalogTree()->hasFocus(); }, 3000));
}
