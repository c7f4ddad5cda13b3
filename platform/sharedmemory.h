#pragma once
// A named block of memory shared between the programs of one user. It lives in the
// per-user runtime folder, readable and writable by that user only (mode 0600).
// Every access copies the whole block in or out.

#include <cstddef>
#include <string>

class CSharedMemory
{
public:
    static constexpr std::size_t kMaxNameBytes = 62;

    CSharedMemory() = default;
    ~CSharedMemory();
    CSharedMemory(const CSharedMemory&) = delete;
    CSharedMemory& operator=(const CSharedMemory&) = delete;

    // Creates the block (or takes the existing one of the same size) and copies size bytes
    // from source into it. Returns 1 on success, 0 when the copy fails, and a
    // negative errno when the block cannot be made: of another size, not ours, or no folder.
    // The block stays open until this object ends.
    int Create(const std::string& name, std::size_t size, const void* source);

    // Copies size bytes of an existing block into destination. Returns 1 on success, 0 when
    // there is no such block or it is not whole (destination unchanged), a negative errno
    // when it cannot be opened.
    static int Open(const std::string& name, std::size_t size, void* destination);

    // Where the block of that name lives; empty for a name that is not a plain file name.
    static std::string PathFor(const std::string& name);

    // Takes over a block that an earlier run of this program left behind, so that it goes
    // when this object ends.
    void AdoptBlock() { m_madeHere = m_fd >= 0; }

private:
    void close();

    int m_fd = -1;
    std::string m_path;
    bool m_madeHere = false;
};
