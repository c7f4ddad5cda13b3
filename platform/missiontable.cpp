#include "missiontable.h"

#include "codepage.h"
#include "fileutil.h"

#include <cstring>

namespace {

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
    m_owner = create;
    m_window = window;
    m_message = message;
    if (!create)
        return 1;
    const int published = Write();
    m_memory.AdoptBlock(); // the one running library owns the table, even one left by a crash
    return published;
}

int CMissionTable::Write()
{
    if (m_owner) {
        PutLe32(m_table.data() + EditMission::kStateOffset, MISSION_HEADER);
        PutLe32(m_table.data() + EditMission::kWindowOffset, m_window);
        PutLe32(m_table.data() + EditMission::kMessageOffset, m_message);
    }
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
    m.state = GetLe32(slot + EditMission::kStateOffset);
    m.window = GetLe32(slot + EditMission::kWindowOffset);
    m.message = GetLe32(slot + EditMission::kMessageOffset);
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
    // A cut name or path would point the editor at another file: those must fit whole.
    // Only the title is cut.
    for (const auto& [text, field] : {std::pair{&m.id, EditMission::kId}, std::pair{&m.file, EditMission::kFile},
                                      std::pair{&m.path, EditMission::kPath},
                                      std::pair{&m.attachDir, EditMission::kAttachDir}})
        if (Cp936Length(*text) > field.width - 1)
            return false;
    unsigned char* slot = m_table.data() + static_cast<std::size_t>(index) * EditMission::kSize;
    PutLe32(slot + EditMission::kStateOffset, m.state);
    PutLe32(slot + EditMission::kWindowOffset, m.window);
    PutLe32(slot + EditMission::kMessageOffset, m.message);
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

bool CMissionTable::SetState(int index, std::uint32_t state)
{
    if (!validIndex(index))
        return false;
    PutLe32(m_table.data() + static_cast<std::size_t>(index) * EditMission::kSize + EditMission::kStateOffset, state);
    return true;
}
