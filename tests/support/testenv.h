#pragma once
// Each test gets its own HOME, XDG folders and runtime folder under a fresh temporary
// folder, so tests never see the user's settings, trash or running programs.

#include <string>

class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Writes bytes to a file, making no folders. False on failure.
bool WriteFile(const std::string& path, const std::string& bytes);
// The whole file, or empty.
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Points HOME, XDG_* and XDG_RUNTIME_DIR into the folder.
void IsolateEnvironment(const std::string& root);
