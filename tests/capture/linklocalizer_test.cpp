#include "appglobals.h"
#include "cleanpage.h"
#include "htmldocument.h"
#include "linklocalizer.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace {

// A fetcher over a few files on disk, counting what it was asked for.
class Localize : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_szFileTypes = DEFAULT_FILE_TYPES;
        attachDir = folder.file("070315142233042_files");
        std::filesystem::create_directories(attachDir);
        std::filesystem::create_directories(folder.file("web/a"));
        std::filesystem::create_directories(folder.file("web/b"));
        for (const char* name : {"a.gif", "x.pdf", "p.jpeg", "f.swf", "bg.png", "a/same.png", "b/same.png"})
            WriteFile(folder.file(std::string("web/") + name), name);
    }

    std::string run(const std::string& page, const std::string& base = "http://h.example/d/p.html")
    {
        CHtmlDocument doc;
        doc.SetHtml(page);
        doc.Parse();
        result = LocalizeLinks(doc, base, attachDir, "070315142233042_files",
                               [this](const std::string& address, std::string& local, std::vector<std::string>& failures) {
                                   asked.push_back(address);
                                   const auto slash = address.find("/d/");
                                   const std::string file = folder.file("web/" + address.substr(slash + 3));
                                   if (slash == std::string::npos || !Exists(file)) {
                                       failures.push_back(address);
                                       return false;
                                   }
                                   local = file;
                                   return true;
                               });
        std::string out;
        doc.GetHtml(out);
        return out;
    }

    TestFolder folder;
    std::string attachDir;
    std::vector<std::string> asked;
    LocalizeResult result;
};

} // namespace

TEST_F(Localize, PicturesAndConfiguredTypesComeIntoTheAttachmentFolder)
{
    EXPECT_EQ(run("<img src=\"a.gif\"><a href=\"x.pdf#page=2\">doc</a><a href=\"x.html\">page</a><a href=\"p.jpeg\">j</a>"
                  "<img src=p.jpeg>"),
              "<IMG src = \"070315142233042_files/a.gif\" >"
              "<A href = \"070315142233042_files/x.pdf#page=2\" >doc</A >"
              "<A href = \"x.html\" >page</A ><A href = \"p.jpeg\" >j</A >"
              "<IMG src = \"070315142233042_files/p.jpeg\" >");
    EXPECT_EQ(ReadFile(attachDir + "/x.pdf"), "x.pdf");
    EXPECT_EQ(asked, (std::vector<std::string>{"http://h.example/d/a.gif", "http://h.example/d/x.pdf",
                                               "http://h.example/d/p.jpeg"}))
        << "the anchor is not part of the fetch";
    EXPECT_TRUE(result.failures.empty());
}

TEST_F(Localize, MoviesBackgroundsAndFailures)
{
    const std::string out = run("<param name=\"movie\" value=\"f.swf\"><param name=quality value=high><input value=x>"
                                "<body background=bg.png><td background=missing.png><img src=gone.gif>");
    EXPECT_EQ(out, "<PARAM name = \"movie\" value = \"070315142233042_files/f.swf\" >"
                   "<PARAM name = quality value = high ><INPUT value = x >"
                   "<BODY background = \"070315142233042_files/bg.png\" >"
                   "<TD ><IMG src = \"http://h.example/d/gone.gif\" >");
    EXPECT_EQ(result.failures, (std::vector<std::string>{"http://h.example/d/missing.png", "http://h.example/d/gone.gif"}));
}

TEST_F(Localize, LocalLinksAreLeftAloneAndNamesAreReused)
{
    const std::string page = "<a href=\"070315142233042_files/x.pdf\"><img src=\"a.gif\"></a>";
    EXPECT_EQ(run(page), "<A href = \"070315142233042_files/x.pdf\" ><IMG src = \"070315142233042_files/a.gif\" ></A >");
    asked.clear();
    const std::string twice = run("<img src=\"a/same.png\"><img src=\"b/same.png\">");
    EXPECT_EQ(twice, "<IMG src = \"070315142233042_files/same.png\" ><IMG src = \"070315142233042_files/same.png\" >");
    EXPECT_EQ(ReadFile(attachDir + "/same.png"), "a/same.png") << "the first file keeps the name";

    // Localising a localised page fetches nothing.
    asked.clear();
    const std::string again = run(twice);
    EXPECT_EQ(again, twice);
    EXPECT_TRUE(asked.empty());
}

TEST_F(Localize, NoUsableBaseLeavesRelativeLinks)
{
    EXPECT_EQ(run("<img src=a.gif><a href=x.pdf>d</a>", "abc"), "<IMG src = a.gif ><A href = x.pdf >d</A >");
    EXPECT_TRUE(asked.empty());
}

TEST(LocalizeTypes, OnlyTheConfiguredTypesOfLinkedDocuments)
{
    const std::string types = DEFAULT_FILE_TYPES;
    EXPECT_TRUE(IsDownloadType("doc/x.pdf", types));
    EXPECT_TRUE(IsDownloadType("X.ZIP\"' ", types));
    EXPECT_FALSE(IsDownloadType("x.html", types));
    EXPECT_FALSE(IsDownloadType("x.jpeg", types));
    EXPECT_TRUE(IsDownloadType("", types)) << "an empty type passes";
}

TEST(FetchUrlFile, DiskCacheAndNetworkInThisOrderEachFileDownloadedOnce)
{
    TestFolder folder;
    const std::string attach = folder.file("ID_files");
    std::filesystem::create_directories(attach);
    std::filesystem::create_directories(folder.file("My Pics"));
    WriteFile(folder.file("My Pics/Photo.PNG"), "disk");
    WriteFile(folder.file("cached.png"), "cache");

    int downloads = 0;
    const DownloadFunction download = [&](const std::string& address, std::string& path) {
        ++downloads;
        if (address.find("missing") != std::string::npos)
            return false;
        return WriteFile(path, "net:" + address);
    };
    const CacheLookup cache = [&](const std::string& address) {
        return address == "https://h.example/cached.png" ? folder.file("cached.png") : std::string();
    };
    std::vector<std::string> failures;
    std::string local;

    ASSERT_TRUE(FetchUrlFile("file://" + folder.file("My%20Pics/Photo.PNG"), local, failures, attach, cache, download));
    EXPECT_EQ(ReadFile(local), "disk") << "the path keeps its case";
    EXPECT_FALSE(FetchUrlFile("file://" + folder.file("My%20Pics/photo.png"), local, failures, attach, cache, download));
    EXPECT_FALSE(FetchUrlFile("file://" + folder.path(), local, failures, attach, cache, download)) << "a folder";

    ASSERT_TRUE(FetchUrlFile("https://h.example/cached.png", local, failures, attach, cache, download));
    EXPECT_EQ(ReadFile(local), "cache");
    EXPECT_EQ(downloads, 0);

    ASSERT_TRUE(FetchUrlFile("https://h.example/d/../../x/a.gif?x=1&y=/2", local, failures, attach, cache, download));
    EXPECT_EQ(local.rfind(attach + "/", 0), 0u) << "the download stays in the folder";
    EXPECT_EQ(local.find("/..", attach.size()), std::string::npos);
    const std::string first = local;
    ASSERT_TRUE(FetchUrlFile("https://h.example/d/../../x/a.gif?x=1&y=/2", local, failures, attach, cache, download));
    EXPECT_EQ(local, first);
    EXPECT_EQ(downloads, 1) << "a file is downloaded once per run";

    EXPECT_FALSE(FetchUrlFile("http://h.example/missing.gif", local, failures, attach, cache, download));
    EXPECT_FALSE(FetchUrlFile("http://h.example/missing.gif", local, failures, attach, cache, download));
    EXPECT_EQ(downloads, 3) << "a failure is tried again";
    EXPECT_EQ(failures, (std::vector<std::string>{"http://h.example/missing.gif", "http://h.example/missing.gif"}));

    EXPECT_FALSE(FetchUrlFile("ftp://h.example/f.zip", local, failures, attach, cache, download));
    EXPECT_EQ(failures.size(), 2u) << "other schemes fail without an entry";
}

TEST(ForceLocalizeLink, EveryClickDownloadsAgainIntoTheShownArticle)
{
    TestFolder folder;
    const std::string attach = folder.file("ID_files");
    std::filesystem::create_directories(attach);
    int downloads = 0;
    const DownloadFunction download = [&](const std::string&, std::string& path) {
        ++downloads;
        return WriteFile(path, "pic");
    };
    std::vector<std::string> failures;
    std::string address = "https://h.example/a/b/pic.png";
    ASSERT_TRUE(ForceLocalizeLink(attach, "ID_files", address, failures, {}, download));
    EXPECT_EQ(address.rfind("ID_files/", 0), 0u);
    EXPECT_NE(address.find("h.examplea"), std::string::npos) << "the whole tail names the file";
    std::string again = "https://h.example/a/b/pic.png";
    ASSERT_TRUE(ForceLocalizeLink(attach, "ID_files", again, failures, {}, download));
    EXPECT_EQ(downloads, 2);
    EXPECT_TRUE(failures.empty());
}

TEST_F(Localize, HostilePagesFetchOnlyWhatTheyNameAndNeverCrash)
{
    std::string page;
    for (int i = 0; i < 3000; ++i)
        page += "<img src=\"i" + std::to_string(i) + ".gif\">";
    page += "<img src=\"" + std::string(65536, 'a') + ".gif\"><a href=\"" + std::string(1 << 20, 'x') + ".pdf\">";
    run(page);
    EXPECT_EQ(asked.size(), 3002u) << "each named link once, nothing else";
    EXPECT_EQ(result.failures.size(), 3001u);
    EXPECT_EQ(LocalizeFailureText(LocalizeResult{}), "");
    EXPECT_EQ(LocalizeFailureText(LocalizeResult{{"a", "b"}, {}}), "Download Files Fail:\r\na\r\nb\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(attachDir))
        FAIL() << "nothing was fetched, yet " << entry.path() << " is there";
}
