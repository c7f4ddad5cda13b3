#pragma once
// The form the library stores articles in: single-byte HTML, every non-ASCII character
// written as a decimal character reference ("&#23435;"), or as a CSS escape ("\5B8B ")
// inside a style sheet, where references mean nothing.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 HTML to the stored form. Bytes that are not UTF-8, and NULs, become U+FFFD.
std::string ToStoredForm(std::string_view html);

// Where the body's content lies: between the end of the first <body> start tag and the
// last </body> (or </html>, or the end of the page, when that is missing).
struct BodyBounds
{
    bool found = false;
    std::size_t contentBegin = 0;
    std::size_t contentEnd = 0;
};
BodyBounds FindBody(std::string_view page);

// The page with its body's content replaced by body (UTF-8). Everything outside the body
// stays as it is, but for text after </body>, which a browser reads into the body. A page
// without a <body> tag becomes a minimal complete page of head (the live head's content,
// may be empty), title and body.
std::string SpliceBody(std::string_view page, std::string_view body, std::string_view head, std::string_view title);
