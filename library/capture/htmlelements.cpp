#include "htmlelements.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace htmltext {

namespace {

// The first seven letters and the length of a lower-case name.
constexpr std::uint64_t elementKey(std::string_view name)
{
    std::uint64_t k = static_cast<std::uint64_t>(name.size()) << 56;
    for (std::size_t i = 0; i < name.size() && i < 7; ++i)
        k |= static_cast<std::uint64_t>(static_cast<uchar>(name[i])) << (8 * i);
    return k;
}

// elementKey of the name in lower case.
std::uint64_t nameKey(const char* name, std::size_t length, const char* end)
{
    const std::size_t n = std::min<std::size_t>(length, 7);
    std::uint64_t k = 0;
    if (end - name >= 8) {
        std::uint64_t word;
        std::memcpy(&word, name, 8);
        if constexpr (std::endian::native == std::endian::little) {
            // ASCII capitals get 0x20 added, eight at a time.
            constexpr std::uint64_t ones = 0x0101010101010101u;
            const std::uint64_t low7 = word & (0x7F * ones);
            const std::uint64_t atLeastA = low7 + (0x80 - 'A') * ones;
            const std::uint64_t aboveZ = low7 + (0x80 - 'Z' - 1) * ones;
            const std::uint64_t capital = atLeastA & ~aboveZ & ~word & (0x80 * ones);
            k = (word | capital >> 2) & ((std::uint64_t{1} << (8 * n)) - 1);
            return k | static_cast<std::uint64_t>(std::min<std::size_t>(length, 255)) << 56;
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        k |= static_cast<std::uint64_t>(static_cast<uchar>(lower(name[i]))) << (8 * i);
    return k | static_cast<std::uint64_t>(std::min<std::size_t>(length, 255)) << 56;
}

// Bytes inside a tag.
enum : std::uint8_t { kWhite = 1, kEndsName = 2, kEquals = 4, kEndsValue = 8 };

constexpr std::array<std::uint8_t, 256> makeTagBytes()
{
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<uchar>(c);
        t[b] = static_cast<std::uint8_t>((isWhite(b) ? kWhite | kEndsValue : 0) |
                                         (isNameEnd(b) ? kEndsName : 0) | (b == '=' ? kEquals : 0) |
                                         (b == '>' ? kEndsValue : 0));
    }
    return t;
}

constexpr std::array<std::uint8_t, 256> kTagBytes = makeTagBytes();

// The first c in [p, e), or e.
inline const char* findChar(const char* p, const char* e, char c)
{
#ifdef __SSE2__
    // Short distances without a call; long ones through memchr.
    const __m128i needle = _mm_set1_epi8(c);
    for (int i = 0; i < 4 && e - p >= 16; ++i, p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, needle)));
        if (mask)
            return p + __builtin_ctz(mask);
    }
#endif
    const void* q = p < e ? std::memchr(p, c, static_cast<std::size_t>(e - p)) : nullptr;
    return q ? static_cast<const char*>(q) : e;
}

// The end of a tag name that starts at p: white space, '/', '>' or the end of the page.
std::size_t nameEnd(const char* s, std::size_t n, std::size_t p)
{
#ifdef __SSE2__
    if (n - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
        const __m128i blank = _mm_set1_epi8(' ');
        // Bytes up to ' ' end it too: a control in a name is rare enough for the slow way.
        const __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, blank), v),
                                          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('/')),
                                                       _mm_cmpeq_epi8(v, _mm_set1_epi8('>'))));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stop));
        if (mask != 0) {
            const std::size_t e = p + static_cast<std::size_t>(__builtin_ctz(mask));
            if (isNameEnd(static_cast<uchar>(s[e])))
                return e;
            p = e;
        } else {
            p += 16;
        }
    }
#endif
    while (p < n && !(kTagBytes[static_cast<uchar>(s[p])] & kEndsName))
        ++p;
    return p;
}

// Whether an end tag "</name" with a delimiter after it starts at q.
bool endTagAt(std::string_view page, std::size_t q, std::string_view name)
{
    const std::size_t e = q + 2 + name.size();
    return e < page.size() && page[q + 1] == '/' && equalsLower(page.data() + q + 2, name) &&
           isNameEnd(static_cast<uchar>(page[e]));
}

bool startTagAt(std::string_view page, std::size_t q, std::string_view name)
{
    const std::size_t e = q + 1 + name.size();
    return e < page.size() && equalsLower(page.data() + q + 1, name) &&
           isNameEnd(static_cast<uchar>(page[e]));
}

// Where the end tag of a SCRIPT begins: "<!--" and "<script" inside it change which
// "</script" ends it, as HTML parsers do.
std::size_t scriptEnd(std::string_view page, std::size_t p)
{
    const char* s = page.data();
    const std::size_t n = page.size();
    enum { Data, Escaped, DoubleEscaped } state = Data;
    std::size_t close = 0; // the next "-->" at or after p
    bool closeKnown = false;
    while (p < n) {
        const std::size_t q = nextLt(page, p);
        if (state == Data) {
            if (q >= n)
                return n;
            if (endTagAt(page, q, "script"))
                return q;
            if (q + 3 < n && s[q + 1] == '!' && s[q + 2] == '-' && s[q + 3] == '-') {
                std::size_t r = q + 4;
                while (r < n && s[r] == '-')
                    ++r;
                if (r < n && s[r] == '>') {
                    p = r + 1;
                } else {
                    state = Escaped;
                    p = r;
                }
                continue;
            }
            p = q + 1;
            continue;
        }
        if (!closeKnown || close < p) {
            const std::size_t f = page.find("-->", p);
            close = f == std::string_view::npos ? n : f;
            closeKnown = true;
        }
        if (close < q) {
            state = Data;
            p = close + 3;
            continue;
        }
        if (q >= n)
            return n;
        if (state == Escaped) {
            if (endTagAt(page, q, "script"))
                return q;
            if (startTagAt(page, q, "script")) {
                state = DoubleEscaped;
                p = q + 7;
                continue;
            }
        } else if (endTagAt(page, q, "script")) {
            state = Escaped;
            p = q + 8;
            continue;
        }
        p = q + 1;
    }
    return n;
}

// What the element named name[0, length) is; key is elementKey of the name in lower case.
Kind classify(std::uint64_t key, const char* name, std::size_t length)
{
    const auto longName = [&](std::string_view full, Kind k) {
        return length == full.size() && equalsLower(name, full) ? k : Kind::Other;
    };
    if (length > 10)
        return Kind::Other;
    // clang-format off
    switch (key) {
    case elementKey("address"): case elementKey("article"): case elementKey("aside"):
    case elementKey("body"): case elementKey("caption"): case elementKey("center"):
    case elementKey("dd"): case elementKey("details"): case elementKey("dialog"):
    case elementKey("dir"): case elementKey("div"): case elementKey("dl"): case elementKey("dt"):
    case elementKey("figure"): case elementKey("footer"): case elementKey("form"):
    case elementKey("h1"): case elementKey("h2"): case elementKey("h3"): case elementKey("h4"):
    case elementKey("h5"): case elementKey("h6"): case elementKey("header"):
    case elementKey("hgroup"): case elementKey("hr"): case elementKey("html"):
    case elementKey("legend"): case elementKey("li"): case elementKey("main"):
    case elementKey("menu"): case elementKey("nav"): case elementKey("ol"): case elementKey("p"):
    case elementKey("search"): case elementKey("section"): case elementKey("summary"):
    case elementKey("table"): case elementKey("tbody"): case elementKey("tfoot"):
    case elementKey("thead"): case elementKey("tr"): case elementKey("ul"):
        return Kind::Block;
    case elementKey("blockquote"): return longName("blockquote", Kind::Block);
    case elementKey("fieldset"): return longName("fieldset", Kind::Block);
    case elementKey("figcaption"): return longName("figcaption", Kind::Block);
    case elementKey("frameset"): return longName("frameset", Kind::Block);
    case elementKey("br"): return Kind::Br;
    case elementKey("td"): case elementKey("th"): return Kind::Cell;
    case elementKey("pre"): case elementKey("listing"): return Kind::Pre;
    case elementKey("textarea"): return longName("textarea", Kind::Textarea);
    case elementKey("title"): return Kind::Title;
    case elementKey("style"): case elementKey("xmp"): case elementKey("iframe"):
    case elementKey("noembed"):
        return Kind::Raw;
    case elementKey("noframes"): return longName("noframes", Kind::Raw);
    case elementKey("script"): return Kind::Script;
    case elementKey("template"): return longName("template", Kind::Template);
    case elementKey("plaintext"): return longName("plaintext", Kind::Plaintext);
    case elementKey("svg"): case elementKey("math"): return Kind::Foreign;
    default: return Kind::Other;
    }
    // clang-format on
}

} // namespace

std::size_t parseTag(std::string_view page, std::size_t p, Tag& tag)
{
    const char* s = page.data();
    const std::size_t n = page.size();
    const auto cls = [&](std::size_t i) { return kTagBytes[static_cast<uchar>(s[i])]; };
    tag.name = s + p;
    p = nameEnd(s, n, p);
    tag.length = p - static_cast<std::size_t>(tag.name - s);
    tag.kind = classify(nameKey(tag.name, tag.length, s + n), tag.name, tag.length);
    tag.selfClosing = false;
    for (;;) {
        while (p < n && (cls(p) & kWhite))
            ++p;
        if (p >= n)
            return kCut;
        if (s[p] == '>')
            return p + 1;
        if (s[p] == '/') {
            if (++p < n && s[p] == '>') {
                tag.selfClosing = true;
                return p + 1;
            }
            continue;
        }
        // An attribute; its name may begin with '='.
        for (++p; p < n && !(cls(p) & (kEndsName | kEquals)); ++p) {
        }
        while (p < n && (cls(p) & kWhite))
            ++p;
        if (p >= n)
            return kCut;
        if (s[p] != '=')
            continue;
        ++p;
        while (p < n && (cls(p) & kWhite))
            ++p;
        if (p >= n)
            return kCut;
        const char c = s[p];
        if (c == '"' || c == '\'') {
            const char* q = findChar(s + p + 1, s + n, c);
            if (q == s + n)
                return kCut;
            p = static_cast<std::size_t>(q - s) + 1;
        } else {
            while (p < n && !(cls(p) & kEndsValue))
                ++p;
        }
    }
}

std::size_t commentEnd(std::string_view page, std::size_t p)
{
    const char* s = page.data();
    const std::size_t n = page.size();
    if (p < n && s[p] == '>')
        return p + 1;
    if (p + 1 < n && s[p] == '-' && s[p + 1] == '>')
        return p + 2;
    for (;;) {
        const std::size_t q = page.find("--", p);
        if (q == std::string_view::npos)
            return n;
        std::size_t r = q + 2;
        while (r < n && s[r] == '-')
            ++r;
        if (r < n && s[r] == '>')
            return r + 1;
        if (r + 1 < n && s[r] == '!' && s[r + 1] == '>')
            return r + 2;
        p = r;
    }
}

std::size_t rawTextEnd(std::string_view page, std::size_t p, std::string_view name)
{
    for (std::size_t q = nextLt(page, p); q < page.size(); q = nextLt(page, q + 1))
        if (endTagAt(page, q, name))
            return q;
    return page.size();
}

std::size_t afterEndTag(std::string_view page, std::size_t q)
{
    if (q >= page.size())
        return page.size();
    Tag t;
    return std::min(parseTag(page, q + 2, t), page.size());
}

std::size_t skipHiddenContent(std::string_view page, const Tag& tag, std::size_t after)
{
    switch (tag.kind) {
    case Kind::Raw:
    case Kind::Title:
    case Kind::Textarea: {
        char name[16];
        const std::size_t n = std::min(tag.length, sizeof name);
        std::transform(tag.name, tag.name + n, name, lower);
        return afterEndTag(page, rawTextEnd(page, after, std::string_view(name, n)));
    }
    case Kind::Script:
        return afterEndTag(page, scriptEnd(page, after));
    case Kind::Plaintext:
        return page.size();
    default:
        return after;
    }
}

std::size_t skipPast(std::string_view page, char c, std::size_t p)
{
    if (p >= page.size())
        return page.size();
    const void* q = std::memchr(page.data() + p, c, page.size() - p);
    return q ? static_cast<std::size_t>(static_cast<const char*>(q) - page.data()) + 1
             : page.size();
}

std::size_t nextLt(std::string_view page, std::size_t p)
{
    if (p >= page.size())
        return page.size();
    const void* lt = std::memchr(page.data() + p, '<', page.size() - p);
    return lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - page.data())
              : page.size();
}

} // namespace htmltext
