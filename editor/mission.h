#pragma once
// The article an editor works on, and how it takes one from the library's mission table:
// the lowest slot in state EDITING that no editor holds (window 0), claimed by writing this
// editor's window handle into it, publishing, and checking a moment later that the claim
// held (another editor started at the same moment may have written over it).

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

struct ArticleTarget
{
    int slot = 0; // 0: a file named on the command line, no mission
    std::string id;
    std::string path;      // absolute path of the article file
    std::string attachDir; // name of its attachment folder, beside the file
    std::string title;
    std::uint32_t libraryWindow = 0;
    std::uint32_t message = 0;
};

// Why the file cannot be an article to edit; empty when it can (an absolute path of a
// regular file, which may be empty; missingOk lets a file that is not there yet pass).
std::string ArticlePathProblem(const std::string& path, bool missingOk = false);

// True for one plain file or folder name: not empty, no '/', not "." or "..".
bool IsPlainName(const std::string& name);

struct ClaimOutcome
{
    std::optional<ArticleTarget> target;
    std::string error; // why no mission was taken
};

// Claims a mission of the named table for the window handle; settle is the moment waited
// before the claim is checked.
ClaimOutcome ClaimMission(const std::string& tableName, std::uint32_t handle, std::chrono::milliseconds settle);

// The target for a file named on the command line (made absolute against the current
// folder); the error says why it cannot be edited.
ArticleTarget FileTarget(const std::string& argument, std::string& error);
