#include "htmlcharset.h"

#include "codepage.h"
#include "htmlentities.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace htmltext;

namespace {

enum class Charset : std::uint8_t { Utf8, Gb18030, Windows1252, Iconv };

struct Encoding
{
    Charset charset = Charset::Utf8;
    const char* iconvName = nullptr;
    bool declared = false; // by a <meta>
};

struct CharsetLabel
{
    std::string_view label;
    Charset charset;
    const char* iconvName;
};

// clang-format off
constexpr CharsetLabel kCharsetLabels[] = {
    {"utf-8", Charset::Utf8, nullptr}, {"utf8", Charset::Utf8, nullptr},
    {"unicode-1-1-utf-8", Charset::Utf8, nullptr},
    // A page whose <meta> can be read as ASCII is not UTF-16, whatever it says.
    {"utf-16", Charset::Utf8, nullptr}, {"utf-16le", Charset::Utf8, nullptr},
    {"utf-16be", Charset::Utf8, nullptr}, {"unicode", Charset::Utf8, nullptr},
    {"gb2312", Charset::Gb18030, nullptr}, {"gbk", Charset::Gb18030, nullptr},
    {"gb18030", Charset::Gb18030, nullptr}, {"x-gbk", Charset::Gb18030, nullptr},
    {"cp936", Charset::Gb18030, nullptr}, {"ms936", Charset::Gb18030, nullptr},
    {"windows-936", Charset::Gb18030, nullptr}, {"chinese", Charset::Gb18030, nullptr},
    {"csgb2312", Charset::Gb18030, nullptr}, {"gb_2312", Charset::Gb18030, nullptr},
    {"gb_2312-80", Charset::Gb18030, nullptr}, {"iso-ir-58", Charset::Gb18030, nullptr},
    {"csiso58gb231280", Charset::Gb18030, nullptr},
    {"big5", Charset::Iconv, "BIG5-HKSCS"}, {"big5-hkscs", Charset::Iconv, "BIG5-HKSCS"},
    {"cn-big5", Charset::Iconv, "BIG5-HKSCS"}, {"csbig5", Charset::Iconv, "BIG5-HKSCS"},
    {"x-x-big5", Charset::Iconv, "BIG5-HKSCS"},
    {"shift_jis", Charset::Iconv, "CP932"}, {"shift-jis", Charset::Iconv, "CP932"},
    {"sjis", Charset::Iconv, "CP932"}, {"x-sjis", Charset::Iconv, "CP932"},
    {"ms_kanji", Charset::Iconv, "CP932"}, {"ms932", Charset::Iconv, "CP932"},
    {"windows-31j", Charset::Iconv, "CP932"}, {"csshiftjis", Charset::Iconv, "CP932"},
    {"euc-jp", Charset::Iconv, "EUC-JP"}, {"x-euc-jp", Charset::Iconv, "EUC-JP"},
    {"cseucpkdfmtjapanese", Charset::Iconv, "EUC-JP"},
    {"iso-2022-jp", Charset::Iconv, "ISO-2022-JP"}, {"csiso2022jp", Charset::Iconv, "ISO-2022-JP"},
    {"euc-kr", Charset::Iconv, "CP949"}, {"cseuckr", Charset::Iconv, "CP949"},
    {"korean", Charset::Iconv, "CP949"}, {"windows-949", Charset::Iconv, "CP949"},
    {"ks_c_5601-1987", Charset::Iconv, "CP949"}, {"ks_c_5601-1989", Charset::Iconv, "CP949"},
    {"ksc5601", Charset::Iconv, "CP949"}, {"ksc_5601", Charset::Iconv, "CP949"},
    {"iso-ir-149", Charset::Iconv, "CP949"}, {"csksc56011987", Charset::Iconv, "CP949"},
    {"iso-8859-1", Charset::Windows1252, nullptr}, {"iso8859-1", Charset::Windows1252, nullptr},
    {"iso88591", Charset::Windows1252, nullptr}, {"iso_8859-1", Charset::Windows1252, nullptr},
    {"iso_8859-1:1987", Charset::Windows1252, nullptr}, {"latin1", Charset::Windows1252, nullptr},
    {"l1", Charset::Windows1252, nullptr}, {"windows-1252", Charset::Windows1252, nullptr},
    {"cp1252", Charset::Windows1252, nullptr}, {"x-cp1252", Charset::Windows1252, nullptr},
    {"us-ascii", Charset::Windows1252, nullptr}, {"ascii", Charset::Windows1252, nullptr},
    {"ansi_x3.4-1968", Charset::Windows1252, nullptr}, {"cp819", Charset::Windows1252, nullptr},
    {"ibm819", Charset::Windows1252, nullptr}, {"iso-ir-100", Charset::Windows1252, nullptr},
    {"csisolatin1", Charset::Windows1252, nullptr},
    {"windows-1250", Charset::Iconv, "CP1250"}, {"cp1250", Charset::Iconv, "CP1250"},
    {"x-cp1250", Charset::Iconv, "CP1250"},
    {"windows-1251", Charset::Iconv, "CP1251"}, {"cp1251", Charset::Iconv, "CP1251"},
    {"x-cp1251", Charset::Iconv, "CP1251"},
    {"windows-1253", Charset::Iconv, "CP1253"}, {"cp1253", Charset::Iconv, "CP1253"},
    {"x-cp1253", Charset::Iconv, "CP1253"},
    {"windows-1254", Charset::Iconv, "CP1254"}, {"cp1254", Charset::Iconv, "CP1254"},
    {"x-cp1254", Charset::Iconv, "CP1254"}, {"iso-8859-9", Charset::Iconv, "CP1254"},
    {"iso8859-9", Charset::Iconv, "CP1254"}, {"latin5", Charset::Iconv, "CP1254"},
    {"windows-1255", Charset::Iconv, "CP1255"}, {"cp1255", Charset::Iconv, "CP1255"},
    {"x-cp1255", Charset::Iconv, "CP1255"},
    {"windows-1256", Charset::Iconv, "CP1256"}, {"cp1256", Charset::Iconv, "CP1256"},
    {"x-cp1256", Charset::Iconv, "CP1256"},
    {"windows-1257", Charset::Iconv, "CP1257"}, {"cp1257", Charset::Iconv, "CP1257"},
    {"x-cp1257", Charset::Iconv, "CP1257"},
    {"windows-1258", Charset::Iconv, "CP1258"}, {"cp1258", Charset::Iconv, "CP1258"},
    {"x-cp1258", Charset::Iconv, "CP1258"},
    {"windows-874", Charset::Iconv, "CP874"}, {"tis-620", Charset::Iconv, "CP874"},
    {"iso-8859-11", Charset::Iconv, "CP874"},
    {"iso-8859-2", Charset::Iconv, "ISO-8859-2"}, {"iso8859-2", Charset::Iconv, "ISO-8859-2"},
    {"latin2", Charset::Iconv, "ISO-8859-2"},
    {"iso-8859-5", Charset::Iconv, "ISO-8859-5"}, {"iso8859-5", Charset::Iconv, "ISO-8859-5"},
    {"iso-8859-7", Charset::Iconv, "ISO-8859-7"}, {"iso8859-7", Charset::Iconv, "ISO-8859-7"},
    {"iso-8859-15", Charset::Iconv, "ISO-8859-15"}, {"iso8859-15", Charset::Iconv, "ISO-8859-15"},
    {"latin9", Charset::Iconv, "ISO-8859-15"},
    {"koi8-r", Charset::Iconv, "KOI8-R"}, {"koi8_r", Charset::Iconv, "KOI8-R"},
    {"koi8", Charset::Iconv, "KOI8-R"}, {"koi8-u", Charset::Iconv, "KOI8-U"},
    {"ibm866", Charset::Iconv, "IBM866"}, {"cp866", Charset::Iconv, "IBM866"},
};
// clang-format on

std::string_view trimWhite(std::string_view s)
{
    while (!s.empty() && isWhite(static_cast<uchar>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && isWhite(static_cast<uchar>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view lowerB)
{
    return a.size() == lowerB.size() && equalsLower(a.data(), lowerB);
}

// The encoding of a label; false when the label is not one of ours.
bool encodingForLabel(std::string_view label, Encoding& encoding)
{
    label = trimWhite(label);
    for (const CharsetLabel& l : kCharsetLabels) {
        if (equalsNoCase(label, l.label)) {
            encoding = {l.charset, l.iconvName, true};
            return true;
        }
    }
    return false;
}

// "charset=x" inside a Content-Type value; empty when there is none.
std::string_view charsetInContent(std::string_view s)
{
    std::size_t p = 0;
    for (;;) {
        std::size_t q = p;
        while (q + 7 <= s.size() && !equalsLower(s.data() + q, "charset"))
            ++q;
        if (q + 7 > s.size())
            return {};
        p = q + 7;
        while (p < s.size() && isWhite(static_cast<uchar>(s[p])))
            ++p;
        if (p >= s.size() || s[p] != '=')
            continue;
        ++p;
        while (p < s.size() && isWhite(static_cast<uchar>(s[p])))
            ++p;
        if (p >= s.size())
            return {};
        if (s[p] == '"' || s[p] == '\'') {
            const std::size_t e = s.find(s[p], p + 1);
            return e == std::string_view::npos ? std::string_view() : s.substr(p + 1, e - p - 1);
        }
        std::size_t e = p;
        while (e < s.size() && !isWhite(static_cast<uchar>(s[e])) && s[e] != ';')
            ++e;
        return s.substr(p, e - p);
    }
}

// The prescan of a page's first bytes for a declared character set.
class CCharsetPrescan
{
public:
    explicit CCharsetPrescan(std::string_view bytes)
        : m_s(bytes.substr(0, std::min<std::size_t>(bytes.size(), 1024)))
    {
    }

    // The encoding the first <meta> with a known label declares; UTF-8, not declared, when
    // there is none.
    Encoding Find()
    {
        const std::size_t n = m_s.size();
        while (m_p < n) {
            const std::size_t q = m_s.find('<', m_p);
            if (q == std::string_view::npos)
                break;
            m_p = q;
            const std::string_view at = m_s.substr(q);
            if (at.starts_with("<!--")) {
                const std::size_t e = m_s.find("-->", q + 2);
                if (e == std::string_view::npos)
                    break;
                m_p = e + 3;
            } else if (at.size() > 5 && equalsLower(at.data(), "<meta") &&
                       (isWhite(static_cast<uchar>(at[5])) || at[5] == '/')) {
                m_p += 5;
                Encoding encoding;
                if (encodingForLabel(meta(), encoding))
                    return encoding;
            } else if (at.size() > 2 && (isAlpha(static_cast<uchar>(at[1])) ||
                                         (at[1] == '/' && isAlpha(static_cast<uchar>(at[2]))))) {
                m_p += at[1] == '/' ? 2 : 1;
                while (m_p < n && !isWhite(static_cast<uchar>(m_s[m_p])) && m_s[m_p] != '>')
                    ++m_p;
                std::string_view name, value;
                while (attribute(name, value)) {
                }
            } else if (at.size() > 1 && (at[1] == '!' || at[1] == '/' || at[1] == '?')) {
                const std::size_t e = m_s.find('>', q + 1);
                if (e == std::string_view::npos)
                    break;
                m_p = e + 1;
            } else {
                ++m_p;
            }
        }
        return {};
    }

private:
    std::string_view meta()
    {
        bool gotPragma = false, needPragma = false, haveCharset = false;
        std::string_view charset, name, value;
        while (attribute(name, value)) {
            if (equalsNoCase(name, "http-equiv")) {
                gotPragma = gotPragma || equalsNoCase(trimWhite(value), "content-type");
            } else if (equalsNoCase(name, "content") && !haveCharset) {
                const std::string_view c = charsetInContent(value);
                if (!c.empty()) {
                    charset = c;
                    haveCharset = true;
                    needPragma = true;
                }
            } else if (equalsNoCase(name, "charset") && !(haveCharset && !needPragma)) {
                charset = value;
                haveCharset = true;
                needPragma = false;
            }
        }
        if (!haveCharset || (needPragma && !gotPragma))
            return {};
        return trimWhite(charset).empty() ? std::string_view() : charset;
    }

    // One attribute of a tag; false at its '>' or at the end of the bytes.
    bool attribute(std::string_view& name, std::string_view& value)
    {
        const std::size_t n = m_s.size();
        while (m_p < n && (isWhite(static_cast<uchar>(m_s[m_p])) || m_s[m_p] == '/'))
            ++m_p;
        if (m_p >= n || m_s[m_p] == '>')
            return false;
        const std::size_t start = m_p;
        value = {};
        for (;;) {
            if (m_p >= n)
                return false;
            const char c = m_s[m_p];
            if (c == '=' && m_p > start) {
                name = m_s.substr(start, m_p - start);
                ++m_p;
                break;
            }
            if (isWhite(static_cast<uchar>(c))) {
                name = m_s.substr(start, m_p - start);
                while (m_p < n && isWhite(static_cast<uchar>(m_s[m_p])))
                    ++m_p;
                if (m_p < n && m_s[m_p] == '=') {
                    ++m_p;
                    break;
                }
                return true;
            }
            if (c == '/' || c == '>') {
                name = m_s.substr(start, m_p - start);
                return true;
            }
            ++m_p;
        }
        while (m_p < n && isWhite(static_cast<uchar>(m_s[m_p])))
            ++m_p;
        if (m_p >= n)
            return false;
        const char c = m_s[m_p];
        if (c == '"' || c == '\'') {
            const std::size_t e = m_s.find(c, m_p + 1);
            if (e == std::string_view::npos) {
                m_p = n;
                return false;
            }
            value = m_s.substr(m_p + 1, e - m_p - 1);
            m_p = e + 1;
            return true;
        }
        if (c == '>')
            return true;
        const std::size_t vs = m_p;
        while (m_p < n && !isWhite(static_cast<uchar>(m_s[m_p])) && m_s[m_p] != '>')
            ++m_p;
        value = m_s.substr(vs, m_p - vs);
        return true;
    }

    std::string_view m_s;
    std::size_t m_p = 0;
};

void decodeUtf16(std::string_view in, bool bigEndian, std::string& out)
{
    out.clear();
    out.reserve(in.size() / 2 * 3 + 3);
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<uchar>(in[i]), b = static_cast<uchar>(in[i + 1]);
        return bigEndian ? static_cast<std::uint32_t>(a << 8 | b)
                         : static_cast<std::uint32_t>(b << 8 | a);
    };
    char buf[4];
    std::size_t i = 0;
    for (; i + 1 < in.size(); i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && i + 3 < in.size() && unit(i + 2) >= 0xDC00 &&
                unit(i + 2) <= 0xDFFF) {
                u = 0x10000 + ((u - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
                i += 2;
            } else {
                u = 0xFFFD;
            }
        }
        out.append(buf, appendUtf8(buf, u));
    }
    if (i < in.size())
        out += kReplacement;
}

void decodeWindows1252(std::string_view in, std::string& out)
{
    out.clear();
    out.reserve(in.size() + in.size() / 8);
    char buf[4];
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t j = i;
        while (j < in.size() && static_cast<uchar>(in[j]) < 0x80)
            ++j;
        out.append(in.data() + i, j - i);
        if (j == in.size())
            break;
        const auto c = static_cast<uchar>(in[j]);
        out.append(buf, appendUtf8(buf, c < 0xA0 ? kWindows1252C1[c - 0x80] : c));
        i = j + 1;
    }
}

// Conversion descriptors opened once per thread.
class CIconvCache
{
public:
    CIconvCache() = default;
    CIconvCache(const CIconvCache&) = delete;
    CIconvCache& operator=(const CIconvCache&) = delete;
    ~CIconvCache()
    {
        for (auto& e : m_open)
            if (e.second != reinterpret_cast<iconv_t>(-1))
                iconv_close(e.second);
    }

    iconv_t Get(const char* name)
    {
        for (auto& e : m_open)
            if (std::strcmp(e.first, name) == 0)
                return e.second;
        m_open.emplace_back(name, iconv_open("UTF-8", name));
        return m_open.back().second;
    }

private:
    std::vector<std::pair<const char*, iconv_t>> m_open;
};

// Returns false when the system has no such converter.
bool decodeIconv(const char* name, std::string_view in, std::string& out)
{
    thread_local CIconvCache cache;
    const iconv_t cd = cache.Get(name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    out.clear();
    // Fed in pieces so that a bad byte costs a bounded amount of work.
    constexpr std::size_t kChunk = 4096;
    std::size_t taken = 0;
    while (taken < in.size()) {
        const std::size_t chunk = std::min(in.size() - taken, kChunk);
        const std::size_t room = chunk * 4 + 16;
        const std::size_t old = out.size();
        out.resize(old + room);
        char* src = const_cast<char*>(in.data() + taken);
        std::size_t srcLeft = chunk;
        char* dst = out.data() + old;
        std::size_t dstLeft = room;
        const bool failed =
            iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1);
        const int err = failed ? errno : 0;
        out.resize(old + room - dstLeft);
        const std::size_t used = chunk - srcLeft;
        taken += used;
        const bool last = taken + srcLeft == in.size();
        if (!failed || (used > 0 && (err == E2BIG || (err == EINVAL && !last))))
            continue;
        out += kReplacement; // an invalid or cut-off sequence
        taken += 1;
    }
    return true;
}

// Whether the bytes are UTF-8: no overlong forms, surrogates or code points above
// U+10FFFF. A character cut off at the very end is allowed (a page saved cut short).
bool isUtf8(std::string_view s)
{
    const auto* p = reinterpret_cast<const uchar*>(s.data());
    const auto* const e = p + s.size();
    for (;;) {
#ifdef __SSE2__
        // ASCII 16 bytes at a time.
        for (; e - p >= 16; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (const int high = _mm_movemask_epi8(v)) {
                p += __builtin_ctz(static_cast<unsigned>(high));
                break;
            }
        }
#endif
        while (p < e && *p < 0x80)
            ++p;
        if (p == e)
            return true;
        const uchar c = *p++;
        // Continuation bytes that follow, and the range the first of them must be in.
        int more = 0;
        uchar lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        for (; more > 0; --more, lo = 0x80, hi = 0xBF) {
            if (p == e)
                return true;
            if (*p < lo || *p > hi)
                return false;
            ++p;
        }
    }
}

// The bytes decoded as enc says: a view of bytes, or of buffer holding the conversion.
std::string_view decodeAs(std::string_view bytes, const Encoding& enc, std::string& buffer)
{
    switch (enc.charset) {
    case Charset::Gb18030:
        buffer = Cp936ToUtf8(bytes);
        return buffer;
    case Charset::Windows1252:
        decodeWindows1252(bytes, buffer);
        return buffer;
    case Charset::Iconv:
        if (decodeIconv(enc.iconvName, bytes, buffer))
            return buffer;
        return bytes;
    case Charset::Utf8:
        if (enc.declared || isUtf8(bytes))
            return bytes;
        // Nothing declared and not UTF-8: most likely an old Chinese page.
        buffer = Cp936ToUtf8(bytes);
        return buffer;
    }
    return bytes;
}

} // namespace

std::string_view DecodeHtmlBytes(std::string_view bytes, std::string& buffer)
{
    const auto b = [&](std::size_t i) { return static_cast<uchar>(bytes[i]); };
    if (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return bytes.substr(3);
    if (bytes.size() >= 2 && b(0) == 0xFF && b(1) == 0xFE) {
        decodeUtf16(bytes.substr(2), false, buffer);
        return buffer;
    }
    if (bytes.size() >= 2 && b(0) == 0xFE && b(1) == 0xFF) {
        decodeUtf16(bytes.substr(2), true, buffer);
        return buffer;
    }
    // UTF-16 without a mark: a page that starts with "<" and a zero byte.
    if (bytes.size() >= 4 && b(0) == '<' && b(1) == 0 && b(2) != 0 && b(3) == 0) {
        decodeUtf16(bytes, false, buffer);
        return buffer;
    }
    if (bytes.size() >= 4 && b(0) == 0 && b(1) == '<' && b(2) == 0 && b(3) != 0) {
        decodeUtf16(bytes, true, buffer);
        return buffer;
    }
    return decodeAs(bytes, CCharsetPrescan(bytes).Find(), buffer);
}

std::string DecodeServedHtml(std::string_view bytes, std::string_view contentType)
{
    const auto b = [&](std::size_t i) { return static_cast<uchar>(bytes[i]); };
    const bool bom = (bytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) ||
                     (bytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF)));
    const std::string_view label = trimWhite(charsetInContent(contentType));
    Encoding enc;
    // A header that says UTF-16 is left to the page's own bytes, which tell the byte order.
    if (bom || label.empty() || !encodingForLabel(label, enc) || (label.size() >= 6 && equalsLower(label.data(), "utf-16")))
        return DecodeHtmlBytes(bytes);
    std::string buffer;
    const std::string_view text = decodeAs(bytes, enc, buffer);
    if (!buffer.empty() && text.data() == buffer.data())
        return buffer;
    return std::string(text);
}

std::string DecodeHtmlBytes(std::string_view bytes)
{
    std::string buffer;
    const std::string_view text = DecodeHtmlBytes(bytes, buffer);
    if (!buffer.empty() && text.data() == buffer.data())
        return buffer;
    return std::string(text);
}


bool DecodesAsPageStart(std::string_view start)
{
    const auto b = [&](std::size_t i) { return static_cast<uchar>(start[i]); };
    if (start.size() < 1024)
        return false; // the charset a <meta> declares may come later
    if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        return true;
    if ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF) || b(1) == 0 || b(0) == 0)
        return false; // UTF-16
    const Encoding enc = CCharsetPrescan(start).Find();
    switch (enc.charset) {
    case Charset::Utf8:
        // Undeclared, the whole page decides between UTF-8 and GB18030, which read ASCII alike;
        // bytes that are not UTF-8 here are not UTF-8 in the page either.
        return enc.declared || !isUtf8(start) ||
               std::all_of(start.begin(), start.end(), [](char c) { return static_cast<uchar>(c) < 0x80; });
    case Charset::Gb18030:
    case Charset::Windows1252:
        return true; // character by character, and '<' is no part of a character
    case Charset::Iconv:
        return false;
    }
    return false;
}
