#pragma once
// The per-user folder for the lock, the mission table and the window sockets.

#include <string>

// $XDG_RUNTIME_DIR, or /tmp/runtime-<user> (as Qt chooses) when that is unset, or
// ~/.cache/runtime-<user> when that name is taken by someone else. Empty when no private
// folder can be had.
std::string RuntimeDir();

// RuntimeDir() + "/quor", created with mode 0700. Empty on failure.
std::string QuorRuntimeDir();

// Folder of the running program file.
std::string ExecutableDir();
