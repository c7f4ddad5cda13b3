#include "missiontable.h"
#include "codepage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::uint32_t le32(const CMissionTable& t, std::size_t offset)
{
    const auto& b = t.Bytes();
    return b[offset] | b[offset + 1] << 8 | b[offset + 2] << 16 | static_cast<std::uint32_t>(b[offset + 3]) << 24;
}


EditMission sample()
{
    EditMission m;
    m.state = MISSION_EDITING;
    m.window = 0x11223344;
    m.id = "070315142233042";
    m.file = "070315142233042.html";
    m.path = "/home/u/QuorCollection1/070315/070315142233042.html";
    m.attachDir = "070315142233042_files";
    m.title = "中文标题";
    return m;
}

} // namespace

TEST(MissionTable, HeaderSlotAfterPublish)
{
    CMissionTable table;
    ASSERT_EQ(table.Init("MissionHeader", 4321, WM_EDITOR_NOTIFY, true), 1);
    EXPECT_EQ(le32(table, 0), MISSION_HEADER);
    EXPECT_EQ(le32(table, 4), 4321u);
    EXPECT_EQ(le32(table, 8), 0u);
    EXPECT_EQ(le32(table, 12), 0x463u);
    for (std::size_t i = 16; i < CMissionTable::kTableSize; ++i)
        ASSERT_EQ(table.Bytes()[i], 0) << "byte " << i;

    CMissionTable reader;
    ASSERT_EQ(reader.Init("MissionHeader", 0, 0, false), 1);
    ASSERT_EQ(reader.Read(), 1);
    EXPECT_EQ(reader.Bytes(), table.Bytes());
}

TEST(MissionTable, FieldsSitAtTheirOffsets)
{
    CMissionTable table;
    table.Init("MissionOffsets", 1, WM_EDITOR_NOTIFY, false);
    ASSERT_TRUE(table.SetSlot(3, sample()));
    const std::size_t base = 3 * 2132;
    const auto at = [&](std::size_t offset, std::size_t n) {
        return std::string(reinterpret_cast<const char*>(table.Bytes().data() + base + offset), n);
    };
    EXPECT_EQ(le32(table, base + 0), MISSION_EDITING);
    EXPECT_EQ(le32(table, base + 4), 0x11223344u);
    EXPECT_EQ(at(16, 16), std::string("070315142233042\0", 16));
    EXPECT_EQ(at(80, 21), std::string("070315142233042.html\0", 21));
    EXPECT_EQ(at(144, 24), "/home/u/QuorCollection1/");
    EXPECT_EQ(at(444, 22), std::string("070315142233042_files\0", 22));
    EXPECT_EQ(at(744, 64), std::string(64, '\0')) << "not written by the library";
    EXPECT_EQ(at(808, 9), std::string("\xD6\xD0\xCE\xC4\xB1\xEA\xCC\xE2\0", 9));
    EXPECT_EQ(CMissionTable::kTableSize, 106600u);

    const EditMission back = table.GetSlot(3);
    EXPECT_EQ(back.title, "中文标题");
    EXPECT_EQ(back.path, sample().path);
    EXPECT_EQ(back.state, MISSION_EDITING);

    EXPECT_FALSE(table.SetSlot(50, sample()));
    EXPECT_FALSE(table.SetSlot(-1, sample()));
    EXPECT_EQ(table.GetSlot(99).state, MISSION_FREE);
}

TEST(MissionTable, LongTitleIsCutOnACharacterBoundaryButPathsMustFit)
{
    CMissionTable table;
    table.Init("MissionCut", 1, WM_EDITOR_NOTIFY, false);
    EditMission m = sample();
    m.title = "a";
    for (int i = 0; i < 1000; ++i)
        m.title += "汉";
    ASSERT_TRUE(table.SetSlot(1, m));
    const std::string title(reinterpret_cast<const char*>(table.Bytes().data() + 2132 + 808), 1324);
    const std::size_t used = title.find('\0');
    EXPECT_EQ(used, 1323u); // "a" and 661 whole characters of two bytes
    EXPECT_EQ(table.GetSlot(1).title, m.title.substr(0, 1 + 661 * 3));
    EXPECT_EQ(le32(table, 2 * 2132), 0u) << "the next slot is untouched";

    // A cut path would send the editor to another file: refused, slot unchanged.
    EditMission longPath = sample();
    longPath.path = "/" + std::string(299, 'p');
    EXPECT_FALSE(table.SetSlot(2, longPath));
    longPath.path.pop_back();
    EXPECT_TRUE(table.SetSlot(2, longPath));
    EditMission longId = sample();
    longId.id = std::string(64, '7');
    EXPECT_FALSE(table.SetSlot(4, longId));
    EXPECT_EQ(table.GetSlot(4).state, MISSION_FREE);
}

TEST(MissionTable, FieldWithoutItsNulIsReadWithinTheField)
{
    // A peer that fills a field to the brim must not make us read into the next one.
    CMissionTable writer;
    writer.Init("MissionNoNul", 1, WM_EDITOR_NOTIFY, false);
    writer.SetSlot(2, sample());
    auto bytes = writer.Bytes();
    std::memset(bytes.data() + 2 * EditMission::kSize + EditMission::kId.offset, 'A', EditMission::kId.width);
    CSharedMemory raw;
    ASSERT_EQ(raw.Create("MissionNoNul", bytes.size(), bytes.data()), 1);
    CMissionTable reader;
    reader.Init("MissionNoNul", 0, 0, false);
    ASSERT_EQ(reader.Read(), 1);
    EXPECT_EQ(reader.GetSlot(2).id, std::string(64, 'A'));
    EXPECT_EQ(reader.GetSlot(2).file, "070315142233042.html");
}

TEST(MissionTable, AnotherProcessReadsTheTableAndWritesItsSlot)
{
    CMissionTable library;
    ASSERT_EQ(library.Init("MissionShared", 5555, WM_EDITOR_NOTIFY, true), 1);
    EditMission job = sample();
    const int slot = library.FindFreeSlot();
    ASSERT_EQ(slot, 1);
    library.SetSlot(slot, job);
    ASSERT_EQ(library.Write(), 1);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The editor, reading raw bytes at the agreed offsets: header, then its job.
        CMissionTable editor;
        editor.Init("MissionShared", 0, 0, false);
        int rc = editor.Read() == 1 ? 0 : 10;
        const unsigned char* b = editor.Bytes().data();
        if (le32(editor, 0) != 1 || le32(editor, 4) != 5555 || le32(editor, 12) != 0x463)
            rc = 11;
        if (le32(editor, 2132) != 2 || std::memcmp(b + 2132 + 808, "\xD6\xD0\xCE\xC4", 4) != 0 ||
            std::memcmp(b + 2132 + 16, "070315142233042", 16) != 0)
            rc = 12;
        EditMission mine = editor.GetSlot(1);
        mine.window = 9999;
        mine.state = MISSION_SAVED;
        editor.SetSlot(1, mine);
        if (editor.Write() != 1)
            rc = 13;
        ::_exit(rc);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    ASSERT_EQ(library.Read(), 1);
    EXPECT_EQ(library.GetSlot(1).window, 9999u);
    EXPECT_EQ(library.GetSlot(1).state, MISSION_SAVED);
    EXPECT_EQ(library.GetSlot(0).window, 5555u);
    EXPECT_EQ(library.FindFreeSlot(), 2);
}

TEST(MissionTable, NoFreeSlotWhenAllAreBusy)
{
    CMissionTable table;
    ASSERT_EQ(table.Init("MissionFull", 1, WM_EDITOR_NOTIFY, true), 1);
    for (int i = 1; i < MISSION_COUNT; ++i)
        table.SetSlot(i, sample());
    ASSERT_EQ(table.Write(), 1);
    EXPECT_EQ(table.FindFreeSlot(), -1);
}
