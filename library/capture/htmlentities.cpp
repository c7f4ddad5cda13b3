#include "htmlentities.h"

#include <algorithm>
#include <array>

namespace htmltext {

namespace {

struct HtmlEntity
{
    std::string_view name;
    std::string_view value;
};

#include "htmlentities.inc"

int hexValue(uchar c)
{
    if (isDigit(c))
        return c - '0';
    const unsigned l = static_cast<unsigned>((c | 0x20) - 'a');
    return l < 6u ? static_cast<int>(l) + 10 : -1;
}

// Where the names with each first byte begin in the sorted table.
constexpr std::array<std::uint16_t, 257> makeEntityIndex()
{
    std::array<std::uint16_t, 257> first{};
    for (const HtmlEntity& e : kHtmlEntities)
        ++first[static_cast<uchar>(e.name[0]) + 1u];
    for (std::size_t c = 1; c < first.size(); ++c)
        first[c] = static_cast<std::uint16_t>(first[c] + first[c - 1]);
    return first;
}

constexpr std::array<std::uint16_t, 257> kEntityIndex = makeEntityIndex();

const HtmlEntity* findEntity(std::string_view name)
{
    const auto c = static_cast<uchar>(name[0]);
    const HtmlEntity* begin = kHtmlEntities + kEntityIndex[c];
    const HtmlEntity* end = kHtmlEntities + kEntityIndex[c + 1u];
    // Names are short: a byte loop beats a call to memcmp.
    const auto less = [](const HtmlEntity& e, std::string_view n) {
        const std::size_t m = std::min(e.name.size(), n.size());
        for (std::size_t i = 0; i < m; ++i)
            if (e.name[i] != n[i])
                return static_cast<uchar>(e.name[i]) < static_cast<uchar>(n[i]);
        return e.name.size() < n.size();
    };
    const auto* it = std::lower_bound(begin, end, name, less);
    return it != end && it->name == name ? it : nullptr;
}

// "&#...": s[1] == '#'.
std::size_t readNumericRef(const char* s, const char* end, CharRef& ref)
{
    const char* p = s + 2;
    const bool hex = p != end && (*p | 0x20) == 'x';
    if (hex)
        ++p;
    const char* digits = p;
    std::uint32_t cp = 0;
    for (; p != end; ++p) {
        const int v = hex                               ? hexValue(static_cast<uchar>(*p))
                      : isDigit(static_cast<uchar>(*p)) ? *p - '0'
                                                        : -1;
        if (v < 0)
            break;
        cp = std::min<std::uint32_t>(cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(v),
                                     0x110000);
    }
    if (p == digits)
        return 0;
    if (p != end && *p == ';')
        ++p;
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    else if (cp >= 0x80 && cp <= 0x9F)
        cp = kWindows1252C1[cp - 0x80];
    ref.value = std::string_view(ref.buffer, appendUtf8(ref.buffer, cp));
    return static_cast<std::size_t>(p - s);
}

} // namespace

std::size_t readCharRef(const char* s, const char* end, CharRef& ref)
{
    const char* p = s + 1;
    if (p == end)
        return 0;
    if (*p == '#')
        return readNumericRef(s, end, ref);
    const char* nameEnd = p;
    while (nameEnd != end && static_cast<std::size_t>(nameEnd - p) < kEntityNameMax &&
           isAlnum(static_cast<uchar>(*nameEnd)))
        ++nameEnd;
    const auto len = static_cast<std::size_t>(nameEnd - p);
    if (len == 0)
        return 0;
    if (nameEnd != end && *nameEnd == ';') {
        // The usual few without a table search.
        const std::string_view name(p, len);
        std::string_view quick;
        if (name == "lt")
            quick = "<";
        else if (name == "gt")
            quick = ">";
        else if (name == "amp")
            quick = "&";
        else if (name == "quot")
            quick = "\"";
        else if (name == "nbsp")
            quick = "\xC2\xA0";
        if (!quick.empty()) {
            ref.value = quick;
            return len + 2;
        }
        if (const HtmlEntity* e = findEntity(std::string_view(p, len + 1))) {
            ref.value = e->value;
            return len + 2;
        }
    }
    // The longest name HTML also takes without ';'.
    for (std::size_t k = std::min(len, kLegacyEntityNameMax); k >= 2; --k) {
        if (const HtmlEntity* e = findEntity(std::string_view(p, k))) {
            ref.value = e->value;
            return k + 1;
        }
    }
    return 0;
}

std::string decodeCharRefs(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const char* end = text.data() + text.size();
    for (const char* p = text.data(); p != end;) {
        CharRef ref;
        const std::size_t n = *p == '&' ? readCharRef(p, end, ref) : 0;
        if (n) {
            out += ref.value;
            p += n;
        } else {
            out += *p++;
        }
    }
    return out;
}

} // namespace htmltext
