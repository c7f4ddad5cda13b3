#pragma once
// The stored password's scrambled form: each character of the alphabet is replaced by one
// Chinese character of a fixed table. Both sides are code page 936 byte strings.

#include <string>
#include <string_view>

inline constexpr char PASSWORD_ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz01234567890_";

// Two bytes per character. Characters outside the alphabet are left out.
std::string EncodePassword(std::string_view password);
// The password, up to the first character that is not in the table.
std::string DecodePassword(std::string_view scrambled);
// Whether every character of the password can be stored.
bool IsStorablePassword(std::string_view password);
