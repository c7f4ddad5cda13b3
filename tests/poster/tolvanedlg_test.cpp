#include "tolvanedlg.h"

#include "codepage.h"
#include "fakeblog.h"
#include "messagebox.h"
#include "password.h"
#include "postform.h"
#include "rawserver.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <unistd.h>

namespace {

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

class TolvaneDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_oldFolder = CurrentFolderOrEmpty();
        ASSERT_EQ(::chdir(folder.path().c_str()), 0);
        // Any box a test does not expect is answered rather than left waiting.
        TakeAnsweredMessageBoxes();
        for (int i = 0; i < 8; ++i)
            QueueMessageBoxAnswer(MsgResult::Ok);
        WriteFile(folder.file("article.html"), "<p>\xC4\xE3\xBA\xC3 & bye</p>");
    }
    void TearDown() override { (void)::chdir(m_oldFolder.c_str()); }

    static std::string CurrentFolderOrEmpty()
    {
        char buffer[4096];
        return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
    }

    void saveAccount(const std::string& user, const std::string& password, const std::string& loginUrl,
                     const std::string& postUrl)
    {
        QSettings settings(QStringLiteral("Dovratek"), QStringLiteral("Tolvane"));
        settings.setValue(QStringLiteral("CONFIG/URLLOGIN"), q(loginUrl));
        settings.setValue(QStringLiteral("CONFIG/URLPOST"), q(postUrl));
        settings.setValue(QStringLiteral("LOGIN/USER"), q(user));
        settings.setValue(QStringLiteral("LOGIN/PASS"), q(Cp936ToUtf8(EncodePassword(password))));
    }
    void saveAccount(const std::string& password)
    {
        saveAccount(blog.user, password, blog.LoginUrl(), blog.PostUrl());
    }

    std::unique_ptr<CTolvaneDlg> open(const QStringList& arguments = {})
    {
        auto dlg = std::make_unique<CTolvaneDlg>(arguments);
        dlg->SetLogOpener([this](const std::string& path) { opened.push_back(path); });
        return dlg;
    }

    static QLineEdit* edit(CTolvaneDlg& dlg, const char* name)
    {
        return dlg.findChild<QLineEdit*>(QLatin1String(name));
    }
    static void click(CTolvaneDlg& dlg, const char* name)
    {
        dlg.findChild<QPushButton*>(QLatin1String(name))->click();
    }

    TestFolder folder;
    FakeBlog blog;
    std::vector<std::string> opened;

private:
    std::string m_oldFolder;
};

} // namespace

TEST_F(TolvaneDialog, FirstRunShowsTheDefaultAddresses)
{
    auto dlg = open();
    EXPECT_EQ(edit(*dlg, "loginUrl")->text(), QLatin1String(DEFAULT_LOGIN_URL));
    EXPECT_EQ(edit(*dlg, "postUrl")->text(), QStringLiteral("http://blog.example/#USER#/commit"));
    EXPECT_EQ(edit(*dlg, "user")->text(), QString());
    EXPECT_EQ(edit(*dlg, "pass")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg->StatusText(), QStringLiteral("..."));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Tolvane"));
}

TEST_F(TolvaneDialog, SaveKeepsTheAccountScrambledAndNeverTheArticle)
{
    {
        auto dlg = open({q(folder.file("article.html")), QStringLiteral("Title")});
        edit(*dlg, "user")->setText(QStringLiteral("bob"));
        edit(*dlg, "pass")->setText(QStringLiteral("Pa55_word"));
        click(*dlg, "save");
    }
    QSettings settings(QStringLiteral("Dovratek"), QStringLiteral("Tolvane"));
    EXPECT_EQ(settings.allKeys().size(), 4);
    EXPECT_EQ(settings.value(QStringLiteral("LOGIN/USER")).toString(), QStringLiteral("bob"));
    const QString stored = settings.value(QStringLiteral("LOGIN/PASS")).toString();
    EXPECT_EQ(stored.size(), 9);
    EXPECT_NE(stored, QStringLiteral("Pa55_word"));
    EXPECT_EQ(DecodePassword(Utf8ToCp936(stored.toStdString())), "Pa55_word");
    EXPECT_EQ(settings.value(QStringLiteral("CONFIG/URLPOST")).toString(),
              QStringLiteral("http://blog.example/#USER#/commit"));

    // The next start puts the saved name into the post address.
    auto again = open();
    EXPECT_EQ(edit(*again, "pass")->text(), QStringLiteral("Pa55_word"));
    EXPECT_EQ(edit(*again, "postUrl")->text(), QStringLiteral("http://blog.example/bob/commit"));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty());

    // A one-character name leaves the placeholder.
    settings.setValue(QStringLiteral("LOGIN/USER"), QStringLiteral("b"));
    settings.sync();
    EXPECT_EQ(edit(*open(), "postUrl")->text(), QStringLiteral("http://blog.example/#USER#/commit"));
}

TEST_F(TolvaneDialog, PasswordThatCannotBeStoredIsRefusedWithAMessage)
{
    saveAccount("old_one");
    auto dlg = open();
    edit(*dlg, "pass")->setText(QStringLiteral("密码&1"));
    click(*dlg, "save");
    const QStringList boxes = TakeAnsweredMessageBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(QStringLiteral("not saved")));
    EXPECT_EQ(edit(*open(), "pass")->text(), QStringLiteral("old_one"));
}

TEST_F(TolvaneDialog, EmptyFieldsSendNothingUntilTheyAreFilled)
{
    saveAccount(blog.password);
    auto dlg = open();
    edit(*dlg, "articleFile")->setText(q(folder.file("article.html")));
    click(*dlg, "post");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), QStringList{QStringLiteral("参数不全")});
    EXPECT_TRUE(blog.Logins().empty());

    edit(*dlg, "title")->setText(QStringLiteral("a b&c"));
    click(*dlg, "post");
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty());
    EXPECT_EQ(dlg->StatusText(), QStringLiteral("Post Succeed!"));
    ASSERT_EQ(blog.Posts().size(), 1u);
    EXPECT_EQ(FakeBlog::Field(blog.Posts()[0], "spBlogTitle"), "a+b%26c");
}

TEST_F(TolvaneDialog, StartedWithFileAndTitleItPostsOnceByItself)
{
    saveAccount(blog.password);
    auto dlg = open({q(folder.file("article.html")), QStringLiteral("你好 world")});
    EXPECT_EQ(edit(*dlg, "articleFile")->text(), q(folder.file("article.html")));
    EXPECT_EQ(edit(*dlg, "title")->text(), QStringLiteral("你好 world"));
    EXPECT_TRUE(blog.Logins().empty()); // not before the dialog shows
    dlg->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dlg->StatusText() == QStringLiteral("Post Succeed!"); }, 15000));
    QTest::qWait(200);
    ASSERT_EQ(blog.Posts().size(), 1u);
    EXPECT_EQ(blog.Logins().size(), 1u);
    EXPECT_EQ(FakeBlog::Field(blog.Posts()[0], "spBlogTitle"), "%c4%e3%ba%c3+world");
    EXPECT_EQ(FakeBlog::Field(blog.Posts()[0], "spBlogText"), "%3cp%3e%c4%e3%ba%c3+%26+bye%3c/p%3e");
    EXPECT_EQ(dlg->findChild<QPlainTextEdit*>(QStringLiteral("cookie"))->toPlainText(),
              QStringLiteral("SID=1; auth=alice; "));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty());
}

TEST_F(TolvaneDialog, OneArgumentIsIgnoredAndAnEmptyFileFailsAfterTheLogin)
{
    saveAccount(blog.password);
    auto ignored = open({q(folder.file("article.html"))});
    ignored->show();
    QTest::qWait(300);
    EXPECT_EQ(edit(*ignored, "articleFile")->text(), QString());
    EXPECT_TRUE(blog.Logins().empty());

    auto empty = open({QString(), QStringLiteral("Title")});
    empty->show();
    QStringList boxes;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(boxes = TakeAnsweredMessageBoxes()).isEmpty(); }, 15000));
    EXPECT_EQ(boxes, QStringList{QStringLiteral("OpenFileError")});
    EXPECT_EQ(blog.Logins().size(), 1u);
    EXPECT_TRUE(blog.Posts().empty());
}

TEST_F(TolvaneDialog, FailedLoginStillPostsAndTheAnswerGoesToTheLog)
{
    saveAccount("wrong");
    auto dlg = open();
    edit(*dlg, "articleFile")->setText(q(folder.file("article.html")));
    edit(*dlg, "title")->setText(QStringLiteral("t"));
    click(*dlg, "post");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), (QStringList{QStringLiteral("LoginError"), QStringLiteral("PostError")}));
    ASSERT_EQ(blog.Posts().size(), 1u);
    EXPECT_EQ(blog.Posts()[0].cookie, "visitor=1");
    EXPECT_EQ(opened, std::vector<std::string>{folder.file("log.txt")});
    EXPECT_NE(ReadFile(folder.file("log.txt")).find("please log in first"), std::string::npos);
    EXPECT_EQ(dlg->StatusText(), QStringLiteral("..."));

    // Every POST logs in again; the cookie text keeps what each login set.
    click(*dlg, "post");
    EXPECT_EQ(dlg->CookieText(), "visitor=1; visitor=1; ");
}

TEST_F(TolvaneDialog, SuccessLeavesAnEarlierLogAloneAndAMissingSuccessTextReplacesIt)
{
    saveAccount(blog.password);
    WriteFile(folder.file("log.txt"), "earlier");
    auto dlg = open();
    edit(*dlg, "articleFile")->setText(q(folder.file("article.html")));
    edit(*dlg, "title")->setText(QStringLiteral("t"));
    click(*dlg, "post");
    EXPECT_EQ(dlg->StatusText(), QStringLiteral("Post Succeed!"));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty());
    EXPECT_EQ(ReadFile(folder.file("log.txt")), "earlier");
    EXPECT_TRUE(opened.empty());

    blog.congratulate = false;
    click(*dlg, "post");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), QStringList{QStringLiteral("PostError")});
    EXPECT_NE(ReadFile(folder.file("log.txt")).find("\xC4\xFA\xB5\xC4"), std::string::npos);
    EXPECT_EQ(dlg->StatusText(), QStringLiteral("Post Succeed!")); // never reset
}

TEST_F(TolvaneDialog, UnreachableServiceEndsInTheTwoMessagesAndAnEmptyLog)
{
    const std::string site = RefusingSite();
    saveAccount(blog.user, blog.password, site + "/?login", site + "/#USER#/commit");
    auto dlg = open();
    edit(*dlg, "articleFile")->setText(q(folder.file("article.html")));
    edit(*dlg, "title")->setText(QStringLiteral("t"));
    click(*dlg, "post");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), (QStringList{QStringLiteral("LoginError"), QStringLiteral("PostError")}));
    EXPECT_TRUE(Exists(folder.file("log.txt")));
    EXPECT_EQ(ReadFile(folder.file("log.txt")), "");

    // A post address without a path: no request and no log.
    ::unlink(folder.file("log.txt").c_str());
    edit(*dlg, "postUrl")->setText(QStringLiteral("http://x"));
    click(*dlg, "post");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), (QStringList{QStringLiteral("LoginError"), QStringLiteral("PostError")}));
    EXPECT_FALSE(Exists(folder.file("log.txt")));
}
