#pragma once
// One shell file operation (copy, move, delete, rename) over lists of files, with the
// desktop's own confirmations and error boxes, deleted files going to the trash.

#include <string>
#include <vector>

class QWidget;

enum ShellFunction : unsigned { FO_MOVE = 1, FO_COPY = 2, FO_DELETE = 3, FO_RENAME = 4 };
enum ShellFlags : unsigned {
    FOF_MULTIDESTFILES = 0x0001,
    FOF_SILENT = 0x0004,
    FOF_RENAMEONCOLLISION = 0x0008,
    FOF_NOCONFIRMATION = 0x0010,
    FOF_ALLOWUNDO = 0x0040,
    FOF_FILESONLY = 0x0080,
    FOF_NOERRORUI = 0x0400,
};

class CShellFileOp
{
public:
    CShellFileOp() = default;

    void Reset();
    void SetOperationFlags(unsigned function, QWidget* window, unsigned flags);
    bool AddSourceFile(const std::string& path);
    bool AddDestFile(const std::string& path);
    void SetProgressTitle(const std::string& title) { m_title = title; }

    // Runs the operation. True only when it was started and succeeded. An operation with
    // no flags set, an unknown function, no source, or (but for delete) a destination
    // list of neither one name nor one per source is refused without being started.
    bool Go(bool* started = nullptr, int* result = nullptr, bool* aborted = nullptr);

    // The names the last run gave its copies (a new name on a collision).
    const std::vector<std::string>& CreatedFiles() const { return m_created; }

private:
    int run(bool& aborted);
    int copyOrMove(const std::string& source, const std::string& target, bool& aborted);
    int remove(const std::string& source, bool& aborted);
    void reportError(const std::string& path, int err) const;

    std::vector<std::string> m_sources;
    std::vector<std::string> m_destinations;
    std::vector<std::string> m_created;
    std::string m_title;
    unsigned m_function = 0;
    unsigned m_flags = 0;
    QWidget* m_owner = nullptr;
    bool m_flagsSet = false;
    bool m_started = false;
};

// Copies one file; an existing destination makes the copy take a new name.
bool CopyFileShell(const std::string& source, const std::string& destination);

// Moves the article file to the trash after the user confirms. "[QUOR_FOLDER]" and a
// missing file count as done; "RECYCLE" and a cancelled confirmation return false.
bool DeleteToRecycleBin(const std::string& path);

// Moves an article file to the trash without asking (the caller has asked already) and
// without a box on failure (the reason is the last error); an empty path or a missing file
// counts as done.
bool TrashArticleFile(const std::string& path);

// Shows the text of the last error in a box titled "Error" and returns it.
std::string ShowLastErrorText();

// The name a copy takes when the destination exists: "name (2).ext", "name (3).ext", ...
std::string MakeCollisionFreeName(const std::string& path);
