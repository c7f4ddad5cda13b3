#pragma once
// The "HTML Format" clipboard text: a header of "key:value" lines with byte offsets, then
// the page in UTF-8 with the copied fragment marked by those offsets.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class CClipboardHtml
{
public:
    enum Key { VERSION, START_HTML, END_HTML, START_FRAGMENT, END_FRAGMENT, START_SELECTION,
               END_SELECTION, SOURCE_URL, EMPTY_KEY, KEY_COUNT };

    // Splits the text at its header's offsets. False when the offsets are unusable; the
    // four parts then stay empty.
    bool Parse(std::string_view text);

    std::int32_t Number(Key key) const { return m_numbers[key]; }

    std::string m_strSourceUrl;
    std::string m_strRaw;
    std::string m_strBefore;       // StartHTML .. StartFragment, decoded
    std::string m_strFragment;     // StartFragment .. EndFragment, as stored
    std::string m_strFragmentHtml; // the fragment, decoded
    std::string m_strAfter;        // EndFragment .. EndHTML, as stored

private:
    std::array<std::int32_t, KEY_COUNT> m_numbers{};
};

// UTF-8 to single-byte text: every non-ASCII character becomes "&#N;" (U+00A0 "&nbsp;").
// Never reads past the input; at most 10 bytes out for each byte in.
std::string Utf8ToEntities(std::string_view utf8);

// The page an article is made of: the text before the fragment and the fragment decoded,
// the text after it as stored.
std::string JoinClipboardPage(const CClipboardHtml& clip);
