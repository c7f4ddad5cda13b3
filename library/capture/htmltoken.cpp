#include "htmltoken.h"

#include "htmlentities.h"
#include "htmlscanner.h"

#include <algorithm>
#include <cstddef>
#include <unordered_map>

namespace {

std::string upper(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsUpper(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool isTrimmed(char c)
{
    return c == '\r' || c == '\n' || c == '"' || c == ' ' || c == '\'' || c == '\t';
}

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

bool IsJavaScriptValue(std::string_view value)
{
    // What a browser makes of the address: references decoded, then tabs, line breaks,
    // blanks and other control characters gone. Only the start of the address counts.
    static constexpr std::size_t kWindow = 15;
    std::string seen;
    const char* end = value.data() + value.size();
    for (const char* p = value.data(); p != end && seen.size() < kWindow;) {
        std::string_view decoded(p, 1);
        htmltext::CharRef ref;
        if (*p == '&') {
            if (const std::size_t n = htmltext::readCharRef(p, end, ref)) {
                decoded = ref.value;
                p += n;
            } else {
                ++p;
            }
        } else {
            ++p;
        }
        for (char c : decoded) {
            const auto u = static_cast<unsigned char>(c);
            if (u <= 0x20 || u == 0x7F)
                continue;
            seen += u < 0x80 ? lower(c) : '\x80';
        }
    }
    return seen.find("javascript:") != std::string::npos || seen.find("vbscript:") != std::string::npos;
}

bool IsFilteredAttribute(std::string_view name)
{
    // Event handlers are every name that begins with "on"; "target" sends links elsewhere.
    // Some parsers drop a NUL that starts a name.
    while (!name.empty() && name.front() == '\0')
        name.remove_prefix(1);
    if (name.size() >= 2 && lower(name[0]) == 'o' && lower(name[1]) == 'n')
        return true;
    return equalsUpper(name, "target");
}

namespace {

thread_local CTokenArena* t_arena = nullptr;

// Each token block starts with a word that says whether it came from an arena.
constexpr std::size_t kHeader = alignof(std::max_align_t);

} // namespace

void* CTokenArena::Allocate(std::size_t size)
{
    size = (size + kHeader - 1) / kHeader * kHeader;
    // Plain new[]: the blocks are not cleared, every token initialises its own.
    if (size > kChunk / 4)
        return m_large.emplace_back(new std::max_align_t[size / sizeof(std::max_align_t)]).get();
    if (m_left < size) {
        m_chunks.emplace_back(new std::max_align_t[kChunk / sizeof(std::max_align_t)]);
        m_next = reinterpret_cast<char*>(m_chunks.back().get());
        m_left = kChunk;
    }
    void* p = m_next;
    m_next += size;
    m_left -= size;
    return p;
}

CTokenArena::Scope::Scope(CTokenArena& arena) : m_previous(t_arena)
{
    t_arena = &arena;
}

CTokenArena::Scope::~Scope()
{
    t_arena = m_previous;
}

void* CHtmlToken::operator new(std::size_t size)
{
    char* block = static_cast<char*>(t_arena ? t_arena->Allocate(size + kHeader) : ::operator new(size + kHeader));
    *reinterpret_cast<bool*>(block) = t_arena != nullptr;
    return block + kHeader;
}

void CHtmlToken::operator delete(void* p, std::size_t)
{
    char* block = static_cast<char*>(p) - kHeader;
    if (!*reinterpret_cast<bool*>(block)) // arena blocks go with their arena
        ::operator delete(block);
}

int CHtmlToken::GetAttribute(std::string_view, std::string& value) const
{
    value.clear();
    return -1;
}

bool CHtmlToken::ParseTag()
{
    m_bParsed = false;
    return false;
}

int CHtmlTag::find(std::string_view name) const
{
    for (std::size_t i = 0; i < m_attributes.size(); ++i)
        if (equalsUpper(view(m_attributes[i].name), name))
            return static_cast<int>(i);
    return -1;
}

CHtmlTag::Span CHtmlTag::spanOf(std::string_view part) const
{
    // Words of the tag's own text are kept as places in it.
    if (part.data() >= m_strText.data() && part.data() + part.size() <= m_strText.data() + m_strText.size())
        return Span{static_cast<std::uint32_t>(part.data() - m_strText.data()), static_cast<std::uint32_t>(part.size()), false};
    return Span{};
}

CHtmlTag::Span CHtmlTag::keep(std::string_view text)
{
    if (m_strText.size() < UINT32_MAX && !text.empty() && spanOf(text).length == text.size())
        return spanOf(text);
    if (!m_edits)
        m_edits = std::make_unique<std::string>();
    const Span span{static_cast<std::uint32_t>(m_edits->size()), static_cast<std::uint32_t>(text.size()), true};
    m_edits->append(text);
    return span;
}

int CHtmlTag::GetAttribute(std::string_view name, std::string& value) const
{
    const int index = find(name);
    if (index < 0) {
        value.clear();
        return -1;
    }
    const std::string_view stored = view(m_attributes[static_cast<std::size_t>(index)].value);
    if (IsJavaScriptValue(stored)) {
        value.clear();
        return index;
    }
    std::size_t begin = 0, end = stored.size();
    while (begin < end && isTrimmed(stored[begin]))
        ++begin;
    while (end > begin && isTrimmed(stored[end - 1]))
        --end;
    value.assign(stored.substr(begin, end - begin));
    return index;
}

void CHtmlTag::set(std::string_view name, std::string_view value)
{
    while (!name.empty() && isWhite(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isWhite(name.back()))
        name.remove_suffix(1);
    if (IsJavaScriptValue(value))
        return;
    if (value.empty())
        value = "\"\""; // a bare "=" would take the next attribute as its value
    const int index = find(name);
    if (index >= 0) {
        auto& attribute = m_attributes[static_cast<std::size_t>(index)];
        attribute.value = keep(value);
        attribute.hasValue = true;
    } else {
        const Span n = keep(name);
        m_attributes.push_back(Attribute{n, keep(value), true});
    }
}

void CHtmlTag::SetAttribute(std::string_view name, std::string_view value)
{
    set(name, value);
}

int CHtmlTag::RemoveAttribute(std::string_view name)
{
    const int index = find(name);
    if (index >= 0)
        m_attributes.erase(m_attributes.begin() + index);
    return index;
}

bool CHtmlTag::ParseTag()
{
    thread_local HtmlTagLayout layout; // kept between tags: no allocation per tag
    layout.name = {};
    layout.attributes.clear();
    layout.selfClosing = layout.closed = false;
    if (m_strText.size() >= 2 && m_strText[0] == '<')
        CHtmlScanner::ScanTag(m_strText, 0, &layout);
    return ParseLayout(layout);
}

bool CHtmlTag::ParseLayout(const HtmlTagLayout& layout)
{
    m_edits.reset();
    m_attributes.clear();
    m_bSelfClosing = false;
    if (m_strText.size() < 2 || m_strText[0] != '<' || m_strText.size() >= UINT32_MAX) {
        m_nKind = TOKEN_MARKUP;
        m_bParsed = false;
        return false;
    }
    m_name = Span{layout.name.offset, layout.name.length, false};
    if (m_name.length == 0 || (m_name.length == 1 && m_strText[m_name.offset] == '/')) {
        m_nKind = TOKEN_MARKUP;
        m_bParsed = false;
        return false;
    }
    for (std::size_t i = m_name.offset; i < m_name.offset + m_name.length; ++i)
        if (m_strText[i] >= 'a' && m_strText[i] <= 'z')
            m_strText[i] = static_cast<char>(m_strText[i] - 'a' + 'A');
    m_bSelfClosing = layout.selfClosing;
    // As a browser reads a tag: the first of two equal names counts. A tag may hold
    // thousands of attributes: past a few, names are found through an index.
    std::unordered_map<std::string, std::size_t> index;
    m_attributes.reserve(layout.attributes.size());
    for (const auto& part : layout.attributes) {
        const Attribute attribute{Span{part.name.offset, part.name.length, false},
                                  Span{part.value.offset, part.value.length, false}, part.hasValue};
        if (attribute.hasValue && IsJavaScriptValue(view(attribute.value)))
            continue;
        const std::string_view name = view(attribute.name);
        if (m_attributes.size() < 16) {
            if (find(name) < 0)
                m_attributes.push_back(attribute);
            continue;
        }
        if (index.empty())
            for (std::size_t i = 0; i < m_attributes.size(); ++i)
                index.emplace(upper(view(m_attributes[i].name)), i);
        if (index.emplace(upper(name), m_attributes.size()).second)
            m_attributes.push_back(attribute);
    }
    m_bParsed = true;
    return true;
}

bool CHtmlTag::IsWritten() const
{
    if (!m_bParsed)
        return true;
    std::string_view name = GetName();
    if (!name.empty() && name.front() == '/')
        name.remove_prefix(1);
    static constexpr std::string_view kDropped[] = {"SCRIPT",   "IFRAME",   "FRAME", "FRAMESET",
                                                    "NOSCRIPT", "NOFRAMES", "BASE"};
    for (std::string_view dropped : kDropped)
        if (name == dropped)
            return false;
    if (name == "META" && GetName().front() != '/') {
        std::string equiv;
        GetAttribute("HTTP-EQUIV", equiv);
        return !equalsUpper(htmltext::decodeCharRefs(equiv), "refresh");
    }
    return true;
}

void CHtmlTag::AppendText(std::string& out) const
{
    if (!m_bParsed) {
        out += m_strText;
        return;
    }
    if (!IsWritten())
        return;
    const std::string_view name = GetName();
    out += '<';
    out += name;
    out += ' ';
    if (name.front() != '/') {
        bool bare = false; // the last attribute written has no value
        for (const auto& attribute : m_attributes) {
            const std::string_view written = view(attribute.name);
            if (IsFilteredAttribute(written))
                continue;
            // After a bare name, "=x" would be read as its value.
            if (bare && !written.empty() && written.front() == '=')
                out += "= \"\" ";
            bare = !attribute.hasValue;
            out += written;
            if (attribute.hasValue) {
                out += " = ";
                const std::string_view value = view(attribute.value);
                out += value.empty() ? std::string_view("\"\"") : value;
            }
            out += ' ';
        }
    }
    out += m_bSelfClosing ? "/>" : ">";
}
