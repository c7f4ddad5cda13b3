#pragma once
// Characters of an HTML page: ASCII classes, UTF-8 writing and character references
// ("&amp;", "&#x4E2D;"), shared by the text extractor and the charset decoder.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace htmltext {

using uchar = unsigned char;

constexpr bool isWhite(uchar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
constexpr bool isAlpha(uchar c)
{
    return static_cast<unsigned>((c | 0x20) - 'a') < 26u;
}
constexpr bool isDigit(uchar c)
{
    return static_cast<unsigned>(c - '0') < 10u;
}
constexpr bool isAlnum(uchar c)
{
    return isAlpha(c) || isDigit(c);
}
constexpr char lower(char c)
{
    return isAlpha(static_cast<uchar>(c)) ? static_cast<char>(c | 0x20) : c;
}

// p[0, name.size()) equals the lower-case name, ASCII letters compared without case.
inline bool equalsLower(const char* p, std::string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i)
        if (lower(p[i]) != name[i])
            return false;
    return true;
}

// Writes the code point (at most U+10FFFF) at out; returns its length, 1 to 4.
inline std::size_t appendUtf8(char* out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | cp >> 6);
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | cp >> 12);
        out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | cp >> 18);
    out[1] = static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

// Windows-1252 at 0x80-0x9F; the five bytes it leaves undefined stay C1 controls.
inline constexpr std::uint16_t kWindows1252C1[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// U+FFFD in UTF-8.
inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

struct CharRef
{
    std::string_view value; // UTF-8, in buffer or in the table of names
    char buffer[4];
};

// A character reference at s[0] == '&', s < end. Returns the bytes it takes, or 0 when there
// is none (the '&' is then text). Nothing at or after end is read.
std::size_t readCharRef(const char* s, const char* end, CharRef& ref);

// The text with its character references decoded, as a browser reads an attribute value.
std::string decodeCharRefs(std::string_view text);

} // namespace htmltext
