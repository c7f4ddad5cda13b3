#include "htmltextextractor.h"

#include "htmlelements.h"
#include "htmlentities.h"

#include <array>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

using namespace htmltext;

namespace {

enum : unsigned { kSpace = 1, kTab = 2, kLines = 4 };

// Bytes text copies as they are. Between tags: flowing text (a blank between two of them is
// copied too) and preformatted text; up to an end tag: TEXTAREA (references decoded) and
// PLAINTEXT (none).
struct TextClasses
{
    std::array<bool, 256> flow{}, pre{}, textarea{}, plain{};
};

constexpr TextClasses makeTextClasses()
{
    TextClasses t;
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<uchar>(c);
        t.plain[b] = b != 0 && b != '\n' && b != '\r';
        t.textarea[b] = t.plain[b] && b != '&';
        t.pre[b] = t.textarea[b] && b != '<';
        t.flow[b] = t.pre[b] && !isWhite(b);
    }
    return t;
}

constexpr TextClasses kText = makeTextClasses();

// Past one line feed (CR LF, CR or LF) at a.
const char* skipLineFeed(const char* a, const char* e)
{
    if (a < e && *a == '\n')
        return a + 1;
    if (a < e && *a == '\r')
        return a + 1 < e && a[1] == '\n' ? a + 2 : a + 1;
    return a;
}

#ifdef __SSE2__
// Copies 16 bytes at a time until one of them is in stop; the store may write up to 16
// bytes ahead, which the room allows.
template <typename Stop> char* copy16(const char*& r, const char* e, char* w, Stop stop)
{
    while (e - r >= 17) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w), v);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(stop(v, r)));
        if (mask != 0) {
            const auto k = static_cast<std::size_t>(__builtin_ctz(mask));
            r += k;
            return w + k;
        }
        r += 16;
        w += 16;
    }
    return w;
}
#endif

// Copies bytes shown as they are, and a blank between two of them; stops at anything
// else. Moves r on; returns the new w.
char* copyFlow(const char*& r, const char* e, char* w)
{
    const bool* plain = kText.flow.data();
#ifdef __SSE2__
    // Stops at a control, '&', '<', or a blank before a blank, control, '&' or '<'.
    const __m128i blank = _mm_set1_epi8(' '), amp = _mm_set1_epi8('&'), lt = _mm_set1_epi8('<');
    const auto special = [&](__m128i v) {
        return _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, lt));
    };
    w = copy16(r, e, w, [&](__m128i v, const char* at) {
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1));
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v); // <= ' '
        const __m128i isBlank = _mm_cmpeq_epi8(v, blank);
        const __m128i nextStop =
            _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(next, blank), next), special(next));
        return _mm_or_si128(_mm_or_si128(_mm_andnot_si128(isBlank, low), special(v)),
                            _mm_and_si128(isBlank, nextStop));
    });
#endif
    for (;;) {
        while (r < e && plain[static_cast<uchar>(*r)])
            *w++ = *r++;
        if (r + 1 < e && *r == ' ' && plain[static_cast<uchar>(r[1])]) {
            *w++ = ' ';
            *w++ = r[1];
            r += 2;
            continue;
        }
        return w;
    }
}

char* copyPre(const char*& r, const char* e, char* w)
{
    const bool* plain = kText.pre.data();
    for (;;) {
#ifdef __SSE2__
        // Stops at a control (a tab is then copied on its own), '&' or '<'.
        const __m128i controls = _mm_set1_epi8(0x1F), amp = _mm_set1_epi8('&'),
                      lt = _mm_set1_epi8('<');
        w = copy16(r, e, w, [&](__m128i v, const char*) {
            return _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(v, controls), v),
                                _mm_or_si128(_mm_cmpeq_epi8(v, amp), _mm_cmpeq_epi8(v, lt)));
        });
#endif
        if (r == e || !plain[static_cast<uchar>(*r)])
            return w;
        *w++ = *r++;
    }
}

} // namespace

void CHtmlTextExtractor::Start(std::string_view html, std::string* title)
{
    m_s = html.data();
    m_n = html.size();
    m_p = 0;
    m_title = title;
    m_out.Clear();
    m_titleFound = false;
    m_pending = 0;
    m_lines = 0;
    m_preDepth = 0;
    m_templateDepth = 0;
    m_foreignDepth = 0;
    m_skipLf = false;
}

bool CHtmlTextExtractor::ExtractUntil(std::size_t size)
{
    std::size_t p = m_p;
    while (p < m_n) {
        if (m_s[p] == '<')
            p = markup(p);
        else if (m_templateDepth > 0)
            p = nextLt(page(), p);
        else
            p = m_preDepth > 0 ? textRun<true>(p) : textRun<false>(p);
        if (m_out.Size() >= size)
            break;
    }
    m_p = p;
    if (p < m_n)
        return true;
    m_title = nullptr;
    return false;
}

void CHtmlTextExtractor::flush()
{
    char* w = m_out.Reserve(2 * std::size_t{m_lines} + 2);
    m_out.SetEnd(owe(m_out.Data(), w));
}

void CHtmlTextExtractor::content(const char* a, std::size_t n)
{
    if (m_pending)
        flush();
    m_out.Append(a, n);
}

// A block ends the line unless it has ended; a BR or a line feed in preformatted text
// ends one more.
void CHtmlTextExtractor::block()
{
    m_pending |= kLines;
    m_lines = std::max(m_lines, 1u);
}

void CHtmlTextExtractor::line()
{
    m_pending |= kLines;
    ++m_lines;
}

// Visible text from p up to the next '<'; returns where that is. The text is written
// straight into the output, grown first by enough for a piece of the input: twice the
// piece (a line feed in preformatted text becomes CR LF; a reference never takes more
// than 1.2 times its own length), the separators owed, and some slack for the 16-byte
// stores and a reference that runs past the piece.
template <bool Pre> std::size_t CHtmlTextExtractor::textRun(std::size_t p)
{
    constexpr std::size_t kPiece = 16384;
    const bool* plain = Pre ? kText.pre.data() : kText.flow.data();
    const char* r = m_s + p;
    const char* const end = m_s + m_n;
    if (m_skipLf) {
        m_skipLf = false;
        r = skipLineFeed(r, end);
    }
    while (r < end) {
        const char* const limit = end - r > static_cast<std::ptrdiff_t>(kPiece) ? r + kPiece : end;
        char* w =
            m_out.Reserve(2 * static_cast<std::size_t>(limit - r) + 2 * std::size_t{m_lines} + 96);
        char* const first = m_out.Data();
        while (r < limit) {
            const auto c = static_cast<uchar>(*r);
            if (plain[c]) {
                if (m_pending)
                    w = owe(first, w);
                w = Pre ? copyPre(r, limit, w) : copyFlow(r, limit, w);
                continue;
            }
            if (c == '<') {
                m_out.SetEnd(w);
                return static_cast<std::size_t>(r - m_s);
            }
            if (c == '&') {
                CharRef ref;
                const std::size_t n = readCharRef(r, end, ref);
                const std::string_view v = n ? ref.value : std::string_view(r, 1);
                r += n ? n : 1;
                if (v.size() == 1 && isWhite(static_cast<uchar>(v[0]))) {
                    if (!Pre)
                        m_pending |= kSpace;
                    else if (v[0] == '\n' || v[0] == '\r')
                        line();
                    else
                        w = put(first, w, v);
                    continue;
                }
                w = put(first, w, v);
            } else if (c == 0) {
                ++r;
            } else if (!Pre) {
                m_pending |= kSpace;
                while (++r < end && isWhite(static_cast<uchar>(*r))) {
                }
            } else {
                line();
                r = skipLineFeed(r, end);
            }
        }
        m_out.SetEnd(w);
    }
    return m_n;
}

// Writes the separators owed before visible text (none at the start of the text).
char* CHtmlTextExtractor::owe(char* first, char* w)
{
    if (w != first) {
        if (m_pending & kLines) {
            for (unsigned n = m_lines; n > 0; --n) {
                *w++ = '\r';
                *w++ = '\n';
            }
        } else {
            *w++ = (m_pending & kTab) ? '\t' : ' ';
        }
    }
    m_pending = 0;
    m_lines = 0;
    return w;
}

char* CHtmlTextExtractor::put(char* first, char* w, std::string_view v)
{
    if (m_pending)
        w = owe(first, w);
    std::memcpy(w, v.data(), v.size());
    return w + v.size();
}

// TEXTAREA and PLAINTEXT content: white space kept; '<' is text.
void CHtmlTextExtractor::preText(const char* a, const char* e, const bool* plain, bool refs)
{
    while (a < e) {
        const char* b = a;
        while (b < e && plain[static_cast<uchar>(*b)])
            ++b;
        if (b > a) {
            content(a, static_cast<std::size_t>(b - a));
            a = b;
            if (a == e)
                return;
        }
        const char c = *a++;
        if (c == '&' && refs) {
            a += charRef(a - 1, e) - 1;
        } else if (c == '\n') {
            line();
        } else if (c == '\r') {
            line();
            if (a < e && *a == '\n')
                ++a;
        }
    }
}

// A reference at a[0] == '&' in preformatted text; returns the bytes taken.
std::size_t CHtmlTextExtractor::charRef(const char* a, const char* e)
{
    CharRef ref;
    const std::size_t n = readCharRef(a, e, ref);
    if (n == 0) {
        content(a, 1);
        return 1;
    }
    const std::string_view v = ref.value;
    if (v == "\n" || v == "\r")
        line();
    else
        content(v.data(), v.size());
    return n;
}

// At '<' (s[p]): a tag, comment or declaration, or a '<' that is text. Returns the
// position after it.
std::size_t CHtmlTextExtractor::markup(std::size_t p)
{
    m_skipLf = false;
    const char* s = m_s;
    if (p + 1 < m_n) {
        const auto c = static_cast<uchar>(s[p + 1]);
        if (isAlpha(c))
            return tag(p + 1, false);
        if (c == '/') {
            if (p + 2 < m_n) {
                const auto d = static_cast<uchar>(s[p + 2]);
                if (isAlpha(d))
                    return tag(p + 2, true);
                return d == '>' ? p + 3 : skipPast(page(), '>', p + 2);
            }
            if (m_templateDepth == 0)
                content(s + p, 2); // "</" at the end is text
            return m_n;
        }
        if (c == '!') {
            if (p + 3 < m_n && s[p + 2] == '-' && s[p + 3] == '-')
                return commentEnd(page(), p + 4);
            return skipPast(page(), '>', p + 2);
        }
        if (c == '?')
            return skipPast(page(), '>', p + 1);
    }
    if (m_templateDepth == 0)
        content(s + p, 1);
    return p + 1;
}

std::size_t CHtmlTextExtractor::tag(std::size_t nameStart, bool end)
{
    Tag t;
    const std::size_t after = parseTag(page(), nameStart, t);
    if (after == kCut)
        return m_n;
    const Kind kind = t.kind;
    if (m_templateDepth > 0) {
        if (kind == Kind::Template) {
            if (end)
                --m_templateDepth;
            else
                ++m_templateDepth;
            return after;
        }
        if (end)
            return after;
        return skipHiddenContent(page(), t, after);
    }
    if (end) {
        switch (kind) {
        case Kind::Block:
            block();
            break;
        case Kind::Pre:
            block();
            if (m_preDepth > 0)
                --m_preDepth;
            break;
        case Kind::Br:
            line();
            break;
        case Kind::Foreign:
            if (m_foreignDepth > 0)
                --m_foreignDepth;
            break;
        default:
            break;
        }
        return after;
    }
    switch (kind) {
    case Kind::Block:
        m_foreignDepth = 0; // HTML blocks end svg and math
        block();
        return after;
    case Kind::Br:
        line();
        return after;
    case Kind::Cell:
        m_pending |= kTab;
        return after;
    case Kind::Pre:
        m_foreignDepth = 0;
        block();
        ++m_preDepth;
        m_skipLf = true;
        return after;
    case Kind::Textarea: {
        const std::size_t q = rawTextEnd(page(), after, "textarea");
        preText(skipLineFeed(m_s + after, m_s + q), m_s + q, kText.textarea.data(), true);
        return afterEndTag(page(), q);
    }
    case Kind::Title: {
        const std::size_t q = rawTextEnd(page(), after, "title");
        if (!m_titleFound && m_foreignDepth == 0) {
            m_titleFound = true;
            if (m_title)
                collectTitle(m_s + after, m_s + q);
        }
        return afterEndTag(page(), q);
    }
    case Kind::Template:
        ++m_templateDepth;
        return after;
    case Kind::Plaintext:
        block();
        preText(m_s + after, m_s + m_n, kText.plain.data(), false);
        return m_n;
    case Kind::Foreign:
        if (!t.selfClosing)
            ++m_foreignDepth;
        return after;
    default:
        return skipHiddenContent(page(), t, after);
    }
}

// The title: references decoded, white space collapsed, trimmed.
void CHtmlTextExtractor::collectTitle(const char* a, const char* e)
{
    std::string& t = *m_title;
    t.clear();
    bool space = false;
    while (a < e) {
        const auto c = static_cast<uchar>(*a);
        std::string_view piece;
        CharRef ref;
        if (isWhite(c) || c == 0) {
            space = space || c != 0;
            ++a;
            continue;
        }
        if (c == '&') {
            const std::size_t n = readCharRef(a, e, ref);
            piece = n ? ref.value : std::string_view(a, 1);
            a += n ? n : 1;
            if (piece.size() == 1 && isWhite(static_cast<uchar>(piece[0]))) {
                space = true;
                continue;
            }
        } else {
            const char* b = a;
            while (b < e && kText.flow[static_cast<uchar>(*b)])
                ++b;
            if (b == a)
                ++b;
            piece = std::string_view(a, static_cast<std::size_t>(b - a));
            a = b;
        }
        if (space && !t.empty())
            t.push_back(' ');
        space = false;
        t.append(piece);
    }
}
