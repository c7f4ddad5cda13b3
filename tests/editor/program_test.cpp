// The real Scrivel program, started as the library starts it: no arguments, a mission
// waiting in the table. The test plays the library.
#include "missiontable.h"
#include "testenv.h"
#include "windowmessage.h"
#include "windowmessagelistener.h"

#include "waituntil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <functional>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

namespace {

constexpr std::uint32_t kLibrary = 0x7300001;
using Message = std::tuple<quint32, quint32, qint32>;

bool waitUntil(const std::function<bool()>& done, int ms = 30000)
{
    return WaitUntil(done, ms);
}

std::unique_ptr<QProcess> startScrivel(const QStringList& arguments = {})
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SCRIVEL_TEST_ANSWERS"), QStringLiteral("ok"));
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(SCRIVEL_PROGRAM), arguments);
    EXPECT_TRUE(process->waitForStarted(10000));
    return process;
}

class ScrivelProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_listener.Listen(kLibrary));
        QObject::connect(&m_listener, &CWindowMessageListener::messagePosted,
                         [this](quint32 message, quint32 wParam, qint32 lParam) {
                             m_messages.emplace_back(message, wParam, lParam);
                         });
        m_article = m_folder.file("A1.html");
        ASSERT_TRUE(WriteFile(m_article, ""));
    }

    void publish(int slot, const std::string& path)
    {
        if (!m_tableMade) {
            ASSERT_EQ(m_table.Init(QUOR_SHARE_DATA, kLibrary, WM_EDITOR_NOTIFY, true), 1);
            m_tableMade = true;
        }
        EditMission m;
        m.state = MISSION_EDITING;
        m.id = "A1";
        m.file = "A1.html";
        m.path = path;
        m.attachDir = "A1_files";
        m.title = "Article " + std::to_string(slot);
        ASSERT_TRUE(m_table.SetSlot(slot, m));
        ASSERT_EQ(m_table.Write(), 1);
    }

    std::uint32_t windowOf(int slot)
    {
        m_table.Read();
        return m_table.GetSlot(slot).window;
    }

    static std::string finish(QProcess& process, int& exitCode)
    {
        EXPECT_TRUE(process.waitForFinished(30000));
        exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return process.readAllStandardError().toStdString();
    }

    TestFolder m_folder;
    std::string m_article;
    CMissionTable m_table;
    bool m_tableMade = false;
    CWindowMessageListener m_listener;
    std::vector<Message> m_messages;
};

} // namespace

TEST_F(ScrivelProgram, WithoutATableOrAUsableMissionItSaysSoAndEnds)
{
    int code = 0;
    auto alone = startScrivel();
    EXPECT_NE(finish(*alone, code).find("editing table is missing"), std::string::npos);
    EXPECT_EQ(code, 1);

    publish(1, "A1.html");
    auto hostile = startScrivel();
    EXPECT_NE(finish(*hostile, code).find("\"A1.html\" is not an absolute path"), std::string::npos);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(windowOf(1), 0u);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ScrivelProgram, TwoEditorsStartedTogetherTakeOneMissionEachAndCloseOnRequest)
{
    publish(1, m_article);
    publish(2, m_article);
    auto first = startScrivel();
    auto second = startScrivel();
    const std::set<std::uint32_t> pids{static_cast<std::uint32_t>(first->processId()),
                                       static_cast<std::uint32_t>(second->processId())};
    ASSERT_TRUE(waitUntil([&] { return std::set<std::uint32_t>{windowOf(1), windowOf(2)} == pids; }))
        << windowOf(1) << " " << windowOf(2);

    // Let both windows settle, then bring one forward and close both.
    waitUntil([] { return false; }, 3000);
    const std::uint32_t one = windowOf(1);
    EXPECT_TRUE(PostWindowMessage(one, WM_EDITOR_NOTIFY, EDITOR_ACTIVATE, 1));
    EXPECT_TRUE(PostWindowMessage(one, WM_EDITOR_NOTIFY + 7, EDITOR_CLOSE_REQUEST, 0)); // not ours: ignored
    waitUntil([] { return false; }, 500);
    EXPECT_TRUE(m_messages.empty());
    for (std::uint32_t pid : pids)
        EXPECT_TRUE(PostWindowMessage(pid, WM_EDITOR_NOTIFY, EDITOR_CLOSE_REQUEST, 0));
    ASSERT_TRUE(waitUntil([&] { return m_messages.size() == 2; }));
    EXPECT_EQ(std::set<Message>(m_messages.begin(), m_messages.end()),
              (std::set<Message>{{WM_EDITOR_NOTIFY, EDITOR_CLOSED, 1}, {WM_EDITOR_NOTIFY, EDITOR_CLOSED, 2}}));
    int code = -1;
    finish(*first, code);
    EXPECT_EQ(code, 0);
    finish(*second, code);
    EXPECT_EQ(code, 0);
}

TEST_F(ScrivelProgram, AFileNamedOnTheCommandLineIsEditedWithoutTheLibrary)
{
    auto scrivel = startScrivel({QString::fromStdString(m_folder.file("new.html"))});
    EXPECT_FALSE(scrivel->waitForFinished(4000)); // the window stays open
    scrivel->terminate();
    int code = 0;
    finish(*scrivel, code);
    EXPECT_TRUE(m_messages.empty());

    auto missing = startScrivel({QStringLiteral("/no/such/folder/x.html")});
    EXPECT_NE(finish(*missing, code).find("cannot edit that file"), std::string::npos);
    EXPECT_EQ(code, 1);
}
