// The download dialog against a local server, on the offscreen platform.
#include "httpdownloaddlg.h"
#include "messagebox.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <httplib.h>

#include <chrono>
#include <thread>

namespace {

class DownloadDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.Get("/file.gif", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3000, 'g'), "image/gif");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return sink.write(std::string(1024, 'e').data(), 1024);
            });
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    void TearDown() override
    {
        server.stop();
        thread.join();
        TakeAnsweredMessageBoxes();
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port) + path; }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    TestFolder folder;
};

} // namespace

TEST_F(DownloadDialog, EndsWithTheFileOrWithTheReason)
{
    CHttpDownloadDlg ok;
    ok.m_strUrl = url("/file.gif");
    ok.m_strFilePath = folder.file("a.gif");
    EXPECT_EQ(ok.exec(), QDialog::Accepted);
    EXPECT_EQ(ReadFile(folder.file("a.gif")), std::string(3000, 'g'));
    EXPECT_EQ(ok.windowTitle(), QStringLiteral("100% of file.gif Completed"));

    CHttpDownloadDlg missing;
    missing.m_strUrl = url("/missing");
    missing.m_strFilePath = folder.file("m.gif");
    EXPECT_EQ(missing.exec(), QDialog::Rejected);
    EXPECT_EQ(missing.m_strError, "Failed to receive a valid HTTP response from the server");
    EXPECT_FALSE(Exists(folder.file("m.gif")));
}

TEST_F(DownloadDialog, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo)
{
    WriteFile(folder.file("a.gif"), "mine");
    CHttpDownloadDlg dialog;
    dialog.m_strUrl = url("/file.gif");
    dialog.m_strFilePath = folder.file("a.gif");
    QueueMessageBoxAnswer(MsgResult::No);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(ReadFile(folder.file("a.gif")), "mine");
    EXPECT_TRUE(TakeAnsweredMessageBoxes().value(0).contains(QStringLiteral("already exists")));
}

TEST_F(DownloadDialog, CancelEndsOnlyWhenTheWorkerHasStoppedAndLeavesNoFile)
{
    CHttpDownloadDlg dialog;
    dialog.m_strUrl = url("/endless");
    dialog.m_strFilePath = folder.file("endless");
    QTimer::singleShot(300, &dialog, [&] {
        dialog.reject();
        EXPECT_EQ(dialog.StatusText(), QStringLiteral("Aborting transfer"));
        EXPECT_TRUE(dialog.isVisible()) << "still there until the worker reports";
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(Exists(folder.file("endless")));
}
