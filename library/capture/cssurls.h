#pragma once
// The addresses a style sheet refers to (url(), @import, image-set), found the way a browser's
// CSS tokenizer finds them, and the sheet written again with some of them replaced.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CssReference
{
    // Span of the whole token to replace: the url(...) function, or the string of @import "x"
    // or of an image-set("a.png" 1x) candidate.
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string url;       // escapes decoded, white space trimmed; never empty
    bool isImport = false; // a style sheet from @import, else a resource (picture, font...)
};

// Every url() and @import reference of a style sheet or a style attribute value, in order.
// Comments are skipped; strings and url() follow CSS escaping. Empty and data: addresses are
// left out, and so are tokens broken by a bad character or the end of the text. Modifiers
// after a quoted url("x" ...) are part of the span. Linear time; at most maxReferences results.
std::vector<CssReference> FindCssReferences(std::string_view css,
                                            std::size_t maxReferences = 100000);

// The CSS with each reference for which replace() gives a value written anew: url("value") for a
// url() token, "value" for a string (a string next to a name would merge with it as url()).
// References out of range or out of order are left alone.
std::string
RewriteCssReferences(std::string_view css, const std::vector<CssReference>& refs,
                     const std::function<std::optional<std::string>(const CssReference&)>& replace);

// The text as the inside of a double-quoted CSS string: '"', '\', control characters and '<'
// escaped, so that the sheet can also sit inside an HTML <style> element.
std::string EscapeCssString(std::string_view text);
