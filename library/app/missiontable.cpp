#include "missiontable.h"

#include "codepage.h"

#include <cstring>

namespace {

void putLe32(unsigned char* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::uint32_t getLe32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void putText(unsigned char* slot, EditMission::Field field, const std::string& utf8)
{
    const std::string bytes = Utf8ToCp936Cut(utf8, field.width - 1);
    std::memset(slot + field.offset, 0, field.width);
    std::memcpy(slot + field.offset, bytes.data(), bytes.size());
}

std::string getText(const unsigned char* slot, EditMission::Field field)
{
    const char* begin = reinterpret_cast<const char*>(slot + field.offset);
    const void* nul = std::memchr(begin, 0, field.width);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - begin) : field.width;
    return Cp936ToUtf8(std::string_view(begin, length));
}

bool validIndex(int index)
{
    return index >= 0 && index < MISSION_COUNT;
}

} // namespace

CMissionTable::CMissionTable() = default;

int CMissionTable::Init(const std::string& name, std::uint32_t window, std::uint32_t message, bool create)
{
    m_table.fill(0);
    m_name = name;
    if (!create)
        return 1;
    putLe32(m_table.data() + EditMission::kStateOffset, MISSION_HEADER);
    putLe32(m_table.data() + EditMission::kWindowOffset, window);
    putLe32(m_table.data() + EditMission::kMessageOffset, message);
    return Write();
}

int CMissionTable::Write()
{
    return m_memory.Create(m_name, kTableSize, m_table.data());
}

int CMissionTable::Read()
{
    return CSharedMemory::Open(m_name, kTableSize, m_table.data());
}

int CMissionTable::FindFreeSlot()
{
    Read();
    for (int i = 1; i < MISSION_COUNT; ++i)
        if (GetSlot(i).state == MISSION_FREE)
            return i;
    return -1;
}

EditMission CMissionTable::GetSlot(int index) const
{
    EditMission m;
    if (!validIndex(index))
        return m;
    const unsigned char* slot = m_table.data() + static_cast<std::size_t>(index) * EditMission::kSize;
    m.state = getLe32(slot + EditMission::kStateOffset);
    m.window = getLe32(slot + EditMission::kWindowOffset);
    m.message = getLe32(slot + EditMission::kMessageOffset);
    m.id = getText(slot, EditMission::kId);
    m.file = getText(slot, EditMission::kFile);
    m.path = getText(slot, EditMission::kPath);
    m.attachDir = getText(slot, EditMission::kAttachDir);
    m.title = getText(slot, EditMission::kTitle);
    return m;
}

bool CMissionTable::SetSlot(int index, const EditMission& m)
{
    if (!validIndex(index))
        return false;
    unsigned char* slot = m_table.data() + static_cast<std::size_t>(index) * EditMission::kSize;
    putLe32(slot + EditMission::kStateOffset, m.state);
    putLe32(slot + EditMission::kWindowOffset, m.window);
    putLe32(slot + EditMission::kMessageOffset, m.message);
    putText(slot, EditMission::kId, m.id);
    putText(slot, EditMission::kFile, m.file);
    putText(slot, EditMission::kPath, m.path);
    putText(slot, EditMission::kAttachDir, m.attachDir);
    putText(slot, EditMission::kTitle, m.title);
    return true;
}

bool CMissionTable::ClearSlot(int index)
{
    if (!validIndex(index))
        return false;
    std::memset(m_table.data() + static_cast<std::size_t>(index) * EditMission::kSize, 0, EditMission::kSize);
    return true;
}
