#include "testenv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

TestFolder::TestFolder()
{
    std::string templ = (std::filesystem::temp_directory_path() / "quor-test-XXXXXX").string();
    if (char* made = ::mkdtemp(templ.data()))
        m_path = made;
}

TestFolder::~TestFolder()
{
    std::error_code ec;
    // Folders a test made read-only must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

bool WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

void IsolateEnvironment(const std::string& root)
{
    const auto dir = [&](const char* name) {
        const std::string p = root + "/" + name;
        std::filesystem::create_directories(p);
        return p;
    };
    ::setenv("HOME", dir("home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", dir("home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", dir("home/.local/share").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", dir("home/.cache").c_str(), 1);
    const std::string runtime = dir("runtime");
    ::chmod(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}
