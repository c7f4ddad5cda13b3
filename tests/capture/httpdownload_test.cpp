// Downloads from a real server on 127.0.0.1, including hostile answers.
#include "httpdownload.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include "localserver.h"

#include <chrono>
#include <thread>

namespace {

class Download : public ::testing::Test
{
protected:
    void SetUp() override
    {
        local.server.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/img/photo.jpg");
        });
        local.Start();
    }

    CHttpDownload::Result get(CHttpDownload& download)
    {
        CHttpDownload::Events events;
        events.status = [this](const std::string& s) { statuses.push_back(s); };
        events.progress = [this](std::uint64_t total, std::uint64_t size) {
            lastTotal = total;
            lastSize = size;
            if (total > 8192)
                stop = true; // the user presses Cancel
        };
        return download.Run(events, stop);
    }

    LocalServer local;
    TestFolder folder;
    std::vector<std::string> statuses;
    std::uint64_t lastTotal = 0, lastSize = 0;
    std::atomic<bool> stop{false};
};

} // namespace

TEST_F(Download, AFileArrivesWholeWithItsProgressAndStatus)
{
    CHttpDownload download(local.Url("/file.gif"), folder.file("a.gif"));
    ASSERT_EQ(get(download), CHttpDownload::Result::Done) << download.Error();
    EXPECT_EQ(ReadFile(folder.file("a.gif")), std::string(3000, 'g'));
    EXPECT_EQ(lastTotal, 3000u);
    EXPECT_EQ(lastSize, 3000u);
    EXPECT_EQ(download.FinalPath(), "");
    EXPECT_EQ(statuses.front(), "Connecting to " + CHttpDownload::ServerOf(local.Url("/")));
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "Retrieving the file"), statuses.end());
}

TEST_F(Download, RedirectsAndServerNamesRenameTheFileInsideItsFolder)
{
    CHttpDownload redirected(local.Url("/redirect"), folder.file("ID"));
    ASSERT_EQ(get(redirected), CHttpDownload::Result::Done) << redirected.Error();
    EXPECT_EQ(redirected.FinalPath(), folder.file("IDphoto.jpg"));
    EXPECT_EQ(ReadFile(folder.file("IDphoto.jpg")), "photo");
    EXPECT_FALSE(Exists(folder.file("ID")));

    CHttpDownload named(local.Url("/named"), folder.file("N"));
    ASSERT_EQ(get(named), CHttpDownload::Result::Done);
    EXPECT_EQ(named.FinalPath(), folder.file("Nreport.pdf"));

    CHttpDownload evil(local.Url("/evil"), folder.file("E"));
    ASSERT_EQ(get(evil), CHttpDownload::Result::Done);
    EXPECT_EQ(evil.FinalPath(), folder.file("Ex.txt")) << "the server cannot choose the folder";
    EXPECT_EQ(ReadFile(folder.file("Ex.txt")), "evil");
}

TEST_F(Download, HostileServersEndInAMessageAndLeaveNoPartialFile)
{
    struct Case
    {
        const char* path;
        const char* error;
    };
    const Case cases[] = {
        {"/missing", "Failed to receive a valid HTTP response from the server"},
        {"/loop", "An error occurred connecting to the server, Error:47"},
        {"/bigheader", "Failed to receive a valid response from the server"},
        {"/reset", "An error occurred while downloading the file, Error:18"},
    };
    for (const Case& c : cases) {
        const std::string target = folder.file("partial");
        CHttpDownload download(local.Url(c.path), target);
        EXPECT_EQ(get(download), CHttpDownload::Result::Failed) << c.path;
        EXPECT_EQ(download.Error(), c.error) << c.path;
        EXPECT_FALSE(Exists(target)) << c.path;
    }
    CHttpDownload refused("http://127.0.0.1:1/x", folder.file("refused"));
    EXPECT_EQ(get(refused), CHttpDownload::Result::Failed);
    EXPECT_EQ(refused.Error(), "An error occurred connecting to the server, Error:7");
}

TEST_F(Download, CancelEndsAnEndlessBodyAndDeletesThePart)
{
    CHttpDownload download(local.Url("/endless"), folder.file("endless"));
    EXPECT_EQ(get(download), CHttpDownload::Result::Aborted);
    EXPECT_FALSE(Exists(folder.file("endless")));
    EXPECT_EQ(lastSize, 0u) << "no length was given";
}

TEST(DownloadNames, AddressPartsAndSafeRenames)
{
    EXPECT_EQ(CHttpDownload::ServerOf("http://user@h.example:8080/a/b.gif?x"), "h.example:8080");
    EXPECT_EQ(CHttpDownload::FileNameOf("http://h.example/a/b.gif?x=1"), "b.gif");
    EXPECT_EQ(CHttpDownload("h.example/file.zip", "/tmp/f").Url(), "http://h.example/file.zip");
    EXPECT_EQ(CHttpDownload::RenamedPath("/d/ID", "../../etc/passwd"), "/d/IDpasswd");
    EXPECT_EQ(CHttpDownload::RenamedPath("/d/ID", ".."), "");
    EXPECT_EQ(CHttpDownload::RenamedPath("/d/ID", "a\\b\\c.txt"), "/d/IDc.txt");
    EXPECT_EQ(CHttpDownload::RenamedPath("/d/ID", ""), "");
}
