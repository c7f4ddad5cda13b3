#include "downloadtexts.h"

#include <gtest/gtest.h>

TEST(DownloadTexts, SizesRatesAndTimes)
{
    EXPECT_EQ(DownloadSizeText(300), "300 Bytes");
    EXPECT_EQ(DownloadSizeText(5000), "4.9 KB");
    EXPECT_EQ(DownloadSizeText(1048575), "1024.0 KB");
    EXPECT_EQ(DownloadSizeText(3145728), "3.00 MB");
    EXPECT_EQ(DownloadSizeText(8ull << 30), "8192.00 MB") << "no 16-bit or 32-bit limit";

    EXPECT_EQ(DownloadRateText(0.5), "512 Bytes/Sec");
    EXPECT_EQ(DownloadRateText(2.5), "2.50 KB/Sec");
    EXPECT_EQ(DownloadRateText(25), "25 KB/Sec");

    EXPECT_EQ(DownloadSecondsText(59), "59 sec");
    EXPECT_EQ(DownloadSecondsText(120), "2 min");
    EXPECT_EQ(DownloadSecondsText(125), "2 min 5 sec");
    EXPECT_EQ(DownloadTimeLeftText(125, 5000, 3145728), "2 min 5 sec (4.9 KB of 3.00 MB copied)");

    EXPECT_EQ(DownloadSecondsLeft(2000, 1000, 3000), 4u);
    EXPECT_EQ(DownloadSecondsLeft(2000, 0, 3000), 0u);
    EXPECT_EQ(DownloadPercent(1, 3), 33);
    EXPECT_EQ(DownloadPercent(5000000000ull, 10000000000ull), 50);
    EXPECT_EQ(DownloadPercent(1, 0), 0);
    EXPECT_EQ(FormatDownloadText("%1% of %2 Completed", "42", "photo.jpg"), "42% of photo.jpg Completed");
    EXPECT_EQ(FormatDownloadText("%1 from %2", "http://h.example/a%20b.gif", "h.example"),
              "http://h.example/a%20b.gif from h.example");
}
