#include "htmlscanner.h"

#include "htmltoken.h"

#include <cstring>

namespace {

bool inSkipSet(char c)
{
    return c == '<' || c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '=';
}

bool inEndSet(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == '\t' || c == '=' || c == '>';
}

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::unique_ptr<CHtmlToken> CHtmlScanner::NextToken()
{
    int quotes = 0;
    m_collected.clear();
    const std::size_t size = m_text.size();
    while (m_pos < size) {
        const char c = m_text[m_pos];
        if (m_state != 0 && c == '"')
            ++quotes;
        switch (m_state) {
        case 0: {
            // Text runs to the next "<".
            const void* lt = std::memchr(m_text.data() + m_pos, '<', size - m_pos);
            const std::size_t end = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - m_text.data()) : size;
            m_collected.append(m_text, m_pos, end - m_pos);
            m_pos = end;
            if (end == size)
                return nullptr;
            m_state = 1;
            break;
        }
        case 1:
            m_state = 2;
            --m_pos;
            return std::make_unique<CHtmlText>(std::move(m_collected), TOKEN_TEXT);
        case 2:
            if (c == '>' && quotes % 2 == 0)
                m_state = 3;
            m_collected += c;
            if (c == ' ' && m_collected.size() >= 2 && m_collected[m_collected.size() - 2] == '<')
                m_collected.pop_back();
            if (c == '!' && m_collected.size() >= 2 && m_collected[m_collected.size() - 2] == '<') {
                --m_pos;
                return ReadMarkupDeclaration();
            }
            break;
        case 3:
            m_state = 0;
            return std::make_unique<CHtmlTag>(std::move(m_collected));
        }
        ++m_pos;
    }
    return nullptr;
}

std::unique_ptr<CHtmlToken> CHtmlScanner::ReadMarkupDeclaration()
{
    const std::size_t start = m_pos;
    const std::size_t size = m_text.size();
    std::string_view ahead = m_text.substr(m_pos, 10);
    while (!ahead.empty() && isWhite(ahead.front()))
        ahead.remove_prefix(1);
    m_state = 0;
    if (ahead.substr(0, 4) == "<!--") {
        const std::size_t close = m_text.find("-->", m_pos);
        m_pos = close == std::string_view::npos ? size : close + 3;
        return std::make_unique<CHtmlText>(std::string(m_text.substr(start, m_pos - start)), TOKEN_MARKUP);
    }
    int quotes = 0;
    for (std::size_t i = m_pos; i < size; ++i) {
        const char c = m_text[i];
        if (c == '"')
            ++quotes;
        else if (c == '>' && quotes % 2 == 0) {
            m_pos = i + 1;
            return std::make_unique<CHtmlText>(std::string(m_text.substr(start, m_pos - start)), TOKEN_MARKUP);
        }
    }
    m_restStart = start; // no end: the rest of the page comes back from TakeRest
    m_pos = size;
    return nullptr;
}

std::string CHtmlScanner::ReadScriptBody()
{
    const std::size_t start = m_pos;
    std::size_t from = m_pos;
    for (;;) {
        const std::size_t open = m_text.find("</", from);
        if (open == std::string_view::npos) {
            m_pos = m_text.size();
            break;
        }
        std::string_view ahead = m_text.substr(open + 2, 20);
        while (!ahead.empty() && isWhite(ahead.front()))
            ahead.remove_prefix(1);
        static constexpr char kScript[] = "SCRIPT";
        bool match = ahead.size() >= 6;
        for (std::size_t i = 0; match && i < 6; ++i)
            match = upper(ahead[i]) == kScript[i];
        if (match) {
            m_pos = open;
            break;
        }
        from = open + 1;
    }
    return std::string(m_text.substr(start, m_pos - start));
}

std::string CHtmlScanner::NextWord()
{
    std::string word;
    int doubles = 0, singles = 0;
    const std::size_t size = m_text.size();
    while (m_pos < size) {
        const char c = m_text[m_pos];
        if (c == '"')
            ++doubles;
        else if (c == '\'')
            ++singles;
        switch (m_wordState) {
        case 0:
            if (!inSkipSet(c)) {
                if (c == '!')
                    return {};
                word += c;
                m_wordState = 1;
            }
            break;
        case 1:
            if (doubles % 2 == 0 && singles % 2 == 0 && inEndSet(c)) {
                m_wordState = 2;
                if (m_pos + 1 == size)
                    return word;
            } else {
                word += c;
            }
            break;
        case 2:
            m_wordState = 0;
            return word;
        }
        ++m_pos;
    }
    return {};
}

std::unique_ptr<CHtmlToken> CHtmlScanner::TakeRest()
{
    std::unique_ptr<CHtmlToken> rest;
    if (m_restStart != std::string::npos) {
        rest = std::make_unique<CHtmlText>(std::string(m_text.substr(m_restStart)), TOKEN_MARKUP);
        m_restStart = std::string::npos;
    } else if (m_state == 2 || m_state == 3) {
        rest = std::make_unique<CHtmlTag>(std::move(m_collected));
    } else if (m_state == 1) {
        rest = std::make_unique<CHtmlText>(std::move(m_collected) + "<", TOKEN_TEXT);
    } else if (!m_collected.empty()) {
        rest = std::make_unique<CHtmlText>(std::move(m_collected), TOKEN_TEXT);
    }
    m_collected.clear();
    m_state = 0;
    m_pos = m_text.size();
    return rest;
}
