// The catalog tree as the user drives it, on the offscreen platform.
#include "appglobals.h"
#include "catalogmodel.h"
#include "catalogtree.h"
#include "codepage.h"
#include "commandids.h"
#include "dragrules.h"
#include "messagebox.h"
#include "propertiesdlg.h"
#include "quordoc.h"
#include "storage.h"
#include "testenv.h"

#include <QApplication>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <QTest>

#include <cstdlib>
#include <filesystem>

namespace {

class Tree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        data = folder.file("data");
        std::filesystem::create_directories(data + "/070315");
        WriteFile(data + "/070315/070315142233042.html",
                  "<html><body><p>the hidden needle</p></body></html>");
        WriteFile(data + "/070315/070315000000001.html", "<p>in the bin</p>");
        path = folder.file("QuorCatalog.xml");
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" +
            data +
            "\">"
            "<DIR COMMENT=\"RECYCLE\"><ARTICLE COMMENT=\"old\" ID=\"070315000000001\" "
            "FILE=\"070315000000001.html\"/></DIR>"
            "<DIR COMMENT=\"笔记\"><ARTICLE COMMENT=\"xABCy\" ID=\"070315000000002\" "
            "FILE=\"070315000000002.html\"/>"
            "<ARTICLE COMMENT=\"Second\" ID=\"070315142233042\" FILE=\"070315142233042.html\"/>"
            "<ARTICLE COMMENT=\"tiny\" ID=\"1\" FILE=\"abcd\"/></DIR><DIR "
            "COMMENT=\"Empty\"/></DIR>\r\n";
        WriteFile(path, Utf8ToCp936(xml));
        QObject::connect(&tree, &CCatalogTree::postCommand,
                         [this](int id) { posted.push_back(id); });
        QObject::connect(&tree, &CCatalogTree::messageText,
                         [this](const QString& t) { messages << t; });
        std::string error;
        ASSERT_TRUE(tree.LoadCatalog(path, &error)) << error;
    }
    void TearDown() override { TakeAnsweredMessageBoxes(); }

    CXmlNode byTitle(const std::string& title) const
    {
        std::vector<CXmlNode> all;
        CCatalog::CollectItems(catalog.Root(), all);
        for (const CXmlNode& node : all)
            if (node.GetAttribute("COMMENT") == title) return node;
        return {};
    }
    QModelIndex indexOf(const std::string& title) const { return model.IndexOf(byTitle(title)); }
    std::vector<std::string> titlesIn(const std::string& folderTitle) const
    {
        std::vector<std::string> titles;
        const CXmlNode parent = folderTitle == "CATALOG" ? catalog.Root() : byTitle(folderTitle);
        for (int i = 0; i < parent.GetChildCount(); ++i)
            titles.push_back(parent.GetChild(i).GetAttribute("COMMENT"));
        return titles;
    }

    TestFolder folder;
    std::string data, path;
    CCatalog catalog;
    CCatalogModel model{catalog};
    CCatalogTree tree{&model};
    std::vector<int> posted;
    QStringList messages;
};

} // namespace

TEST_F(Tree, LoadShowsTheCatalogAndTakesItsDataFolder)
{
    EXPECT_EQ(g_szDataFolder.str(), data);
    EXPECT_EQ(model.rowCount(), 1);
    const QModelIndex root = model.index(0, 0);
    EXPECT_EQ(model.data(root).toString(), QStringLiteral("CATALOG"));
    EXPECT_EQ(model.rowCount(root), 3);
    EXPECT_EQ(model.data(model.index(1, 0, root)).toString(), QStringLiteral("笔记"));
    EXPECT_EQ(model.parent(model.index(1, 0, model.index(1, 0, root))), model.index(1, 0, root));
}

TEST_F(Tree, FindInTitlesIgnoresCaseAndEndsAfterTheLastMatch)
{
    EXPECT_EQ(tree.FindNext("", {}, false), catalog.Recycle())
        << "an empty keyword takes the first item after the root";
    const CXmlNode found = tree.FindNext("abc", {}, false);
    EXPECT_EQ(found, byTitle("xABCy"));
    EXPECT_FALSE(tree.FindNext("abc", found, false));
    EXPECT_EQ(tree.FindNext("笔", {}, false), byTitle("笔记"));
}

TEST_F(Tree, FindInTextReadsTheArticlePages)
{
    EXPECT_FALSE(tree.FindNext("needle", {}, false));
    EXPECT_EQ(tree.FindNext("NEEDLE", {}, true), byTitle("Second"));
    EXPECT_TRUE(messages.contains(QStringLiteral("搜索：Second")));
    EXPECT_FALSE(messages.contains(QStringLiteral("搜索：tiny")))
        << "a FILE of 4 characters is not read";
}

TEST_F(Tree, SearchResultsOfRemovedItemsAreNeverUsed)
{
    tree.m_hLastFound = tree.FindNext("xabcy", {}, false);
    ASSERT_TRUE(tree.m_hLastFound);
    ASSERT_TRUE(model.RemoveItem(indexOf("xABCy")));
    EXPECT_FALSE(tree.m_hLastFound);
    EXPECT_EQ(tree.FindNext("e", byTitle("笔记"), false), byTitle("Second"));
}

TEST_F(Tree, SpecialFoldersCannotBeDeletedOrRenamed)
{
    for (const QModelIndex& special : {model.index(0, 0), indexOf("RECYCLE")}) {
        tree.setCurrentIndex(special);
        QueueMessageBoxAnswer(MsgResult::Ok);
        EXPECT_FALSE(tree.DeleteSelected());
        EXPECT_EQ(TakeAnsweredMessageBoxes(), QStringList{QStringLiteral("特殊文件夹不能删除！")});
        EXPECT_FALSE(model.setData(special, QStringLiteral("x")));
    }
    EXPECT_FALSE(model.setData(indexOf("Second"), QString())) << "an empty name changes nothing";
    EXPECT_TRUE(model.setData(indexOf("Second"), QStringLiteral("Renamed")));
    EXPECT_TRUE(byTitle("Renamed"));
}

TEST_F(Tree, DeleteMovesIntoTheRecycleFolderThenToTheTrash)
{
    tree.setCurrentIndex(indexOf("Second"));
    ASSERT_TRUE(tree.DeleteSelected());
    EXPECT_EQ(titlesIn("RECYCLE"), (std::vector<std::string>{"old", "Second"}))
        << "after the first child";
    EXPECT_TRUE(Exists(data + "/070315/070315142233042.html"))
        << "the file stays while it is in the bin";

    tree.setCurrentIndex(indexOf("Second"));
    QueueMessageBoxAnswer(MsgResult::No); // the trash confirmation
    EXPECT_FALSE(tree.DeleteSelected());
    EXPECT_TRUE(byTitle("Second")) << "a cancelled trash keeps the item";

    tree.expand(indexOf("笔记"));
    tree.setCurrentIndex(indexOf("Second"));
    QueueMessageBoxAnswer(MsgResult::Yes);
    EXPECT_TRUE(tree.DeleteSelected());
    EXPECT_FALSE(byTitle("Second"));
    EXPECT_TRUE(tree.isExpanded(indexOf("笔记"))) << "open folders stay open";
    EXPECT_FALSE(Exists(data + "/070315/070315142233042.html"));
    const std::string trash =
        std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/070315142233042.html";
    EXPECT_TRUE(Exists(trash));
}

TEST_F(Tree, DropPlacesAfterAnArticleOrSecondInAFolderAndNeverIntoItsOwnBranch)
{
    EXPECT_TRUE(model.MoveItem(indexOf("Empty"), indexOf("old")).isValid());
    EXPECT_EQ(titlesIn("RECYCLE"), (std::vector<std::string>{"old", "Empty"}));
    EXPECT_TRUE(model.MoveItem(indexOf("tiny"), indexOf("笔记")).isValid());
    EXPECT_EQ(titlesIn("笔记"), (std::vector<std::string>{"xABCy", "tiny", "Second"}));
    EXPECT_TRUE(model.MoveItem(indexOf("xABCy"), indexOf("Empty")).isValid());
    EXPECT_EQ(titlesIn("Empty"), (std::vector<std::string>{"xABCy"}));

    const std::string before = catalog.Document().SaveToString();
    EXPECT_FALSE(model.MoveItem(indexOf("RECYCLE"), indexOf("Empty")).isValid());
    EXPECT_FALSE(model.MoveItem(indexOf("笔记"), indexOf("tiny")).isValid())
        << "a folder into its own branch";
    EXPECT_EQ(catalog.Document().SaveToString(), before);
}

TEST_F(Tree, AddingMoreThanFiveMinutesAfterTheLastSaveSavesAgain)
{
    auto now = CCatalogTree::Clock::now();
    tree.SetClock([&] { return now; });
    std::string error;
    ASSERT_TRUE(tree.LoadCatalog(path, &error));
    posted.clear();
    now += std::chrono::minutes(4);
    const QModelIndex added = tree.AddItem(indexOf("Empty"), QStringLiteral("New Folder"), true);
    EXPECT_EQ(model.data(added).toString(), QStringLiteral("New Folder"));
    EXPECT_TRUE(std::find(posted.begin(), posted.end(), ID_FILE_SAVE) == posted.end());
    now += std::chrono::minutes(2);
    tree.AddItem(indexOf("Second"), QStringLiteral("After Second"), false);
    EXPECT_TRUE(std::find(posted.begin(), posted.end(), ID_FILE_SAVE) != posted.end());
    EXPECT_TRUE(messages.contains(QStringLiteral("Auto Saved.")));
    EXPECT_EQ(titlesIn("笔记"),
              (std::vector<std::string>{"xABCy", "Second", "After Second", "tiny"}));
}

TEST_F(Tree, KeysAndDoubleClickReachTheMainFrame)
{
    std::vector<int> sent;
    QObject::connect(&tree, &CCatalogTree::sendCommand, [&](int id) { sent.push_back(id); });
    tree.resize(300, 400);
    tree.show();
    tree.expandAll();
    tree.setFocus();
    tree.setCurrentIndex(indexOf("Second"));
    EXPECT_EQ(sent, std::vector<int>{ID_ARTICLE_SHOW}) << "a selection change shows the article";

    posted.clear();
    QTest::keyClick(&tree, Qt::Key_Delete);
    QTest::keyClick(&tree, Qt::Key_F3);
    QTest::keyClick(&tree, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(posted, (std::vector<int>{ID_ITEM_DELETE, ID_FIND_NEXT, ID_FIND}));

    QTest::keyClick(&tree, Qt::Key_Return);
    EXPECT_TRUE(tree.IsEditingLabel()) << "Enter starts renaming";
    auto* editor = tree.findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Renamed"));
    EXPECT_EQ(editor->text(), QStringLiteral("Renamed"));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the edit is committed from the event loop
    EXPECT_TRUE(byTitle("Renamed"));
    EXPECT_FALSE(tree.IsEditingLabel());
    EXPECT_NE(std::find(posted.begin(), posted.end(), ID_CATALOG_MODIFIED), posted.end());

    sent.clear();
    const QRect rect = tree.visualRect(indexOf("笔记"));
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_NE(std::find(sent.begin(), sent.end(), ID_ARTICLE_EDIT), sent.end());
}

TEST(DragRules, ScrollFasterFurtherBeyondTheEdge)
{
    using namespace dragrules;
    EXPECT_EQ(ScrollFor(200, 0, 300).direction, 0);
    const Scroll inside = ScrollFor(295, 0, 300); // 5 pixels inside the bottom edge
    EXPECT_EQ(inside.direction, 1);
    EXPECT_EQ(inside.interval, 6);
    EXPECT_EQ(ScrollFor(365, 0, 300).interval, 3); // 65 pixels below
    EXPECT_EQ(ScrollFor(390, 0, 300).interval, 1);
    EXPECT_EQ(ScrollFor(5000, 0, 300).interval, 1);
    EXPECT_EQ(ScrollFor(-200, 0, 300).direction, -1);
    EXPECT_TRUE(ScrollsOnTick(inside, 12));
    EXPECT_FALSE(ScrollsOnTick(inside, 13));
    EXPECT_FALSE(IsDragStart(19));
    EXPECT_TRUE(IsDragStart(20));
    EXPECT_FALSE(IsInDropArea(19, 0));
    EXPECT_TRUE(IsInDropArea(20, 0));
}

TEST(Properties, AttachmentsOfBothFoldersWithArchivesFirst)
{
    TestFolder folder;
    const std::string attach = folder.file("070315142233042_files");
    std::filesystem::create_directories(attach);
    std::filesystem::create_directories(folder.file("070315142233042.files"));
    WriteFile(attach + "/b.html", "");
    WriteFile(attach + "/a.zip", "");
    WriteFile(folder.file("070315142233042.files/c.png"), "");
    EXPECT_EQ(CPropertiesDlg::AttachmentEntries(attach),
              (std::vector<std::string>{"   a.zip", "b.html", "c.png"}));
    EXPECT_TRUE(CPropertiesDlg::AttachmentEntries("").empty());
}

TEST(QuorDocument, SavesToTheCatalogItOpenedAndKeepsChangesAFailedSaveLost)
{
    CQuorDoc doc;
    std::vector<std::string> saved;
    const auto save = [&](bool ok) {
        return [&saved, ok](const std::string& p, std::string* why) {
            saved.push_back(p);
            if (!ok) *why = "disk full";
            return ok;
        };
    };
    std::string error;
    EXPECT_TRUE(doc.OnSaveDocument(save(true), &error));
    EXPECT_TRUE(saved.empty()) << "nothing changed, nothing written";
    EXPECT_EQ(doc.GetPathName(), GetModuleDir() + "/QuorCatalog.xml");
    doc.SetModifiedFlag(true);
    EXPECT_FALSE(doc.OnSaveDocument(save(false), &error));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(error, "disk full");
    EXPECT_TRUE(doc.OnSaveDocument(save(true), &error));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(saved, (std::vector<std::string>{GetModuleDir() + "/QuorCatalog.xml", GetModuleDir() + "/QuorCatalog.xml"}));

    // A catalog opened from anywhere is saved where it is; Save As moves it.
    TestFolder folder;
    ASSERT_TRUE(WriteFile(folder.file("mine.xml"), "<DIR/>"));
    ASSERT_TRUE(doc.OnOpenDocument(folder.file("mine.xml"), &error));
    doc.SetModifiedFlag(true);
    saved.clear();
    EXPECT_TRUE(doc.OnSaveDocument(save(true), &error));
    EXPECT_EQ(saved, std::vector<std::string>{folder.file("mine.xml")});
    EXPECT_FALSE(doc.OnSaveDocumentAs(folder.file("other.xml"), save(false), &error));
    EXPECT_EQ(doc.GetPathName(), folder.file("mine.xml")) << "a failed Save As keeps the name";
    ASSERT_TRUE(WriteFile(folder.file("other.xml"), ""));
    EXPECT_TRUE(doc.OnSaveDocumentAs(folder.file("other.xml"), save(true), &error));
    EXPECT_EQ(doc.GetPathName(), folder.file("other.xml"));
    EXPECT_EQ(doc.GetTitle(), "other.xml");
}

TEST(CatalogModel, LongTitlesAreShownCutAndKeptWholeAndTooLongOnesAreRefusedReadably)
{
    TestFolder folder;
    const std::string path = folder.file("QuorCatalog.xml");
    // Nine megabytes of Chinese title: shown cut on a character boundary, kept whole.
    std::string title;
    for (int i = 0; i < 3 * 1024 * 1024; ++i)
        title += "\xE6\x96\x87"; // 文
    ASSERT_TRUE(WriteFile(path, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\"><ARTICLE COMMENT=\"" +
                                    Utf8ToCp936(title) + "\" ID=\"x01\"/></DIR>\r\n"));
    CCatalog catalog;
    CCatalogModel model(catalog);
    std::string error;
    ASSERT_TRUE(model.Load(path, &error, nullptr)) << error;
    const QModelIndex item = model.index(0, 0, model.index(0, 0));
    const QString shown = item.data().toString();
    EXPECT_EQ(shown.size(), 1024 / 3 + 1);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\u6587\u2026")));
    EXPECT_LT(item.data(Qt::ToolTipRole).toString().size(), 1100);
    EXPECT_TRUE(model.setData(item, shown)); // an edit that changes nothing
    EXPECT_EQ(catalog.Root().GetChild(0).GetAttribute("COMMENT"), title);
    EXPECT_TRUE(model.setData(item, QStringLiteral("short")));
    EXPECT_EQ(catalog.Root().GetChild(0).GetAttribute("COMMENT"), "short");

    // Past libxml2's limit for one text: refused, in words a user can act on.
    ASSERT_TRUE(WriteFile(path, "<?xml version=\"1.0\"?><DIR COMMENT=\"" + std::string(10000001, 'a') + "\"/>"));
    EXPECT_FALSE(model.Load(path, &error, nullptr));
    EXPECT_NE(error.find("longer than 10,000,000 bytes"), std::string::npos) << error.substr(0, 300);
    EXPECT_EQ(catalog.Root().GetChild(0).GetAttribute("COMMENT"), "short") << "the open catalog stays";
}
