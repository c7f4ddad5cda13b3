// The catalog model: loading with its decisions, saving with backups, items added, moved,
// removed, merged and unified.
#include "catalog.h"
#include "titles.h"

#include "appglobals.h"
#include "codepage.h"
#include "defaultcatalog.h"
#include "fileutil.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Gbk(const std::string& utf8Body)
{
    return "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n" + Utf8ToGbkWithCharRefs(utf8Body) +
           "\r\n";
}

CXmlNode ByTitle(CXmlNode from, const std::string& title)
{
    std::vector<CXmlNode> items;
    CCatalog::CollectItems(from, items);
    for (const CXmlNode& n : items)
        if (n.GetAttribute("COMMENT") == title) return n;
    return {};
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class Catalog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Every test has its own data folder; nothing reaches the real home.
        data = dir.file("data");
        ASSERT_TRUE(SetDataFolder(data));
        path = dir.file("QuorCatalog.xml");
    }

    // Writes the body as a gb2312 catalog and loads it.
    void Load(const std::string& utf8Body, bool* recycleAdded = nullptr)
    {
        ASSERT_TRUE(WriteFile(path, Gbk(utf8Body)));
        std::string error;
        ASSERT_TRUE(catalog.Load(path, &error, recycleAdded)) << error;
    }

    CXmlNode Item(const std::string& title) const { return ByTitle(catalog.Root(), title); }

    TestFolder dir;
    std::string data;
    std::string path;
    CCatalog catalog;
};

// --- loading ------------------------------------------------------------------------------

TEST_F(Catalog, TheTemplateLoadsSetsTheDataFolderAndFindsTheRecycleFolder)
{
    ASSERT_TRUE(WriteFile(path, DefaultCatalogBytes(data + "1/lib")));
    bool added = true;
    std::string error;
    ASSERT_TRUE(catalog.Load(path, &error, &added)) << error;
    EXPECT_FALSE(added);
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[新闻 New Folder] MFC COM");
    EXPECT_EQ(catalog.Recycle(), catalog.Root().GetChild(0));
    EXPECT_EQ(g_szDataFolder.str(), data + "1/lib");
    EXPECT_TRUE(std::filesystem::is_directory(data + "1/lib"));
}

TEST_F(Catalog, ACatalogWithoutRecycleFolderGetsOneAppended)
{
    bool added = false;
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"a\"/><DIR COMMENT=\"recycle\"/></DIR>", &added);
    EXPECT_TRUE(added);
    EXPECT_EQ(Titles(catalog.Root()), "a recycle RECYCLE");
    EXPECT_EQ(catalog.Recycle(), catalog.Root().GetChild(2));
    EXPECT_EQ(catalog.Recycle().GetName(), "DIR");

    EXPECT_EQ(ReadFile(path).find("RECYCLE"), std::string::npos) << "added in memory, not written";
    ASSERT_TRUE(catalog.Save(path));
    CCatalog again;
    ASSERT_TRUE(again.Load(path, nullptr, &added));
    EXPECT_FALSE(added);
    EXPECT_EQ(again.Recycle(), again.Root().GetChild(2));
}

TEST_F(Catalog, TheFirstRecycleTitleInDocumentOrderIsTheRecycleFolder)
{
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"x\"><DIR COMMENT=\"RECYCLE\" ID=\"inner\"/></DIR>"
         "<DIR COMMENT=\"RECYCLE\" ID=\"outer\"/></DIR>");
    EXPECT_EQ(catalog.Recycle().GetAttribute("ID"), "inner");
    // The other one is an ordinary folder.
    EXPECT_FALSE(CCatalog::IsInBranch(catalog.Root().GetChild(1), catalog.Recycle()));
}

TEST_F(Catalog, ShortOrForeignRootDirsLeaveTheDataFolderAlone)
{
    const std::string cwd = std::filesystem::current_path().string();
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    for (const char* rootDir : {"/..", "/", "C:\\", "C:\\QuorCollection1", "relative/path", ""}) {
        Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + std::string(rootDir) +
             "\"><DIR COMMENT=\"RECYCLE\"/></DIR>");
        EXPECT_EQ(g_szDataFolder.str(), data) << rootDir;
    }
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    // Nothing was made in the current folder for a Windows path.
    EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"QuorCatalog.xml"});
}

struct BadCatalog
{
    const char* name;
    std::string bytes;
    const char* says;
};

std::string Deep(int levels, const std::string& rootDir)
{
    std::string s;
    for (int i = 0; i < levels; ++i)
        s += "<DIR COMMENT=\"d\" ROOTDIR=\"" + rootDir + "\">";
    for (int i = 0; i < levels; ++i)
        s += "</DIR>";
    return s;
}

TEST_F(Catalog, BadFilesAreRefusedAndTheLoadedCatalogStaysAsItWas)
{
    // Each names another data folder, which must not be taken nor made.
    const std::string elsewhere = dir.file("elsewhere");
    const std::string rootDir = " ROOTDIR=\"" + elsewhere + "\"";
    const BadCatalog files[] = {
        {"notxml", "QuorCatalog, but not XML", "line 1: "},
        {"empty", "", "Document is empty"},
        {"truncated", Gbk("<DIR COMMENT=\"CATALOG\" " + rootDir + "><DIR COMMENT=\"RECYCLE\"/>"),
         "Premature end of data"},
        {"noroot", "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n", "line "},
        {"deep", Deep(10000, elsewhere), "nested deeper"},
        {"article", Gbk("<ARTICLE COMMENT=\"CATALOG\" " + rootDir + "/>"), "not a catalog"},
        {"doctype", "<!DOCTYPE DIR SYSTEM \"/etc/passwd\"><DIR " + rootDir + "/>", "document type"},
    };
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data +
         "\"><DIR COMMENT=\"RECYCLE\"/><DIR COMMENT=\"中文\"/></DIR>");
    const CXmlNode root = catalog.Root(), recycle = catalog.Recycle();
    const std::string before = catalog.Document().SaveToString();
    for (const BadCatalog& bad : files) {
        SCOPED_TRACE(bad.name);
        const std::string file = dir.file(std::string(bad.name) + ".xml");
        ASSERT_TRUE(WriteFile(file, bad.bytes));
        std::string error;
        bool added = true;
        EXPECT_FALSE(catalog.Load(file, &error, &added));
        EXPECT_FALSE(added);
        EXPECT_EQ(error.rfind(file + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(bad.says), std::string::npos) << error;
        EXPECT_EQ(catalog.Root(), root);
        EXPECT_EQ(catalog.Recycle(), recycle);
        EXPECT_EQ(catalog.Document().SaveToString(), before);
        EXPECT_EQ(g_szDataFolder.str(), data);
    }
    EXPECT_FALSE(Exists(elsewhere));
}

TEST_F(Catalog, ASaveKilledHalfWayLeavesNoFileBehindAfterTheNextOpening)
{
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"RECYCLE\"/></DIR>");
    const std::string before = ReadFile(path);
    // A program killed while it writes a large catalog: here by the file size limit, whose
    // signal ends it in the middle of the write.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{1 << 20, 1 << 20};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        WriteFileAtomically(path, std::string(std::size_t(8) << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    const auto temps = [&] {
        std::vector<std::string> found;
        for (const std::string& name : Entries(dir.path()))
            if (name.rfind(".QuorCatalog.xml.tmp-", 0) == 0) found.push_back(name);
        return found;
    };
    ASSERT_EQ(temps().size(), 1u) << "the killed save left its new file";
    EXPECT_EQ(ReadFile(path), before);

    // A save of a program that still runs is left alone.
    const std::string running = dir.file(".QuorCatalog.xml.tmp-" + std::to_string(::getpid()) + "-0-1");
    ASSERT_TRUE(WriteFile(running, "busy"));
    CCatalog again;
    ASSERT_TRUE(again.Load(path, nullptr));
    EXPECT_EQ(temps(), std::vector<std::string>{".QuorCatalog.xml.tmp-" + std::to_string(::getpid()) + "-0-1"});
}

TEST_F(Catalog, NothingIsSavedBeforeACatalogWasLoaded)
{
    ASSERT_TRUE(WriteFile(path, "unreadable"));
    EXPECT_FALSE(catalog.Load(path, nullptr));
    EXPECT_FALSE(catalog.Root());
    std::string error;
    EXPECT_FALSE(catalog.Save(path, &error));
    EXPECT_EQ(error, path + ": no catalog loaded");
    EXPECT_EQ(ReadFile(path), "unreadable");
    EXPECT_FALSE(Exists(path + ".bak"));
    EXPECT_FALSE(catalog.AddItem(catalog.Root(), "x", true));
    EXPECT_FALSE(catalog.FindById("080101120000123"));
    EXPECT_FALSE(catalog.UnifyFolders());
}

// --- saving -------------------------------------------------------------------------------

TEST_F(Catalog, ThreeSavesLeaveTwoBackupsThreeStampedCopiesAndTheMirror)
{
    ASSERT_TRUE(std::filesystem::create_directories(data));
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data +
         "\"><DIR COMMENT=\"RECYCLE\"/><DIR COMMENT=\"t\"/></DIR>");
    const std::string original = ReadFile(path);
    std::vector<std::string> saves;
    for (const char* title : {"一", "二", "三"}) {
        catalog.Root().GetChild(1).SetAttribute("COMMENT", title);
        std::string error;
        ASSERT_TRUE(catalog.Save(path, &error)) << error;
        saves.push_back(ReadFile(path));
        EXPECT_EQ(saves.back(), catalog.Document().SaveToString());
    }
    EXPECT_EQ(ReadFile(path + ".bak"), saves[1]);
    EXPECT_EQ(ReadFile(path + ".bak2"), saves[0]);

    const std::vector<std::string> names = Entries(data);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "QuorCatalog.xml");
    EXPECT_EQ(ReadFile(data + "/" + names[0]), saves[2]);
    // Each stamped copy holds the file as it was before that save.
    const std::string expected[] = {original, saves[0], saves[1]};
    for (int i = 0; i < 3; ++i) {
        const std::string& name = names[static_cast<std::size_t>(i) + 1];
        ASSERT_EQ(name.size(), std::string("QuorCatalog.xml.bak.").size() + 15) << name;
        EXPECT_EQ(name.rfind("QuorCatalog.xml.bak.", 0), 0u);
        EXPECT_EQ(ReadFile(data + "/" + name), expected[i]) << name;
    }
    EXPECT_EQ(Entries(dir.path()),
              (std::vector<std::string>{"QuorCatalog.xml", "QuorCatalog.xml.bak",
                                        "QuorCatalog.xml.bak2", "data"}));
}

TEST_F(Catalog, AFailedSaveLeavesTheCatalogAndItsBackupsAsTheyWere)
{
    ASSERT_TRUE(std::filesystem::create_directories(data));
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data + "\"><DIR COMMENT=\"RECYCLE\"/></DIR>");
    std::string error;
    ASSERT_TRUE(catalog.Save(path, &error)) << error;
    ASSERT_TRUE(catalog.Save(path, &error)) << error;
    const std::string file = ReadFile(path), bak = ReadFile(path + ".bak"), bak2 = ReadFile(path + ".bak2");
    const auto stamped = Entries(data).size();

    catalog.Root().SetAttribute("COMMENT", std::string(100000, 'z'));
    struct rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096; // the write fails as on a full disk
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = catalog.Save(path, &error);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadFile(path), file);
    EXPECT_EQ(ReadFile(path + ".bak"), bak) << "backups turn only when the new file is written";
    EXPECT_EQ(ReadFile(path + ".bak2"), bak2);
    EXPECT_EQ(Entries(data).size(), stamped);
}

TEST_F(Catalog, SaveWritesTheDataFolderIntoRootDirOnlyWhenItIsLongerThanThree)
{
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + dir.file("old") +
         "\"><DIR COMMENT=\"RECYCLE\"/></DIR>");
    EXPECT_EQ(g_szDataFolder.str(), dir.file("old"));
    ASSERT_TRUE(SetDataFolder(data));
    ASSERT_TRUE(catalog.Save(path));
    EXPECT_EQ(catalog.Root().GetAttribute("ROOTDIR"), data);
    EXPECT_NE(ReadFile(path).find("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data + "\">"),
              std::string::npos);

    ASSERT_TRUE(SetDataFolder("/~q"));
    ASSERT_TRUE(catalog.Save(path));
    EXPECT_EQ(catalog.Root().GetAttribute("ROOTDIR"), data);
}

// --- items --------------------------------------------------------------------------------

class Items : public Catalog
{
protected:
    void SetUp() override
    {
        Catalog::SetUp();
        Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data +
             "\">"
             "<DIR COMMENT=\"RECYCLE\"><ARTICLE COMMENT=\"old\" ID=\"080101000000001\"/></DIR>"
             "<DIR COMMENT=\"Notes\"><ARTICLE COMMENT=\"n1\" ID=\"080101120000123\"/>"
             "<ARTICLE COMMENT=\"n2\" ID=\"080101120000124\"/><DIR COMMENT=\"sub\"><ARTICLE "
             "COMMENT=\"s1\" ID=\"s1\"/></DIR></DIR>"
             "<DIR COMMENT=\"Empty\"/></DIR>");
        before = catalog.Document().SaveToString();
    }

    bool Unchanged() const { return catalog.Document().SaveToString() == before; }

    std::string before;
};

TEST_F(Items, AddGoesLastIntoAFolderOrRightAfterAnArticle)
{
    const CXmlNode folder = catalog.AddItem(Item("Notes"), "f", true);
    EXPECT_EQ(folder.GetName(), "DIR");
    const CXmlNode article = catalog.AddItem(Item("n1"), "a", false);
    EXPECT_EQ(article.GetName(), "ARTICLE");
    catalog.AddItem(catalog.Root(), "top", false);
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old] Notes[n1 a n2 sub[s1] f] Empty top");
}

TEST_F(Items, MovePlacesIntoAFolderSecondOrFirstAndAfterAnArticle)
{
    EXPECT_TRUE(catalog.MoveItem(Item("Empty"), catalog.Recycle()));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old Empty] Notes[n1 n2 sub[s1]]");
    EXPECT_TRUE(catalog.MoveItem(Item("n2"), Item("Empty")));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old Empty[n2]] Notes[n1 sub[s1]]");
    EXPECT_TRUE(catalog.MoveItem(Item("s1"), Item("old")));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old s1 Empty[n2]] Notes[n1 sub]");
    EXPECT_TRUE(catalog.MoveItem(Item("Notes"), Item("n2")));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old s1 Empty[n2 Notes[n1 sub]]]");
    // The folder's first child dropped on its own folder stays where it is.
    EXPECT_TRUE(catalog.MoveItem(Item("n2"), Item("Empty")));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old s1 Empty[n2 Notes[n1 sub]]]");

    const auto placement = CCatalog::MovePlacement(Item("Empty"));
    EXPECT_EQ(placement.parent, Item("Empty"));
    EXPECT_EQ(placement.after, Item("n2"));
    EXPECT_FALSE(CCatalog::MovePlacement(Item("sub")).after);
}

TEST_F(Items, MovesIntoTheOwnBranchOfTheRootOrOntoItselfAreRefused)
{
    const CXmlNode notes = Item("Notes");
    EXPECT_FALSE(catalog.MoveItem(notes, Item("sub")));
    EXPECT_FALSE(catalog.MoveItem(notes, Item("s1")));
    EXPECT_FALSE(catalog.MoveItem(notes, Item("n1"))); // would land in Notes itself
    EXPECT_FALSE(catalog.MoveItem(notes, notes));
    EXPECT_FALSE(catalog.MoveItem(catalog.Root(), Item("Empty")));
    EXPECT_FALSE(catalog.MoveItem(CXmlNode(), Item("Empty")));
    EXPECT_FALSE(catalog.MoveItem(notes, CXmlNode()));
    EXPECT_FALSE(CCatalog::CanMove(notes, Item("s1")));
    EXPECT_TRUE(CCatalog::CanMove(notes, Item("Empty")));
    EXPECT_TRUE(Unchanged());
}

TEST_F(Items, NothingNestsDeeperThanAFileCanBeRead)
{
    CXmlNode n = Item("Empty");
    while (n.GetDepth() < kMaxXmlDepth)
        n = catalog.AddItem(n, "d", true);
    EXPECT_FALSE(CCatalog::CanAdd(n));
    EXPECT_FALSE(catalog.AddItem(n, "too deep", true));
    EXPECT_TRUE(catalog.AddItem(n.GetParent(), "a", false));
    // A branch two levels high fits only where it ends at the deepest level.
    EXPECT_FALSE(catalog.MoveItem(Item("Notes"), n.GetParent()));
    EXPECT_TRUE(catalog.MoveItem(Item("sub"), n.GetParent().GetParent()));

    ASSERT_TRUE(catalog.Save(path));
    CCatalog back;
    std::string error;
    EXPECT_TRUE(back.Load(path, &error)) << error;
}

TEST_F(Items, RemovingHandsEveryArticleFileOverChildrenFirst)
{
    // One article file in its day folder, one flat, one missing.
    ASSERT_TRUE(std::filesystem::create_directories(data + "/080101"));
    ASSERT_TRUE(WriteFile(data + "/080101/080101120000123.html", "a"));
    ASSERT_TRUE(WriteFile(data + "/flat.html", "b"));
    CXmlNode notes = Item("Notes");
    CCatalog::SetItemInfo(Item("n1"), {"n1", "080101120000123", "080101120000123.html", "", ""});
    CCatalog::SetItemInfo(Item("n2"), {"n2", "080101120000124", "flat.html", "", ""});
    CCatalog::SetItemInfo(Item("s1"), {"s1", "s1", "s1missing.html", "", ""});
    CCatalog::SetItemInfo(Item("sub"), {"sub", "", "[QUOR_FOLDER]", "", ""});
    ASSERT_TRUE(catalog.MoveItem(notes, catalog.Recycle()));

    std::vector<std::string> handed;
    EXPECT_TRUE(catalog.RemoveItem(notes, [&](const std::string& file) {
        handed.push_back(file);
        return true;
    }));
    EXPECT_EQ(handed, (std::vector<std::string>{data + "/080101/080101120000123.html",
                                                data + "/flat.html", ""}));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old] Empty");
    EXPECT_FALSE(catalog.RemoveItem(catalog.Root()));
}

TEST_F(Items, ARefusedFileStopsTheRemovalWhereItIs)
{
    for (const char* title : {"n1", "n2", "s1"})
        CCatalog::SetItemInfo(Item(title), {title, title, std::string(title) + ".html", "", ""});
    int calls = 0;
    EXPECT_FALSE(
        catalog.RemoveItem(Item("Notes"), [&](const std::string&) { return ++calls < 2; }));
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE[old] Notes[n2 sub[s1]] Empty");
}

TEST_F(Items, RemovingTheRecycleFolderFindsTheNextOne)
{
    catalog.AddItem(Item("Empty"), "RECYCLE", true);
    EXPECT_TRUE(catalog.RemoveItem(catalog.Recycle()));
    EXPECT_EQ(catalog.Recycle(), Item("Empty").GetChild(0));
    EXPECT_TRUE(catalog.RemoveItem(Item("Empty")));
    EXPECT_FALSE(catalog.Recycle());
}

TEST_F(Items, ItemInfoIsWrittenInItsOwnOrderAfterOtherAttributes)
{
    const CatalogItemInfo info{"标题", "080101120000123", "080101120000123.html", "http://a/?b&c",
                               "080101120000123"};
    CCatalog::SetItemInfo(catalog.Root(), {"CATALOG", "", "[QUOR_FOLDER]", "", ""});
    CXmlNode article = Item("n1");
    article.SetAttribute("DATE", "x");
    article.SetAttribute("EXTRA", "e");
    CCatalog::SetItemInfo(article, info);
    const std::string bytes = catalog.Document().SaveToString();
    EXPECT_NE(
        bytes.find("<DIR ROOTDIR=\"" + data +
                   "\" COMMENT=\"CATALOG\" ID=\"\" FILE=\"[QUOR_FOLDER]\" SOURCE=\"\" DATE=\"\">"),
        std::string::npos);
    EXPECT_NE(bytes.find(Utf8ToGbkWithCharRefs(
                  "<ARTICLE EXTRA=\"e\" COMMENT=\"标题\" ID=\"080101120000123\" "
                  "FILE=\"080101120000123.html\" SOURCE=\"http://a/?b&amp;c\" "
                  "DATE=\"080101120000123\"/>")),
              std::string::npos);
    CatalogItemInfo read;
    EXPECT_TRUE(CCatalog::GetItemInfo(article, read));
    EXPECT_EQ(read.title, info.title);
    EXPECT_EQ(read.source, info.source);
    EXPECT_FALSE(CCatalog::GetItemInfo(Item("Notes"), read));
    EXPECT_EQ(read.file, "");
}

TEST_F(Items, PathsNameFoldersByTitleAndArticlesById)
{
    EXPECT_EQ(CCatalog::GetItemPath(Item("n1")), "/CATALOG/Notes/080101120000123");
    EXPECT_EQ(CCatalog::GetItemPath(Item("sub")), "/CATALOG/Notes/sub");
    EXPECT_EQ(CCatalog::GetItemPath(catalog.Root()), "/CATALOG");
}

TEST_F(Items, FindByIdMatchesWholeIdsOfThreeCharactersOrMore)
{
    CCatalog::SetItemInfo(Item("Empty"), {"Empty", "12", "", "", ""});
    CCatalog::SetItemInfo(Item("sub"), {"sub", "1", "", "", ""});
    Item("old").SetAttribute("ID", "");
    EXPECT_FALSE(catalog.FindById(""));
    EXPECT_FALSE(catalog.FindById("1"));
    EXPECT_FALSE(catalog.FindById("12"));
    EXPECT_EQ(catalog.FindById("s1"), CXmlNode()); // two characters
    EXPECT_EQ(catalog.FindById("080101120000124"), Item("n2"));
    EXPECT_FALSE(catalog.FindById("08010112000012"));
    CCatalog::SetItemInfo(Item("Empty"), {"Empty", "abc", "", "", ""});
    EXPECT_EQ(catalog.FindById("abc"), Item("Empty"));
    EXPECT_FALSE(catalog.FindById("ABC"));
}

// --- merging and unifying -----------------------------------------------------------------

TEST_F(Catalog, MergeAppendsTheOtherTopLevelEntriesLastOneFirst)
{
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data +
         "\"><DIR COMMENT=\"RECYCLE\"/><DIR COMMENT=\"mine\"/></DIR>");
    const std::string other = dir.file("other.xml");
    ASSERT_TRUE(
        WriteFile(other, Gbk("<DIR COMMENT=\"OTHER\" ROOTDIR=\"/other\"><DIR COMMENT=\"RECYCLE\"/>"
                             "<DIR COMMENT=\"甲\"><ARTICLE COMMENT=\"x\" ID=\"x01\"/></DIR>"
                             "<ARTICLE COMMENT=\"乙\"/></DIR>")));
    EXPECT_EQ(catalog.Merge(other), 1);
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE mine 乙 甲[x] RECYCLE");
    EXPECT_EQ(catalog.Recycle(), catalog.Root().GetChild(0));
    EXPECT_EQ(catalog.Root().GetAttribute("COMMENT"), "CATALOG");
    EXPECT_EQ(catalog.Root().GetAttribute("ROOTDIR"), data);
    EXPECT_EQ(catalog.FindById("x01").GetAttribute("COMMENT"), "x");
    // The moved entries belong to this document now and are saved with it.
    CXmlDocument back;
    ASSERT_TRUE(back.LoadFromMemory(catalog.Document().SaveToString()));
    EXPECT_EQ(Titles(back.GetRoot()), "RECYCLE mine 乙 甲[x] RECYCLE");
}

TEST_F(Catalog, AnUnreadableMergeChangesNothing)
{
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"RECYCLE\"/></DIR>");
    const std::string before = catalog.Document().SaveToString();
    const std::string article = dir.file("article.xml");
    ASSERT_TRUE(WriteFile(article, "<ARTICLE><DIR COMMENT=\"x\"/></ARTICLE>"));
    const std::string broken = dir.file("broken.xml");
    ASSERT_TRUE(WriteFile(broken, "<DIR><DIR COMMENT=\"x\"/>"));
    EXPECT_EQ(catalog.Merge(dir.file("missing.xml")), -1);
    EXPECT_EQ(catalog.Merge(article), -1);
    EXPECT_EQ(catalog.Merge(broken), -1);
    EXPECT_EQ(catalog.Document().SaveToString(), before);
}

// Runs unify passes until one says no more is needed.
int UnifyAll(CCatalog& catalog)
{
    int passes = 1;
    while (catalog.UnifyFolders() && passes < 100)
        ++passes;
    return passes;
}

TEST_F(Catalog, MergingACatalogIntoItselfFoldsEveryFolderIntoItsTwin)
{
    ASSERT_TRUE(WriteFile(path, DefaultCatalogBytes(data)));
    ASSERT_TRUE(catalog.Load(path, nullptr));
    catalog.AddItem(ByTitle(catalog.Root(), "MFC"), "a1", false)
        .SetAttribute("ID", "080101120000001");
    catalog.AddItem(ByTitle(catalog.Root(), "MFC"), "sub", true);
    catalog.AddItem(ByTitle(catalog.Root(), "sub"), "a2", false)
        .SetAttribute("ID", "080101120000002");
    ASSERT_TRUE(catalog.Save(path));
    const std::string titles = Titles(catalog.Root());

    EXPECT_EQ(catalog.Merge(path), 1);
    EXPECT_EQ(Titles(catalog.Root()), titles + " COM MFC[a1 sub[a2]] RECYCLE[新闻 New Folder]");
    EXPECT_LT(UnifyAll(catalog), 100);
    EXPECT_EQ(Titles(catalog.Root()), titles);
    EXPECT_EQ(catalog.Recycle(), catalog.Root().GetChild(0));
}

TEST_F(Catalog, UnifyMovesTheContentsOfTwinFoldersIntoTheFirst)
{
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"RECYCLE\"/>"
         "<DIR COMMENT=\"A\"><ARTICLE COMMENT=\"x1\" ID=\"x1\"/><DIR COMMENT=\"B\"><ARTICLE "
         "COMMENT=\"y1\" ID=\"y1\"/></DIR></DIR>"
         "<DIR COMMENT=\"A\"><DIR COMMENT=\"B\"><ARTICLE COMMENT=\"y2\" ID=\"y2\"/><ARTICLE "
         "COMMENT=\"y1 again\" ID=\"y1\"/></DIR>"
         "<DIR COMMENT=\"C\"><ARTICLE COMMENT=\"z\" ID=\"z\"/></DIR><ARTICLE COMMENT=\"x2\" "
         "ID=\"x2\"/></DIR></DIR>");
    EXPECT_FALSE(catalog.UnifyFolders()) << "one pass does it all, moved folders included";
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE A[x1 x2 C[z] B[y1 y2]]");
    EXPECT_FALSE(catalog.UnifyFolders());
    EXPECT_EQ(Titles(catalog.Root()), "RECYCLE A[x1 x2 C[z] B[y1 y2]]") << "a second pass changes nothing";
}

TEST_F(Catalog, UnifyKeepsFoldersAndArticlesApartAndArticlesWithoutIdAlone)
{
    // Seen in a real catalog: a folder named after an article's ID, articles imported
    // without IDs, and a title with a slash in it.
    Load("<DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"RECYCLE\"/>"
         "<DIR COMMENT=\"070315142233042\"><ARTICLE COMMENT=\"inside\" ID=\"070315000000009\"/></DIR>"
         "<ARTICLE COMMENT=\"story\" ID=\"070315142233042\"/>"
         "<ARTICLE COMMENT=\"no id 1\"/><ARTICLE COMMENT=\"no id 2\" ID=\"\"/>"
         "<DIR COMMENT=\"a/b\"><ARTICLE COMMENT=\"slash\" ID=\"s1\"/></DIR>"
         "<DIR COMMENT=\"a\"><DIR COMMENT=\"b\"><ARTICLE COMMENT=\"nested\" ID=\"s2\"/></DIR></DIR></DIR>");
    const std::string titles = Titles(catalog.Root());
    EXPECT_FALSE(catalog.UnifyFolders());
    EXPECT_EQ(Titles(catalog.Root()), titles);
}

TEST_F(Catalog, AMergeBringsTheArticleFilesOursLacksAndOverwritesNone)
{
    Load("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data + "\"><DIR COMMENT=\"RECYCLE\"/>"
         "<ARTICLE COMMENT=\"mine\" ID=\"070315000000002\" FILE=\"070315000000002.html\"/></DIR>");
    namespace fs = std::filesystem;
    fs::create_directories(data + "/070315");
    ASSERT_TRUE(WriteFile(data + "/070315/070315000000002.html", "ours"));

    const std::string theirs = dir.file("theirs");
    fs::create_directories(theirs + "/070315/070315000000001_files/css");
    ASSERT_TRUE(WriteFile(theirs + "/070315/070315000000001.html", "article one"));
    ASSERT_TRUE(WriteFile(theirs + "/070315/070315000000001_files/css/site.css", "body{}"));
    fs::create_symlink("/etc/passwd", theirs + "/070315/070315000000001_files/leak");
    ASSERT_TRUE(WriteFile(theirs + "/070315/070315000000002.html", "theirs"));
    ASSERT_TRUE(WriteFile(theirs + "/old.pdf", "flat"));
    ASSERT_TRUE(WriteFile(dir.file("secret"), "never copied"));
    const std::string other = dir.file("other.xml");
    ASSERT_TRUE(WriteFile(other, Gbk("<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + theirs + "\"><DIR COMMENT=\"RECYCLE\"/>"
                                     "<ARTICLE COMMENT=\"one\" ID=\"070315000000001\" FILE=\"070315000000001.html\"/>"
                                     "<ARTICLE COMMENT=\"two\" ID=\"070315000000002\" FILE=\"070315000000002.html\"/>"
                                     "<ARTICLE COMMENT=\"pdf\" ID=\"x\" FILE=\"old.pdf\"/>"
                                     "<ARTICLE COMMENT=\"evil\" ID=\"..\" FILE=\"../secret\"/></DIR>")));
    CCatalog::MergeFiles files;
    EXPECT_EQ(catalog.Merge(other, &files), 1);
    EXPECT_EQ(files.copied, 2);
    EXPECT_TRUE(files.failed.empty());
    EXPECT_EQ(ReadFile(data + "/070315/070315000000001.html"), "article one");
    EXPECT_EQ(ReadFile(data + "/070315/070315000000001_files/css/site.css"), "body{}");
    EXPECT_FALSE(fs::exists(fs::symlink_status(data + "/070315/070315000000001_files/leak")));
    EXPECT_EQ(ReadFile(data + "/070315/070315000000002.html"), "ours") << "never overwritten";
    EXPECT_EQ(ReadFile(data + "/old.pdf"), "flat");
    EXPECT_EQ(Entries(data), (std::vector<std::string>{"070315", "old.pdf"}));

    // Merged from our own data folder: nothing to copy.
    EXPECT_EQ(catalog.Merge(path, &files), 1);
    EXPECT_EQ(files.copied, 0);
}

TEST_F(Catalog, DeepBranchesAreHandledWithoutRecursion)
{
    // Built in memory (files cannot be this deep), on a small stack.
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    auto run = [](void* arg) -> void* {
        auto& c = *static_cast<CCatalog*>(arg);
        CXmlNode n = c.Document().CreateRoot("DIR");
        for (int i = 0; i < 50000; ++i)
            n = n.CreateChildAfter(CXmlNode(), i % 2 ? "ARTICLE" : "DIR");
        n.SetAttribute("ID", "bottom");
        EXPECT_EQ(c.FindById("bottom"), n);
        std::vector<CXmlNode> items;
        CCatalog::CollectItems(c.Root(), items);
        EXPECT_EQ(items.size(), 50001u);
        EXPECT_EQ(CCatalog::GetItemPath(n).size(), 50001u + 6);
        EXPECT_TRUE(c.RemoveItem(c.Root().GetChild(0)));
        EXPECT_EQ(c.Root().GetChildCount(), 0);
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, run, &catalog), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

} // namespace
