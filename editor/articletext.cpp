#include "articletext.h"

#include "pagescanner.h"

#include <cerrno>
#include <iconv.h>

namespace {

// How far into a page a charset declaration is looked for.
constexpr std::size_t kDeclarationWindow = 64 * 1024;

const char kReplacementUtf8[] = "\xEF\xBF\xBD";

// A declared name to the iconv name that reads it as browsers do; empty for one unknown.
std::string iconvName(const std::string& declared)
{
    const std::string name = LowerAscii(declared);
    static constexpr struct
    {
        const char* iconv;
        const char* names[12];
    } kAliases[] = {
        {"UTF-8", {"utf-8", "utf8", "unicode-1-1-utf-8", "utf-16", "utf-16le", "utf-16be", "unicode"}},
        {"GB18030",
         {"gb2312", "gbk", "gb18030", "x-gbk", "csgb2312", "chinese", "iso-ir-58", "csiso58gb231280", "gb_2312",
          "gb_2312-80", "euc-cn", "cp936"}},
        {"WINDOWS-1252",
         {"windows-1252", "iso-8859-1", "latin1", "l1", "us-ascii", "ascii", "cp1252", "x-cp1252", "iso8859-1",
          "iso_8859-1", "cp819", "ibm819"}},
        {"BIG5-HKSCS", {"big5", "big5-hkscs", "cn-big5", "csbig5", "x-x-big5"}},
        {"CP932", {"shift_jis", "shift-jis", "sjis", "x-sjis", "ms_kanji", "windows-31j", "csshiftjis"}},
        {"CP949", {"euc-kr", "ks_c_5601-1987", "korean", "windows-949", "cseuckr"}},
    };
    for (const auto& alias : kAliases)
        for (const char* known : alias.names)
            if (known && name == known)
                return alias.iconv;
    // Anything else iconv knows by that name; only plain names are passed on.
    if (name.empty() || name.size() > 40)
        return {};
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':'))
            return {};
    std::string upper = name;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    const iconv_t cd = ::iconv_open("UTF-8", upper.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    ::iconv_close(cd);
    return upper;
}

// The bytes in that charset to UTF-8; a byte that does not decode becomes U+FFFD.
// False when iconv does not know the charset.
bool convert(const std::string& charset, std::string_view bytes, std::string& out)
{
    const iconv_t cd = ::iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.clear();
    out.reserve(bytes.size() + bytes.size() / 2);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[16384];
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &to, &toLeft);
        const int err = errno;
        out.append(buffer, sizeof buffer - toLeft);
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (err == E2BIG)
            continue;
        out += kReplacementUtf8;
        if (err == EILSEQ) {
            ++in;
            --inLeft;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else {
            break; // EINVAL: a character cut off at the end
        }
    }
    ::iconv_close(cd);
    return true;
}

std::string withoutNul(std::string text)
{
    for (std::size_t nul = text.find('\0'); nul != std::string::npos; nul = text.find('\0', nul))
        text.replace(nul, 1, kReplacementUtf8);
    return text;
}

} // namespace

bool IsUtf8(std::string_view s)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = byte(i);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        unsigned code = 0;
        unsigned min = 0;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2, code = c & 0x1Fu, min = 0x80;
        else if ((c & 0xF0) == 0xE0)
            length = 3, code = c & 0x0Fu, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4, code = c & 0x07u, min = 0x10000;
        else
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            if (i + k >= s.size())
                return true; // cut off at the very end
            if ((byte(i + k) & 0xC0) != 0x80)
                return false;
            code = code << 6 | (byte(i + k) & 0x3Fu);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

std::string DeclaredCharset(std::string_view bytes)
{
    const std::string_view window = bytes.substr(0, kDeclarationWindow);
    CPageScanner scanner(window);
    PageToken token;
    while (scanner.Next(token)) {
        if (token.kind != PagePiece::StartTag)
            continue;
        if (token.name == "body")
            break;
        if (token.name != "meta")
            continue;
        std::string charset, content;
        bool contentType = false;
        for (const auto& [name, value] : TagAttributes(window.substr(token.begin, token.end - token.begin))) {
            if (name == "charset" && charset.empty())
                charset = value;
            else if (name == "http-equiv")
                contentType = LowerAscii(value) == "content-type";
            else if (name == "content")
                content = value;
        }
        if (charset.empty() && contentType) {
            const std::size_t at = LowerAscii(content).find("charset");
            std::size_t p = at == std::string::npos ? at : content.find_first_not_of(" \t", at + 7);
            if (p != std::string::npos && content[p] == '=') {
                p = content.find_first_not_of(" \t\"'", p + 1);
                if (p != std::string::npos)
                    charset = content.substr(p, content.find_first_of(" \t;\"'", p) - p);
            }
        }
        while (!charset.empty() && (charset.back() == ' ' || charset.back() == '\t'))
            charset.pop_back();
        const std::size_t first = charset.find_first_not_of(" \t");
        if (first != std::string::npos)
            return charset.substr(first);
    }
    return {};
}

DecodedArticle DecodeArticle(std::string_view bytes)
{
    DecodedArticle decoded;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        decoded.charset = "UTF-8";
        bytes.remove_prefix(3);
    } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        decoded.charset = bytes[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
        bytes.remove_prefix(2);
    } else {
        decoded.charset = iconvName(DeclaredCharset(bytes));
        if (decoded.charset.empty())
            decoded.charset = IsUtf8(bytes) ? "UTF-8" : "GB18030";
    }
    if (decoded.charset == "UTF-8" && IsUtf8(bytes))
        decoded.text.assign(bytes);
    else if (!convert(decoded.charset, bytes, decoded.text))
        convert(decoded.charset = "GB18030", bytes, decoded.text);
    decoded.text = withoutNul(std::move(decoded.text));
    return decoded;
}
