#pragma once
// An article file's bytes to text. Files are normally ASCII with character references, but
// any page may come: its charset is, in order, a byte-order mark, the first <meta> that
// declares one, UTF-8 when the bytes are UTF-8, and else GBK (as GB18030).

#include <string>
#include <string_view>

struct DecodedArticle
{
    std::string text;    // UTF-8, with no NUL (those become U+FFFD)
    std::string charset; // what it was read as: "UTF-8", "GB18030", "WINDOWS-1252", ...
};

DecodedArticle DecodeArticle(std::string_view bytes);

// The charset named by the page's first <meta charset> or http-equiv Content-Type before
// its body, as written; empty when there is none.
std::string DeclaredCharset(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (a character cut off at the very end allowed).
bool IsUtf8(std::string_view bytes);
