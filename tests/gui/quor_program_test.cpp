// Start-up of the real program: the default catalog, the published table, one instance.
#include "defaultcatalog.h"
#include "missiontable.h"
#include "quorprocess.h"
#include "testenv.h"
#include "windowmessage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

bool tablePublishedBy(qint64 pid, CMissionTable& table)
{
    table.Init(QUOR_SHARE_DATA, 0, 0, false);
    return table.Read() == 1 && table.GetSlot(0).window == static_cast<std::uint32_t>(pid);
}

std::string home()
{
    return std::getenv("HOME");
}

} // namespace

TEST(QuorStart, FirstStartWritesTheDefaultCatalogPublishesTheTableAndRunsAlone)
{
    TestFolder cwd;
    QuorProcess first(cwd.path());
    first.start();
    CMissionTable table;
    ASSERT_TRUE(WaitUntil([&] { return tablePublishedBy(first.pid(), table); }, 60000)) << first.output().toStdString();

    EXPECT_EQ(ReadFile(cwd.file("QuorCatalog.xml")), DefaultCatalogBytes(home() + "/QuorCollection1"));
    const EditMission header = table.GetSlot(0);
    EXPECT_EQ(header.state, MISSION_HEADER);
    EXPECT_EQ(header.message, WM_EDITOR_NOTIFY);
    for (int i = 1; i < MISSION_COUNT; ++i)
        EXPECT_EQ(table.GetSlot(i).state, MISSION_FREE) << i;
    EXPECT_TRUE(Exists(WindowSocketPath(static_cast<std::uint32_t>(first.pid()))));

    // A second start ends at once, silently, and leaves the first one's table alone.
    TestFolder otherCwd;
    QuorProcess second(otherCwd.path());
    second.start();
    ASSERT_TRUE(second.waitForExit(10000));
    EXPECT_TRUE(second.exitedNormally());
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.output().isEmpty());
    ASSERT_TRUE(tablePublishedBy(first.pid(), table)) << "the running instance keeps its table";

    // Asked to end by the session, the first one closes and takes its table and socket away.
    first.terminate();
    ASSERT_TRUE(first.waitForExit(20000));
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_FALSE(Exists(CSharedMemory::PathFor(QUOR_SHARE_DATA)));
    EXPECT_FALSE(Exists(WindowSocketPath(static_cast<std::uint32_t>(first.pid()))));
}

TEST(QuorStart, ShortArgumentMeansTheDefaultCatalogAndAnExistingOneIsKept)
{
    TestFolder cwd;
    const std::string mine = "<?xml version=\"1.0\"?><DIR COMMENT=\"CATALOG\"><DIR COMMENT=\"RECYCLE\"/></DIR>";
    ASSERT_TRUE(WriteFile(cwd.file("QuorCatalog.xml"), mine));
    QuorProcess quor(cwd.path());
    quor.start({QStringLiteral("abcd")});
    CMissionTable table;
    ASSERT_TRUE(WaitUntil([&] { return tablePublishedBy(quor.pid(), table); }, 60000));
    EXPECT_EQ(ReadFile(cwd.file("QuorCatalog.xml")), mine);
    EXPECT_FALSE(Exists(cwd.file("abcd")));
    quor.terminate();
    EXPECT_TRUE(quor.waitForExit(20000));
}

TEST(QuorStart, NamedCatalogIsOpenedWhereverItIs)
{
    TestFolder cwd, elsewhere;
    ASSERT_TRUE(WriteFile(elsewhere.file("mine.xml"), "<?xml version=\"1.0\"?><DIR COMMENT=\"CATALOG\"/>"));
    QuorProcess quor(cwd.path());
    quor.start({QString::fromStdString(elsewhere.file("mine.xml"))});
    CMissionTable table;
    ASSERT_TRUE(WaitUntil([&] { return tablePublishedBy(quor.pid(), table); }, 60000));
    EXPECT_FALSE(Exists(cwd.file("QuorCatalog.xml"))) << "no default catalog beside a named one";
    quor.terminate();
    EXPECT_TRUE(quor.waitForExit(20000));
}

TEST(QuorStart, CatalogThatCannotBeOpenedIsReportedNotCrashedOn)
{
    TestFolder cwd;
    std::filesystem::create_directories(cwd.file("QuorCatalog.xml")); // a folder in its place
    QuorProcess quor(cwd.path());
    quor.start();
    QString said;
    ASSERT_TRUE(WaitUntil([&] { return (said += quor.output()).contains(QStringLiteral("Is a directory")); }, 30000))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("无法打开文档")));
    EXPECT_FALSE(quor.waitForExit(500)) << "the message waits for the user";
    CMissionTable table;
    EXPECT_FALSE(tablePublishedBy(quor.pid(), table)) << "nothing runs behind the message";
}

TEST(QuorStart, UnreadableCatalogIsReportedAndNeverSavedOver)
{
    TestFolder cwd;
    const std::string garbage = "this is not a catalog <DIR";
    ASSERT_TRUE(WriteFile(cwd.file("QuorCatalog.xml"), garbage));
    QuorProcess quor(cwd.path());
    quor.start();
    QString said;
    ASSERT_TRUE(WaitUntil([&] { return (said += quor.output()).contains(QStringLiteral("catalog not opened")); }, 60000))
        << said.toStdString();
    EXPECT_TRUE(said.contains(QString::fromStdString(cwd.file("QuorCatalog.xml")))) << "the message names the file";
    quor.terminate(); // the window closes: nothing may be written over the bad file
    quor.waitForExit(20000);
    EXPECT_EQ(ReadFile(cwd.file("QuorCatalog.xml")), garbage);
}
