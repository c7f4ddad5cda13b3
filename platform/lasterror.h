#pragma once
// The last error of a file or shell operation, kept per thread as the system keeps it.

#include <string>

// An errno value, with the text to show when the system's own says too little.
void SetLastErrorCode(int errnoValue, const std::string& text = {});
int LastErrorCode();
// The text of the last error, ending with a line break.
std::string LastErrorText();
