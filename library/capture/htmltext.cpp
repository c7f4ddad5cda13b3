#include "htmltext.h"

#include "htmltextextractor.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// ASCII letters to upper case, in place.
void upperAscii(char* p, std::size_t n)
{
    char* const e = p + n;
#ifdef __SSE2__
    // a-z is the signed range ['a' - 128, 'z' - 128] once 128 is added.
    const __m128i shift = _mm_set1_epi8(static_cast<char>(-128));
    const __m128i lo = _mm_set1_epi8(static_cast<char>('a' - 129));
    const __m128i hi = _mm_set1_epi8(static_cast<char>('z' - 127));
    const __m128i bit = _mm_set1_epi8(0x20);
    for (; e - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i x = _mm_add_epi8(v, shift);
        const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(x, lo), _mm_cmplt_epi8(x, hi));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p),
                         _mm_xor_si128(v, _mm_and_si128(letter, bit)));
    }
#endif
    for (; p < e; ++p)
        if (static_cast<unsigned>(static_cast<unsigned char>(*p) - 'a') < 26u)
            *p = static_cast<char>(*p - 0x20);
}

// The position of the keyword (upper case, not empty) in the page's text with ASCII
// letters upper-cased, or -1. The text is extracted a piece at a time and searched as it
// grows; extraction stops once the keyword is found.
long find(CHtmlTextExtractor& extractor, std::string_view utf8, std::string_view keyword)
{
    constexpr std::size_t kStep = 64 * 1024;
    extractor.Start(utf8, nullptr);
    std::size_t upper = 0; // text upper-cased so far
    for (std::size_t next = kStep;; next = extractor.Text().size() + kStep) {
        const bool more = extractor.ExtractUntil(next);
        const std::size_t size = extractor.Text().size();
        char* text = extractor.MutableText();
        upperAscii(text + upper, size - upper);
        // A match may start in the text searched before, within the keyword's length.
        const std::size_t from = upper >= keyword.size() ? upper - keyword.size() + 1 : 0;
        upper = size;
        if (size - from >= keyword.size()) {
            if (const void* hit = memmem(text + from, size - from, keyword.data(), keyword.size()))
                return static_cast<long>(static_cast<const char*>(hit) - text);
        }
        if (!more)
            return -1;
    }
}

// Buffers a thread keeps between pages; very large ones are given back after use.
struct SearchBuffers
{
    CHtmlTextExtractor extractor;
    std::string decoded, title, keyword;

    void Trim()
    {
        extractor.Trim();
        if (decoded.capacity() > (std::size_t(32) << 20))
            std::string().swap(decoded);
    }
};

SearchBuffers& buffers()
{
    thread_local SearchBuffers b;
    return b;
}

} // namespace

bool GetHtmlTitleAndText(std::string_view html, std::string& title, std::string& text)
{
    SearchBuffers& b = buffers();
    if (b.extractor.Run(DecodeHtmlBytes(html, b.decoded), &b.title))
        title = b.title;
    text.assign(b.extractor.Text());
    b.Trim();
    return true;
}

long FindInHtmlText(std::string_view html, std::string_view keyword)
{
    if (keyword.empty())
        return 0;
    SearchBuffers& b = buffers();
    b.keyword.assign(keyword);
    upperAscii(b.keyword.data(), b.keyword.size());
    const long at = find(b.extractor, DecodeHtmlBytes(html, b.decoded), b.keyword);
    b.Trim();
    return at;
}
