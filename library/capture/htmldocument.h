#pragma once
// One page being processed: cut into tokens, cleaned, edited, written back.

#include "htmltoken.h"

#include <memory>
#include <string>
#include <vector>

class CHtmlDocument
{
public:
    CHtmlDocument() = default;
    CHtmlDocument(const CHtmlDocument&) = delete;
    CHtmlDocument& operator=(const CHtmlDocument&) = delete;

    void SetHtml(std::string text);
    bool Parse();
    // The cleaned page; empty before Parse.
    bool GetHtml(std::string& text) const;
    // The page up to its BODY tag (all of it when there is none).
    std::string GetHeadHtml() const;
    // The base the page's relative links resolve against: its first <base href>, resolved
    // against the address it came from, or that address.
    std::string EffectiveBase(const std::string& source) const;
    // Makes the relative links of every tag absolute against the page's base.
    bool ResolveLinks(const std::string& base);

    bool IsParsed() const { return m_bParsed; }
    std::vector<std::unique_ptr<CHtmlToken>>& Tokens() { return m_tokens; }
    const std::vector<std::unique_ptr<CHtmlToken>>& Tokens() const { return m_tokens; }

private:
    std::string write(bool headOnly) const;

    std::string m_strHtml;
    std::unique_ptr<CTokenArena> m_arena; // outlives the tokens made in it
    std::vector<std::unique_ptr<CHtmlToken>> m_tokens;
    bool m_bParsed = false;
};
