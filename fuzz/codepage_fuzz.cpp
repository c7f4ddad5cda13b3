// Code page 936 text from anywhere: nothing read past the input, cuts always fit and end on
// a character boundary, and what GBK and GB18030 can say comes back unchanged.
#include "codepage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t limit = data[0];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);

    // As bytes of a file or the shared table.
    const std::string utf8 = Cp936ToUtf8(input);
    const std::string again = Utf8ToCp936(utf8);
    if (Cp936ToUtf8(again) != utf8)
        std::abort();
    const std::size_t boundary = Cp936CharBoundary(input, limit);
    if (boundary > limit || boundary > input.size())
        std::abort();

    // As UTF-8 from a clipboard, a setting or the command line.
    const std::string cut = Cp936CutUtf8(input, limit);
    if (input.compare(0, cut.size(), cut) != 0 || Cp936Length(cut) > limit)
        std::abort();
    const std::string bytes = Utf8ToCp936Cut(input, limit);
    if (bytes.size() > limit || Cp936CharBoundary(bytes, bytes.size()) != bytes.size())
        std::abort();
    // Text every character of which could be written (no '?' stands for one) comes back.
    const std::string encoded = Utf8ToCp936(input);
    if (std::count(encoded.begin(), encoded.end(), '?') == std::count(input.begin(), input.end(), '?') &&
        Cp936ToUtf8(encoded) != input)
        std::abort();
    // References only for characters XML allows.
    const std::string xml = input.find('&') == std::string::npos ? Utf8ToGbkWithCharRefs(input) : std::string();
    for (std::size_t at = xml.find("&#"); at != std::string::npos; at = xml.find("&#", at + 2)) {
        const unsigned long code = std::strtoul(xml.c_str() + at + 2, nullptr, 10);
        if (code < 0x20 ? code != 9 && code != 10 && code != 13 : (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE ||
                                                                  code == 0xFFFF || code > 0x10FFFF)
            std::abort();
    }
    return 0;
}
