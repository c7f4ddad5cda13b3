#pragma once
// Quor's own settings, read without Qt: the file its window writes through QSettings (INI
// form), so that quor-capture follows the choices made in Quor's options.

#include <string>
#include <string_view>

// $XDG_CONFIG_HOME (or ~/.config)/<organization>/<application>.conf; empty without a home.
std::string QuorSettingsFile();

// The string value of key in [section] of INI text as QSettings writes it (quotes, escapes,
// '@' doubled at the start). False when the section or key is missing or the value is no
// single string (a list, another type).
bool ReadIniString(std::string_view ini, std::string_view section, std::string_view key, std::string& value);

// The download file types set in Quor's options, blank-separated as CaptureArgs keeps them;
// empty when none are set. A stored value that is no usable list is left out and said in
// warning.
std::string StoredFileTypes(std::string& warning);
