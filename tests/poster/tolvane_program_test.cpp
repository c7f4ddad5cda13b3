// The real program, started the way the library starts it: an article file and a title.
#include "codepage.h"
#include "fakeblog.h"
#include "password.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>

#include <chrono>
#include <thread>

TEST(TolvaneProgram, PostsTheArticleNamedOnTheCommandLineWithoutAClick)
{
    TestFolder folder;
    FakeBlog blog;
    {
        QSettings settings(QStringLiteral("Dovratek"), QStringLiteral("Tolvane"));
        settings.setValue(QStringLiteral("CONFIG/URLLOGIN"), QString::fromStdString(blog.LoginUrl()));
        settings.setValue(QStringLiteral("CONFIG/URLPOST"), QString::fromStdString(blog.PostUrl()));
        settings.setValue(QStringLiteral("LOGIN/USER"), QString::fromStdString(blog.user));
        settings.setValue(QStringLiteral("LOGIN/PASS"), QString::fromStdString(Cp936ToUtf8(EncodePassword(blog.password))));
    }
    const std::string article = folder.file("我的 文章.html");
    ASSERT_TRUE(WriteFile(article, "<h1>\xCE\xC4\xD5\xC2</h1>"));

    QProcess tolvane;
    tolvane.setWorkingDirectory(QString::fromStdString(folder.path()));
    tolvane.setProcessChannelMode(QProcess::ForwardedChannels);
    tolvane.start(QStringLiteral(TOLVANE_PROGRAM),
                  {QString::fromStdString(article), QStringLiteral("第一篇 post"), QStringLiteral("ignored")});
    ASSERT_TRUE(tolvane.waitForStarted(10000));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (blog.Posts().empty() && std::chrono::steady_clock::now() < deadline &&
           tolvane.state() == QProcess::Running)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // The post is answered, and nothing more is sent; the dialog stays open until the user
    // closes it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(tolvane.state(), QProcess::Running);
    tolvane.kill();
    tolvane.waitForFinished(10000);

    ASSERT_EQ(blog.Logins().size(), 1u);
    ASSERT_EQ(blog.Posts().size(), 1u);
    EXPECT_EQ(FakeBlog::Field(blog.Posts()[0], "spBlogTitle"), "%b5%da%d2%bb%c6%aa+post");
    EXPECT_EQ(FakeBlog::Field(blog.Posts()[0], "spBlogText"), "%3ch1%3e%ce%c4%d5%c2%3c/h1%3e");
    EXPECT_FALSE(Exists(folder.file("log.txt")));
}
