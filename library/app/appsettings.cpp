#include "appsettings.h"

#include "appglobals.h"
#include "profile.h"

#include <algorithm>

namespace {

std::string recentEntry(int index)
{
    return "File" + std::to_string(index + 1);
}

} // namespace

void LoadFileTypes(const CProfile& profile)
{
    const std::string types =
        FileTypesFromStored(profile.GetProfileString(PROFILE_FILE_TYPES.section, PROFILE_FILE_TYPES.entry));
    if (Cp936Length(types) > 2)
        g_szFileTypes = types;
}

bool SaveFileTypes(CProfile& profile, const std::string& types)
{
    g_szFileTypes = types;
    return profile.WriteProfileString(PROFILE_FILE_TYPES.section, PROFILE_FILE_TYPES.entry,
                                      FileTypesToStored(g_szFileTypes));
}

std::vector<std::string> LoadRecentFiles(const CProfile& profile)
{
    std::vector<std::string> files;
    for (int i = 0; i < RECENT_FILE_COUNT; ++i) {
        std::string path = profile.GetProfileString(PROFILE_RECENT_SECTION, recentEntry(i));
        if (!path.empty())
            files.push_back(std::move(path));
    }
    return files;
}

bool AddRecentFile(CProfile& profile, const std::string& path)
{
    std::vector<std::string> files = LoadRecentFiles(profile);
    files.erase(std::remove(files.begin(), files.end(), path), files.end());
    files.insert(files.begin(), path);
    files.resize(std::min<std::size_t>(files.size(), RECENT_FILE_COUNT));
    bool ok = true;
    for (int i = 0; i < RECENT_FILE_COUNT; ++i)
        ok = profile.WriteProfileString(PROFILE_RECENT_SECTION, recentEntry(i),
                                        static_cast<std::size_t>(i) < files.size() ? files[static_cast<std::size_t>(i)] : std::string()) && ok;
    return ok;
}
