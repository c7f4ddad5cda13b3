#pragma once
// The library's process-wide settings.

#include "fixedtext.h"

#include <string>

// Root of all article files: from the catalog's ROOTDIR or the Options dialog.
extern CFixedText<300> g_szDataFolder;
// The external editor program; every start begins with the default.
extern CFixedText<300> g_szEditor;
// Blank-separated extensions that link localisation may download.
extern CFixedText<512> g_szFileTypes;

// The built-in download types (note the trailing blank).
inline constexpr const char DEFAULT_FILE_TYPES[] =
    "zip rar jpg gif bmp tif png css swf pdf caj chm rtf doc ppt txt ";
inline constexpr const char DEFAULT_EDITOR[] = "Scrivel";

// $HOME/QuorCollection.
std::string DefaultDataFolder();

// Sets the data folder when the path is absolute and fits; a path that would have to be
// cut would name another folder, so it is refused (false) and the folder stays.
bool SetDataFolder(const std::string& path);

// Why new articles could not be stored in that folder (it or the nearest existing folder
// above it refuses new entries, or is not a folder); empty when they can.
std::string DataFolderProblem(const std::string& folder);
