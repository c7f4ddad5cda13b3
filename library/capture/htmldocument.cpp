#include "htmldocument.h"

#include "htmlscanner.h"
#include "links.h"
#include "htmlentities.h"

void CHtmlDocument::SetHtml(std::string text)
{
    m_strHtml = std::move(text);
    m_tokens.clear();
    m_bParsed = false;
}

namespace {

// The text of a raw-text element, written so that no reader can take any of it for markup:
// in a style sheet "<" becomes the CSS escape (and the old "<!--" wrapper, which CSS ignores,
// goes); elsewhere it becomes "&lt;".
void appendRawText(std::string& out, const std::string& text, std::string_view element)
{
    const bool css = element == "STYLE";
    std::size_t from = 0;
    for (std::size_t lt = text.find('<'); lt != std::string::npos; lt = text.find('<', from)) {
        out.append(text, from, lt - from);
        if (css && text.compare(lt, 4, "<!--") == 0) {
            from = lt + 4;
            continue;
        }
        out += css ? "\\3c " : "&lt;";
        from = lt + 1;
    }
    out.append(text, from, std::string::npos);
}

} // namespace

bool CHtmlDocument::Parse()
{
    m_tokens.clear();
    m_arena = std::make_unique<CTokenArena>();
    const CTokenArena::Scope scope(*m_arena);
    m_tokens.reserve(m_strHtml.size() / 16);
    CHtmlScanner scanner(m_strHtml);
    while (auto token = scanner.NextToken())
        m_tokens.push_back(std::move(token)); // tags come split already
    m_bParsed = true;
    return true;
}

std::string CHtmlDocument::write(bool headOnly) const
{
    std::string out;
    if (!m_bParsed)
        return out;
    out.reserve(m_strHtml.size());
    std::string_view element; // the last start tag
    for (const auto& token : m_tokens) {
        const std::string_view name = token->GetName();
        if (headOnly && name == "BODY")
            break;
        switch (token->GetKind()) {
        case TOKEN_SCRIPT:
            break;
        case TOKEN_RAWTEXT:
            appendRawText(out, token->RawText(), element);
            break;
        case TOKEN_TEXT: {
            // A "<" at the end of a text must not meet what follows it and become a tag.
            const std::string& text = token->RawText();
            const bool openEnd = !text.empty() && text.back() == '<';
            out.append(text, 0, text.size() - (openEnd ? 1 : 0));
            if (openEnd)
                out += "&lt;";
            break;
        }
        default:
            token->AppendText(out);
        }
        if (!name.empty())
            element = name;
    }
    return out;
}

bool CHtmlDocument::GetHtml(std::string& text) const
{
    text = write(false);
    return true;
}

std::string CHtmlDocument::GetHeadHtml() const
{
    return write(true);
}

std::string CHtmlDocument::EffectiveBase(const std::string& source) const
{
    std::string href;
    for (const auto& token : m_tokens) {
        if (token->GetKind() == TOKEN_TAG && token->GetName() == "BASE" && token->GetAttribute("HREF", href) >= 0 &&
            !href.empty()) {
            const std::string decoded = htmltext::decodeCharRefs(href);
            const std::string resolved = ClassifyUrl(decoded) == URL_RELATIVE ? ResolveUrl(decoded, source) : decoded;
            return ClassifyUrl(resolved) == URL_HTTP || ClassifyUrl(resolved) == URL_FILE ? resolved : source;
        }
    }
    return source;
}

bool CHtmlDocument::ResolveLinks(const std::string& source)
{
    // Every link attribute of the page, against its <base href> when it has one.
    // (A relative BACKGROUND stays: localisation drops it when it cannot be fetched.)
    static constexpr const char* kLinks[] = {"HREF", "SRC",      "POSTER",   "ACTION",
                                             "CITE", "LONGDESC", "DATA-SRC", "DATA-ORIGINAL"};
    const std::string base = EffectiveBase(source);
    std::string value;
    for (const auto& token : m_tokens) {
        auto* tag = token->GetKind() == TOKEN_TAG ? static_cast<CHtmlTag*>(token.get()) : nullptr;
        if (!tag || !tag->IsParsed() || tag->GetName() == "BASE")
            continue;
        for (const char* name : kLinks)
            if (tag->GetAttribute(name, value) >= 0 && !value.empty() && value.front() != '#' &&
                ClassifyUrl(value) == URL_RELATIVE)
                tag->SetAttribute(name, QuoteAttributeValue(ResolveUrl(value, base), std::string_view(name) != "HREF"));
    }
    return true;
}