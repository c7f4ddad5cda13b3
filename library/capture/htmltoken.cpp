#include "htmltoken.h"

#include "htmlscanner.h"

#include <algorithm>

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsUpper(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool isTrimmed(char c)
{
    return c == '\r' || c == '\n' || c == '"' || c == ' ' || c == '\'' || c == '\t';
}

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A character reference at s (s[0] == '&'): the code point and its length, or 0 length.
std::pair<unsigned long, std::size_t> characterReference(std::string_view s)
{
    static constexpr std::pair<std::string_view, unsigned long> kNamed[] = {
        {"&tab;", 9}, {"&newline;", 10}, {"&colon;", ':'}, {"&nbsp;", 0xA0}};
    if (s.size() >= 3 && s[1] == '#') {
        std::size_t i = 2;
        const bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
        if (hex)
            ++i;
        unsigned long value = 0;
        const std::size_t start = i;
        while (i < s.size() && i - start < 8) {
            const char c = lower(s[i]);
            const int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
            ++i;
        }
        if (i == start)
            return {0, 0};
        if (i < s.size() && s[i] == ';')
            ++i;
        return {value, i};
    }
    for (const auto& [name, value] : kNamed)
        if (s.size() >= name.size() && equalsUpper(s.substr(0, name.size()), name))
            return {value, name.size()};
    return {0, 0};
}

} // namespace

bool IsJavaScriptValue(std::string_view value)
{
    // What a browser makes of the address: references decoded, then tabs, line breaks,
    // blanks and other control characters gone. Only the start of the address counts.
    static constexpr std::size_t kWindow = 15;
    std::string seen;
    for (std::size_t i = 0; i < value.size() && seen.size() < kWindow;) {
        unsigned long c = static_cast<unsigned char>(value[i]);
        std::size_t length = 1;
        if (c == '&') {
            const auto [code, n] = characterReference(value.substr(i));
            if (n > 0) {
                c = code;
                length = n;
            }
        }
        i += length;
        if (c <= 0x20 || c == 0x7F || c == 0xA0)
            continue;
        seen += c < 0x80 ? lower(static_cast<char>(c)) : '\x80';
    }
    return seen.find("javascript:") != std::string::npos;
}

bool IsFilteredAttribute(std::string_view name)
{
    static constexpr std::string_view kHandlers =
        "onfocus onload onunload onmouseover onmouseout onclick target oncopy onmousemove";
    std::string lowered(name);
    for (char& c : lowered)
        c = lower(c);
    return kHandlers.find(lowered) != std::string_view::npos || lowered.rfind("on", 0) == 0;
}

int CHtmlToken::GetAttribute(std::string_view, std::string& value) const
{
    value.clear();
    return -1;
}

bool CHtmlToken::ParseTag()
{
    m_bParsed = false;
    return false;
}

int CHtmlTag::find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (equalsUpper(m_names[i], name))
            return static_cast<int>(i);
    return -1;
}

int CHtmlTag::GetAttribute(std::string_view name, std::string& value) const
{
    const int index = find(name);
    if (index < 0) {
        value.clear();
        return -1;
    }
    const std::string& stored = m_values[static_cast<std::size_t>(index)];
    if (IsJavaScriptValue(stored)) {
        value.clear();
        return index;
    }
    std::size_t begin = 0, end = stored.size();
    while (begin < end && isTrimmed(stored[begin]))
        ++begin;
    while (end > begin && isTrimmed(stored[end - 1]))
        --end;
    value.assign(stored, begin, end - begin);
    return index;
}

void CHtmlTag::SetAttribute(std::string_view name, std::string_view value)
{
    while (!name.empty() && isWhite(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isWhite(name.back()))
        name.remove_suffix(1);
    if (IsJavaScriptValue(value))
        return;
    const int index = find(name);
    if (index >= 0)
        m_values[static_cast<std::size_t>(index)] = value;
    else {
        m_names.emplace_back(name);
        m_values.emplace_back(value);
    }
}

int CHtmlTag::RemoveAttribute(std::string_view name)
{
    const int index = find(name);
    if (index >= 0) {
        m_names.erase(m_names.begin() + index);
        m_values.erase(m_values.begin() + index);
    }
    return index;
}

bool CHtmlTag::ParseTag()
{
    std::replace(m_strText.begin(), m_strText.end(), '\r', ' ');
    std::replace(m_strText.begin(), m_strText.end(), '\n', ' ');
    const auto first = std::find_if_not(m_strText.begin(), m_strText.end(), isWhite);
    m_strText.erase(m_strText.begin(), first);

    CHtmlScanner scanner(m_strText);
    const std::string name = scanner.NextWord();
    if (name.empty()) {
        m_nKind = TOKEN_MARKUP;
        m_bParsed = false;
        return false;
    }
    m_strName = upper(name);
    for (;;) {
        std::string attribute = scanner.NextWord();
        if (attribute.empty())
            break;
        std::string value = scanner.NextWord();
        if (value.empty())
            break;
        SetAttribute(attribute, value);
    }
    m_bParsed = true;
    return true;
}

std::string CHtmlTag::GetText() const
{
    if (!m_bParsed)
        return m_strText;
    if (m_strName == "IFRAME" || m_strName == "/IFRAME")
        return {};
    std::string out;
    out.reserve(m_strText.size() + 8);
    out += '<';
    out += m_strName;
    out += ' ';
    if (m_strName != "SCRIPT") {
        for (std::size_t i = 0; i < m_names.size(); ++i) {
            if (IsFilteredAttribute(m_names[i]))
                continue;
            out += m_names[i];
            out += " = ";
            out += m_values[i];
            out += ' ';
        }
    }
    out += '>';
    return out;
}
