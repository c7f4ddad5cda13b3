#pragma once
// Where the library's settings are kept and the form of the values both Quor and quor-capture
// read: the per-user store of the organization and application below.

#include <algorithm>
#include <string>

inline constexpr const char QUOR_REGISTRY_KEY[] = "Local AppWizard-Generated Applications";
inline constexpr const char QUOR_APP_NAME[] = "Quor";

struct ProfileValue
{
    const char* section;
    const char* entry;
};
// The download file types, blanks stored as '@'.
inline constexpr ProfileValue PROFILE_FILE_TYPES{"QUORFILTER", "FILTER"};

// The stored form of the file types and back: blank <-> '@'.
inline std::string FileTypesToStored(std::string types)
{
    std::replace(types.begin(), types.end(), ' ', '@');
    return types;
}
inline std::string FileTypesFromStored(std::string stored)
{
    std::replace(stored.begin(), stored.end(), '@', ' ');
    return stored;
}
