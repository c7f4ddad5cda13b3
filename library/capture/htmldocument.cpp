#include "htmldocument.h"

#include "htmlscanner.h"
#include "links.h"

void CHtmlDocument::SetHtml(std::string text)
{
    m_strHtml = std::move(text);
    m_tokens.clear();
    m_bParsed = false;
}

void CHtmlDocument::append(std::unique_ptr<CHtmlToken> token, CHtmlScanner& scanner)
{
    token->ParseTag();
    const bool script = token->GetName() == "SCRIPT";
    m_tokens.push_back(std::move(token));
    if (script)
        m_tokens.push_back(std::make_unique<CHtmlText>(scanner.ReadScriptBody(), TOKEN_SCRIPT));
}

bool CHtmlDocument::Parse()
{
    m_tokens.clear();
    m_arena = std::make_unique<CTokenArena>();
    const CTokenArena::Scope scope(*m_arena);
    m_tokens.reserve(m_strHtml.size() / 16);
    CHtmlScanner scanner(m_strHtml);
    while (auto token = scanner.NextToken())
        append(std::move(token), scanner);
    // The end of the text: nothing the page held is dropped.
    if (auto rest = scanner.TakeRest())
        append(std::move(rest), scanner);
    m_bParsed = true;
    return true;
}

std::string CHtmlDocument::write(bool headOnly) const
{
    std::string out;
    if (!m_bParsed)
        return out;
    out.reserve(m_strHtml.size());
    bool afterScript = false;
    for (const auto& token : m_tokens) {
        if (headOnly && token->GetName() == "BODY")
            break;
        if (!afterScript)
            token->AppendText(out);
        afterScript = token->GetName() == "SCRIPT";
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

bool CHtmlDocument::ResolveLinks(const std::string& base)
{
    std::string value;
    for (const auto& token : m_tokens) {
        auto* tag = token->GetKind() == TOKEN_TAG ? dynamic_cast<CHtmlTag*>(token.get()) : nullptr;
        if (!tag || !tag->IsParsed())
            continue;
        if (tag->GetAttribute("HREF", value) >= 0 && ClassifyUrl(value) == URL_RELATIVE)
            tag->SetAttribute("HREF", QuoteAttributeValue(ResolveUrl(value, base), false));
        if (tag->GetAttribute("SRC", value) >= 0 && ClassifyUrl(value) == URL_RELATIVE)
            tag->SetAttribute("SRC", QuoteAttributeValue(ResolveUrl(value, base), true));
    }
    return true;
}
