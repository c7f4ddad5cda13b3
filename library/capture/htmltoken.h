#pragma once
// The tokens a page is cut into: tags, the text between them, comments and declarations,
// and script bodies. A tag keeps its attributes as written, quotes included.

#include "htmlscanner.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum HtmlTokenKind : int {
    TOKEN_TAG = 1,    // a tag, "<" to its ">"
    TOKEN_TEXT = 2,   // the text between two tags
    TOKEN_MARKUP = 3, // a comment, a "<!" declaration, or a tag without a name
    TOKEN_SCRIPT = 4, // the body of a SCRIPT or IFRAME element: never written
    TOKEN_RAWTEXT = 5, // the text of STYLE, TEXTAREA, TITLE and the like: written so that it stays text
};

// Where the tokens of one page live: taken in large blocks and given back all at once when
// the page is done. While a Scope is open on this thread, new tokens come from the arena.
class CTokenArena
{
public:
    CTokenArena() = default;
    CTokenArena(const CTokenArena&) = delete;
    CTokenArena& operator=(const CTokenArena&) = delete;

    void* Allocate(std::size_t size);

    class Scope
    {
    public:
        explicit Scope(CTokenArena& arena);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CTokenArena* m_previous;
    };

private:
    static constexpr std::size_t kChunk = 256 * 1024;
    std::vector<std::unique_ptr<std::max_align_t[]>> m_chunks;
    std::vector<std::unique_ptr<std::max_align_t[]>> m_large;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

class CHtmlToken
{
public:
    CHtmlToken(std::string text, int kind) : m_strText(std::move(text)), m_nKind(kind) {}
    virtual ~CHtmlToken() = default;
    CHtmlToken(const CHtmlToken&) = delete;
    CHtmlToken& operator=(const CHtmlToken&) = delete;

    // Pages have hundreds of thousands of small tokens: inside a CTokenArena::Scope they
    // come from that arena.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size);

    virtual int GetKind() const { return m_nKind; }
    // The upper-cased tag name; empty for text.
    virtual std::string_view GetName() const { return {}; }
    // Index of the attribute, or -1 with value emptied.
    virtual int GetAttribute(std::string_view name, std::string& value) const;
    // The token as it is written back.
    std::string GetText() const
    {
        std::string out;
        AppendText(out);
        return out;
    }
    virtual void AppendText(std::string& out) const { out += m_strText; }
    // Splits a tag into name and attributes; true when it had a name.
    virtual bool ParseTag();

    bool IsParsed() const { return m_bParsed; }
    const std::string& RawText() const { return m_strText; }
    // New text for a text token (a style sheet with its links made local).
    void SetText(std::string text) { m_strText = std::move(text); }

protected:
    std::string m_strText;
    bool m_bParsed = false;
    int m_nKind;
};

// Text, comments, declarations and script bodies.
class CHtmlText final : public CHtmlToken
{
public:
    CHtmlText(std::string text, int kind) : CHtmlToken(std::move(text), kind) {}
};

class CHtmlTag final : public CHtmlToken
{
public:
    explicit CHtmlTag(std::string text) : CHtmlToken(std::move(text), TOKEN_TAG) {}

    std::string_view GetName() const override { return view(m_name); }
    int GetAttribute(std::string_view name, std::string& value) const override;
    void AppendText(std::string& out) const override;
    bool ParseTag() override;
    // The same for a tag whose parts the page scanner has already found.
    bool ParseLayout(const HtmlTagLayout& layout);

    // Adds or replaces an attribute; a "javascript:" value is refused (nothing stored).
    void SetAttribute(std::string_view name, std::string_view value);
    // Index of the removed attribute, or -1.
    int RemoveAttribute(std::string_view name);

    std::size_t AttributeCount() const { return m_attributes.size(); }
    std::string_view AttributeName(std::size_t i) const { return view(m_attributes[i].name); }
    std::string_view AttributeValue(std::size_t i) const { return view(m_attributes[i].value); }
    bool AttributeHasValue(std::size_t i) const { return m_attributes[i].hasValue; }
    bool IsSelfClosing() const { return m_bSelfClosing; }
    // False for the tags the cleaner leaves out: scripts, frames, NOSCRIPT and NOFRAMES (their
    // contents stay), BASE and META refresh.
    bool IsWritten() const;

private:
    // A stretch of the tag's text, or (edited) of m_strEdits.
    struct Span
    {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool edited = false;
    };
    struct Attribute
    {
        Span name, value;
        bool hasValue = true;
    };

    std::string_view view(const Span& span) const
    {
        return std::string_view(span.edited ? *m_edits : m_strText).substr(span.offset, span.length);
    }
    Span spanOf(std::string_view part) const;
    Span keep(std::string_view text);
    void set(std::string_view name, std::string_view value);
    int find(std::string_view name) const;

    Span m_name; // upper-cased in place in the tag's text
    bool m_bSelfClosing = false;
    std::vector<Attribute> m_attributes;
    std::unique_ptr<std::string> m_edits; // names and values given by SetAttribute
};

// True when the value is a "javascript:" or "vbscript:" address: the test looks at the value
// as a browser does, character references decoded, white space and control characters gone.
bool IsJavaScriptValue(std::string_view value);
// True for attributes never written back: event handlers (every name beginning with "on")
// and "target".
bool IsFilteredAttribute(std::string_view name);
