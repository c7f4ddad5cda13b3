#include "links.h"

#include <curl/curl.h>

#include <string>

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

// What a browser does to an address before it reads it: no white space at either end, no tab
// or line break inside; for web and file addresses a backslash is a slash.
std::string cleanAddress(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (char c : trim(raw, " \t\r\n\f\v\"")) {
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        out += c;
    }
    return out;
}

// A handle of libcurl's URL parser, freed with its scope.
struct UrlHandle
{
    UrlHandle() : url(curl_url()) {}
    ~UrlHandle() { curl_url_cleanup(url); }
    UrlHandle(const UrlHandle&) = delete;
    UrlHandle& operator=(const UrlHandle&) = delete;
    CURLU* url;
};

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
    std::string link = cleanAddress(rawLink);
    std::string lowered;
    for (char c : std::string_view(link).substr(0, 12))
        lowered += lower(c);
    if (lowered.find("javascript:") != std::string::npos || ClassifyUrl(link) != URL_RELATIVE)
        return link;
    if (!link.empty() && link.front() == '#')
        return link;
    std::string base = cleanAddress(rawBase);
    for (char& c : base)
        if (c == '\\')
            c = '/';
    if (link.empty())
        return base;
    for (char& c : link)
        if (c == '\\')
            c = '/';

    // RFC 3986 resolution, as browsers do it.
    constexpr unsigned kFlags = CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE;
    UrlHandle handle;
    char* resolved = nullptr;
    if (!handle.url || curl_url_set(handle.url, CURLUPART_URL, base.c_str(), kFlags) != CURLUE_OK ||
        curl_url_set(handle.url, CURLUPART_URL, link.c_str(), kFlags) != CURLUE_OK ||
        curl_url_get(handle.url, CURLUPART_URL, &resolved, 0) != CURLUE_OK || !resolved)
        return link;
    std::string out(resolved);
    curl_free(resolved);
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

std::string PercentDecode(std::string_view s)
{
    const auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
    };
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}
