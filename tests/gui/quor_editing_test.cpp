// Editing from the main window: the edit command's checks, the editor's notices and the
// close notice, on the real frame with its published mission table.
#include "appglobals.h"
#include "catalogmodel.h"
#include "catalogtree.h"
#include "commandids.h"
#include "editorwindowsdlg.h"
#include "finddlg.h"
#include "mainframe.h"
#include "messagebox.h"
#include "missiontable.h"
#include "profile.h"
#include "quorapp.h"
#include "quorprocess.h"
#include "storage.h"
#include "testenv.h"
#include "windowmessage.h"
#include "windowmessagelistener.h"

#include <gtest/gtest.h>

#include <httplib.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QListWidget>
#include <QTimer>
#include <QStringList>

#include <filesystem>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kId = "070315142233042";
const std::string kPdfId = "070315142233043";

class Editing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        data = dir.file("data");
        std::filesystem::create_directories(data + "/070315");
        article = data + "/070315/" + kId + ".html";
        ASSERT_TRUE(WriteFile(article, "<p onclick=\"x()\">Story<script>alert(1)</script></p>"));
        ASSERT_TRUE(WriteFile(data + "/070315/" + kPdfId + ".pdf", "%PDF-1.4"));
        catalog = dir.file("lib.xml");
        ASSERT_TRUE(WriteFile(catalog, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" +
                                           data + "\"><DIR COMMENT=\"RECYCLE\"/><DIR COMMENT=\"Notes\"/>"
                                           "<ARTICLE COMMENT=\"Story\" ID=\"" + kId + "\" FILE=\"" + kId + ".html\"/>"
                                           "<ARTICLE COMMENT=\"Paper\" ID=\"" + kPdfId + "\" FILE=\"" + kPdfId + ".pdf\"/>"
                                           "</DIR>\r\n"));
        // An editor that only says it ran.
        editor = dir.file("stub-editor");
        ASSERT_TRUE(WriteFile(editor, "#!/bin/sh\ntouch '" + dir.file("editor-ran") + "'\n"));
        ::chmod(editor.c_str(), 0755);
        g_szEditor = editor;
        TakeAnsweredMessageBoxes();

        ASSERT_TRUE(app.InitInstance({QStringLiteral("Quor"), QString::fromStdString(catalog)}));
        frame = app.MainFrame();
        ASSERT_TRUE(WaitUntil([&] { return static_cast<bool>(model()->Catalog().FindById(kId)); }, 20000));
        peer.Init(QUOR_SHARE_DATA, 0, 0, false);
    }
    void TearDown() override
    {
        g_szEditor = DEFAULT_EDITOR;
        if (frame) {
            QueueMessageBoxAnswer(MsgResult::No);
            frame->close();
        }
        app.ExitInstance(0);
    }

    CCatalogModel* model() { return frame->GetCatalogTree()->CatalogModel(); }
    void select(const std::string& id)
    {
        frame->GetCatalogTree()->SelectNode(model()->Catalog().FindById(id));
    }
    // The edit command; the message boxes it showed.
    QStringList edit()
    {
        for (int i = 0; i < 3; ++i)
            QueueMessageBoxAnswer(MsgResult::Ok);
        frame->OnCommand(ID_ARTICLE_EDIT);
        const QStringList shown = TakeAnsweredMessageBoxes();
        while (!TakeAnsweredMessageBoxes().isEmpty()) {
        }
        return shown;
    }
    std::vector<int> busySlots()
    {
        peer.Read();
        std::vector<int> busy;
        for (int i = 1; i < MISSION_COUNT; ++i)
            if (peer.GetSlot(i).state != MISSION_FREE)
                busy.push_back(i);
        return busy;
    }

    TestFolder dir;
    std::string data, article, catalog, editor;
    CQuorApp app;
    CMainFrame* frame = nullptr;
    CMissionTable peer;
};

} // namespace

TEST_F(Editing, TheEditCommandReservesASlotOnlyWhenTheEditorCanStart)
{
    frame->GetCatalogTree()->SelectNode(model()->Catalog().Root().GetChild(1)); // "Notes"
    EXPECT_TRUE(edit().isEmpty()) << "a folder is not edited";

    select(kPdfId);
    EXPECT_EQ(edit(), QStringList{QStringLiteral("Only Edit HTMLdocument!")});
    EXPECT_TRUE(busySlots().empty()) << "a command that stops frees what it took";

    select(kId);
    g_szEditor = "NoSuchEditorAnywhere";
    EXPECT_EQ(edit(), QStringList{QStringLiteral("Cann't find editor!")});
    EXPECT_TRUE(busySlots().empty());
    EXPECT_FALSE(Exists(dir.file("editor-ran")));

    g_szEditor = editor;
    EXPECT_TRUE(edit().isEmpty());
    ASSERT_EQ(busySlots(), std::vector<int>{1});
    const EditMission m = peer.GetSlot(1);
    EXPECT_EQ(m.state, MISSION_EDITING);
    EXPECT_EQ(m.window, 0u);
    EXPECT_EQ(m.id, kId);
    EXPECT_EQ(m.file, kId + ".html");
    EXPECT_EQ(m.path, article);
    EXPECT_EQ(m.attachDir, kId + "_files");
    EXPECT_EQ(m.title, "Story");
    EXPECT_TRUE(std::filesystem::is_directory(data + "/070315/" + kId + "_files"));
    EXPECT_TRUE(WaitUntil([&] { return Exists(dir.file("editor-ran")); }, 10000));

    // Editing the same article again takes the next slot.
    EXPECT_TRUE(edit().isEmpty());
    EXPECT_EQ(busySlots(), (std::vector<int>{1, 2}));
}

TEST_F(Editing, FortyNineBusySlotsRefuseAFurtherEditAndAFreedSlotIsTakenAgain)
{
    peer.Read();
    for (int i = 1; i < MISSION_COUNT; ++i)
        peer.SetSlot(i, EditMission{MISSION_SAVED, 5000u + static_cast<unsigned>(i), 0, "x", "x.html", "/x.html", "x_files", "x"});
    ASSERT_EQ(peer.Write(), 1);
    const auto before = peer.Bytes();

    select(kId);
    EXPECT_EQ(edit(), QStringList{QStringLiteral("Too many editing missions!")});
    peer.Read();
    EXPECT_EQ(peer.Bytes(), before);

    // Slot 5's editor says it is done, through the window's socket.
    ASSERT_TRUE(PostWindowMessage(frame->WindowHandle(), WM_EDITOR_NOTIFY, EDITOR_CLOSED, 5));
    ASSERT_TRUE(WaitUntil([&] { return busySlots().size() == 48; }, 5000));
    EXPECT_TRUE(edit().isEmpty());
    peer.Read();
    EXPECT_EQ(peer.GetSlot(5).id, kId);
    EXPECT_EQ(peer.GetSlot(5).state, MISSION_EDITING);
}

TEST_F(Editing, ASaveNoticeReprocessesTheFileAndForgedNoticesChangeNothing)
{
    select(kId);
    ASSERT_TRUE(edit().isEmpty());
    frame->GetCatalogTree()->SelectNode(model()->Catalog().Root()); // the article is not the one shown
    const std::string original = ReadFile(article);

    for (qint32 slot : {0, -1, 50, 2, 49})
        EXPECT_EQ(frame->OnEditorNotify(EDITOR_SAVED, slot), 0) << slot;
    EXPECT_EQ(frame->OnEditorNotify(7, 1), 0);
    EXPECT_EQ(frame->OnEditorNotify(EDITOR_CLOSED, 2), 0) << "a free slot";

    // A mission whose article left the catalog.
    peer.Read();
    peer.SetSlot(3, EditMission{MISSION_EDITING, 4242, 0, "990101000000000", "gone.html", article, "gone_files", "Gone"});
    peer.Write();
    const auto withGone = peer.Bytes();
    EXPECT_EQ(frame->OnEditorNotify(EDITOR_SAVED, 3), 0);
    peer.Read();
    EXPECT_EQ(peer.Bytes(), withGone);
    EXPECT_EQ(ReadFile(article), original);

    EXPECT_EQ(frame->OnEditorNotify(EDITOR_SAVED, 1), 1);
    peer.Read();
    EXPECT_EQ(peer.GetSlot(1).state, MISSION_SAVED);
    const std::string cleaned = ReadFile(article);
    EXPECT_NE(cleaned.find("Story"), std::string::npos) << cleaned;
    EXPECT_EQ(cleaned.find("alert"), std::string::npos) << cleaned;
    EXPECT_EQ(cleaned.find("onclick"), std::string::npos) << cleaned;
}

TEST_F(Editing, ClosingQuorAsksEveryBusyEditorWindowAndNoOther)
{
    struct Heard
    {
        CWindowMessageListener listener;
        std::vector<std::array<qint64, 3>> messages;
    };
    Heard busy, free, saved;
    for (auto [heard, handle] : {std::pair{&busy, 910001u}, std::pair{&free, 910002u}, std::pair{&saved, 910003u}}) {
        ASSERT_TRUE(heard->listener.Listen(handle));
        QObject::connect(&heard->listener, &CWindowMessageListener::messagePosted,
                         [heard](quint32 m, quint32 w, qint32 l) { heard->messages.push_back({m, w, l}); });
    }
    peer.Read();
    peer.SetSlot(3, EditMission{MISSION_EDITING, 910001, 0, "a", "a.html", "/a.html", "a_files", "a"});
    peer.SetSlot(4, EditMission{MISSION_FREE, 910002, 0, "b", "b.html", "/b.html", "b_files", "b"});
    peer.SetSlot(40, EditMission{MISSION_SAVED, 910003, 0, "c", "c.html", "/c.html", "c_files", "c"});
    ASSERT_EQ(peer.Write(), 1);

    frame->close();
    frame = nullptr;
    WaitUntil([&] { return busy.messages.size() + saved.messages.size() >= 2; }, 3000);
    WaitUntil([] { return false; }, 300);
    using Msg = std::array<qint64, 3>;
    EXPECT_EQ(busy.messages, (std::vector<Msg>{{WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0}}));
    EXPECT_EQ(saved.messages, (std::vector<Msg>{{WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0}}));
    EXPECT_TRUE(free.messages.empty());
}

namespace {

// Chooses the row in the Windows dialog once it shows, and presses OK.
void chooseInWindowsDialog(int row)
{
    QTimer::singleShot(200, [row] {
        auto* dialog = qobject_cast<CEditorWindowsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->findChild<QListWidget*>()->setCurrentRow(row);
        dialog->accept();
    });
}

} // namespace

TEST_F(Editing, TheWindowsDialogRaisesTheChosenEditorAndEndsAMissionWhoseEditorIsGone)
{
    CWindowMessageListener live;
    ASSERT_TRUE(live.Listen(920001));
    std::vector<std::array<qint64, 3>> heard;
    QObject::connect(&live, &CWindowMessageListener::messagePosted,
                     [&](quint32 m, quint32 w, qint32 l) { heard.push_back({m, w, l}); });
    peer.Read();
    peer.SetSlot(6, EditMission{MISSION_EDITING, 920001, 0, "a", "a.html", "/a.html", "a_files", "Live"});
    peer.SetSlot(9, EditMission{MISSION_SAVED, 920002, 0, "b", "b.html", "/b.html", "b_files", "Crashed"});
    ASSERT_EQ(peer.Write(), 1);

    chooseInWindowsDialog(0);
    frame->OnCommand(ID_EDITOR_WINDOWS);
    ASSERT_TRUE(WaitUntil([&] { return !heard.empty(); }, 3000));
    using Msg = std::array<qint64, 3>;
    EXPECT_EQ(heard, (std::vector<Msg>{{WM_EDITOR_NOTIFY, EDITOR_ACTIVATE, 6}}));

    // The second editor crashed: nobody listens for it. The user may end its mission.
    chooseInWindowsDialog(1);
    QueueMessageBoxAnswer(MsgResult::Yes);
    frame->OnCommand(ID_EDITOR_WINDOWS);
    EXPECT_EQ(TakeAnsweredMessageBoxes().size(), 1);
    EXPECT_EQ(busySlots(), std::vector<int>{6});
}

namespace {

using Frame = Editing; // the same window on the same catalog

} // namespace

TEST_F(Frame, ANewFolderIsShownAndNamedAtOnceAndTheRenameIsSavedIntoTheOpenedCatalog)
{
    CCatalogTree* tree = frame->GetCatalogTree();
    select(kId); // an article: the folder goes after it in its folder
    const QModelIndex notes = model()->IndexOf(model()->Catalog().Root().GetChild(1));
    tree->setCurrentIndex(notes);
    tree->collapse(notes);
    frame->OnCommand(ID_FOLDER_NEW);
    const QModelIndex added = tree->currentIndex();
    ASSERT_TRUE(added.isValid());
    EXPECT_EQ(added.parent(), notes);
    EXPECT_TRUE(tree->isExpanded(notes));

    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("\u65B0\u540D"));
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] { return added.data().toString() == QStringLiteral("\u65B0\u540D"); }, 2000));
    WaitUntil([] { return false; }, 200); // the change is announced from the event loop
    frame->OnCommand(ID_FILE_SAVE);
    EXPECT_NE(ReadFile(catalog).find("COMMENT=\"\xD0\xC2\xC3\xFB\""), std::string::npos) << ReadFile(catalog);

    CFindDlg find;
    EXPECT_FALSE(find.findChild<QCheckBox*>(QStringLiteral("matchCase"))->isChecked()) << "the search ignores case";
}

TEST_F(Frame, PostingStartsTolvaneWithTheArticleAndItsTitleCut)
{
    // A stand-in Tolvane on PATH that writes down its arguments.
    const std::string bin = dir.file("bin");
    std::filesystem::create_directories(bin);
    ASSERT_TRUE(WriteFile(bin + "/Tolvane", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                                dir.file("posted") + "'\n"));
    ::chmod((bin + "/Tolvane").c_str(), 0755);
    const std::string oldPath = std::getenv("PATH");
    ::setenv("PATH", (bin + ":" + oldPath).c_str(), 1);

    CXmlNode story = model()->Catalog().FindById(kId);
    // 40 Chinese characters with a quote: 81 bytes in code page 936.
    std::string title = "\"";
    for (int i = 0; i < 40; ++i)
        title += "\xE6\x96\x87";
    story.SetAttribute("COMMENT", title);
    select(kId);
    frame->OnCommand(ID_ARTICLE_POST);
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(dir.file("posted")).empty(); }, 10000));
    std::string expected = "_";
    for (int i = 0; i < 29; ++i)
        expected += "\xE6\x96\x87";
    EXPECT_EQ(ReadFile(dir.file("posted")), article + "\n" + expected + "..\n");

    // A folder marked as such passes an empty path.
    std::filesystem::remove(dir.file("posted"));
    CXmlNode notes = model()->Catalog().Root().GetChild(1);
    notes.SetAttribute("FILE", "[QUOR_FOLDER]");
    frame->GetCatalogTree()->SelectNode(notes);
    frame->OnCommand(ID_ARTICLE_POST);
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(dir.file("posted")).empty(); }, 10000));
    EXPECT_EQ(ReadFile(dir.file("posted")), "\nNotes\n");
    ::setenv("PATH", oldPath.c_str(), 1);
}

TEST_F(Frame, TheTitleMarksUnsavedChanges)
{
    EXPECT_FALSE(frame->isWindowModified());
    frame->OnCommand(ID_CATALOG_MODIFIED);
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("lib.xml[*] - Quor")); // '*' shown in place of [*]
    frame->OnCommand(ID_FILE_SAVE);
    EXPECT_FALSE(frame->isWindowModified());
}

TEST_F(Frame, AnArticleFromAnAddressFollowsRedirectsReadsGbkAndKeepsOtherFilesLinked)
{
    httplib::Server site;
    site.set_tcp_nodelay(true);
    site.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/news/page.html"); });
    // 港口 in GBK, the charset said only by the server.
    site.Get("/news/page.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><head><title>\xB8\xDB\xBF\xDA</title></head><body><p>fog</p><img src=\"pic.png\"></body></html>",
                        "text/html; charset=gbk");
    });
    site.Get("/news/pic.png", [](const httplib::Request&, httplib::Response& res) { res.set_content("PNGDATA", "image/png"); });
    site.Get("/paper.pdf", [](const httplib::Request&, httplib::Response& res) { res.set_content("%PDF-1.4 x", "application/pdf"); });
    const int port = site.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { site.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port);

    frame->GetCatalogTree()->SelectNode(model()->Catalog().Root().GetChild(1)); // "Notes"
    ASSERT_TRUE(frame->CaptureFromAddress(base + "/old"));
    CXmlNode added = model()->Catalog().Root().GetChild(1).GetChild(0);
    CatalogItemInfo info;
    CCatalog::GetItemInfo(added, info);
    EXPECT_EQ(info.title, "\xE6\xB8\xAF\xE5\x8F\xA3");
    EXPECT_EQ(info.source, base + "/news/page.html") << "the page's final address";
    const std::string page = ReadFile(ResolveArticleFile(info.file));
    EXPECT_NE(page.find("fog"), std::string::npos);
    EXPECT_NE(page.find(info.id + "_files/"), std::string::npos) << page;

    frame->GetCatalogTree()->SelectNode(model()->Catalog().Root().GetChild(1));
    ASSERT_TRUE(frame->CaptureFromAddress(base + "/paper.pdf"));
    const CXmlNode notes = model()->Catalog().Root().GetChild(1);
    CCatalog::GetItemInfo(notes.GetChild(notes.GetChildCount() - 1), info); // added last
    EXPECT_EQ(info.title, "paper.pdf");
    const std::string linking = ReadFile(ResolveArticleFile(info.file));
    EXPECT_NE(linking.find("href=\"" + info.id + "_files/paper.pdf\""), std::string::npos) << linking;
    EXPECT_EQ(ReadFile(GetAttachDir(info.id) + "/paper.pdf"), "%PDF-1.4 x");

    QueueMessageBoxAnswer(MsgResult::Ok);
    EXPECT_FALSE(frame->CaptureFromAddress("ftp://127.0.0.1/x"));
    EXPECT_EQ(TakeAnsweredMessageBoxes().size(), 1);
    site.stop();
    serving.join();
}
