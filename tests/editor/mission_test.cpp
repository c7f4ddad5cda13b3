// The editor's side of the mission table; the test plays the library.
#include "mission.h"
#include "missiontable.h"
#include "sharedmemory.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

constexpr std::uint32_t kLibrary = 0x7100001;
constexpr std::uint32_t kEditor = 0x7100002;
constexpr std::chrono::milliseconds kSettle{5};

EditMission mission(const std::string& path, const std::string& title = "Title")
{
    EditMission m;
    m.state = MISSION_EDITING;
    m.id = "A1";
    m.file = "A1.html";
    m.path = path;
    m.attachDir = "A1_files";
    m.title = title;
    return m;
}

class MissionClaim : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(library.Init(QUOR_SHARE_DATA, kLibrary, WM_EDITOR_NOTIFY, true), 1);
        article = folder.file("A1.html");
        ASSERT_TRUE(WriteFile(article, ""));
    }

    void publish(int slot, const EditMission& m)
    {
        ASSERT_TRUE(library.SetSlot(slot, m));
        ASSERT_EQ(library.Write(), 1);
    }

    // Raw bytes of a slot field, for what SetSlot refuses to write.
    void poke(int slot, std::size_t offset, const std::string& bytes)
    {
        ASSERT_EQ(library.Read(), 1);
        std::array<unsigned char, CMissionTable::kTableSize> raw = library.Bytes();
        std::memcpy(raw.data() + static_cast<std::size_t>(slot) * EditMission::kSize + offset, bytes.data(), bytes.size());
        CSharedMemory block;
        ASSERT_EQ(block.Create(QUOR_SHARE_DATA, raw.size(), raw.data()), 1);
        ASSERT_EQ(library.Read(), 1);
    }

    TestFolder folder;
    CMissionTable library;
    std::string article;
};

} // namespace

TEST_F(MissionClaim, TakesTheLowestWaitingMissionAndTouchesNothingElse)
{
    EditMission held = mission(article, "held");
    held.window = 999;
    publish(1, held);
    EditMission saved = mission(article, "saved");
    saved.state = MISSION_SAVED;
    publish(2, saved);
    publish(4, mission(article, "four"));
    publish(7, mission(article, "seven"));
    const auto before = library.Bytes();

    const ClaimOutcome claim = ClaimMission(QUOR_SHARE_DATA, kEditor, kSettle);
    ASSERT_TRUE(claim.target) << claim.error;
    EXPECT_EQ(claim.target->slot, 4);
    EXPECT_EQ(claim.target->path, article);
    EXPECT_EQ(claim.target->title, "four");
    EXPECT_EQ(claim.target->attachDir, "A1_files");
    EXPECT_EQ(claim.target->libraryWindow, kLibrary);
    EXPECT_EQ(claim.target->message, WM_EDITOR_NOTIFY);

    ASSERT_EQ(library.Read(), 1);
    EXPECT_EQ(library.GetSlot(4).window, kEditor);
    auto after = library.Bytes();
    for (std::size_t k = 0; k < 4; ++k)
        after[4 * EditMission::kSize + EditMission::kWindowOffset + k] = before[4 * EditMission::kSize + EditMission::kWindowOffset + k];
    EXPECT_TRUE(after == before);

    // The next editor takes the next mission.
    const ClaimOutcome second = ClaimMission(QUOR_SHARE_DATA, kEditor + 1, kSettle);
    ASSERT_TRUE(second.target);
    EXPECT_EQ(second.target->slot, 7);
    EXPECT_FALSE(ClaimMission(QUOR_SHARE_DATA, kEditor + 2, kSettle).target);
}

TEST_F(MissionClaim, AClaimTakenByAnotherEditorMovesOnToTheNextMission)
{
    publish(1, mission(article, "one"));
    publish(2, mission(article, "two"));
    // Another editor writes over slot 1 while this one waits to check its claim.
    std::thread other([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        CMissionTable table;
        table.Init(QUOR_SHARE_DATA, 0, 0, false);
        table.Read();
        EditMission m = table.GetSlot(1);
        m.window = 4242;
        table.SetSlot(1, m);
        table.Write();
    });
    const ClaimOutcome claim = ClaimMission(QUOR_SHARE_DATA, kEditor, std::chrono::milliseconds(300));
    other.join();
    ASSERT_TRUE(claim.target) << claim.error;
    EXPECT_EQ(claim.target->slot, 2);
    ASSERT_EQ(library.Read(), 1);
    EXPECT_EQ(library.GetSlot(1).window, 4242u);
    EXPECT_EQ(library.GetSlot(2).window, kEditor);
}

TEST_F(MissionClaim, NoTableOrNoMissionIsRefusedWithAReason)
{
    EXPECT_NE(ClaimMission(QUOR_SHARE_DATA, kEditor, kSettle).error.find("No article is waiting"), std::string::npos);
    EXPECT_NE(ClaimMission("NoSuchTable", kEditor, kSettle).error.find("missing"), std::string::npos);

    // A table of another size is never read.
    ASSERT_TRUE(WriteFile(CSharedMemory::PathFor("Short"), std::string(1000, '\0')));
    EXPECT_FALSE(ClaimMission("Short", kEditor, kSettle).target);
}

TEST_F(MissionClaim, HostileSlotsAreSkippedWithTheirReasons)
{
    publish(1, mission("relative/A1.html"));
    publish(2, mission(folder.file("missing.html")));
    publish(3, mission(folder.path())); // a folder
    publish(5, mission(article));
    poke(5, EditMission::kPath.offset, std::string(EditMission::kPath.width, 'a')); // no NUL
    publish(6, mission(article));
    poke(6, EditMission::kTitle.offset, std::string("\x81\x20", 3)); // not GBK

    const ClaimOutcome claim = ClaimMission(QUOR_SHARE_DATA, kEditor, kSettle);
    EXPECT_FALSE(claim.target);
    for (const char* reason : {"Mission 1: the article file \"relative/A1.html\" is not an absolute path",
                               "Mission 2: ", "No such file", "Mission 3: ", "not a regular file",
                               "Mission 5: its path has no end", "Mission 6: its title is not code page 936"})
        EXPECT_NE(claim.error.find(reason), std::string::npos) << reason << " in " << claim.error;
    ASSERT_EQ(library.Read(), 1);
    for (int slot = 1; slot < MISSION_COUNT; ++slot)
        EXPECT_EQ(library.GetSlot(slot).window, 0u);
}

TEST(FileTarget, ANamedFileIsEditedWithoutAMission)
{
    TestFolder folder;
    std::string error;
    const ArticleTarget target = FileTarget(folder.file("notes.page.html"), error);
    EXPECT_EQ(error, ""); // not there yet, but its folder is
    EXPECT_EQ(target.slot, 0);
    EXPECT_EQ(target.attachDir, "notes.page_files");
    EXPECT_EQ(target.title, "notes.page.html");
    FileTarget(folder.file("gone/x.html"), error);
    EXPECT_NE(error, "");
}
