// A mission table written by another program: any bytes at all decode within their slot,
// and a slot written back reads the same (or is refused whole).
#include "missiontable.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static int counter = 0;
    const std::string name = "FuzzMissions";
    std::vector<unsigned char> bytes(CMissionTable::kTableSize, 0);
    std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    if (++counter == 1) {
        std::string dir = "/tmp/quor-fuzz-XXXXXX";
        if (::mkdtemp(dir.data()))
            ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    CSharedMemory block;
    if (block.Create(name, bytes.size(), bytes.data()) != 1)
        return 0;
    CMissionTable table;
    table.Init(name, 0, 0, false);
    if (table.Read() != 1)
        std::abort();
    for (int i = 0; i < MISSION_COUNT; ++i) {
        const EditMission m = table.GetSlot(i);
        CMissionTable copy;
        copy.Init(name, 0, 0, false);
        // A slot whose names no longer fit once decoded is refused and left as it was.
        const bool written = copy.SetSlot(i, m);
        const EditMission back = copy.GetSlot(i);
        if (written && (back.state != m.state || back.window != m.window || back.message != m.message))
            std::abort();
        if (!written && back.state != MISSION_FREE)
            std::abort();
    }
    return 0;
}
