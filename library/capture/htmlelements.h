#pragma once
// Tags and elements for the text extractor: what an element does to the text, the parts of
// a tag, and where comments and elements whose content is not markup end. Positions are
// byte offsets in the page; nothing at or past its end is read.

#include "htmlentities.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace htmltext {

enum class Kind : std::uint8_t {
    Other,
    Block, // its start and end separate lines
    Br,
    Cell,     // td, th
    Pre,      // pre, listing: white space kept
    Textarea, // RCDATA, white space kept, visible
    Title,    // RCDATA, hidden
    Raw,      // RAWTEXT, hidden
    Script,
    Template,  // hidden, nests
    Plaintext, // the rest of the page is text
    Foreign,   // svg, math
};

// Ends a tag name that follows "<" or "</".
constexpr bool isNameEnd(uchar c)
{
    return isWhite(c) || c == '/' || c == '>';
}

struct Tag
{
    const char* name = nullptr; // in the page, as written
    std::size_t length = 0;
    Kind kind = Kind::Other;
    bool selfClosing = false;
};

// Returned by parseTag when the page ends inside the tag.
inline constexpr std::size_t kCut = std::string_view::npos;

// A tag whose name starts at p, and what its element is. Returns the position after its
// '>', or kCut when the page ends inside it (the tag and the rest are then dropped).
std::size_t parseTag(std::string_view page, std::size_t p, Tag& tag);

// From just after "<!--": the position after the comment.
std::size_t commentEnd(std::string_view page, std::size_t p);

// Where the end tag "</name" (lower case) of a RAWTEXT or RCDATA element begins, searching
// from p; the end of the page when there is none.
std::size_t rawTextEnd(std::string_view page, std::size_t p, std::string_view name);

// The position after the end tag at q, as rawTextEnd found it.
std::size_t afterEndTag(std::string_view page, std::size_t q);

// After the start tag of an element whose content is hidden (after is the position past
// the tag): the position past the content and the end tag. Other elements: after.
std::size_t skipHiddenContent(std::string_view page, const Tag& tag, std::size_t after);

// The position after the next c at or after p, or the end of the page.
std::size_t skipPast(std::string_view page, char c, std::size_t p);

// The next '<' at or after p, or the end of the page.
std::size_t nextLt(std::string_view page, std::size_t p);

} // namespace htmltext
