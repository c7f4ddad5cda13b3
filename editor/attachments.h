#pragma once
// Pictures put into an article: copied into its attachment folder, beside the article
// file, and linked relatively, as the library keeps an article's files.

#include <string>
#include <string_view>

// A safe file name made from the name of a file: ASCII letters, digits, '.', '-' and '_'
// only, not hidden, at most 80 bytes, the extension kept in lower case.
std::string SanitizeFileName(std::string_view name);

// Copies source into <folder of articlePath>/<attachDir> (made when missing) under a new
// name made from its own; nothing there is ever overwritten, and a file already in that
// folder is linked as it is. Returns the link relative to the article ("<attachDir>/name"),
// or empty with the reason in error.
std::string CopyIntoAttachments(const std::string& source, const std::string& articlePath,
                                const std::string& attachDir, std::string& error);
