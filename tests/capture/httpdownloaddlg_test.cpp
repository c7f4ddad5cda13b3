// The download dialog against a local server, on the offscreen platform.
#include "httpdownloaddlg.h"
#include "messagebox.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "localserver.h"

#include <chrono>
#include <thread>

namespace {

class DownloadDialog : public ::testing::Test
{
protected:
    void SetUp() override { local.Start(); }
    void TearDown() override { TakeAnsweredMessageBoxes(); }

    LocalServer local;
    TestFolder folder;
};

} // namespace

TEST_F(DownloadDialog, EndsWithTheFileOrWithTheReason)
{
    CHttpDownloadDlg ok;
    ok.m_strUrl = local.Url("/file.gif");
    ok.m_strFilePath = folder.file("a.gif");
    EXPECT_EQ(ok.exec(), QDialog::Accepted);
    EXPECT_EQ(ReadFile(folder.file("a.gif")), std::string(3000, 'g'));
    EXPECT_EQ(ok.windowTitle(), QStringLiteral("100% of file.gif Completed"));

    CHttpDownloadDlg missing;
    missing.m_strUrl = local.Url("/missing");
    missing.m_strFilePath = folder.file("m.gif");
    EXPECT_EQ(missing.exec(), QDialog::Rejected);
    EXPECT_EQ(missing.m_strError, "Failed to receive a valid HTTP response from the server");
    EXPECT_FALSE(Exists(folder.file("m.gif")));
}

TEST_F(DownloadDialog, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo)
{
    WriteFile(folder.file("a.gif"), "mine");
    CHttpDownloadDlg dialog;
    dialog.m_strUrl = local.Url("/file.gif");
    dialog.m_strFilePath = folder.file("a.gif");
    QueueMessageBoxAnswer(MsgResult::No);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(ReadFile(folder.file("a.gif")), "mine");
    EXPECT_TRUE(TakeAnsweredMessageBoxes().value(0).contains(QStringLiteral("already exists")));
}

TEST_F(DownloadDialog, CancelEndsOnlyWhenTheWorkerHasStoppedAndLeavesNoFile)
{
    CHttpDownloadDlg dialog;
    dialog.m_strUrl = local.Url("/endless");
    dialog.m_strFilePath = folder.file("endless");
    QTimer::singleShot(300, &dialog, [&] {
        dialog.reject();
        EXPECT_EQ(dialog.StatusText(), QStringLiteral("Aborting transfer"));
        EXPECT_TRUE(dialog.isVisible()) << "still there until the worker reports";
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(Exists(folder.file("endless")));
}
