#pragma once
// The tokens a page is cut into: tags, the text between them, comments and declarations,
// and script bodies. A tag keeps its attributes as written, quotes included.

#include <string>
#include <string_view>
#include <vector>

enum HtmlTokenKind : int {
    TOKEN_TAG = 1,    // a tag, "<" to its ">"
    TOKEN_TEXT = 2,   // the text between two tags
    TOKEN_MARKUP = 3, // a comment, a "<!" declaration, or a tag without a name
    TOKEN_SCRIPT = 4, // the body of a SCRIPT element
};

class CHtmlToken
{
public:
    CHtmlToken(std::string text, int kind) : m_strText(std::move(text)), m_nKind(kind) {}
    virtual ~CHtmlToken() = default;
    CHtmlToken(const CHtmlToken&) = delete;
    CHtmlToken& operator=(const CHtmlToken&) = delete;

    virtual int GetKind() const { return m_nKind; }
    // The upper-cased tag name; empty for text.
    virtual const std::string& GetName() const { return m_strName; }
    // Index of the attribute, or -1 with value emptied.
    virtual int GetAttribute(std::string_view name, std::string& value) const;
    // The token as it is written back.
    virtual std::string GetText() const { return m_strText; }
    // Splits a tag into name and attributes; true when it had a name.
    virtual bool ParseTag();

    bool IsParsed() const { return m_bParsed; }
    const std::string& RawText() const { return m_strText; }

protected:
    std::string m_strText;
    std::string m_strName;
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

    int GetAttribute(std::string_view name, std::string& value) const override;
    std::string GetText() const override;
    bool ParseTag() override;

    // Adds or replaces an attribute; a "javascript:" value is refused (nothing stored).
    void SetAttribute(std::string_view name, std::string_view value);
    // Index of the removed attribute, or -1.
    int RemoveAttribute(std::string_view name);

    std::size_t AttributeCount() const { return m_names.size(); }
    const std::string& AttributeName(std::size_t i) const { return m_names[i]; }
    const std::string& AttributeValue(std::size_t i) const { return m_values[i]; }

private:
    int find(std::string_view name) const;

    std::vector<std::string> m_names;
    std::vector<std::string> m_values;
};

// True when the value is a "javascript:" address: the test looks at the value with white
// space and control characters removed and character references decoded.
bool IsJavaScriptValue(std::string_view value);
// True for attributes never written back: event handlers (every name beginning with "on")
// and "target".
bool IsFilteredAttribute(std::string_view name);
