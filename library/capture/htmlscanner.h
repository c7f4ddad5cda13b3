#pragma once
// A cursor over one page that cuts it into tokens where an HTML5 browser would: tags begin
// with "<" and a letter, attribute values end where a browser ends them, comments end at
// "-->" or "--!>", and the contents of SCRIPT, STYLE, TEXTAREA and the like are raw text up
// to their own end tag. Whatever the cleaner writes back is then read the same way.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CHtmlToken;

// The parts of one tag, as places in its text.
struct HtmlTagLayout
{
    struct Part
    {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    struct Attribute
    {
        Part name;
        Part value; // as written, quotes included
        bool hasValue = false;
    };
    Part name; // "/p" for an end tag
    std::vector<Attribute> attributes;
    bool selfClosing = false;
    bool closed = false; // its ">" was found
};

class CHtmlScanner
{
public:
    explicit CHtmlScanner(std::string_view text) : m_text(text) {}

    // The next token: text (possibly empty) before every tag, comment or declaration, and
    // the raw contents of elements whose text is not markup. None at the end of the text.
    std::unique_ptr<CHtmlToken> NextToken();

    // The tag that starts at pos ("<" and a letter, or "</" and a letter): the position after
    // its ">" (the end of the text when it is not closed). Fills layout when given.
    static std::size_t ScanTag(std::string_view text, std::size_t pos, HtmlTagLayout* layout);

    // Raw-text elements: the body of SCRIPT and IFRAME (never written), and the text of
    // STYLE, TEXTAREA, TITLE, XMP, NOEMBED and PLAINTEXT.
    static bool IsRawTextElement(std::string_view upperName);

    std::size_t Position() const { return m_pos; }

private:
    // What starts at the "<" at pos: 0 text, 1 tag, 2 comment or declaration.
    int markupAt(std::size_t pos) const;
    std::unique_ptr<CHtmlToken> readMarkup();
    std::unique_ptr<CHtmlToken> readRawText();

    std::string_view m_text;
    std::size_t m_pos = 0;
    bool m_textNext = true;
    std::string m_rawElement; // set after a start tag whose contents are raw text
    HtmlTagLayout m_layout;   // of the last tag, kept to spare an allocation per tag
};
