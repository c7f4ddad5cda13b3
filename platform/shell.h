#pragma once
// The desktop's file services: the trash, opening files and folders, starting programs.

#include <string>
#include <vector>

// Moves the file or folder to the user's trash. False with the reason in error.
bool MoveToTrash(const std::string& path, std::string* error = nullptr);

// Opens a file or folder with the desktop's handler (a folder in the file manager).
bool OpenInShell(const std::string& path);

// Starts a program detached, with the given arguments and working folder (empty: ours).
bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingDir = {});

// The first executable file of that name in the current folder, then each of the folders
// given, then the folders of PATH. A name with a '/' is taken as a path. Empty when none.
std::string FindProgram(const std::string& name, const std::vector<std::string>& folders = {});
