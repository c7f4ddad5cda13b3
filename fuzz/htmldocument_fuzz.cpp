// Any page at all, its links made absolute: the scanner ends, never moves backwards, and the
// written page holds no script body, no event handler and no script address, neither by our
// own reading nor by an HTML5 parser's (gumbo).
#include "htmldocument.h"
#include "scripthazard.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string page(reinterpret_cast<const char*>(data), size);
    CHtmlDocument doc;
    doc.SetHtml(page);
    doc.Parse();
    doc.ResolveLinks(size % 2 ? "https://h.example/d/p.html" : std::string(page.substr(0, 40)));
    std::string out;
    doc.GetHtml(out);
    doc.GetHeadHtml();
    for (const auto& token : doc.Tokens()) {
        auto* tag = dynamic_cast<CHtmlTag*>(token.get());
        if (!tag || !tag->IsParsed())
            continue;
        for (std::size_t i = 0; i < tag->AttributeCount(); ++i)
            if (IsJavaScriptValue(tag->AttributeValue(i)))
                std::abort();
        std::string value;
        tag->GetAttribute("href", value);
        tag->SetAttribute("src", "\"x.gif\"");
        tag->RemoveAttribute("src");
    }
    const std::string hazard = scripthazard::FirstHazard(out);
    if (!hazard.empty()) {
        std::fprintf(stderr, "the written page holds a %s\n--- written page ---\n", hazard.c_str());
        std::fwrite(out.data(), 1, std::min<std::size_t>(out.size(), 2000), stderr);
        std::fputs("\n---\n", stderr);
        std::abort();
    }
    // Written twice, the page stays the same size class: no runaway growth.
    CHtmlDocument again;
    again.SetHtml(out);
    again.Parse();
    std::string twice;
    again.GetHtml(twice);
    if (twice.size() > 4 * out.size() + 64)
        std::abort();
    return 0;
}
