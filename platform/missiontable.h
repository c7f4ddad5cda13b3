#pragma once
// The editing-mission table shared between the library and its editors: 50 slots of 2,132 bytes,
// integers 32-bit little-endian, texts NUL-terminated code page 936 inside their field.
// Slot 0 is the header (state 1, the library's window, the notice message number); slots
// 1..49 are missions. The table is always copied whole, in and out.

#include "sharedmemory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum MissionState : std::uint32_t {
    MISSION_FREE = 0,
    MISSION_HEADER = 1,
    MISSION_EDITING = 2,
    MISSION_SAVED = 4,
};

inline constexpr int MISSION_COUNT = 50;
inline constexpr std::uint32_t WM_EDITOR_NOTIFY = 0x463;
inline constexpr const char QUOR_SHARE_DATA[] = "Quor_SHARE_DATA";

// wParam of WM_EDITOR_NOTIFY. lParam is the slot, or 0 for the close request.
enum EditorCommand : std::uint32_t {
    EDITOR_SAVED = 1,         // editor -> library: the slot's file was saved
    EDITOR_CLOSED = 2,        // editor -> library: the editor is done with the slot
    EDITOR_CLOSE_REQUEST = 3, // library -> editor: the library is closing
    EDITOR_ACTIVATE = 4,      // library -> editor: bring the slot's window to the front
};

// One slot, texts in UTF-8. Fields the library does not use are kept as they are in the
// table when a slot is written.
struct EditMission
{
    static constexpr std::size_t kSize = 2132;
    struct Field
    {
        std::size_t offset, width;
    };
    static constexpr std::size_t kStateOffset = 0;
    static constexpr std::size_t kWindowOffset = 4;
    static constexpr std::size_t kMessageOffset = 12;
    static constexpr Field kId{16, 64};
    static constexpr Field kFile{80, 64};
    static constexpr Field kPath{144, 300};
    static constexpr Field kAttachDir{444, 300};
    static constexpr Field kTitle{808, 1324};

    std::uint32_t state = MISSION_FREE;
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::string id;
    std::string file;
    std::string path;
    std::string attachDir;
    std::string title;
};

class CMissionTable
{
public:
    static constexpr std::size_t kTableSize = EditMission::kSize * MISSION_COUNT;
    static_assert(kTableSize == 106600);

    CMissionTable();

    // Clears the local table and keeps the name. With create, writes the header slot and
    // publishes, returning the publish result; otherwise returns 1.
    int Init(const std::string& name, std::uint32_t window, std::uint32_t message, bool create);
    // Publish: the table that Init created puts its own header back first, whatever a
    // peer wrote there. 1 on success, 0 when the memory cannot be mapped, a negative errno when the
    // shared block cannot be made (the program goes on without it; later publishes retry).
    int Write();
    // Refresh: 1 when the whole table was read, 0 when there is none (the copy unchanged).
    int Read();
    // Refreshes, then the smallest free slot of 1..49, or -1.
    int FindFreeSlot();

    EditMission GetSlot(int index) const;
    // Writes the slot's fields into the local table. A title longer than its field is cut on
    // a character boundary; an ID, file name, path or folder name that does not fit makes it
    // false (the slot unchanged), as does an index out of range.
    bool SetSlot(int index, const EditMission& mission);
    bool ClearSlot(int index);
    // Changes only the slot's state; false for an index out of range.
    bool SetState(int index, std::uint32_t state);

    const std::array<unsigned char, kTableSize>& Bytes() const { return m_table; }
    const std::string& Name() const { return m_name; }

private:
    std::array<unsigned char, kTableSize> m_table{};
    std::string m_name;
    bool m_owner = false;
    std::uint32_t m_window = 0;
    std::uint32_t m_message = 0;
    CSharedMemory m_memory;
};
