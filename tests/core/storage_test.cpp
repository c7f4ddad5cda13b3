#include "appglobals.h"
#include "storage.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

namespace {

// Points the data folder at a fresh folder for one test.
class Storage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_saved = g_szDataFolder.str();
        data = m_folder.file("data");
        std::filesystem::create_directories(data);
        ASSERT_TRUE(SetDataFolder(data));
    }
    void TearDown() override { g_szDataFolder = m_saved; }

    std::string data;

private:
    TestFolder m_folder;
    std::string m_saved;
};

std::chrono::system_clock::time_point localTime(int y, int mo, int d, int h, int mi, int s, int ms)
{
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    t.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&t)) + std::chrono::milliseconds(ms);
}

} // namespace

TEST(ArticleId, IsLocalTimeAndMilliseconds)
{
    EXPECT_EQ(MakeArticleIdAt(localTime(2007, 3, 15, 14, 22, 33, 42)), "070315142233042");
    EXPECT_EQ(MakeArticleIdAt(localTime(2026, 12, 31, 23, 59, 59, 999)), "261231235959999");
    EXPECT_EQ(MakeArticleIdAt(localTime(2001, 1, 2, 3, 4, 5, 0)), "010102030405000");
}

TEST_F(Storage, IdsMadeInTheSameMillisecondNeverRepeat)
{
    std::set<std::string> ids;
    std::string last;
    for (int i = 0; i < 3000; ++i) {
        const std::string id = MakeArticleId();
        ASSERT_EQ(id.size(), 15u);
        EXPECT_GT(id, last);
        last = id;
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3000u);
}

TEST_F(Storage, IdOfAnArticleAlreadyOnDiskTakesTheNextFreeMillisecond)
{
    // Articles from a run whose clock was ahead occupy 40 milliseconds of the future.
    const auto future = std::chrono::floor<std::chrono::milliseconds>(std::chrono::system_clock::now()) +
                        std::chrono::hours(24 * 365);
    for (int ms = 0; ms < 40; ++ms) {
        const std::string id = MakeArticleIdAt(future + std::chrono::milliseconds(ms));
        const std::string path = GetArticlePath(id);
        ASSERT_FALSE(path.empty());
        if (ms % 3 == 0)
            ASSERT_TRUE(WriteFile(path, "old article"));
        else if (ms % 3 == 1)
            ASSERT_TRUE(WriteFile(ReplaceFileExt(path, "mht"), "imported"));
        else
            std::filesystem::create_directories(GetAttachDir(id));
    }
    EXPECT_EQ(MakeArticleIdFrom(future), MakeArticleIdAt(future + std::chrono::milliseconds(40)));
    EXPECT_EQ(MakeArticleIdFrom(future), MakeArticleIdAt(future + std::chrono::milliseconds(41)))
        << "the next one follows the last given out";
}

TEST_F(Storage, ArticleAndAttachmentPathsLiveInTheDayFolder)
{
    const std::string id = "070315142233042";
    EXPECT_EQ(GetArticlePath(id), data + "/070315/070315142233042.html");
    EXPECT_TRUE(std::filesystem::is_directory(data + "/070315"));
    EXPECT_FALSE(Exists(data + "/070315/070315142233042.html")) << "the file itself is not made";
    EXPECT_EQ(GetAttachDirName(id), "070315142233042_files");
    EXPECT_EQ(GetAttachDir(id), data + "/070315/070315142233042_files");
    EXPECT_TRUE(std::filesystem::is_directory(data + "/070315/070315142233042_files"));

    // Only the last level is made: without its day folder the attachment folder cannot be.
    EXPECT_EQ(GetAttachDir("080101000000000"), "");
    EXPECT_FALSE(Exists(data + "/080101"));
}

TEST_F(Storage, IdsFromACatalogCannotNamePlacesOutsideTheDataFolder)
{
    for (const char* id : {"../../../tmp/x", "..", "", "a/b", "0703/5/../../x", "../x"}) {
        EXPECT_EQ(GetArticlePath(id), "") << id;
        EXPECT_EQ(GetAttachDir(id), "") << id;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data), {}), 0);
}

TEST_F(Storage, ResolveArticleFileFindsDayFolderThenFlatFiles)
{
    std::filesystem::create_directories(data + "/070315");
    ASSERT_TRUE(WriteFile(data + "/070315/070315142233042.html", "day"));
    EXPECT_EQ(ResolveArticleFile("070315142233042.html"), data + "/070315/070315142233042.html");

    ASSERT_TRUE(WriteFile(data + "/061231000000000.html", "flat"));
    EXPECT_EQ(ResolveArticleFile("061231000000000.html"), data + "/061231000000000.html");

    EXPECT_EQ(ResolveArticleFile("050101000000000.html"), "");
    EXPECT_EQ(ResolveArticleFile("[QUOR_FOLDER]"), "");
    EXPECT_EQ(ResolveArticleFile("abc"), "");
    ASSERT_TRUE(WriteFile(data + "/abc", "too short to be an article"));
    EXPECT_EQ(ResolveArticleFile("abc"), "");
    EXPECT_EQ(ResolveArticleFile("../../etc/passwd"), "");
    EXPECT_EQ(ResolveArticleFile("070315/../../x"), "");
    // A FILE with wildcards must not open another article.
    EXPECT_EQ(ResolveArticleFile("070315*"), "");
    EXPECT_EQ(ResolveArticleFile("07031514223304?.html"), "");
    EXPECT_EQ(GetArticlePath("0703*"), "");
}

TEST_F(Storage, WildcardCharactersInTheDataFolderAreJustCharacters)
{
    const std::string odd = data + "/odd?*[x]";
    std::filesystem::create_directories(odd + "/070315");
    ASSERT_TRUE(SetDataFolder(odd));
    ASSERT_TRUE(WriteFile(odd + "/070315/070315142233042.html", "day"));
    EXPECT_EQ(ResolveArticleFile("070315142233042.html"), odd + "/070315/070315142233042.html");
    EXPECT_EQ(GetAttachDir("070315142233042"), odd + "/070315/070315142233042_files");
}

TEST_F(Storage, DataFolderProblemsAreNamed)
{
    EXPECT_EQ(DataFolderProblem(data), "");
    EXPECT_EQ(DataFolderProblem(data + "/not/yet/made"), "") << "made when the first article needs it";
    ASSERT_TRUE(WriteFile(data + "/file", "x"));
    EXPECT_NE(DataFolderProblem(data + "/file").find("Not a directory"), std::string::npos);
    EXPECT_NE(DataFolderProblem(data + "/file/sub").find("Not a directory"), std::string::npos);
}

TEST_F(Storage, ChangingTheDataFolderDoesNotMoveFiles)
{
    std::filesystem::create_directories(data + "/070315");
    ASSERT_TRUE(WriteFile(data + "/070315/070315142233042.html", "day"));
    const std::string other = data + "-other";
    std::filesystem::create_directories(other);
    ASSERT_TRUE(SetDataFolder(other));
    EXPECT_EQ(ResolveArticleFile("070315142233042.html"), "");
    EXPECT_FALSE(SetDataFolder("relative/path"));
    EXPECT_FALSE(SetDataFolder("C:\\QuorCollection"));
    EXPECT_FALSE(SetDataFolder("/" + std::string(300, 'x')));
    EXPECT_EQ(g_szDataFolder.str(), other);
}

TEST_F(Storage, ExistingPathMatchesWildcardsOnlyInTheLastPart)
{
    ASSERT_TRUE(WriteFile(data + "/b.html", ""));
    ASSERT_TRUE(WriteFile(data + "/a.html", ""));
    ASSERT_TRUE(WriteFile(data + "/a[1].html", ""));
    EXPECT_EQ(GetExistingPath(data + "/*.html"), data + "/a.html");
    EXPECT_EQ(GetExistingPath(data + "/?.html"), data + "/a.html");
    EXPECT_EQ(GetExistingPath(data + "/a[1].html"), data + "/a[1].html");
    EXPECT_EQ(GetExistingPath(data + "/a[1]*"), data + "/a[1].html");
    EXPECT_EQ(GetExistingPath(data + "/*.mht"), "");
    EXPECT_EQ(GetExistingPath(data + "/*/a.html"), "");
    EXPECT_EQ(GetExistingName(data + "/b*"), "b.html");
    EXPECT_EQ(GetExistingName(data + "/none*"), data + "/none*");
}

TEST(PathText, NamesExtensionsAndUrls)
{
    EXPECT_EQ(GetFileExt("a.b.mht"), "mht");
    EXPECT_EQ(GetFileExt("noext"), "");
    EXPECT_EQ(GetFileExt("/home/a.b/noext"), "");
    EXPECT_EQ(GetFileExt("x."), "");
    EXPECT_EQ(ReplaceFileExt("x.html", "eml"), "x.eml");
    EXPECT_EQ(ReplaceFileExt("noext", "eml"), "noext");
    EXPECT_EQ(ReplaceFileExt("/a.b/c", "eml"), "/a.b/c");
    EXPECT_EQ(GetFileNamePart("/home/u/a.html"), "a.html");
    EXPECT_EQ(GetFileNamePart("a.html"), "a.html");
    EXPECT_EQ(GetFileNamePart("/home/u/"), "");

    EXPECT_EQ(PathToFileUrl("C:\\a\\b.html"), "file://C:/a/b.html");
    EXPECT_EQ(PathToFileUrl("/home/u/a b.html"), "file:///home/u/a b.html");
    EXPECT_EQ(GetUrlDir("http://host/a/b.html"), "http://host/a/");
    EXPECT_EQ(GetUrlDir("abc"), "abc/");

    EXPECT_TRUE(PathStartsWith("  \"\"/Home/U/Data/x.png", "/home/u/data"));
    EXPECT_TRUE(PathStartsWith("/a/b", "  \"/A"));
    EXPECT_FALSE(PathStartsWith("/a", "/a/b"));
    EXPECT_TRUE(PathStartsWith("/a", ""));

    EXPECT_TRUE(IsFolderFile("[QUOR_FOLDER]"));
    EXPECT_TRUE(IsFolderFile("abc"));
    EXPECT_TRUE(IsFolderFile(""));
    EXPECT_FALSE(IsFolderFile("a.ht"));
}
