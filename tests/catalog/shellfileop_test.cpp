#include "messagebox.h"
#include "quordoc.h"
#include "shellfileop.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace {

class ShellOp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        a = folder.file("a.html");
        b = folder.file("b.html");
        WriteFile(a, "A");
        WriteFile(b, "B");
        out = folder.file("out");
        std::filesystem::create_directories(out);
    }
    void TearDown() override { TakeAnsweredMessageBoxes(); }

    static std::string trashed(const std::string& name)
    {
        return std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/" + name;
    }

    TestFolder folder;
    std::string a, b, out;
};

} // namespace

TEST_F(ShellOp, RefusedOperationsAreNeverStarted)
{
    const auto refused = [](CShellFileOp& op) {
        bool started = true;
        const bool ok = op.Go(&started);
        return !ok && !started;
    };
    CShellFileOp noFlags;
    noFlags.AddSourceFile(a);
    noFlags.AddDestFile(out);
    EXPECT_TRUE(refused(noFlags));

    for (unsigned function : {0u, 5u}) {
        CShellFileOp op;
        op.SetOperationFlags(function, nullptr, 0);
        op.AddSourceFile(a);
        op.AddDestFile(out);
        EXPECT_TRUE(refused(op)) << function;
    }
    CShellFileOp emptyDelete;
    emptyDelete.SetOperationFlags(FO_DELETE, nullptr, FOF_ALLOWUNDO);
    EXPECT_TRUE(refused(emptyDelete));

    CShellFileOp noDestination;
    noDestination.SetOperationFlags(FO_COPY, nullptr, 0);
    noDestination.AddSourceFile(a);
    EXPECT_TRUE(refused(noDestination));

    CShellFileOp twoToThree;
    twoToThree.SetOperationFlags(FO_COPY, nullptr, 0);
    twoToThree.AddSourceFile(a);
    twoToThree.AddSourceFile(b);
    for (const char* d : {"x", "y", "z"})
        twoToThree.AddDestFile(folder.file(d));
    EXPECT_TRUE(refused(twoToThree));
    EXPECT_FALSE(Exists(folder.file("x")));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty());
}

TEST_F(ShellOp, TwoSourcesIntoOneFolderAndOnePerSource)
{
    CShellFileOp intoFolder;
    intoFolder.SetOperationFlags(FO_COPY, nullptr, FOF_NOCONFIRMATION);
    intoFolder.AddSourceFile(a);
    intoFolder.AddSourceFile(b);
    intoFolder.AddDestFile(out);
    bool started = false;
    int result = -1;
    bool aborted = true;
    ASSERT_TRUE(intoFolder.Go(&started, &result, &aborted));
    EXPECT_TRUE(started);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(aborted);
    EXPECT_EQ(ReadFile(out + "/a.html"), "A");
    EXPECT_EQ(ReadFile(out + "/b.html"), "B");

    CShellFileOp pairwise;
    pairwise.SetOperationFlags(FO_MOVE, nullptr, 0);
    pairwise.AddSourceFile(a);
    pairwise.AddSourceFile(b);
    pairwise.AddDestFile(folder.file("a2.html"));
    pairwise.AddDestFile(folder.file("b2.html"));
    ASSERT_TRUE(pairwise.Go());
    EXPECT_EQ(ReadFile(folder.file("b2.html")), "B");
    EXPECT_FALSE(Exists(a));
}

TEST_F(ShellOp, CopyOntoAnExistingNameTakesANewNameAndSucceeds)
{
    const std::string target = out + "/a.html";
    WriteFile(target, "older");
    ASSERT_TRUE(CopyFileShell(a, target));
    EXPECT_EQ(ReadFile(target), "older");
    EXPECT_EQ(ReadFile(out + "/a (2).html"), "A");
    ASSERT_TRUE(CopyFileShell(a, target));
    EXPECT_EQ(ReadFile(out + "/a (3).html"), "A");
    EXPECT_EQ(MakeCollisionFreeName(out + "/new.html"), out + "/new.html");
}

TEST_F(ShellOp, FailedCopyIsReportedWithTheSystemText)
{
    QueueMessageBoxAnswer(MsgResult::Ok); // the shell's own error box
    EXPECT_FALSE(CopyFileShell(folder.file("missing.html"), out + "/m.html"));
    const QStringList shown = TakeAnsweredMessageBoxes();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].contains(QStringLiteral("No such file")));

    QueueMessageBoxAnswer(MsgResult::Ok);
    const std::string text = ShowLastErrorText();
    EXPECT_EQ(text, "No such file or directory\n");
    EXPECT_EQ(TakeAnsweredMessageBoxes(), QStringList{QString::fromStdString(text)});
}

TEST_F(ShellOp, DeleteToRecycleBinAsksFirst)
{
    EXPECT_TRUE(DeleteToRecycleBin("[QUOR_FOLDER]"));
    EXPECT_FALSE(DeleteToRecycleBin("RECYCLE"));
    EXPECT_TRUE(DeleteToRecycleBin(folder.file("gone.html")));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().isEmpty()) << "none of these asks";

    QueueMessageBoxAnswer(MsgResult::No);
    EXPECT_FALSE(DeleteToRecycleBin(a));
    EXPECT_TRUE(Exists(a));
    EXPECT_TRUE(TakeAnsweredMessageBoxes().value(0).contains(QStringLiteral("a.html")));

    QueueMessageBoxAnswer(MsgResult::Yes);
    EXPECT_TRUE(DeleteToRecycleBin(a));
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(ReadFile(trashed("a.html")), "A");
}

TEST(QuorDoc, OnlyARegularFileOpensAsTheCatalog)
{
    TestFolder folder;
    const std::string fifo = folder.file("QuorCatalog.xml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CQuorDoc doc;
    std::string error;
    EXPECT_FALSE(doc.OnOpenDocument(fifo, &error)) << "a pipe must not hang the start";
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(doc.OnOpenDocument("/dev/zero", &error));
    EXPECT_FALSE(doc.OnOpenDocument(folder.path(), &error));
    EXPECT_EQ(error, "Is a directory");

    const std::string real = folder.file("real.xml");
    ASSERT_TRUE(WriteFile(real, "<DIR/>"));
    EXPECT_TRUE(doc.OnOpenDocument(real, &error));
    EXPECT_EQ(doc.GetPathName(), real);
    EXPECT_EQ(doc.GetTitle(), "real.xml");
}
