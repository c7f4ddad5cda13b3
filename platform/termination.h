#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so that a program asked to
// end by the session or a terminal closes the way its window's close does.

#include <functional>

// Installs the handlers once; onTerminate runs on the thread of the event loop.
bool QuitOnTermination(std::function<void()> onTerminate);
