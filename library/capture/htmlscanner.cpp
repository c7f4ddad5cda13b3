#include "htmlscanner.h"

#include "htmltoken.h"

#include <cstring>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isAlpha(char c)
{
    return static_cast<unsigned>((c | 0x20) - 'a') < 26u;
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

HtmlTagLayout::Part part(std::size_t begin, std::size_t end)
{
    return {static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end - begin)};
}

// A CDATA section as text: it shows as it stands, and nothing in it can become a tag.
std::string cdataAsText(std::string_view section)
{
    std::string out;
    out.reserve(section.size() + 16);
    for (char c : section) {
        if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

} // namespace

bool CHtmlScanner::IsRawTextElement(std::string_view name)
{
    static constexpr std::string_view kRaw[] = {"SCRIPT", "IFRAME",  "STYLE",  "TEXTAREA",
                                                "TITLE",  "XMP",     "NOEMBED", "PLAINTEXT"};
    for (std::string_view raw : kRaw)
        if (name == raw)
            return true;
    return false;
}

std::size_t CHtmlScanner::ScanTag(std::string_view text, std::size_t pos, HtmlTagLayout* layout)
{
    const std::size_t size = text.size();
    std::size_t i = pos + 1;
    const std::size_t nameStart = i;
    if (i < size && text[i] == '/')
        ++i;
    while (i < size && !isSpace(text[i]) && text[i] != '/' && text[i] != '>')
        ++i;
    if (layout)
        layout->name = part(nameStart, i);
    for (;;) {
        // Before an attribute name.
        while (i < size && (isSpace(text[i]) || text[i] == '/')) {
            if (text[i] == '/' && i + 1 < size && text[i + 1] == '>') {
                if (layout)
                    layout->selfClosing = true;
                ++i;
                break;
            }
            ++i;
        }
        if (i >= size)
            return size;
        if (text[i] == '>') {
            if (layout)
                layout->closed = true;
            return i + 1;
        }
        // The name: an "=" may only start it.
        const std::size_t name = i++;
        while (i < size && !isSpace(text[i]) && text[i] != '/' && text[i] != '>' && text[i] != '=')
            ++i;
        HtmlTagLayout::Attribute attribute{part(name, i), {}, false};
        while (i < size && isSpace(text[i]))
            ++i;
        if (i < size && text[i] == '=') {
            ++i;
            while (i < size && isSpace(text[i]))
                ++i;
            if (i >= size)
                return size; // the value was cut off: the attribute is lost
            const std::size_t value = i;
            if (text[i] == '"' || text[i] == '\'') {
                const void* close = std::memchr(text.data() + i + 1, text[i], size - i - 1);
                if (!close)
                    return size;
                i = static_cast<std::size_t>(static_cast<const char*>(close) - text.data()) + 1;
            } else {
                while (i < size && !isSpace(text[i]) && text[i] != '>')
                    ++i;
                if (i >= size)
                    return size;
            }
            attribute.value = part(value, i);
            attribute.hasValue = true;
        }
        if (layout)
            layout->attributes.push_back(attribute);
    }
}

int CHtmlScanner::markupAt(std::size_t pos) const
{
    if (pos + 1 >= m_text.size())
        return 0;
    const char c = m_text[pos + 1];
    if (isAlpha(c))
        return 1;
    if (c == '!' || c == '?')
        return 2;
    if (c == '/') {
        if (pos + 2 >= m_text.size())
            return 0;
        return isAlpha(m_text[pos + 2]) ? 1 : 2;
    }
    return 0;
}

std::unique_ptr<CHtmlToken> CHtmlScanner::readMarkup()
{
    const std::size_t start = m_pos;
    const std::size_t size = m_text.size();
    const std::string_view rest = m_text.substr(start);
    std::size_t end = std::string_view::npos;
    if (rest.substr(0, 4) == "<!--") {
        if (rest.substr(4, 1) == ">")
            end = start + 5;
        else if (rest.substr(4, 2) == "->")
            end = start + 6;
        else {
            // "--!>" counts only before the first "-->": looking further would read the
            // rest of the page once per comment.
            const std::size_t a = m_text.find("-->", start + 4);
            const std::string_view before = m_text.substr(0, a == std::string_view::npos ? m_text.size() : a + 3);
            const std::size_t b = before.find("--!>", start + 4);
            end = b != std::string_view::npos ? b + 4 : a != std::string_view::npos ? a + 3 : end;
        }
    } else if (rest.substr(0, 9) == "<![CDATA[") {
        const std::size_t close = m_text.find("]]>", start + 9);
        m_pos = close == std::string_view::npos ? size : close + 3;
        return std::make_unique<CHtmlText>(cdataAsText(m_text.substr(start, m_pos - start)), TOKEN_TEXT);
    } else {
        // Declarations, processing instructions and odd end tags end at the first ">".
        const std::size_t close = m_text.find('>', start + 2);
        if (close != std::string_view::npos)
            end = close + 1;
    }
    m_pos = end == std::string_view::npos ? size : end;
    return std::make_unique<CHtmlText>(std::string(m_text.substr(start, m_pos - start)), TOKEN_MARKUP);
}

std::unique_ptr<CHtmlToken> CHtmlScanner::readRawText()
{
    const std::size_t start = m_pos;
    const std::string element = std::move(m_rawElement);
    m_rawElement.clear();
    std::size_t end = m_text.size();
    if (element != "PLAINTEXT") {
        // Up to "</" + the element's name + a blank, "/" or ">".
        for (std::size_t from = start;;) {
            const std::size_t open = m_text.find("</", from);
            if (open == std::string_view::npos)
                break;
            const std::size_t after = open + 2 + element.size();
            bool match = after < m_text.size();
            for (std::size_t k = 0; match && k < element.size(); ++k)
                match = upper(m_text[open + 2 + k]) == element[k];
            if (match && (isSpace(m_text[after]) || m_text[after] == '/' || m_text[after] == '>')) {
                end = open;
                break;
            }
            from = open + 2;
        }
    }
    m_pos = end;
    const int kind = element == "SCRIPT" || element == "IFRAME" ? TOKEN_SCRIPT : TOKEN_RAWTEXT;
    return std::make_unique<CHtmlText>(std::string(m_text.substr(start, end - start)), kind);
}

std::unique_ptr<CHtmlToken> CHtmlScanner::NextToken()
{
    const std::size_t size = m_text.size();
    if (!m_rawElement.empty())
        return readRawText();
    if (m_textNext) {
        if (m_pos >= size)
            return nullptr;
        // Text runs to the next "<" that starts markup.
        const std::size_t start = m_pos;
        std::size_t at = m_pos;
        for (;;) {
            const void* lt = std::memchr(m_text.data() + at, '<', size - at);
            if (!lt) {
                at = size;
                break;
            }
            at = static_cast<std::size_t>(static_cast<const char*>(lt) - m_text.data());
            if (markupAt(at) != 0)
                break;
            ++at;
        }
        m_pos = at;
        m_textNext = false;
        if (at >= size && start == at)
            return nullptr;
        return std::make_unique<CHtmlText>(std::string(m_text.substr(start, at - start)), TOKEN_TEXT);
    }
    if (m_pos >= size)
        return nullptr;
    m_textNext = true;
    if (markupAt(m_pos) == 2)
        return readMarkup();
    // The tag is split here, once: its parts are places in its own text.
    const std::size_t start = m_pos;
    m_layout.attributes.clear();
    m_layout.selfClosing = m_layout.closed = false;
    m_pos = start + ScanTag(m_text.substr(start), 0, &m_layout);
    if (m_text[start + 1] != '/' && m_layout.name.length <= 9) {
        std::string name(m_text.substr(start + m_layout.name.offset, m_layout.name.length));
        for (char& c : name)
            c = upper(c);
        if (IsRawTextElement(name))
            m_rawElement = std::move(name);
    }
    auto tag = std::make_unique<CHtmlTag>(std::string(m_text.substr(start, m_pos - start)));
    tag->ParseLayout(m_layout);
    return tag;
}
