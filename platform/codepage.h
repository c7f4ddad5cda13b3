#pragma once
// Code page 936 text. Inside the programs text is UTF-8; these bytes appear only where a
// file, the shared mission table or the wire holds them.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 to code page 936 (GBK); characters outside GBK become GB18030 four-byte sequences.
// Bytes that are not UTF-8 become '?'.
std::string Utf8ToCp936(std::string_view utf8);

// UTF-8 to GBK for XML text: characters outside GBK become character references "&#N;",
// except user-defined ones, which keep their two code page 936 bytes (AA A1 for U+E000).
std::string Utf8ToGbkWithCharRefs(std::string_view utf8);

// Code page 936 (GBK, and GB18030 four-byte sequences) to UTF-8. Bytes that do not decode
// become U+FFFD; nothing is read past the input.
std::string Cp936ToUtf8(std::string_view bytes);

// Encodes the longest prefix of utf8 whose code page 936 form fits in maxBytes into out and
// returns its length in utf8. Stops before a character that two bytes cannot hold
// (*unwritable then true) and before a sequence cut short at the end.
std::size_t Utf8ToCp936Prefix(std::string_view utf8, std::size_t maxBytes, std::string& out, bool* unwritable);

// The longest prefix of at most maxBytes that ends after a whole character: a lead byte
// whose sequence is cut short at the end is left out.
std::size_t Cp936WholeCharacters(std::string_view bytes, std::size_t maxBytes);

// Appends the UTF-8 form of bytes to out up to the first byte that does not decode; returns
// the number of bytes taken.
std::size_t Cp936ToUtf8Prefix(std::string_view bytes, std::string& out);

// Length of the text in code page 936 bytes.
std::size_t Cp936Length(std::string_view utf8);

// The longest prefix of whole characters whose code page 936 form fits in maxBytes.
std::string Cp936CutUtf8(std::string_view utf8, std::size_t maxBytes);

// Code page 936 form of the text, cut to at most maxBytes on a character boundary.
std::string Utf8ToCp936Cut(std::string_view utf8, std::size_t maxBytes);

// The largest n <= maxBytes such that bytes[0, n) ends on a character boundary.
std::size_t Cp936CharBoundary(std::string_view bytes, std::size_t maxBytes);
