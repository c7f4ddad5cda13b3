#pragma once
// quor-capture's capture: into an output folder, or into a catalog while no Quor runs.

#include "captureargs.h"

#include <atomic>

// The name of the lock Quor holds while it runs.
inline constexpr const char QUOR_INSTANCE_LOCK[] = "MutexToProtectDatabase";

// Runs the capture the arguments ask for and returns the exit status. abort (set by a signal,
// or here when the time limit passes) ends the transfers; what came is kept.
int RunCaptureCommand(const CaptureArgs& args, std::atomic<bool>& abort);
