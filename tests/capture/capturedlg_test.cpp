// The capture's progress window against a local server, on the offscreen platform.
#include "capturedlg.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QTimer>

#include "localserver.h"

#include <chrono>
#include <filesystem>

namespace {

DownloadRequest request(const std::string& url, const std::string& path)
{
    DownloadRequest r;
    r.url = url;
    r.path = path;
    return r;
}

} // namespace

TEST(CaptureDialog, RoundsCountTheWholeCaptureAndCancelKeepsWhatCame)
{
    LocalServer local;
    local.Start();
    TestFolder folder;
    CCaptureDlg dialog;
    const CaptureFetcher fetcher = dialog.Fetcher();

    std::vector<DownloadRequest> first{request(local.Url("/file.gif"), folder.file("a.gif")),
                                       request(local.Url("/img/photo.jpg"), folder.file("b.jpg"))};
    EXPECT_TRUE(fetcher.download(first));
    EXPECT_TRUE(first[0].ok && first[1].ok);
    EXPECT_EQ(ReadFile(folder.file("b.jpg")), "photo");
    EXPECT_EQ(dialog.FilesText(), QStringLiteral("2 of 2 files"));

    // A second round counts on from the first; Cancel stops the endless transfer at once.
    std::vector<DownloadRequest> second{request(local.Url("/endless"), folder.file("c.bin"))};
    QTimer::singleShot(300, &dialog, &CCaptureDlg::reject);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetcher.download(second));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(second[0].ok);
    EXPECT_TRUE(dialog.Cancelled());
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_NE(entry.path().filename().string().substr(0, 5), "c.bin") << "no partial file is left";
    EXPECT_TRUE(Exists(folder.file("a.gif"))) << "what came is kept";
    EXPECT_FALSE(fetcher.download(first)) << "after Cancel no round runs";
}
