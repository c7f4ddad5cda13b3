// Pages made to slip markup past a cleaner, cleaned and then read by gumbo, an HTML5
// parser: nothing in the tree can run a script, and the text around what went stays.
#include "cleanpage.h"
#include "scripthazard.h"

#include <gtest/gtest.h>
#include <gumbo.h>

#include <string>
#include <string_view>
#include <vector>

using namespace std::string_view_literals;

namespace {

// All the text in gumbo's tree (template contents too), white space runs as one blank.
std::string treeText(const std::string& page)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    std::string text;
    std::vector<const GumboNode*> pending{output->document};
    while (!pending.empty()) {
        const GumboNode* node = pending.back();
        pending.pop_back();
        const GumboVector* children = nullptr;
        if (node->type == GUMBO_NODE_DOCUMENT)
            children = &node->v.document.children;
        else if (node->type == GUMBO_NODE_ELEMENT || node->type == GUMBO_NODE_TEMPLATE)
            children = &node->v.element.children;
        else if (node->type != GUMBO_NODE_COMMENT)
            text += node->v.text.text;
        if (children)
            for (unsigned i = children->length; i-- > 0;)
                pending.push_back(static_cast<const GumboNode*>(children->data[i]));
    }
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f') {
            blank = !out.empty();
            continue;
        }
        if (blank)
            out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

struct Attack
{
    std::string_view page;
    const char* text; // what gumbo shows of the cleaned page
    bool hazardous;   // gumbo finds a hazard in the page as it stands
};

} // namespace

TEST(CleaningHtml5, NothingThatRunsSurvivesAndTheTextStays)
{
    const Attack attacks[] = {
        // Attribute and tag boundaries.
        {"<img/' src=x onerror=alert(1)>t", "t", true},
        {"<p title=x\"><script>alert(1)</script>\">t", "\">t", true},
        {"<script/x src=//evil.example/a.js></script>t", "t", true},
        {"<iframe/x src=//evil.example></iframe>t", "t", true},
        {"<script\fx src=//evil.example/a.js></script>t", "t", true},
        {"<iframe\fx src=//evil.example></iframe>t", "t", true},
        {"<img src=x /onerror=alert(1)>t", "t", true},
        {"<img src=\"x'\"onerror=alert(1)//' >t", "t", true},
        {"t<\"<script>alert(1)</script>", "t<\"", true},
        {"<div style=x onmouseover=alert(1)>t", "t", true},
        {"<img src=x \0onerror=alert(1)>t"sv, "t", true},
        // A name that begins with "=" after a bare name: harmless as written, a value if
        // the two are written with only a blank between them.
        {"<a href/ =javascript:alert(1)>t", "t", false},
        {"<a href/ target/ =javascript:alert(1)>t", "t", false},
        {"</p onclick=alert(1) title=\"><script>alert(1)</script>\">t", "t", false},
        {"<img src=x onerror=alert(1)//", "", false},
        // Script addresses, however written.
        {"<a href=\"&#000000106;avascript:alert(1)\">x</a>", "x", true},
        {"<a href=\"jav&#x0A;ascript:alert(1)\">t", "t", true},
        {"<a href=\" &#14; javascript:alert(1)\">t", "t", true},
        {"<a href=javascript&colon;alert(1)>t", "t", true},
        {"<a href=&#x6A&#x61&#x76&#x61&#x73&#x63&#x72&#x69&#x70&#x74&#x3A;alert(1)>t", "t", true},
        {"<a href=\"VBScript:msgbox(1)\">t", "t", true},
        {"<form><button formaction=javascript:alert(1)>t", "t", true},
        {"<svg><a xlink:href=\"javascript:alert(1)\"><text>x</text></a></svg>", "x", true},
        {"<object data=\"javascript:alert(1)\">t", "t", true},
        {"<table><td background=\"javascript:alert(1)\">t", "t", true},
        // Raw text, and elements that are raw text only in HTML.
        {"<svg><style><img src=x onerror=alert(1)></style></svg>t", "\\3c img src=x onerror=alert(1)>t", true},
        {"<math><style><img src=x onerror=alert(1)>", "\\3c img src=x onerror=alert(1)>", true},
        {"<math><mtext><table><mglyph><style><img src=x onerror=alert(1)>", "\\3c img src=x onerror=alert(1)>",
         false},
        {"<textarea><script>alert(1)</script></textarea>", "<script>alert(1)</script>", false},
        {"<title></title><img src=x onerror=alert(1)>t", "t", true},
        {"<title>x</title a=\"></title><img src=x onerror=alert(1)>\">t", "xt", false},
        // XMP and PLAINTEXT show "&lt;" as written: the price of staying text inside SVG too.
        {"<xmp><img src=x onerror=alert(1)></xmp>", "&lt;img src=x onerror=alert(1)>", false},
        {"<svg><xmp><img src=x onerror=alert(1)></xmp>", "<img src=x onerror=alert(1)>", true},
        {"<plaintext></plaintext><img src=x onerror=alert(1)>", "&lt;/plaintext>&lt;img src=x onerror=alert(1)>",
         false},
        {"<noscript><p title=\"</noscript><img src=x onerror=alert(1)>\">t", "t", false},
        {"<noframes><img src=x onerror=alert(1)></noframes>t", "t", false},
        {"<svg><script>alert(1)</script>t", "t", true},
        {"<SvG><ScRiPt>alert(1)</sCrIpT>t", "t", true},
        {"<template><script>alert(1)</script>t</template>", "t", true},
        {"<<script>x</script>img src=x onerror=alert(1)>", "<img src=x onerror=alert(1)>", true},
        {"t<script>alert(1)</script", "t", true},
        // Comments, CDATA and declarations end where HTML5 ends them.
        {"<svg><![CDATA[><a title=\"]]><img src=x onerror=alert(1)>\">t", "<![CDATA[><a title=\"]]>\">t", true},
        {"<![CDATA[><img src=x onerror=alert(1)>]]>t", "<![CDATA[><img src=x onerror=alert(1)>]]>t", true},
        {"<!-- --!><img src=x onerror=alert(1)> -->t", "-->t", true},
        {"<!-- <!-- nested --> <img src=x onerror=alert(1)> -->t", "-->t", true},
        {"<!---><img src=x onerror=alert(1)>t", "t", true},
        {"<!--><img src=x onerror=alert(1)>t", "t", true},
        {"<?x><img src=x onerror=alert(1)>t", "t", true},
        {"</ x><img src=x onerror=alert(1)>t", "t", true},
        {"<!DOCTYPE html PUBLIC \"a>b\"><img src=x onerror=alert(1)>t", "b\">t", true},
    };
    for (const Attack& attack : attacks) {
        const std::string page(attack.page);
        const std::string out = CleanPage(page);
        EXPECT_EQ(scripthazard::FirstHazard(out), "") << attack.page << "\ncleaned: " << out;
        EXPECT_EQ(treeText(out), attack.text) << attack.page << "\ncleaned: " << out;
        EXPECT_EQ(!scripthazard::FirstHazard(page).empty(), attack.hazardous) << attack.page;
    }
}

TEST(CleaningHtml5, ScriptAddressesAsAUrlParserReadsThem)
{
    using scripthazard::IsScriptAddress;
    EXPECT_TRUE(IsScriptAddress("javascript:x"));
    EXPECT_TRUE(IsScriptAddress("\x01 \x1f JaVaScRiPt:x"));
    EXPECT_TRUE(IsScriptAddress("java\tscr\r\nipt:x"));
    EXPECT_TRUE(IsScriptAddress("vbscript:x"));
    EXPECT_FALSE(IsScriptAddress("java script:x")) << "a blank inside the scheme ends it";
    EXPECT_FALSE(IsScriptAddress("\x7Fjavascript:x"));
    EXPECT_FALSE(IsScriptAddress("xjavascript:x"));
    EXPECT_FALSE(IsScriptAddress("javascript"));
}
