#pragma once
// The last error of a file or shell operation, kept per thread as the system keeps it.

#include <string>

void SetLastErrorCode(int errnoValue);
int LastErrorCode();
// The system's text for the last error, ending with a line break.
std::string LastErrorText();
