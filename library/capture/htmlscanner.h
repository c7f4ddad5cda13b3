#pragma once
// A cursor over one text: cuts a page into tokens, or the inside of one tag into words.

#include <memory>
#include <string>
#include <string_view>

class CHtmlToken;

class CHtmlScanner
{
public:
    explicit CHtmlScanner(std::string_view text) : m_text(text) {}

    // The next token of the page, or none at the end of the text. What is left when the
    // text ends inside a text or a tag comes from TakeRest.
    std::unique_ptr<CHtmlToken> NextToken();
    // The next word of a tag; empty at the end.
    std::string NextWord() { return std::string(NextWordView()); }
    // The same, as a view into the text.
    std::string_view NextWordView();
    // The body of a SCRIPT element from the position to its end tag (the rest of the text
    // when there is none); the position moves to the end tag.
    std::string ReadScriptBody();
    // A comment or declaration at the position ("<!"); none when a declaration has no end.
    std::unique_ptr<CHtmlToken> ReadMarkupDeclaration();

    // At the end of the text: what was being collected and not yet returned, as a token
    // (a tag for an unclosed or last tag, text otherwise), or none when nothing is left.
    std::unique_ptr<CHtmlToken> TakeRest();

    std::size_t Position() const { return m_pos; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_state = 0;     // page tokens: 0 text, 1 after "<", 2 in a tag, 3 after ">"
    int m_wordState = 0; // words: 0 before, 1 in, 2 after
    std::size_t m_wordStart = 0;
    std::size_t m_wordEnd = 0;
    std::string m_collected;
    std::size_t m_restStart = std::string::npos; // where an unfinished declaration began
};
