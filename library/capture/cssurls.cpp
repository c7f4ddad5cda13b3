#include "cssurls.h"

namespace {

constexpr char32_t kReplacementChar = 0xFFFD;
constexpr std::size_t kNameKept = 32; // longer than any function name looked for

bool isNewline(char c)
{
    return c == '\n' || c == '\r' || c == '\f';
}

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || isNewline(c);
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// NUL counts as U+FFFD, which is not ASCII.
bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80 || u == 0;
}

bool isNameChar(char c)
{
    return isNameStart(c) || isDigit(c) || c == '-';
}

bool isNonPrintable(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 1 && u <= 8) || u == 0x0B || (u >= 0x0E && u <= 0x1F) || u == 0x7F;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view s, std::string_view lowerWord)
{
    if (s.size() != lowerWord.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (lower(s[i]) != lowerWord[i]) return false;
    return true;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void appendChar(std::string* out, char c)
{
    if (!out) return;
    if (c == '\0')
        appendUtf8(*out, kReplacementChar);
    else
        *out += c;
}

std::string_view trimWhite(std::string_view s)
{
    while (!s.empty() && isWhite(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isWhite(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class TokenEnd { Closed, Bad, Unterminated };

// Block kinds on the nesting stack.
constexpr char kParen = '(';
constexpr char kImageSet = 'i';
constexpr char kQuotedUrl = 'u';
constexpr char kBracket = '[';
constexpr char kBrace = '{';

char closerOf(char kind)
{
    return kind == kBracket ? ']' : kind == kBrace ? '}' : ')';
}

class CssScanner
{
public:
    CssScanner(std::string_view css, std::size_t maxReferences) : css_(css), max_(maxReferences) {}

    std::vector<CssReference> Run()
    {
        while (pos_ < css_.size() && refs_.size() < max_)
            step();
        return std::move(refs_);
    }

private:
    bool has(std::size_t i) const { return i < css_.size(); }

    // A backslash that starts an escape: not followed by a newline (the end of text is allowed).
    bool validEscape(std::size_t i) const
    {
        return has(i) && css_[i] == '\\' && !(has(i + 1) && isNewline(css_[i + 1]));
    }

    bool startsIdent(std::size_t i) const
    {
        if (!has(i)) return false;
        const char c = css_[i];
        if (c == '-')
            return has(i + 1) &&
                   (isNameStart(css_[i + 1]) || css_[i + 1] == '-' || validEscape(i + 1));
        return isNameStart(c) || validEscape(i);
    }

    bool startsNumber(std::size_t i) const
    {
        if (!has(i)) return false;
        const char c = css_[i];
        if (c == '+' || c == '-') {
            ++i;
            if (has(i) && isDigit(css_[i])) return true;
            return has(i + 1) && css_[i] == '.' && isDigit(css_[i + 1]);
        }
        if (c == '.') return has(i + 1) && isDigit(css_[i + 1]);
        return isDigit(c);
    }

    // After the backslash of a valid escape.
    void consumeEscape(std::string* out)
    {
        if (!has(pos_)) {
            if (out) appendUtf8(*out, kReplacementChar);
            return;
        }
        if (hexValue(css_[pos_]) < 0) {
            appendChar(out, css_[pos_++]);
            return;
        }
        char32_t cp = 0;
        for (int n = 0; n < 6 && has(pos_) && hexValue(css_[pos_]) >= 0; ++n)
            cp = cp * 16 + static_cast<char32_t>(hexValue(css_[pos_++]));
        if (has(pos_) && isWhite(css_[pos_])) {
            const bool crlf = css_[pos_] == '\r' && has(pos_ + 1) && css_[pos_ + 1] == '\n';
            pos_ += crlf ? 2 : 1;
        }
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = kReplacementChar;
        if (out) appendUtf8(*out, cp);
    }

    // Keeps the first kNameKept bytes only: enough to tell the names looked for.
    std::string consumeName()
    {
        std::string name;
        while (has(pos_)) {
            std::string* out = name.size() < kNameKept ? &name : nullptr;
            if (isNameChar(css_[pos_])) {
                appendChar(out, css_[pos_++]);
            } else if (validEscape(pos_)) {
                ++pos_;
                consumeEscape(out);
            } else {
                break;
            }
        }
        return name;
    }

    void consumeNumeric()
    {
        if (css_[pos_] == '+' || css_[pos_] == '-') ++pos_;
        while (has(pos_) && isDigit(css_[pos_]))
            ++pos_;
        if (has(pos_ + 1) && css_[pos_] == '.' && isDigit(css_[pos_ + 1])) {
            ++pos_;
            while (has(pos_) && isDigit(css_[pos_]))
                ++pos_;
        }
        if (has(pos_ + 1) && (css_[pos_] == 'e' || css_[pos_] == 'E')) {
            std::size_t digits = pos_ + 1;
            if (css_[digits] == '+' || css_[digits] == '-') ++digits;
            if (has(digits) && isDigit(css_[digits])) {
                pos_ = digits;
                while (has(pos_) && isDigit(css_[pos_]))
                    ++pos_;
            }
        }
        if (startsIdent(pos_))
            consumeName();
        else if (has(pos_) && css_[pos_] == '%')
            ++pos_;
    }

    // At the opening quote; a bad string stops before its newline.
    TokenEnd consumeString(std::string* out)
    {
        const char quote = css_[pos_++];
        while (has(pos_)) {
            const char c = css_[pos_];
            if (c == quote) {
                ++pos_;
                return TokenEnd::Closed;
            }
            if (isNewline(c)) return TokenEnd::Bad;
            if (c != '\\') {
                appendChar(out, c);
                ++pos_;
                continue;
            }
            ++pos_;
            if (!has(pos_)) break;
            if (isNewline(css_[pos_])) {
                const bool crlf = css_[pos_] == '\r' && has(pos_ + 1) && css_[pos_ + 1] == '\n';
                pos_ += crlf ? 2 : 1;
            } else {
                consumeEscape(out);
            }
        }
        return TokenEnd::Unterminated;
    }

    void consumeBadUrlRemnants()
    {
        while (has(pos_)) {
            if (css_[pos_] == ')') {
                ++pos_;
                return;
            }
            if (validEscape(pos_)) {
                ++pos_;
                consumeEscape(nullptr);
            } else {
                ++pos_;
            }
        }
    }

    // After "url(" when no quote follows.
    TokenEnd consumeUrl(std::string* out)
    {
        while (has(pos_) && isWhite(css_[pos_]))
            ++pos_;
        while (has(pos_)) {
            const char c = css_[pos_];
            if (c == ')') {
                ++pos_;
                return TokenEnd::Closed;
            }
            if (isWhite(c)) {
                while (has(pos_) && isWhite(css_[pos_]))
                    ++pos_;
                if (has(pos_) && css_[pos_] == ')') {
                    ++pos_;
                    return TokenEnd::Closed;
                }
                if (!has(pos_)) break;
                consumeBadUrlRemnants();
                return TokenEnd::Bad;
            }
            if (c == '"' || c == '\'' || c == '(' || isNonPrintable(c) ||
                (c == '\\' && !validEscape(pos_))) {
                consumeBadUrlRemnants();
                return TokenEnd::Bad;
            }
            ++pos_;
            if (c == '\\')
                consumeEscape(out);
            else
                appendChar(out, c);
        }
        return TokenEnd::Unterminated;
    }

    void add(std::size_t begin, std::size_t end, std::string_view raw, bool isImport)
    {
        const std::string_view url = trimWhite(raw);
        if (url.empty() || (url.size() >= 5 && equalsNoCase(url.substr(0, 5), "data:"))) return;
        refs_.push_back(CssReference{begin, end, std::string(url), isImport});
    }

    void open(char kind) { blocks_.push_back(kind); }

    void close(char closer)
    {
        if (blocks_.empty() || closerOf(blocks_.back()) != closer)
            return; // a stray closer is only a token inside the open block
        const char kind = blocks_.back();
        blocks_.pop_back();
        if (kind != kQuotedUrl) return;
        inQuotedUrl_ = false;
        if (quoted_.valid) add(quoted_.begin, pos_, quoted_.url, quoted_.isImport);
    }

    // At a name start: an identifier, a function, or a url token.
    void consumeIdentLike(bool afterImport)
    {
        const std::size_t begin = pos_;
        const std::string name = consumeName();
        if (!has(pos_) || css_[pos_] != '(') return;
        ++pos_;
        if (equalsNoCase(name, "image-set") || equalsNoCase(name, "-webkit-image-set")) {
            open(kImageSet);
            return;
        }
        if (!equalsNoCase(name, "url")) {
            open(kParen);
            return;
        }
        std::size_t next = pos_;
        while (has(next) && isWhite(css_[next]))
            ++next;
        if (has(next) && (css_[next] == '"' || css_[next] == '\'')) {
            // url("x" ...): a function whose first argument is the address.
            pos_ = next;
            if (inQuotedUrl_) {
                consumeString(nullptr);
                open(kParen);
                return;
            }
            quoted_ = QuotedUrl{begin, {}, false, afterImport};
            quoted_.valid = consumeString(&quoted_.url) == TokenEnd::Closed;
            inQuotedUrl_ = true;
            open(kQuotedUrl);
            return;
        }
        std::string url;
        if (consumeUrl(inQuotedUrl_ ? nullptr : &url) == TokenEnd::Closed && !inQuotedUrl_)
            add(begin, pos_, url, afterImport);
    }

    void step()
    {
        const char c = css_[pos_];
        if (c == '/' && has(pos_ + 1) && css_[pos_ + 1] == '*') {
            const std::size_t end = css_.find("*/", pos_ + 2);
            pos_ = end == std::string_view::npos ? css_.size() : end + 2;
            return;
        }
        if (isWhite(c)) {
            ++pos_;
            return;
        }
        // Only the token right after @import names the imported sheet.
        const bool afterImport = importPending_;
        importPending_ = false;

        switch (c) {
        case '"':
        case '\'': {
            const std::size_t begin = pos_;
            const bool wanted =
                !inQuotedUrl_ && (afterImport || (!blocks_.empty() && blocks_.back() == kImageSet));
            std::string value;
            if (consumeString(wanted ? &value : nullptr) == TokenEnd::Closed && wanted)
                add(begin, pos_, value, afterImport);
            return;
        }
        case '#':
            ++pos_;
            if (has(pos_) && (isNameChar(css_[pos_]) || validEscape(pos_))) consumeName();
            return;
        case '(':
        case '[':
        case '{':
            ++pos_;
            open(c == '(' ? kParen : c);
            return;
        case ')':
        case ']':
        case '}':
            ++pos_;
            close(c);
            return;
        case '+':
        case '.':
            if (startsNumber(pos_))
                consumeNumeric();
            else
                ++pos_;
            return;
        case '-':
            if (startsNumber(pos_))
                consumeNumeric();
            else if (css_.substr(pos_, 3) == "-->")
                pos_ += 3;
            else if (startsIdent(pos_))
                consumeIdentLike(afterImport);
            else
                ++pos_;
            return;
        case '<':
            pos_ += css_.substr(pos_, 4) == "<!--" ? 4 : 1;
            return;
        case '@':
            ++pos_;
            if (startsIdent(pos_)) importPending_ = equalsNoCase(consumeName(), "import");
            return;
        default:
            break;
        }
        if (isDigit(c))
            consumeNumeric();
        else if (isNameStart(c) || validEscape(pos_))
            consumeIdentLike(afterImport);
        else
            ++pos_;
    }

    struct QuotedUrl
    {
        std::size_t begin = 0;
        std::string url;
        bool valid = false;
        bool isImport = false;
    };

    std::string_view css_;
    std::size_t max_;
    std::size_t pos_ = 0;
    std::vector<CssReference> refs_;
    std::vector<char> blocks_;
    QuotedUrl quoted_;         // the open url("x" ...), if inQuotedUrl_
    bool inQuotedUrl_ = false; // nothing inside it is a reference of its own
    bool importPending_ = false;
};

} // namespace

std::vector<CssReference> FindCssReferences(std::string_view css, std::size_t maxReferences)
{
    return CssScanner(css, maxReferences).Run();
}

std::string EscapeCssString(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '<' || u < 0x20 || u == 0x7F) {
            // Hex escape; the space ends it so a following hex digit stays apart.
            out += '\\';
            if (u >= 0x10) out += kHex[u >> 4];
            out += kHex[u & 0xF];
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

std::string
RewriteCssReferences(std::string_view css, const std::vector<CssReference>& refs,
                     const std::function<std::optional<std::string>(const CssReference&)>& replace)
{
    std::string out;
    out.reserve(css.size());
    std::size_t copied = 0;
    for (const CssReference& ref : refs) {
        if (ref.begin < copied || ref.begin >= ref.end || ref.end > css.size()) continue;
        const std::optional<std::string> value = replace(ref);
        if (!value) continue;
        out.append(css.substr(copied, ref.begin - copied));
        const bool isString = css[ref.begin] == '"' || css[ref.begin] == '\'';
        out += isString ? "\"" : "url(\"";
        out += EscapeCssString(*value);
        out += isString ? "\"" : "\")";
        copied = ref.end;
    }
    out.append(css.substr(copied));
    return out;
}
