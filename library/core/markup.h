#pragma once
// Text put into HTML or XML, in text or in a double-quoted attribute.

#include <string>

// '&', '<', '>' and '"' as entity references; everything else as it is.
std::string EscapeMarkup(const std::string& text);
