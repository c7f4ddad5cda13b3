#include "links.h"

#include <vector>

namespace {

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (lower(s[i]) != lower(prefix[i]))
            return false;
    return true;
}

// The scheme ("http") of an address that has one, else empty.
std::string_view schemeOf(std::string_view s)
{
    if (s.empty() || !((s[0] >= 'a' && s[0] <= 'z') || (s[0] >= 'A' && s[0] <= 'Z')))
        return {};
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == ':')
            return s.substr(0, i);
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
                        c == '-' || c == '.';
        if (!ok)
            return {};
    }
    return {};
}

std::string_view trim(std::string_view s, std::string_view chars)
{
    while (!s.empty() && chars.find(s.front()) != std::string_view::npos)
        s.remove_prefix(1);
    while (!s.empty() && chars.find(s.back()) != std::string_view::npos)
        s.remove_suffix(1);
    return s;
}

// Cuts text into pieces that each end with '/', starting at from; the rest after the last
// '/' is returned apart.
std::vector<std::string> segments(std::string_view text, std::size_t from, std::string& rest)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t slash = text.find('/', from); slash != std::string_view::npos; slash = text.find('/', slash + 1)) {
        parts.emplace_back(text.substr(start, slash + 1 - start));
        start = slash + 1;
    }
    rest = std::string(text.substr(start));
    return parts;
}

} // namespace

int ClassifyUrl(std::string_view value)
{
    while (!value.empty() && (isWhite(value.front()) || value.front() == '"' || value.front() == '\''))
        value.remove_prefix(1);
    if (startsWithNoCase(value, "http:/") || startsWithNoCase(value, "https:/"))
        return URL_HTTP;
    if (startsWithNoCase(value, "file:/"))
        return URL_FILE;
    return schemeOf(value).size() > 1 ? URL_OTHER : URL_RELATIVE; // "C:" is a drive, not a scheme
}

std::string ResolveUrl(std::string_view rawLink, std::string_view rawBase)
{
    const std::string_view link = trim(rawLink, " \t\r\n\f\v\"");
    std::string lowered;
    for (char c : link.substr(0, 12))
        lowered += lower(c);
    if (lowered.find("javascript:") != std::string::npos)
        return std::string(link);
    if (ClassifyUrl(link) != URL_RELATIVE)
        return std::string(link);

    std::string base(rawBase);
    for (char& c : base)
        if (c == '\\')
            c = '/';
    if (base.size() < 10 || base.find('/', 9) == std::string::npos)
        base += '/';
    if (link.empty())
        return base;
    if (link.front() == '#')
        return std::string(link);
    if (link.substr(0, 2) == "//") {
        // Scheme-relative: the base's scheme, the link's host.
        const std::string_view scheme = schemeOf(base);
        return std::string(scheme.empty() ? "http" : scheme) + ":" + std::string(link);
    }

    // Scheme and host are the first two pieces of the base ("http://", "host/"); the first
    // piece ends at the second slash of "://", however long the scheme.
    const std::size_t schemeEnd = base.find("://");
    std::string page;
    std::vector<std::string> parts = segments(base, schemeEnd == std::string::npos ? 6 : schemeEnd + 2, page);

    std::string_view relative = link;
    if (relative.front() == '/') {
        parts.resize(std::min<std::size_t>(parts.size(), 2));
        relative.remove_prefix(1);
    }
    std::string last;
    std::vector<std::string> steps = segments(relative, 0, last);
    if (!last.empty())
        steps.push_back(last);
    for (const std::string& step : steps) {
        if (step == "./")
            continue;
        if (step == "../") {
            if (parts.size() > 2)
                parts.pop_back();
            continue;
        }
        parts.push_back(step);
    }
    std::string out;
    for (const std::string& part : parts)
        out += part;
    return out;
}

std::string QuoteAttributeValue(std::string_view value, bool always)
{
    bool needed = always || value.empty();
    std::string out;
    for (char c : value) {
        if (c == '"') {
            out += "%22";
            needed = true;
            continue;
        }
        if (isWhite(c) || c == '\'' || c == '=' || c == '<' || c == '>' || c == '`')
            needed = true;
        out += c;
    }
    return needed ? "\"" + out + "\"" : out;
}
