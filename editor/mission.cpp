#include "mission.h"

#include "codepage.h"
#include "fileutil.h"
#include "missiontable.h"

#include <cstring>
#include <set>
#include <sys/stat.h>
#include <thread>

namespace {

// Why a slot's raw fields cannot be trusted; empty when they can. Each text must end
// inside its field and read back to the same bytes, or rewriting the slot would change it.
std::string fieldProblem(const unsigned char* slot)
{
    static constexpr struct
    {
        EditMission::Field field;
        const char* name;
    } kTexts[] = {{EditMission::kId, "ID"},
                  {EditMission::kFile, "file name"},
                  {EditMission::kPath, "path"},
                  {EditMission::kAttachDir, "attachment folder"},
                  {EditMission::kTitle, "title"}};
    for (const auto& text : kTexts) {
        const char* begin = reinterpret_cast<const char*>(slot + text.field.offset);
        const void* nul = std::memchr(begin, 0, text.field.width);
        if (!nul)
            return std::string("its ") + text.name + " has no end";
        const std::string_view bytes(begin, static_cast<std::size_t>(static_cast<const char*>(nul) - begin));
        if (Utf8ToCp936(Cp936ToUtf8(bytes)) != bytes)
            return std::string("its ") + text.name + " is not code page 936 text";
    }
    return {};
}

} // namespace

bool IsPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

std::string ArticlePathProblem(const std::string& path, bool missingOk)
{
    if (path.empty())
        return "no article file is named";
    if (path.front() != '/')
        return "the article file \"" + path + "\" is not an absolute path";
    if (path.find('\0') != std::string::npos)
        return "the article file's name holds a NUL";
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        const int err = errno;
        if (err == ENOENT && missingOk) {
            const std::string folder = path.substr(0, path.rfind('/') + 1);
            if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                return {};
        }
        return ErrnoText(path, err);
    }
    if (!S_ISREG(st.st_mode))
        return path + ": not a regular file";
    return {};
}

ClaimOutcome ClaimMission(const std::string& tableName, std::uint32_t handle, std::chrono::milliseconds settle)
{
    ClaimOutcome outcome;
    CMissionTable table;
    table.Init(tableName, 0, 0, false);
    std::set<int> lost;   // slots another editor took from under us
    std::string refused;  // missions that cannot be edited, and why
    for (;;) {
        if (table.Read() != 1) {
            outcome.error = "The library's editing table is missing or damaged. Start the editor from the library.";
            return outcome;
        }
        const EditMission header = table.GetSlot(0);
        if (header.state != MISSION_HEADER) {
            outcome.error = "The library's editing table has no valid header.";
            return outcome;
        }
        int slot = -1;
        EditMission mission;
        refused.clear();
        for (int i = 1; i < MISSION_COUNT && slot < 0; ++i) {
            const unsigned char* raw = table.Bytes().data() + static_cast<std::size_t>(i) * EditMission::kSize;
            const EditMission m = table.GetSlot(i);
            if (m.state != MISSION_EDITING || m.window != 0 || lost.count(i))
                continue;
            std::string problem = fieldProblem(raw);
            if (problem.empty())
                problem = ArticlePathProblem(m.path);
            if (!problem.empty()) {
                refused += "\nMission " + std::to_string(i) + ": " + problem;
                continue;
            }
            slot = i;
            mission = m;
        }
        if (slot < 0) {
            outcome.error = "No article is waiting to be edited." + refused;
            return outcome;
        }
        mission.window = handle;
        if (!table.SetSlot(slot, mission) || table.Write() != 1) {
            outcome.error = "The library's editing table cannot be written.";
            return outcome;
        }
        std::this_thread::sleep_for(settle);
        if (table.Read() != 1) {
            outcome.error = "The library's editing table went away.";
            return outcome;
        }
        const EditMission held = table.GetSlot(slot);
        if (held.state != MISSION_EDITING || held.window != handle || held.path != mission.path) {
            lost.insert(slot);
            continue;
        }
        ArticleTarget target;
        target.slot = slot;
        target.id = held.id;
        target.path = held.path;
        target.attachDir = held.attachDir;
        target.title = held.title;
        target.libraryWindow = table.GetSlot(0).window;
        target.message = table.GetSlot(0).message;
        outcome.target = std::move(target);
        return outcome;
    }
}

ArticleTarget FileTarget(const std::string& argument, std::string& error)
{
    ArticleTarget target;
    target.path = argument;
    if (!argument.empty() && argument.front() != '/') {
        const std::string cwd = CurrentFolder();
        target.path = cwd + "/" + argument;
    }
    error = ArticlePathProblem(target.path, true);
    const std::string name = target.path.substr(target.path.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    target.title = name;
    target.attachDir = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + "_files";
    return target;
}
