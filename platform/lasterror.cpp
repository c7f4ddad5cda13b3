#include "lasterror.h"

#include <cstring>

namespace {
thread_local int t_lastError = 0;
thread_local std::string t_lastText;
} // namespace

void SetLastErrorCode(int errnoValue, const std::string& text)
{
    t_lastError = errnoValue;
    t_lastText = text;
}

int LastErrorCode()
{
    return t_lastError;
}

std::string LastErrorText()
{
    if (!t_lastText.empty())
        return t_lastText + "\n";
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not be in the buffer.
    const char* text = ::strerror_r(t_lastError, buffer, sizeof buffer);
    return std::string(text ? text : "Unknown error") + "\n";
}
