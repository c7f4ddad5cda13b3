#include "postform.h"

#include "httpclient.h"

#include <array>
#include <cctype>

namespace {

bool isSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

// Name and value of one "name=value" segment, or false when it has no name.
bool splitPair(std::string_view segment, std::string& name, std::string& value)
{
    const std::size_t eq = segment.find('=');
    if (eq == std::string_view::npos || eq == 0)
        return false;
    name = trimRight(trimLeft(segment.substr(0, eq)));
    std::string_view v = trimLeft(segment.substr(eq + 1));
    while (!v.empty() && (v.back() == ';' || v.back() == ' '))
        v.remove_suffix(1);
    value = v;
    return true;
}

} // namespace

std::string UrlEncode(std::string_view text)
{
    static constexpr auto keep = [] {
        std::array<bool, 256> table{};
        for (int c = '0'; c <= '9'; ++c)
            table[static_cast<std::size_t>(c)] = true;
        for (int c = 'A'; c <= 'Z'; ++c)
            table[static_cast<std::size_t>(c)] = table[static_cast<std::size_t>(c + 32)] = true;
        for (const char c : std::string_view("!'()*-./:_~"))
            table[static_cast<unsigned char>(c)] = true;
        return table;
    }();
    static const char hex[] = "0123456789abcdef";
    text = text.substr(0, text.find('\0'));
    std::string encoded(text.size() * 3, '\0');
    char* out = encoded.data();
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep[c]) {
            *out++ = ch;
        } else if (c == ' ') {
            *out++ = '+';
        } else {
            out[0] = '%';
            out[1] = hex[c >> 4];
            out[2] = hex[c & 15];
            out += 3;
        }
    }
    encoded.resize(static_cast<std::size_t>(out - encoded.data()));
    return encoded;
}

bool SplitUrl(std::string_view url, std::string& site, std::string& path)
{
    const std::size_t slash = url.size() < 9 ? std::string_view::npos : url.find('/', 9);
    if (slash == std::string_view::npos)
        return false;
    site = url.substr(0, slash);
    path = url.substr(slash);
    return true;
}

std::string ReplaceAll(std::string text, std::string_view placeholder, std::string_view value)
{
    if (placeholder.empty())
        return text;
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
    return text;
}

int ParsePostArguments(CHttpClient& client, std::string_view text)
{
    int segments = 0;
    text = trimLeft(text);
    while (!text.empty()) {
        const std::size_t amp = text.find('&');
        const std::string_view segment = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        while (!text.empty() && (text.front() == '&' || text.front() == ' '))
            text.remove_prefix(1);
        if (segment.empty())
            continue;
        ++segments;
        std::string name, value;
        if (splitPair(segment, name, value))
            client.AddPostArgument(std::move(name), std::move(value));
    }
    return segments;
}

int ParseCookies(CHttpClient& client, std::string_view text)
{
    int segments = 0;
    text = trimLeft(text);
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::string_view segment = text.substr(0, blank);
        text = blank == std::string_view::npos ? std::string_view() : trimLeft(text.substr(blank + 1));
        if (segment.empty())
            continue;
        ++segments;
        std::string name, value;
        if (splitPair(segment, name, value))
            client.AddCookie(std::move(name), std::move(value));
    }
    return segments;
}

std::string CookieCut(std::string_view header)
{
    const std::size_t blank = header.find(' ');
    return blank == std::string_view::npos ? std::string() : std::string(header.substr(0, blank + 1));
}
