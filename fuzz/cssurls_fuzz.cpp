// Any style sheet: references lie inside it, in order and apart, and a sheet with every reference
// written as "x" yields the same references again, each "x".
#include "cssurls.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string css(reinterpret_cast<const char*>(data), size);
    const std::vector<CssReference> refs = FindCssReferences(css);
    std::size_t last = 0;
    for (const CssReference& ref : refs) {
        if (ref.begin < last || ref.begin >= ref.end || ref.end > css.size() || ref.url.empty())
            std::abort();
        last = ref.end;
    }
    if (FindCssReferences(css, size % 4).size() != std::min(refs.size(), size % 4)) std::abort();
    if (RewriteCssReferences(css, refs, [](const CssReference&) { return std::nullopt; }) != css)
        std::abort();

    const std::string out =
        RewriteCssReferences(css, refs, [](const CssReference&) { return std::string("x"); });
    const std::vector<CssReference> again = FindCssReferences(out);
    if (again.size() != refs.size()) std::abort();
    for (std::size_t i = 0; i < again.size(); ++i)
        if (again[i].url != "x" || again[i].isImport != refs[i].isImport) std::abort();
    return 0;
}
