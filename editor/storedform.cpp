#include "storedform.h"

#include "pagescanner.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The next character of UTF-8 text at i (advanced past it); U+FFFD for a byte that does not
// start a well-formed sequence (the byte alone is skipped).
char32_t nextChar(std::string_view s, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    std::size_t length = 0;
    char32_t code = 0;
    char32_t min = 0;
    if ((c & 0xE0) == 0xC0) {
        length = 2, code = c & 0x1Fu, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, code = c & 0x0Fu, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, code = c & 0x07u, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (i + length > s.size()) {
        ++i;
        return kReplacement;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        code = code << 6 | (byte(i + k) & 0x3Fu);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += length;
    return code;
}

enum class Escape { CharRef, Css, Script };

void appendEscaped(std::string& out, std::string_view text, Escape escape)
{
    char buffer[24];
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = nextChar(text, i);
        if (c == 0)
            c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        switch (escape) {
        case Escape::CharRef:
            if (c == 0xA0)
                out += "&nbsp;";
            else
                out.append(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "&#%u;", unsigned(c))));
            break;
        case Escape::Css:
            // The space ends the escape; a following space or hex digit stays text.
            out.append(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "\\%X ", unsigned(c))));
            break;
        case Escape::Script:
            if (c > 0xFFFF) {
                const unsigned v = unsigned(c) - 0x10000;
                out.append(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "\\u%04X\\u%04X",
                                                                          0xD800 + (v >> 10), 0xDC00 + (v & 0x3FF))));
            } else {
                out.append(buffer, static_cast<std::size_t>(std::snprintf(buffer, sizeof buffer, "\\u%04X", unsigned(c))));
            }
            break;
        }
    }
}

bool isBlank(std::string_view text)
{
    return text.find_first_not_of(" \t\r\n\f") == std::string_view::npos;
}

std::string escapeText(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// Whether the head's content has a <title>, and a <meta> that declares the charset.
void headHas(std::string_view head, bool& title, bool& charset)
{
    title = charset = false;
    CPageScanner scanner(head);
    PageToken token;
    while (scanner.Next(token)) {
        if (token.kind != PagePiece::StartTag)
            continue;
        if (token.name == "title")
            title = true;
        if (token.name != "meta")
            continue;
        for (const auto& [name, value] : TagAttributes(head.substr(token.begin, token.end - token.begin)))
            if (name == "charset" || (name == "http-equiv" && LowerAscii(value) == "content-type"))
                charset = true;
    }
}

} // namespace

std::string ToStoredForm(std::string_view html)
{
    std::string out;
    out.reserve(html.size() + html.size() / 4);
    CPageScanner scanner(html);
    PageToken token;
    while (scanner.Next(token)) {
        Escape escape = Escape::CharRef;
        if (token.kind == PagePiece::RawText && token.name == "style")
            escape = Escape::Css;
        else if (token.kind == PagePiece::RawText && token.name == "script")
            escape = Escape::Script;
        appendEscaped(out, html.substr(token.begin, token.end - token.begin), escape);
    }
    return out;
}

BodyBounds FindBody(std::string_view page)
{
    BodyBounds bounds;
    std::size_t htmlEnd = std::string_view::npos;
    CPageScanner scanner(page);
    PageToken token;
    while (scanner.Next(token)) {
        if (token.kind == PagePiece::StartTag && token.name == "body" && !bounds.found) {
            bounds.found = true;
            bounds.contentBegin = token.end;
            bounds.contentEnd = std::string_view::npos;
        } else if (bounds.found && token.kind == PagePiece::EndTag && token.name == "body") {
            bounds.contentEnd = token.begin;
        } else if (bounds.found && token.kind == PagePiece::EndTag && token.name == "html" &&
                   htmlEnd == std::string_view::npos) {
            htmlEnd = token.begin;
        }
    }
    if (bounds.found && bounds.contentEnd == std::string_view::npos)
        bounds.contentEnd = htmlEnd == std::string_view::npos ? page.size() : htmlEnd;
    return bounds;
}

std::string SpliceBody(std::string_view page, std::string_view body, std::string_view head, std::string_view title)
{
    const BodyBounds bounds = FindBody(page);
    if (!bounds.found) {
        bool hasTitle = false, hasCharset = false;
        headHas(head, hasTitle, hasCharset);
        std::string out = "<HTML>\r\n<HEAD>\r\n";
        if (!hasCharset)
            out += "<META http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n";
        if (!hasTitle)
            out += "<TITLE>" + escapeText(title) + "</TITLE>\r\n";
        out += head;
        out += "</HEAD>\r\n<BODY>";
        out += body;
        out += "</BODY>\r\n</HTML>\r\n";
        return out;
    }
    // What follows the body keeps its end tags, comments and white space; text and tags
    // there were read into the body, so they are in body already. So is that white space:
    // the body's own trailing white space goes, or each save would add another line.
    std::string tail;
    bool blankTail = false;
    CPageScanner scanner(page.substr(bounds.contentEnd));
    PageToken token;
    const std::string_view after = page.substr(bounds.contentEnd);
    while (scanner.Next(token)) {
        const std::string_view piece = after.substr(token.begin, token.end - token.begin);
        const bool blank = token.kind == PagePiece::Text && isBlank(piece);
        blankTail = blankTail || blank;
        if (blank || token.kind == PagePiece::Comment || token.kind == PagePiece::Markup ||
            (token.kind == PagePiece::EndTag && (token.name == "body" || token.name == "html")))
            tail += piece;
    }
    if (blankTail)
        body = body.substr(0, body.find_last_not_of(" \t\r\n\f") + 1);
    std::string out(page.substr(0, bounds.contentBegin));
    out += body;
    out += tail;
    return out;
}
