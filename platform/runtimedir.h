#pragma once
// The per-user folders: the one for the lock, the mission table and the window sockets, and
// the user's base folders for data, settings and caches.

#include <string>

// $XDG_RUNTIME_DIR, or /tmp/runtime-<user> (as Qt chooses) when that is unset, or
// ~/.cache/runtime-<user> when that name is taken by someone else. Empty when no private
// folder can be had.
std::string RuntimeDir();

// RuntimeDir() + "/quor", created with mode 0700. Empty on failure.
std::string QuorRuntimeDir();

// Folder of the running program file.
std::string ExecutableDir();

// The base folder an XDG variable names ("XDG_DATA_HOME"), when it is an absolute path, else
// $HOME/underHome (".local/share"). Empty without either.
std::string XdgBaseDir(const char* variable, const char* underHome);
