// Any clipboard text: offsets are clamped, nothing is read past the text, and the decoded
// parts stay within ten bytes for each byte.
#include "clipboardhtml.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    CClipboardHtml clip;
    clip.Parse(text);
    if (clip.m_strFragment.size() > text.size() || clip.m_strAfter.size() > text.size() ||
        clip.m_strFragmentHtml.size() > 10 * clip.m_strFragment.size() + 10 ||
        clip.m_strBefore.size() > 10 * text.size() + 10)
        std::abort();
    const std::string decoded = Utf8ToEntities(text);
    if (decoded.size() > 10 * text.size() + 10)
        std::abort();
    return 0;
}
