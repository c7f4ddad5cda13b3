#pragma once
// Links of a page: which are absolute, and how a relative one resolves against the address
// the page came from.

#include <string>
#include <string_view>

enum UrlClass : int {
    URL_RELATIVE = 0,
    URL_HTTP = 1,  // http:// and https://
    URL_FILE = 2,  // file://
    URL_OTHER = 3, // any other scheme (ftp:, mailto:, data:, javascript:, about:...): left alone
};

// The class of a link, after leading white space and quotes.
int ClassifyUrl(std::string_view value);

// The absolute address of a link on the page at base. Anchors ("#x") and script addresses
// are returned as they are; a link that starts with "//" takes the base's scheme.
std::string ResolveUrl(std::string_view link, std::string_view base);

// The value as it can be written into a tag: in double quotes when it holds anything that
// would end or split an unquoted value (a double quote inside becomes %22).
std::string QuoteAttributeValue(std::string_view value, bool always);

// %XX sequences turned into their bytes; anything else stays.
std::string PercentDecode(std::string_view text);
