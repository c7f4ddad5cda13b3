#include "defaultcatalog.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(DefaultCatalog, ExactBytes)
{
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
        "<DIR COMMENT=\"CATALOG\" ROOTDIR=\"/home/u/QuorCollection1\">\r\n"
        "\t<DIR COMMENT=\"RECYCLE\"><DIR COMMENT=\"\xD0\xC2\xCE\xC5\"/><DIR COMMENT=\"New Folder\"/></DIR>"
        "<DIR COMMENT=\"MFC\"/><DIR COMMENT=\"COM\"/></DIR>\r\n";
    EXPECT_EQ(DefaultCatalogBytes("/home/u/QuorCollection1"), expected);
}

TEST(DefaultCatalog, RootFolderIsEscapedForXml)
{
    const std::string bytes = DefaultCatalogBytes("/home/a&b\"<c>/用户😀/QuorCollection1");
    EXPECT_NE(bytes.find("ROOTDIR=\"/home/a&amp;b&quot;&lt;c&gt;/\xD3\xC3\xBB\xA7&#128512;/QuorCollection1\""),
              std::string::npos);
}

TEST(DefaultCatalog, WrittenOnceAndNeverOverAnExistingFile)
{
    TestFolder folder;
    const std::string path = folder.file("QuorCatalog.xml");
    std::string error;
    ASSERT_TRUE(WriteDefaultCatalog(path, "/r1", &error)) << error;
    EXPECT_EQ(ReadFile(path), DefaultCatalogBytes("/r1"));

    ASSERT_TRUE(WriteFile(path, "my own catalog"));
    EXPECT_TRUE(WriteDefaultCatalog(path, "/r1", &error));
    EXPECT_EQ(ReadFile(path), "my own catalog");
}

TEST(DefaultCatalog, UnwritableFolderIsReportedAndLeavesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    TestFolder folder;
    ::chmod(folder.path().c_str(), 0500);
    std::string error;
    EXPECT_FALSE(WriteDefaultCatalog(folder.file("QuorCatalog.xml"), "/r1", &error));
    EXPECT_NE(error.find("QuorCatalog.xml"), std::string::npos);
    EXPECT_FALSE(Exists(folder.file("QuorCatalog.xml")));
}

TEST(DefaultCatalog, FolderThatCannotExistIsReported)
{
    TestFolder folder;
    ASSERT_TRUE(WriteFile(folder.file("plainfile"), "x"));
    std::string error;
    EXPECT_FALSE(WriteDefaultCatalog(folder.file("plainfile/QuorCatalog.xml"), "/r1", &error));
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;
}
