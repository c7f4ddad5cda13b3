#pragma once
// A small HTML tokenizer: splits a page into text, tags, comments and the raw text of
// elements such as <style> and <script>, where a browser's tokenizer would split it.
// It only finds boundaries; nothing is decoded.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class PagePiece {
    Text,
    StartTag,
    EndTag,
    Comment,
    Markup,  // <!DOCTYPE ...>, <?...>, and other bogus comments
    RawText, // the content of <style>, <script>, <textarea>, <title> and the like
};

struct PageToken
{
    PagePiece kind = PagePiece::Text;
    std::size_t begin = 0; // byte range in the page
    std::size_t end = 0;
    std::string name; // lower-case tag name; for raw text, its element's name
};

class CPageScanner
{
public:
    explicit CPageScanner(std::string_view page) : m_page(page) {}

    // The next piece; false at the end of the page.
    bool Next(PageToken& token);

private:
    std::size_t tagEnd(std::size_t from) const;

    std::string_view m_page;
    std::size_t m_pos = 0;
    std::string m_rawElement; // set after a start tag whose content is raw text
};

// The attributes of a start tag's text ("<meta charset=x>"): names in lower case, values as
// written, without their quotes. A name without a value has an empty one.
std::vector<std::pair<std::string, std::string>> TagAttributes(std::string_view tag);

// ASCII lower case.
std::string LowerAscii(std::string_view text);
