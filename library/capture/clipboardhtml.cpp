#include "clipboardhtml.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

constexpr std::string_view kKeys[CClipboardHtml::KEY_COUNT] = {
    "Version", "StartHTML", "EndHTML", "StartFragment", "EndFragment",
    "StartSelection", "EndSelection", "SourceURL", ""};

// A signed decimal as "%ld" reads it, limited to 32 bits; 0 when there is no number.
std::int32_t readNumber(const std::string& value)
{
    errno = 0;
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (end == value.c_str())
        return 0;
    return static_cast<std::int32_t>(std::clamp<long>(n, INT32_MIN, INT32_MAX));
}

// Bytes [from, to) of the text, both clamped to it; empty when they are out of order.
std::string_view slice(std::string_view text, std::int64_t from, std::int64_t to)
{
    const auto size = static_cast<std::int64_t>(text.size());
    from = std::clamp<std::int64_t>(from, 0, size);
    to = std::clamp<std::int64_t>(to, 0, size);
    return from < to ? text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from))
                     : std::string_view();
}

} // namespace

bool CClipboardHtml::Parse(std::string_view text)
{
    m_strRaw = std::string(text);
    std::size_t pos = 0;
    for (int line = 0; line < 9 && pos < text.size(); ++line) {
        const std::size_t newline = text.find('\n', pos);
        const std::size_t end = newline == std::string_view::npos ? text.size() : newline + 1;
        std::string content;
        for (char c : text.substr(pos, end - pos))
            if (c != '\r' && c != '\n')
                content += c;
        pos = end;
        const std::size_t colon = content.find(':');
        if (content.empty() || colon == std::string::npos)
            continue;
        std::string key;
        for (char c : std::string_view(content).substr(0, colon))
            if (c != ' ')
                key += c;
        std::string value = content.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' ') == std::string::npos ? value.size() : value.find_first_not_of(' '));
        const auto* found = std::find(std::begin(kKeys), std::end(kKeys), key);
        if (found == std::end(kKeys))
            continue;
        const auto slot = static_cast<std::size_t>(found - std::begin(kKeys));
        if (slot == SOURCE_URL)
            m_strSourceUrl = value;
        m_numbers[slot] = readNumber(value);
    }

    const std::int64_t startHtml = m_numbers[START_HTML], endHtml = m_numbers[END_HTML];
    const std::int64_t startFragment = m_numbers[START_FRAGMENT], endFragment = m_numbers[END_FRAGMENT];
    if (startHtml == 0 || startFragment < startHtml || endFragment < startFragment || endHtml < endFragment)
        return false;

    // "-1" for StartHTML and EndHTML means "no context": the parts around the fragment
    // are then empty. Offsets past the end stop at the end.
    m_strBefore = Utf8ToEntities(startHtml < 0 ? std::string_view() : slice(text, startHtml, startFragment));
    m_strFragment = std::string(slice(text, startFragment, endFragment));
    m_strAfter = std::string(endHtml < 0 ? std::string_view() : slice(text, endFragment, endHtml));
    m_strFragmentHtml = Utf8ToEntities(m_strFragment);
    return true;
}

std::string Utf8ToEntities(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 4);
    const std::size_t size = utf8.size();
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = byte(i);
        std::size_t length = (c & 0xF0) == 0xF0 ? 4 : (c & 0xE0) == 0xE0 ? 3 : (c & 0xC0) == 0xC0 ? 2 : 1;
        if (length == 1) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (i + length > size) {
            // A sequence cut off by the end of the text: one replacement character.
            out += "&#65533;";
            break;
        }
        unsigned long code = 0;
        switch (length) {
        case 4:
            code = (c & 0x0Ful) << 18 | (byte(i + 1) & 0x7Ful) << 12 | (byte(i + 2) & 0x7Ful) << 6 | (byte(i + 3) & 0x7Ful);
            break;
        case 3:
            code = (c & 0x1Ful) << 12 | (byte(i + 1) & 0x7Ful) << 6 | (byte(i + 2) & 0x7Ful);
            break;
        default:
            code = (c & 0x3Ful) << 6 | (byte(i + 1) & 0x7Ful);
            break;
        }
        if (code == 0)
            out += static_cast<char>(byte(i + length - 1));
        else if (code == 0xA0)
            out += "&nbsp;";
        else
            out += "&#" + std::to_string(code) + ";";
        i += length;
    }
    return out;
}

std::string JoinClipboardPage(const CClipboardHtml& clip)
{
    return clip.m_strBefore + clip.m_strFragmentHtml + clip.m_strAfter;
}
