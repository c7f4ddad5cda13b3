#pragma once
// What an HTML5 parser (gumbo) finds in a page that could run a script or load another
// page: SCRIPT elements in any namespace, IFRAME, FRAME and FRAMESET elements, attributes
// named "on...", and attribute values that are javascript: or vbscript: addresses.

#include <gumbo.h>

#include <string>
#include <string_view>
#include <vector>

namespace scripthazard {

inline char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

// The value as a URL parser reads its scheme: leading C0 controls and blanks dropped, tabs
// and line breaks dropped anywhere, ASCII case ignored.
inline bool IsScriptAddress(std::string_view value)
{
    std::size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= 0x20)
        ++i;
    std::string scheme;
    for (; i < value.size() && scheme.size() < 11; ++i) {
        const char c = value[i];
        if (c != '\t' && c != '\n' && c != '\r')
            scheme += lowerAscii(c);
    }
    return scheme.starts_with("javascript:") || scheme.starts_with("vbscript:");
}

inline std::string describe(std::string_view what, std::string_view text)
{
    std::string out(what);
    out += " \"";
    for (const char c : text.substr(0, 80)) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\x";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The first hazard in the element, or empty.
inline std::string elementHazard(const GumboElement& element)
{
    switch (element.tag) {
    case GUMBO_TAG_SCRIPT:
        return "script element";
    case GUMBO_TAG_IFRAME:
        return "iframe element";
    case GUMBO_TAG_FRAME:
        return "frame element";
    case GUMBO_TAG_FRAMESET:
        return "frameset element";
    default:
        break;
    }
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        const std::string_view name = attribute->name;
        if (name.size() >= 2 && lowerAscii(name[0]) == 'o' && lowerAscii(name[1]) == 'n')
            return describe("event handler", name);
        if (IsScriptAddress(attribute->value))
            return describe(std::string("script address in ") + attribute->name, attribute->value);
    }
    return {};
}

// The first hazard in the tree gumbo builds from the page (template contents included),
// or empty when there is none.
inline std::string FirstHazard(const std::string& page)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    std::string hazard;
    // Pages may nest deeply: the tree is walked without recursion.
    std::vector<const GumboNode*> pending{output->document};
    while (!pending.empty() && hazard.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT) {
            children = &node->v.document.children;
        } else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE) {
            hazard = elementHazard(node->v.element);
            children = &node->v.element.children;
        }
        if (children)
            for (unsigned i = 0; i < children->length; ++i)
                pending.push_back(static_cast<const GumboNode*>(children->data[i]));
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return hazard;
}

} // namespace scripthazard
