#include "lasterror.h"

#include <cstring>

namespace {
thread_local int t_lastError = 0;
}

void SetLastErrorCode(int errnoValue)
{
    t_lastError = errnoValue;
}

int LastErrorCode()
{
    return t_lastError;
}

std::string LastErrorText()
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* text = ::strerror_r(t_lastError, buffer, sizeof buffer);
    return std::string(text ? text : "Unknown error") + "\n";
}
