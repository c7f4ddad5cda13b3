#include "keywordfilter.h"

#include "htmlentities.h"

#include <algorithm>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kMaxKey = 63;

// The next '<', '&' or NUL at or after p, and also '>' with withGt; or n.
template <bool withGt> std::size_t nextMark(const char* s, std::size_t n, std::size_t p)
{
#ifdef __SSE2__
    const __m128i lt = _mm_set1_epi8('<'), gt = _mm_set1_epi8('>'), amp = _mm_set1_epi8('&');
    const __m128i zero = _mm_setzero_si128();
    for (; n - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, lt), _mm_cmpeq_epi8(v, amp));
        hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, zero));
        if constexpr (withGt)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(v, gt));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit)))
            return p + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; p < n; ++p)
        if (s[p] == '<' || s[p] == '&' || s[p] == '\0' || (withGt && s[p] == '>'))
            return p;
    return n;
}

// Whether n bytes at a equal those at b.
bool same(const char* a, const char* b, std::size_t n)
{
    for (std::size_t k = 0; k < n; ++k)
        if (a[k] != b[k])
            return false;
    return true;
}

} // namespace

void CKeywordFilter::UpperAscii(char* p, std::size_t n)
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
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_xor_si128(v, _mm_and_si128(letter, bit)));
    }
#endif
    for (; p < e; ++p)
        if (static_cast<unsigned>(static_cast<unsigned char>(*p) - 'a') < 26u)
            *p = static_cast<char>(*p - 0x20);
}

CKeywordFilter::CKeywordFilter(std::string_view key) : m_key(key)
{
    UpperAscii(m_key.data(), m_key.size());
    m_usable = !m_key.empty() && m_key.size() <= kMaxKey && std::all_of(m_key.begin(), m_key.end(), [](char c) {
        return static_cast<unsigned char>(c) > ' ' && c != '<' && c != '&';
    });
    for (std::size_t i = 0; i < m_key.size(); ++i) {
        const auto b = static_cast<unsigned char>(m_key[i]);
        if (i + 1 < m_key.size() && i + 1 <= kMaxKey)
            m_endAt[b] |= std::uint64_t{1} << (i + 1);
        if (i >= 1 && i <= kMaxKey)
            m_at[b] |= std::uint64_t{1} << i;
    }
}

std::uint64_t CKeywordFilter::starts(const char* end, std::size_t length) const
{
    if (length == 0)
        return 0;
    std::uint64_t lengths = m_endAt[static_cast<unsigned char>(end[-1])];
    if (length < 63)
        lengths &= (std::uint64_t{2} << length) - 1;
    std::uint64_t found = 0;
    for (; lengths != 0; lengths &= lengths - 1) {
        const auto i = static_cast<std::size_t>(__builtin_ctzll(lengths));
        if (same(end - i, m_key.data(), i - 1))
            found |= std::uint64_t{1} << i;
    }
    return found;
}

bool CKeywordFilter::piece(const char* s, std::size_t length, bool more, std::uint64_t& reaches) const
{
    if (length == 0)
        return false;
    const std::size_t m = m_key.size();
    for (std::uint64_t offsets = m_at[static_cast<unsigned char>(s[0])] & m_reached; offsets != 0;
         offsets &= offsets - 1) {
        const auto o = static_cast<std::size_t>(__builtin_ctzll(offsets));
        if (length >= m - o) {
            if (same(s + 1, m_key.data() + o + 1, m - o - 1))
                return true;
        } else if (more && same(s + 1, m_key.data() + o + 1, length - 1)) {
            reaches |= std::uint64_t{1} << (o + length);
        }
    }
    return false;
}

bool CKeywordFilter::MayShow(std::string_view page, std::string& upper)
{
    if (!m_usable)
        return true;
    upper.assign(page);
    UpperAscii(upper.data(), upper.size());
    const char* u = upper.data();
    const std::size_t n = upper.size();
    if (memmem(u, n, m_key.data(), m_key.size()))
        return true;
    m_reached = 0;

    // Pieces begin after a break (a reference's bytes are text in PLAINTEXT), after a
    // reference, after each '>' (which may end markup) and past the line feed a TEXTAREA or
    // PRE drops after its tag; each ends at the next break, or at the end of the page. What
    // text reached stays reached: markup between pieces hides nothing of them.
    constexpr std::size_t kMaxStarts = 4096;
    std::size_t from = 0;
    std::vector<std::size_t> later; // starts after `from` of pieces ending at the next break
    std::string value;
    // Only a piece whose first byte goes on from an offset reached can lead anywhere.
    const auto startAt = [&](std::size_t start) {
        if (start < n && (m_at[static_cast<unsigned char>(u[start])] & m_reached) != 0)
            later.push_back(start);
        return later.size() <= kMaxStarts;
    };
    // Until some start is reached, pieces after markup lead nowhere: only breaks are looked at.
    const auto next = [&](std::size_t p) { return m_reached ? nextMark<true>(u, n, p) : nextMark<false>(u, n, p); };
    for (std::size_t q = next(0);; q = next(q + 1)) {
        if (q < n && u[q] == '>') {
            std::size_t after = q + 1;
            bool room = startAt(after);
            if (after < n && (u[after] == '\n' || u[after] == '\r')) {
                after += u[after] == '\r' && after + 1 < n && u[after + 1] == '\n' ? 2 : 1;
                room = startAt(after) && room;
            }
            if (!room)
                return true; // too many to follow: the text decides
            continue;
        }
        const bool more = q < n;
        std::uint64_t reaches = more ? starts(u + q, q - from) : 0;
        if (piece(u + from, q - from, more, reaches))
            return true;
        for (const std::size_t start : later)
            if (start <= q && piece(u + start, q - start, more, reaches))
                return true;
        later.clear();
        m_reached |= reaches;
        if (!more)
            return false;
        from = q + 1;
        htmltext::CharRef ref;
        if (u[q] == '&') {
            if (const std::size_t taken = htmltext::readCharRef(page.data() + q, page.data() + n, ref)) {
                value.assign(ref.value);
                UpperAscii(value.data(), value.size());
                reaches = starts(value.data() + value.size(), value.size());
                if (value.find(m_key) != std::string::npos || piece(value.data(), value.size(), true, reaches))
                    return true;
                m_reached |= reaches;
                if (!startAt(q + taken))
                    return true;
            }
        }
    }
}
