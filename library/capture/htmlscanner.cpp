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
    int quotes = 0; // double quotes seen by this call outside text
    m_collected.clear();
    const std::size_t size = m_text.size();
    while (m_pos < size) {
        switch (m_state) {
        case 0: {
            // Text runs to the next "<".
            const void* lt = std::memchr(m_text.data() + m_pos, '<', size - m_pos);
            const std::size_t end = lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - m_text.data()) : size;
            m_collected.append(m_text, m_pos, end - m_pos);
            m_pos = end;
            if (end < size) {
                m_state = 1;
                ++m_pos;
            }
            break;
        }
        case 1:
            if (m_text[m_pos] == '"')
                ++quotes;
            m_state = 2;
            --m_pos;
            return std::make_unique<CHtmlText>(std::move(m_collected), TOKEN_TEXT);
        case 2: {
            // In a tag: a stretch of ordinary characters is taken whole. A "<" followed by a
            // blank loses the blank; "<!" starts a comment or declaration.
            std::size_t run = m_pos;
            while (m_pos < size && m_state == 2) {
                const char c = m_text[m_pos];
                if (c == '"')
                    ++quotes;
                const char previous = m_pos > run ? m_text[m_pos - 1] : m_collected.empty() ? '\0' : m_collected.back();
                if (c == '>' && quotes % 2 == 0) {
                    m_state = 3;
                } else if (c == ' ' && previous == '<') {
                    m_collected.append(m_text, run, m_pos - run);
                    run = m_pos + 1;
                } else if (c == '!' && previous == '<') {
                    --m_pos;
                    return ReadMarkupDeclaration();
                }
                ++m_pos;
            }
            m_collected.append(m_text, run, m_pos - run);
            break;
        }
        case 3:
            m_state = 0;
            return std::make_unique<CHtmlTag>(std::move(m_collected));
        }
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

std::string_view CHtmlScanner::NextWordView()
{
    // A word is one stretch of the text: it is cut out when its end is found.
    int doubles = 0, singles = 0;
    bool started = false; // the word began in this call
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
                m_wordStart = m_pos;
                started = true;
                m_wordState = 1;
            }
            break;
        case 1:
            if (doubles % 2 == 0 && singles % 2 == 0 && inEndSet(c)) {
                m_wordState = 2;
                m_wordEnd = m_pos;
                if (m_pos + 1 == size)
                    return m_text.substr(m_wordStart, m_wordEnd - m_wordStart);
            }
            break;
        case 2:
            m_wordState = 0;
            return started ? m_text.substr(m_wordStart, m_wordEnd - m_wordStart) : std::string_view();
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
