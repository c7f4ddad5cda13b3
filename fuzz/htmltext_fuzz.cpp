// Any bytes: decoding, title and text extraction and the search end, read nothing past the
// input, and agree with each other. The keyword is the input's first line when that is at
// most 32 bytes long (the page is then the rest), else the first 3 bytes (the page is the
// whole input).
#include "htmltext.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string upperAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Well-formed UTF-8 and nothing cut off; a plain byte-by-byte check.
bool isUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (s.size() - i <= n)
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0u) != 0x80u)
                return false;
            cp = cp << 6 | (d & 0x3Fu);
        }
        const std::uint32_t least = n == 1 ? 0x80 : n == 2 ? 0x800 : 0x10000;
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t line = input.substr(0, 33).find('\n');
    const bool split = line != std::string_view::npos;
    const std::string_view keyword = split ? input.substr(0, line) : input.substr(0, 3);
    const std::string_view page = split ? input.substr(line + 1) : input;

    const std::string decoded = DecodeHtmlBytes(page);
    std::string title, text;
    GetHtmlTitleAndText(page, title, text);
    // A line feed in preformatted text, the longest growth, becomes CR LF.
    if (text.size() > 2 * decoded.size())
        std::abort();
    // Text cut from UTF-8 is cut between characters.
    if (isUtf8(decoded) && (!isUtf8(text) || !isUtf8(title)))
        std::abort();
    // The decoded page marked as UTF-8 gives the same title and text: one decoding, the
    // same rules in both places.
    std::string title2, text2;
    GetHtmlTitleAndText("\xEF\xBB\xBF" + decoded, title2, text2);
    if (title2 != title || text2 != text)
        std::abort();

    // The search finds what a plain search of the upper-cased text finds.
    const long at = FindInHtmlText(page, keyword);
    const std::size_t plain = upperAscii(text).find(upperAscii(keyword));
    const long expected = plain == std::string::npos ? -1 : static_cast<long>(plain);
    if (at != expected)
        std::abort();
    return 0;
}
