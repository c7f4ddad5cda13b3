#pragma once
// The library's settings in the per-user store: every section and value in one place.

#include <string>
#include <vector>

class CProfile;

inline constexpr const char QUOR_REGISTRY_KEY[] = "Local AppWizard-Generated Applications";
inline constexpr const char QUOR_APP_NAME[] = "Quor";

struct ProfileValue
{
    const char* section;
    const char* entry;
};
// The download file types, blanks stored as '@'.
inline constexpr ProfileValue PROFILE_FILE_TYPES{"QUORFILTER", "FILTER"};
// The recently opened catalogs, "File1" to "File4".
inline constexpr const char PROFILE_RECENT_SECTION[] = "Recent File List";
inline constexpr int RECENT_FILE_COUNT = 4;

// The stored form of the file types and back: blank <-> '@'.
std::string FileTypesToStored(const std::string& types);
std::string FileTypesFromStored(const std::string& stored);

// Reads the file types into g_szFileTypes; a value of 2 bytes or less keeps the built-in list.
void LoadFileTypes(const CProfile& profile);
bool SaveFileTypes(CProfile& profile, const std::string& types);

std::vector<std::string> LoadRecentFiles(const CProfile& profile);
// Puts the path first in the list (kept to four entries) and stores it.
bool AddRecentFile(CProfile& profile, const std::string& path);
