#pragma once
// Where articles live on disk: a folder per day of creation under the data folder,
// <ID>.html in it and <ID>_files beside it for the attachments. Paths are native ('/').

#include <chrono>
#include <string>

inline constexpr const char QUOR_FOLDER_MARKER[] = "[QUOR_FOLDER]";

// The folder our own files live in: the program's folder when it is writable and not
// installed (no ../share/quor beside it), else $XDG_DATA_HOME/Quor (~/.local/share/Quor).
std::string GetModuleDir();

// The 15-character ID "%y%m%d%H%M%S" + three digits of milliseconds for that instant.
std::string MakeArticleIdAt(std::chrono::system_clock::time_point when);
// A new ID from the clock. IDs never repeat in a run, and an ID whose article file or
// attachment folder is already on disk is skipped: the next free millisecond is taken.
std::string MakeArticleId();
// The same, for the clock reading given.
std::string MakeArticleIdFrom(std::chrono::system_clock::time_point now);

// <data folder>/<first 6 of ID>/<ID>.html; creates the day folder. Empty for an ID that
// would name a place outside the data folder.
std::string GetArticlePath(const std::string& id);
std::string GetAttachDirName(const std::string& id);
// <data folder>/<day>/<ID>_files, created if missing; empty when it cannot be made.
std::string GetAttachDir(const std::string& id);
// The existing article file of a catalog FILE value, in its day folder or flat in the data
// folder; empty when missing, for a folder item, or for a name with a path in it.
std::string ResolveArticleFile(const std::string& file);
// The same, in another data folder.
std::string ResolveArticleFileIn(const std::string& folder, const std::string& file);

// Full path of the first match (by name) of a path whose last part may hold '*' and '?';
// the folders before it are taken literally. Empty when nothing matches.
std::string GetExistingPath(const std::string& path);
// The file name of the first match, or the input unchanged when nothing matches.
std::string GetExistingName(const std::string& path);

// Text after the last '.' of the last path part; empty when it has none.
std::string GetFileExt(const std::string& name);
// The name up to and including its last '.', then ext; unchanged when it has no '.'.
std::string ReplaceFileExt(const std::string& name, const std::string& ext);
// Text after the last '/', or the whole path.
std::string GetFileNamePart(const std::string& path);
// "file://" + path, every backslash turned into '/'.
std::string PathToFileUrl(const std::string& path);
// The URL up to and including its last '/', or URL + "/" when it has none.
std::string GetUrlDir(const std::string& url);
// a begins with b, both without leading blanks and then leading double quotes, ASCII
// lower-cased.
bool PathStartsWith(const std::string& a, const std::string& b);

// A catalog item whose FILE is the folder marker or 3 characters or shorter has no file.
bool IsFolderFile(const std::string& file);
// A single path part that stays in its folder and names one file: not empty, no '/', no
// NUL, no wildcard, not "." or "..".
bool IsPlainFileName(const std::string& name);
