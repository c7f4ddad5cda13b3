#include "htmltoken.h"

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

// A character reference at s (s[0] == '&'): the code point and its length, or 0 length.
std::pair<unsigned long, std::size_t> characterReference(std::string_view s)
{
    static constexpr std::pair<std::string_view, unsigned long> kNamed[] = {
        {"&tab;", 9}, {"&newline;", 10}, {"&colon;", ':'}, {"&nbsp;", 0xA0}};
    if (s.size() >= 3 && s[1] == '#') {
        std::size_t i = 2;
        const bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
        if (hex)
            ++i;
        unsigned long value = 0;
        const std::size_t start = i;
        while (i < s.size() && i - start < 8) {
            const char c = lower(s[i]);
            const int digit = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (digit < 0)
                break;
            value = value * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
            ++i;
        }
        if (i == start)
            return {0, 0};
        if (i < s.size() && s[i] == ';')
            ++i;
        return {value, i};
    }
    for (const auto& [name, value] : kNamed)
        if (s.size() >= name.size() && equalsUpper(s.substr(0, name.size()), name))
            return {value, name.size()};
    return {0, 0};
}

} // namespace

bool IsJavaScriptValue(std::string_view value)
{
    // What a browser makes of the address: references decoded, then tabs, line breaks,
    // blanks and other control characters gone. Only the start of the address counts.
    static constexpr std::size_t kWindow = 15;
    std::string seen;
    for (std::size_t i = 0; i < value.size() && seen.size() < kWindow;) {
        unsigned long c = static_cast<unsigned char>(value[i]);
        std::size_t length = 1;
        if (c == '&') {
            const auto [code, n] = characterReference(value.substr(i));
            if (n > 0) {
                c = code;
                length = n;
            }
        }
        i += length;
        if (c <= 0x20 || c == 0x7F || c == 0xA0)
            continue;
        seen += c < 0x80 ? lower(static_cast<char>(c)) : '\x80';
    }
    return seen.find("javascript:") != std::string::npos;
}

bool IsFilteredAttribute(std::string_view name)
{
    static constexpr std::string_view kHandlers =
        "onfocus onload onunload onmouseover onmouseout onclick target oncopy onmousemove";
    if (name.size() >= 2 && lower(name[0]) == 'o' && lower(name[1]) == 'n')
        return true;
    if (name.size() > kHandlers.size())
        return false;
    char lowered[sizeof "onfocus onload onunload onmouseover onmouseout onclick target oncopy onmousemove"];
    for (std::size_t i = 0; i < name.size(); ++i)
        lowered[i] = lower(name[i]);
    return kHandlers.find(std::string_view(lowered, name.size())) != std::string_view::npos;
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

void CHtmlTag::set(std::string_view name, std::string_view value, bool checked)
{
    while (!name.empty() && isWhite(name.front()))
        name.remove_prefix(1);
    while (!name.empty() && isWhite(name.back()))
        name.remove_suffix(1);
    if (!checked && IsJavaScriptValue(value))
        return;
    const int index = find(name);
    if (index >= 0) {
        m_attributes[static_cast<std::size_t>(index)].value = keep(value);
    } else {
        const Span n = keep(name);
        m_attributes.push_back(Attribute{n, keep(value)});
    }
}

void CHtmlTag::SetAttribute(std::string_view name, std::string_view value)
{
    set(name, value, false);
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
    std::replace(m_strText.begin(), m_strText.end(), '\r', ' ');
    std::replace(m_strText.begin(), m_strText.end(), '\n', ' ');
    const auto first = std::find_if_not(m_strText.begin(), m_strText.end(), isWhite);
    m_strText.erase(m_strText.begin(), first);
    m_edits.reset();
    m_attributes.clear();

    CHtmlScanner scanner(m_strText);
    const std::string_view name = scanner.NextWordView();
    if (name.empty()) {
        m_nKind = TOKEN_MARKUP;
        m_bParsed = false;
        return false;
    }
    m_name = spanOf(name);
    for (std::size_t i = m_name.offset; i < m_name.offset + m_name.length; ++i)
        if (m_strText[i] >= 'a' && m_strText[i] <= 'z')
            m_strText[i] = static_cast<char>(m_strText[i] - 'a' + 'A');
    // A tag may hold thousands of attributes: past a few, names are found through an index
    // instead of a walk over all of them.
    std::unordered_map<std::string, std::size_t> index;
    for (;;) {
        const std::string_view attribute = scanner.NextWordView();
        if (attribute.empty())
            break;
        const std::string_view value = scanner.NextWordView();
        if (value.empty())
            break;
        if (m_attributes.size() < 16) {
            set(attribute, value, false);
            continue;
        }
        if (IsJavaScriptValue(value))
            continue;
        if (index.empty())
            for (std::size_t i = 0; i < m_attributes.size(); ++i)
                index.emplace(upper(view(m_attributes[i].name)), i);
        std::string_view trimmed = attribute;
        while (!trimmed.empty() && isWhite(trimmed.front()))
            trimmed.remove_prefix(1);
        while (!trimmed.empty() && isWhite(trimmed.back()))
            trimmed.remove_suffix(1);
        const auto [it, added] = index.emplace(upper(trimmed), m_attributes.size());
        if (added)
            m_attributes.push_back(Attribute{keep(trimmed), keep(value)});
        else
            m_attributes[it->second].value = keep(value);
    }
    m_bParsed = true;
    return true;
}

void CHtmlTag::AppendText(std::string& out) const
{
    if (!m_bParsed) {
        out += m_strText;
        return;
    }
    const std::string_view name = GetName();
    if (name == "IFRAME" || name == "/IFRAME")
        return;
    out += '<';
    out += name;
    out += ' ';
    if (name != "SCRIPT") {
        for (const auto& attribute : m_attributes) {
            const std::string_view written = view(attribute.name);
            if (IsFilteredAttribute(written))
                continue;
            out += written;
            out += " = ";
            out += view(attribute.value);
            out += ' ';
        }
    }
    out += '>';
}
