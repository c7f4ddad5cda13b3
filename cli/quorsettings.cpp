#include "quorsettings.h"

#include "captureargs.h"
#include "fileutil.h"
#include "htmlentities.h"
#include "profilenames.h"
#include "runtimedir.h"

#include <cerrno>

namespace {

constexpr std::size_t kMaxSettingsFile = 1 << 20;

std::string_view trimmed(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A code unit of an escape; QSettings escapes UTF-16 units, so larger ones are no character.
void appendCode(std::string& out, unsigned long code)
{
    const bool valid = code <= 0xFFFF && !(code >= 0xD800 && code <= 0xDFFF);
    char bytes[4];
    out.append(bytes, htmltext::appendUtf8(bytes, valid ? static_cast<std::uint32_t>(code) : 0xFFFD));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A value as QSettings escapes it; false for a list (a ',' outside quotes).
bool unescape(std::string_view raw, std::string& out)
{
    out.clear();
    bool quoted = false;
    std::size_t kept = 0; // out's length up to the last byte that is no trailing blank
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '"') {
            quoted = !quoted;
            kept = out.size();
            continue;
        }
        if (!quoted && c == ',')
            return false;
        if (!quoted && c == ';')
            break;
        if (c != '\\' || i + 1 == raw.size()) {
            out += c;
            if (quoted || (c != ' ' && c != '\t'))
                kept = out.size();
            continue;
        }
        const char e = raw[++i];
        switch (e) {
        case 'a': out += '\a'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'v': out += '\v'; break;
        case 'x': {
            unsigned long code = 0;
            while (i + 1 < raw.size() && hexDigit(raw[i + 1]) >= 0 && code <= 0xFFFF)
                code = code * 16 + static_cast<unsigned long>(hexDigit(raw[++i]));
            appendCode(out, code);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned long code = static_cast<unsigned long>(e - '0');
                while (i + 1 < raw.size() && raw[i + 1] >= '0' && raw[i + 1] <= '7' && code <= 0xFFFF)
                    code = code * 8 + static_cast<unsigned long>(raw[++i] - '0');
                appendCode(out, code);
            } else {
                out += e; // \" \' \\ \? and the rest as themselves
            }
        }
        kept = out.size();
    }
    out.resize(kept);
    // QSettings marks types other than strings with a leading '@' and doubles a string's own.
    if (out.rfind("@@", 0) == 0)
        out.erase(0, 1);
    else if (out.rfind("@String(", 0) == 0 && out.back() == ')')
        out = out.substr(8, out.size() - 9);
    else if (!out.empty() && out[0] == '@')
        return false;
    return true;
}

} // namespace

std::string QuorSettingsFile()
{
    const std::string base = XdgBaseDir("XDG_CONFIG_HOME", ".config");
    if (base.empty())
        return {};
    return base + "/" + QUOR_REGISTRY_KEY + "/" + QUOR_APP_NAME + ".conf";
}

bool ReadIniString(std::string_view ini, std::string_view section, std::string_view key, std::string& value)
{
    bool inSection = false, found = false;
    std::string candidate;
    for (std::size_t from = 0; from < ini.size();) {
        std::size_t end = ini.find('\n', from);
        if (end == std::string_view::npos)
            end = ini.size();
        const std::string_view line = trimmed(ini.substr(from, end - from));
        from = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inSection =
                line.size() == section.size() + 2 && line.back() == ']' && line.substr(1, section.size()) == section;
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key)
            continue;
        found = unescape(trimmed(line.substr(equals + 1)), candidate); // the last one holds
        if (found)
            value = candidate;
    }
    return found;
}

std::string StoredFileTypes(std::string& warning)
{
    warning.clear();
    const std::string file = QuorSettingsFile();
    std::string ini, stored, types;
    if (file.empty())
        return {};
    if (const int err = ReadWholeFile(file, ini, kMaxSettingsFile); err != 0) {
        if (err != ENOENT)
            warning = ErrnoText(file, err) + "; the built-in file types are used";
        return {};
    }
    if (!ReadIniString(ini, PROFILE_FILE_TYPES.section, PROFILE_FILE_TYPES.entry, stored))
        return {};
    stored = FileTypesFromStored(stored);
    if (stored.size() <= 2) // as Quor: a value this short keeps the built-in list
        return {};
    if (!ParseFileTypes(stored, types)) {
        warning = "the file types in " + file + " are not letters and digits; the built-in list is used";
        return {};
    }
    return types;
}
