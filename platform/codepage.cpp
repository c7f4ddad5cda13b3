#include "codepage.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iconv.h>

namespace {

class CIconv
{
public:
    CIconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CIconv()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;

    bool ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as fits; returns errno of the stop (0 when all input was taken).
    int convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_cd, const_cast<char**>(&in), &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
            return errno;
        return 0;
    }

private:
    iconv_t m_cd;
};

struct Converters
{
    CIconv toGbk{"GBK", "UTF-8"};
    CIconv toGb18030{"GB18030", "UTF-8"};
    CIconv fromGbk{"UTF-8", "GBK"};
    CIconv fromGb18030{"UTF-8", "GB18030"};
};

Converters& converters()
{
    thread_local Converters c;
    return c;
}

// Length of one well-formed UTF-8 sequence at s, or 0 when it is not one: bad lead or
// continuation bytes, overlong forms, surrogates and values past U+10FFFF.
std::size_t utf8SequenceLength(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    if (s.empty())
        return 0;
    const unsigned char c = b(0);
    std::size_t n = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : (c & 0xF0) == 0xE0 ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (n == 0 || n > s.size())
        return 0;
    for (std::size_t i = 1; i < n; ++i)
        if ((b(i) & 0xC0) != 0x80)
            return 0;
    if ((c == 0xE0 && b(1) < 0xA0) || (c == 0xED && b(1) >= 0xA0) || (c == 0xF0 && b(1) < 0x90) ||
        (c == 0xF4 && b(1) >= 0x90))
        return 0;
    return n;
}

bool isGb18030FourByte(std::string_view s)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    return s.size() >= 4 && b(0) >= 0x81 && b(0) <= 0xFE && b(1) >= 0x30 && b(1) <= 0x39 &&
           b(2) >= 0x81 && b(2) <= 0xFE && b(3) >= 0x30 && b(3) <= 0x39;
}

// iconv decodes all the input it is given before it meets a character it cannot write, so
// it is fed in pieces: a long text with many such characters stays linear.
constexpr std::size_t kChunk = 256;

std::uint32_t decodeCodePoint(std::string_view seq)
{
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(seq[i]); };
    switch (seq.size()) {
    case 1:
        return b(0);
    case 2:
        return (b(0) & 0x1Fu) << 6 | (b(1) & 0x3Fu);
    case 3:
        return (b(0) & 0x0Fu) << 12 | (b(1) & 0x3Fu) << 6 | (b(2) & 0x3Fu);
    default:
        return (b(0) & 0x07u) << 18 | (b(1) & 0x3Fu) << 12 | (b(2) & 0x3Fu) << 6 | (b(3) & 0x3Fu);
    }
}

enum class OutsideGbk { Gb18030, CharRef, Stop };

// Encodes until the input ends or the next character would pass maxBytes (or, with Stop, is
// one that two bytes cannot hold: *stopped says so). Returns the number of input bytes taken.
std::size_t encode(std::string_view utf8, std::size_t maxBytes, std::string& out,
                   OutsideGbk outside = OutsideGbk::Gb18030, bool* stopped = nullptr)
{
    Converters& c = converters();
    out.clear();
    std::size_t taken = 0;
    char buffer[4096];
    while (taken < utf8.size() && out.size() < maxBytes) {
        const char* in = utf8.data() + taken;
        const std::size_t chunk = std::min(utf8.size() - taken, kChunk);
        std::size_t inLeft = chunk;
        char* o = buffer;
        std::size_t room = std::min(sizeof buffer, maxBytes - out.size());
        std::size_t outLeft = room;
        const int err = c.toGbk.convert(in, inLeft, o, outLeft);
        out.append(buffer, room - outLeft);
        const bool lastChunk = taken + chunk == utf8.size();
        taken += chunk - inLeft;
        if (err == 0 || err == E2BIG || (err == EINVAL && !lastChunk)) {
            if (err == E2BIG && room < sizeof buffer)
                break; // the next character does not fit in maxBytes
            continue;
        }
        // Not in GBK (EILSEQ), or a sequence cut short at the end (EINVAL).
        const std::string_view rest = utf8.substr(taken);
        const std::size_t seq = utf8SequenceLength(rest);
        if (seq == 0 && outside == OutsideGbk::Stop) {
            if (stopped)
                *stopped = err == EILSEQ;
            break;
        }
        std::string one = "?";
        std::size_t consumed = 1;
        if (seq > 0) {
            consumed = seq;
            char four[8];
            const char* sin = rest.data();
            std::size_t sinLeft = seq;
            char* so = four;
            std::size_t soLeft = sizeof four;
            const std::string wide =
                c.toGb18030.convert(sin, sinLeft, so, soLeft) == 0 ? std::string(four, sizeof four - soLeft) : std::string();
            // User-defined characters keep the two bytes code page 936 gives them.
            const std::uint32_t code = decodeCodePoint(rest.substr(0, seq));
            if (outside == OutsideGbk::Gb18030 ? !wide.empty() : wide.size() == 2) {
                one = wide;
            } else if (outside == OutsideGbk::Stop) {
                if (stopped)
                    *stopped = true;
                break;
            } else if (code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xFFFD && code != 0xFFFE) ||
                       code >= 0x10000) {
                one = "&#" + std::to_string(code) + ";"; // only characters XML allows; the rest stays a '?'
            }
        }
        if (out.size() + one.size() > maxBytes)
            break;
        out += one;
        taken += consumed;
    }
    return taken;
}

} // namespace

std::string Utf8ToCp936(std::string_view utf8)
{
    std::string out;
    encode(utf8, static_cast<std::size_t>(-1), out);
    return out;
}

std::string Utf8ToGbkWithCharRefs(std::string_view utf8)
{
    std::string out;
    encode(utf8, static_cast<std::size_t>(-1), out, OutsideGbk::CharRef);
    return out;
}

std::size_t Utf8ToCp936Prefix(std::string_view utf8, std::size_t maxBytes, std::string& out, bool* unwritable)
{
    bool stopped = false;
    const std::size_t taken = encode(utf8, maxBytes, out, OutsideGbk::Stop, &stopped);
    if (unwritable)
        *unwritable = stopped;
    return taken;
}

std::size_t Cp936WholeCharacters(std::string_view bytes, std::size_t maxBytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[pos]);
        std::size_t n = 1;
        if (lead >= 0x81 && lead <= 0xFE) {
            const std::string_view rest = bytes.substr(pos);
            const bool mayBeFour = rest.size() < 2 || (rest[1] >= 0x30 && rest[1] <= 0x39);
            if (rest.size() < 2 || (mayBeFour && rest.size() < 4))
                break; // the rest of this character has not come yet
            n = isGb18030FourByte(rest) ? 4 : 2;
        }
        if (pos + n > maxBytes)
            break;
        pos += n;
    }
    return pos;
}

std::string Utf8ToCp936Cut(std::string_view utf8, std::size_t maxBytes)
{
    std::string out;
    encode(utf8, maxBytes, out);
    return out;
}

std::size_t Cp936Length(std::string_view utf8)
{
    return Utf8ToCp936(utf8).size();
}

std::string Cp936CutUtf8(std::string_view utf8, std::size_t maxBytes)
{
    std::string out;
    return std::string(utf8.substr(0, encode(utf8, maxBytes, out)));
}

namespace {

// Decodes into out; a byte that does not decode becomes U+FFFD, or with strict ends the
// decoding. Returns the number of bytes taken.
std::size_t decode(std::string_view bytes, std::string& out, bool strict)
{
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    Converters& c = converters();
    out.reserve(out.size() + bytes.size() + bytes.size() / 2);
    char buffer[4096];
    std::size_t taken = 0;
    while (taken < bytes.size()) {
        const char* in = bytes.data() + taken;
        const std::size_t chunk = std::min(bytes.size() - taken, kChunk);
        std::size_t inLeft = chunk;
        char* o = buffer;
        std::size_t outLeft = sizeof buffer;
        const int err = c.fromGbk.convert(in, inLeft, o, outLeft);
        out.append(buffer, sizeof buffer - outLeft);
        const bool lastChunk = taken + chunk == bytes.size();
        taken += chunk - inLeft;
        if (err == 0 || err == E2BIG || (err == EINVAL && !lastChunk))
            continue;
        // GB18030 also knows two-byte codes GBK leaves out (the private-use area) and the
        // four-byte sequences.
        const std::string_view rest = bytes.substr(taken);
        const std::size_t width = isGb18030FourByte(rest) ? 4 : rest.size() >= 2 ? 2 : 0;
        if (width > 0) {
            const char* sin = rest.data();
            std::size_t sinLeft = width;
            char* so = buffer;
            std::size_t soLeft = sizeof buffer;
            if (c.fromGb18030.convert(sin, sinLeft, so, soLeft) == 0) {
                out.append(buffer, sizeof buffer - soLeft);
                taken += width;
                continue;
            }
        }
        if (strict)
            break;
        out += kReplacement;
        taken += 1;
    }
    return taken;
}

} // namespace

std::string Cp936ToUtf8(std::string_view bytes)
{
    std::string out;
    decode(bytes, out, false);
    return out;
}

std::size_t Cp936ToUtf8Prefix(std::string_view bytes, std::string& out)
{
    return decode(bytes, out, true);
}

std::size_t Cp936CharBoundary(std::string_view bytes, std::size_t maxBytes)
{
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[pos]);
        std::size_t n = 1;
        if (lead >= 0x81 && lead <= 0xFE && pos + 1 < bytes.size())
            n = isGb18030FourByte(bytes.substr(pos)) ? 4 : 2;
        if (pos + n > maxBytes)
            break;
        pos += n;
    }
    return std::min(pos, maxBytes);
}
