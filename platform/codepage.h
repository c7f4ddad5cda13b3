#pragma once
// Code page 936 text. Inside the programs text is UTF-8; these bytes appear only where a
// file, the shared mission table or the wire holds them.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 to code page 936 (GBK); characters outside GBK become GB18030 four-byte sequences.
// Bytes that are not UTF-8 become '?'.
std::string Utf8ToCp936(std::string_view utf8);

// UTF-8 to GBK for XML text: characters outside GBK become character references "&#N;".
std::string Utf8ToGbkWithCharRefs(std::string_view utf8);

// Code page 936 (GBK, and GB18030 four-byte sequences) to UTF-8. Bytes that do not decode
// become U+FFFD; nothing is read past the input.
std::string Cp936ToUtf8(std::string_view bytes);

// Length of the text in code page 936 bytes.
std::size_t Cp936Length(std::string_view utf8);

// The longest prefix of whole characters whose code page 936 form fits in maxBytes.
std::string Cp936CutUtf8(std::string_view utf8, std::size_t maxBytes);

// Code page 936 form of the text, cut to at most maxBytes on a character boundary.
std::string Utf8ToCp936Cut(std::string_view utf8, std::size_t maxBytes);

// The largest n <= maxBytes such that bytes[0, n) ends on a character boundary.
std::size_t Cp936CharBoundary(std::string_view bytes, std::size_t maxBytes);
