#pragma once
// The library's settings in the per-user store: every section and value in one place.

#include "profilenames.h"

#include <string>
#include <vector>

class CProfile;

// The recently opened catalogs, "File1" to "File4".
inline constexpr const char PROFILE_RECENT_SECTION[] = "Recent File List";
inline constexpr int RECENT_FILE_COUNT = 4;

// Reads the file types into g_szFileTypes; a value of 2 bytes or less keeps the built-in list.
void LoadFileTypes(const CProfile& profile);
bool SaveFileTypes(CProfile& profile, const std::string& types);

std::vector<std::string> LoadRecentFiles(const CProfile& profile);
// Puts the path first in the list (kept to four entries) and stores it.
bool AddRecentFile(CProfile& profile, const std::string& path);
