#include "pagescanner.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isAlpha(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Elements whose content the tokenizer reads as text up to their own end tag.
bool isRawTextElement(std::string_view name)
{
    static constexpr std::string_view kRaw[] = {"style", "script", "textarea", "title",
                                                "xmp",   "iframe", "noembed",  "noframes"};
    for (std::string_view raw : kRaw)
        if (name == raw)
            return true;
    return false;
}

// Where "</name" (any case) followed by a space, '/', '>' or the end starts, from pos on.
std::size_t findEndTag(std::string_view page, std::string_view name, std::size_t pos)
{
    for (std::size_t lt = page.find("</", pos); lt != std::string_view::npos; lt = page.find("</", lt + 2)) {
        const std::size_t after = lt + 2 + name.size();
        if (after > page.size())
            return std::string_view::npos;
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k)
            same = lower(page[lt + 2 + k]) == name[k];
        if (same && (after == page.size() || isSpace(page[after]) || page[after] == '/' || page[after] == '>'))
            return lt;
    }
    return std::string_view::npos;
}

} // namespace

std::string LowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = lower(c);
    return out;
}

std::size_t CPageScanner::tagEnd(std::size_t i) const
{
    // Attributes as the tokenizer reads them: a quote matters only at the start of a value.
    const std::size_t n = m_page.size();
    for (;;) {
        while (i < n && (isSpace(m_page[i]) || m_page[i] == '/'))
            ++i;
        if (i >= n)
            return n;
        if (m_page[i] == '>')
            return i + 1;
        ++i; // a name may start with '='
        while (i < n && !isSpace(m_page[i]) && m_page[i] != '/' && m_page[i] != '>' && m_page[i] != '=')
            ++i;
        while (i < n && isSpace(m_page[i]))
            ++i;
        if (i >= n || m_page[i] != '=')
            continue;
        ++i;
        while (i < n && isSpace(m_page[i]))
            ++i;
        if (i < n && (m_page[i] == '"' || m_page[i] == '\'')) {
            const std::size_t close = m_page.find(m_page[i], i + 1);
            i = close == std::string_view::npos ? n : close + 1;
        } else {
            while (i < n && !isSpace(m_page[i]) && m_page[i] != '>')
                ++i;
        }
    }
}

bool CPageScanner::Next(PageToken& token)
{
    const std::size_t n = m_page.size();
    if (m_pos >= n)
        return false;
    token.begin = m_pos;
    token.name.clear();

    if (!m_rawElement.empty()) {
        const std::size_t close = findEndTag(m_page, m_rawElement, m_pos);
        token.kind = PagePiece::RawText;
        token.end = close == std::string_view::npos ? n : close;
        token.name = std::move(m_rawElement);
        m_rawElement.clear();
        m_pos = token.end;
        if (token.end > token.begin)
            return true;
        return Next(token); // an empty element: go on with its end tag
    }

    const std::string_view rest = m_page.substr(m_pos);
    if (rest.size() >= 2 && rest[0] == '<') {
        if (rest.substr(0, 4) == "<!--") {
            // "<!-->" and "<!--->" close at once; "--!>" closes as "-->" does.
            std::size_t end = n;
            if (rest.substr(4, 1) == ">")
                end = m_pos + 5;
            else if (rest.substr(4, 2) == "->")
                end = m_pos + 6;
            else
                for (std::size_t d = m_page.find("--", m_pos + 4); d != std::string_view::npos; d = m_page.find("--", d + 1)) {
                    if (m_page.substr(d + 2, 1) == ">") {
                        end = d + 3;
                        break;
                    }
                    if (m_page.substr(d + 2, 2) == "!>") {
                        end = d + 4;
                        break;
                    }
                }
            token.kind = PagePiece::Comment;
            token.end = end;
            m_pos = end;
            return true;
        }
        const bool endTag = rest[1] == '/';
        if (rest[1] == '!' || rest[1] == '?' || (endTag && (rest.size() < 3 || !isAlpha(rest[2])))) {
            const std::size_t close = m_page.find('>', m_pos + 1);
            token.kind = PagePiece::Markup;
            token.end = close == std::string_view::npos ? n : close + 1;
            m_pos = token.end;
            return true;
        }
        if (isAlpha(rest[endTag ? 2 : 1])) {
            std::size_t i = m_pos + (endTag ? 2 : 1);
            while (i < n && !isSpace(m_page[i]) && m_page[i] != '/' && m_page[i] != '>')
                token.name += lower(m_page[i++]);
            token.kind = endTag ? PagePiece::EndTag : PagePiece::StartTag;
            token.end = tagEnd(i);
            m_pos = token.end;
            const bool selfClosing = token.end >= 2 && m_page[token.end - 1] == '>' && m_page[token.end - 2] == '/';
            // "<title/>" is read as closed (as inside SVG) rather than swallowing the page.
            if (!endTag && isRawTextElement(token.name) && !selfClosing)
                m_rawElement = token.name;
            return true;
        }
    }
    // Text up to the next '<' that may start markup.
    std::size_t i = m_pos + 1;
    for (;;) {
        i = m_page.find('<', i);
        if (i == std::string_view::npos || i + 1 >= n) {
            i = n;
            break;
        }
        const char c = m_page[i + 1];
        if (isAlpha(c) || c == '/' || c == '!' || c == '?')
            break;
        ++i;
    }
    token.kind = PagePiece::Text;
    token.end = i;
    m_pos = i;
    return true;
}

std::vector<std::pair<std::string, std::string>> TagAttributes(std::string_view tag)
{
    std::vector<std::pair<std::string, std::string>> attributes;
    std::size_t i = tag.empty() || tag[0] != '<' ? 0 : 1;
    const std::size_t n = tag.size();
    while (i < n && !isSpace(tag[i]) && tag[i] != '/' && tag[i] != '>')
        ++i; // the tag's name
    for (;;) {
        while (i < n && (isSpace(tag[i]) || tag[i] == '/'))
            ++i;
        if (i >= n || tag[i] == '>')
            return attributes;
        const std::size_t nameBegin = i++;
        while (i < n && !isSpace(tag[i]) && tag[i] != '/' && tag[i] != '>' && tag[i] != '=')
            ++i;
        std::string name = LowerAscii(tag.substr(nameBegin, i - nameBegin));
        while (i < n && isSpace(tag[i]))
            ++i;
        std::string value;
        if (i < n && tag[i] == '=') {
            ++i;
            while (i < n && isSpace(tag[i]))
                ++i;
            if (i < n && (tag[i] == '"' || tag[i] == '\'')) {
                const std::size_t close = tag.find(tag[i], i + 1);
                const std::size_t end = close == std::string_view::npos ? n : close;
                value = std::string(tag.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? n : close + 1;
            } else {
                const std::size_t begin = i;
                while (i < n && !isSpace(tag[i]) && tag[i] != '>')
                    ++i;
                value = std::string(tag.substr(begin, i - begin));
            }
        }
        attributes.emplace_back(std::move(name), std::move(value));
    }
}
