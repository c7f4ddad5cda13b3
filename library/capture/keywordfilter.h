#pragma once
// Whether the visible text of a page can hold a keyword, told from the page's bytes without
// extracting its text. A search over many pages mostly meets pages that lack the word, and a
// pass over bytes costs a fraction of the text.
//
// The text is the page's bytes less markup, with character references decoded, NULs
// dropped and runs of blanks made one separator. A keyword without blanks, controls, '<' or
// '&' is therefore in the page as it stands, or it is made of pieces between breaks ('<',
// '&', NUL): it begins in text that ends just before a break, or in a reference's value,
// goes on with whole pieces (text after a '>', a break or a reference, up to the next
// break; or a reference's value) and ends at the start of one, each piece after the one
// before. The filter looks for such a chain in the order of the page; it may find one the
// text does not show (in markup, say), never the reverse.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CKeywordFilter
{
public:
    // The keyword as the search compares it: ASCII letters upper-cased.
    explicit CKeywordFilter(std::string_view key);

    // ASCII letters to upper case, in place.
    static void UpperAscii(char* p, std::size_t n);

    // False for a keyword the bytes cannot rule out (blanks, controls, '<', '&', or more
    // than 63 bytes): every page may show it.
    bool Usable() const { return m_usable; }

    // page: decoded, as the text is extracted from it. False only when its visible text
    // cannot hold the keyword. upper is scratch room kept by the caller.
    bool MayShow(std::string_view page, std::string& upper);

private:
    // Text from s that goes on the keyword from the offsets reached before it: true when it
    // ends the keyword; else the offsets it reaches up to its end, when more may follow.
    bool piece(const char* s, std::size_t length, bool more, std::uint64_t& reaches) const;
    // The lengths of the keyword's starts that text of up to length bytes ending at end is.
    std::uint64_t starts(const char* end, std::size_t length) const;

    std::string m_key;
    bool m_usable = false;
    std::array<std::uint64_t, 256> m_endAt{}; // lengths i (1 to size - 1) of starts ending in a byte
    std::array<std::uint64_t, 256> m_at{};    // offsets (>= 1) of the keyword holding a byte
    std::uint64_t m_reached = 0; // offsets chains of pieces have reached so far in the page
};
