#include "cssurls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> urlsOf(std::string_view css)
{
    std::vector<std::string> urls;
    for (const CssReference& ref : FindCssReferences(css))
        urls.push_back(ref.url);
    return urls;
}

using Urls = std::vector<std::string>;

} // namespace

TEST(CssReferences, UrlFunctionsQuotedUnquotedAndEscaped)
{
    const std::string css = "a{background:url(a.png)} b{x:url( \"b c.png\" )} c{x:URL('c.png')}";
    const auto refs = FindCssReferences(css);
    ASSERT_EQ(refs.size(), 3u);
    EXPECT_EQ(css.substr(refs[0].begin, refs[0].end - refs[0].begin), "url(a.png)");
    EXPECT_EQ(css.substr(refs[1].begin, refs[1].end - refs[1].begin), "url( \"b c.png\" )");
    EXPECT_EQ(css.substr(refs[2].begin, refs[2].end - refs[2].begin), "URL('c.png')");
    EXPECT_EQ(refs[1].url, "b c.png");
    EXPECT_EQ(refs[2].url, "c.png");
    EXPECT_FALSE(refs[0].isImport);

    EXPECT_EQ(urlsOf("x:url(  a.png\t\n)"), Urls{"a.png"}) << "white space around is trimmed";
    EXPECT_EQ(urlsOf("x:url(\" a.png \")"), Urls{"a.png"});
    EXPECT_EQ(urlsOf("x:url(a\\28 1\\29.png)"), Urls{"a(1).png"});
    EXPECT_EQ(urlsOf("x:url(a\\).png)"), Urls{"a).png"}) << "an escaped ) does not end the url";
    EXPECT_EQ(urlsOf("x:url(\"a\\\"b\")"), Urls{"a\"b"});
    EXPECT_EQ(urlsOf("x:url('a\\\nb')"), Urls{"ab"}) << "line continuation";
    EXPECT_EQ(urlsOf("x:url('a\\\r\nb')"), Urls{"ab"});
    EXPECT_EQ(urlsOf("x:url(\\e9 t\\E9\r\n.png)"), Urls{"\xC3\xA9t\xC3\xA9.png"})
        << "one white space ends a hex escape";
    EXPECT_EQ(urlsOf("x:url(\\1F600.png)"), Urls{"\xF0\x9F\x98\x80.png"});
    EXPECT_EQ(urlsOf("x:url(\\0 a\\D800 b\\110000 c)"), Urls{"\xEF\xBF\xBD"
                                                             "a\xEF\xBF\xBD"
                                                             "b\xEF\xBF\xBD"
                                                             "c"});
    EXPECT_EQ(urlsOf("x:url(a/*b*/.png)"), Urls{"a/*b*/.png"}) << "no comments inside a url token";
    EXPECT_EQ(urlsOf("x:u\\72l(a.png) \\55RL('b.png')"), (Urls{"a.png", "b.png"}));
}

TEST(CssReferences, ImportsWithMediaListsAndFontSources)
{
    const std::string css =
        "@import \"a.css\" screen;\n@IMPORT url(b.css) print, tv;\n"
        "@import/**/'c.css' layer(x) supports(display:grid) (min-width: 10px);\n"
        "@import url(\"d.css\") screen and (color);\n@import foo(\"e.css\");\n"
        "@font-face{font-family:\"F\";src:local(\"F\"),url(f.woff2) format(\"woff2\"),"
        "url('g.woff')format('woff')}";
    const auto refs = FindCssReferences(css);
    ASSERT_EQ(refs.size(), 6u);
    const Urls expected{"a.css", "b.css", "c.css", "d.css", "f.woff2", "g.woff"};
    for (std::size_t i = 0; i < refs.size(); ++i) {
        EXPECT_EQ(refs[i].url, expected[i]);
        EXPECT_EQ(refs[i].isImport, i < 4) << refs[i].url;
    }
    EXPECT_EQ(css.substr(refs[0].begin, refs[0].end - refs[0].begin), "\"a.css\"");
    EXPECT_EQ(css.substr(refs[3].begin, refs[3].end - refs[3].begin), "url(\"d.css\")");

    EXPECT_EQ(urlsOf("@media print{a{b:\"c.png\"}} x{content:'d.png'}"), Urls{})
        << "plain strings are no addresses";
    EXPECT_EQ(urlsOf("@importx 'a.css'; @import; 'b.css'"), Urls{});
}

TEST(CssReferences, ImageSetCandidates)
{
    const std::string css =
        "a{b:image-set(\"a.png\" 1x, url(b.png) 2x, 'c.avif' type(\"image/avif\"))}"
        "c{d:-webkit-image-set(\"d.png\" 1x)} e{f:\"e.png\"} g{h:Image-Set(a\"g.png\")}";
    const auto refs = FindCssReferences(css);
    EXPECT_EQ(urlsOf(css), (Urls{"a.png", "b.png", "c.avif", "d.png", "g.png"}));
    ASSERT_FALSE(refs.empty());
    EXPECT_EQ(css.substr(refs[0].begin, refs[0].end - refs[0].begin), "\"a.png\"");
    EXPECT_FALSE(refs[0].isImport);
    EXPECT_EQ(urlsOf("x:image-set('a.png' ] } 'b.png') 'c.png'"), (Urls{"a.png", "b.png"}))
        << "only ) closes the function";
}

TEST(CssReferences, WhatIsNotAReference)
{
    EXPECT_EQ(urlsOf("/* url(a.png) */ x:url(b.png) /* @import 'c.css'; */"), Urls{"b.png"});
    EXPECT_EQ(
        urlsOf("x:url(data:image/png;base64,AAAA) y:url('DATA:x') z:url() w:url( ) v:url('')"),
        Urls{});
    EXPECT_EQ(urlsOf("x:myurl(a) -url(b) #url(c) 5url(d) @url(e) url (f) u_rl(g)"), Urls{});
    EXPECT_EQ(urlsOf("x:'url(a.png)' \"url(b.png)\""), Urls{}) << "inside strings";

    // A bad url runs to the next ")" and is dropped; scanning goes on after it.
    EXPECT_EQ(urlsOf("x:url(a b.png) url(c.png)"), Urls{"c.png"});
    EXPECT_EQ(urlsOf("x:url(a\"b) url(a'b) url(a(b) url(\x01) url(a\\\nb) url(d.png)"),
              Urls{"d.png"});
    EXPECT_EQ(urlsOf("x:url(/* c */ a.png) url(e.png)"), Urls{"e.png"});
    EXPECT_EQ(urlsOf("x:url(a b\\) c) url(f.png)"), Urls{"f.png"})
        << "escaped ) inside the bad url";

    // A string cut by a newline is bad; the url("...") around it is not reported either.
    EXPECT_EQ(urlsOf("@import 'a.css\n; x:url(\"b.png\n) url(c.png)"), Urls{"c.png"});
    // Nothing inside a quoted url() reports on its own; modifiers belong to the span.
    const std::string modifiers =
        "x:url(\"a.png\" crossorigin(anonymous) url(b.png) url('c.png') ')')y";
    const auto refs = FindCssReferences(modifiers);
    ASSERT_EQ(refs.size(), 1u);
    EXPECT_EQ(refs[0].url, "a.png");
    EXPECT_EQ(refs[0].end, modifiers.size() - 1);
}

TEST(CssReferences, BrokenEndsAreDroppedWithoutHarm)
{
    for (const char* css :
         {"x:url(b.png", "x:url(b.png  ", "x:url('b.png'", "x:url('b.png", "@import 'b.css",
          "x:image-set('b.png", "x:/* url(b.png)", "x:url(b\\", "x:url('b\\", "x:url(b c",
          "@import", "x:url(", "\\", "@import url(\"b\" ", "-", "#", "1e", "url(\"a\"((((("}) {
        const std::string sheet = std::string("y:url(a.png) ") + css;
        EXPECT_EQ(urlsOf(sheet), Urls{"a.png"}) << css;
    }
    EXPECT_EQ(urlsOf(std::string("x:url(a\0b.png)", 14)), Urls{"a\xEF\xBF\xBD"
                                                               "b.png"});
    EXPECT_EQ(urlsOf("<!--url(a.png)-->url(b.png)"), (Urls{"a.png", "b.png"}));
}

TEST(CssReferences, EscapingForAStringInsideAStyleElement)
{
    EXPECT_EQ(EscapeCssString("a\"b\\c"), "a\\\"b\\\\c");
    EXPECT_EQ(EscapeCssString("</style>\n\r\f\x7f"), "\\3c /style>\\a \\d \\c \\7f ");
    EXPECT_EQ(EscapeCssString("\xC3\xA9 x"), "\xC3\xA9 x");
}

TEST(CssRewrite, ReplacesChosenReferencesAndKeepsTheRest)
{
    const std::string css =
        "@import 'a.css' print;\nb{c:url(b.png) url( \"keep.png\" );d:image-set(\"e.png\" 2x)}";
    const auto refs = FindCssReferences(css);
    ASSERT_EQ(refs.size(), 4u);
    const std::string out =
        RewriteCssReferences(css, refs, [](const CssReference& ref) -> std::optional<std::string> {
            if (ref.url == "keep.png") return std::nullopt;
            return "files/" + ref.url;
        });
    EXPECT_EQ(out, "@import \"files/a.css\" print;\nb{c:url(\"files/b.png\") url( \"keep.png\" );"
                   "d:image-set(\"files/e.png\" 2x)}");
}

TEST(CssRewrite, NewValuesRoundTripAndNeverCloseTheStyleElement)
{
    const std::string css =
        "@import url(a.css);@import 'b.css';x{y:url(c.png),url('d.png') image-set(i\"e.png\" 1x)}"
        "@font-face{src:url(f.woff)format('woff')}";
    const auto refs = FindCssReferences(css);
    ASSERT_EQ(refs.size(), 6u);
    const Urls values{"a b\".css", "</style><script>x()</script>",
                      "c\\d.png",  "line\nbreak\r.png",
                      "(a)'.png",  "\xC3\xA9\\31 2.png"};
    std::size_t n = 0;
    const std::string out =
        RewriteCssReferences(css, refs, [&](const CssReference&) { return values[n++]; });
    EXPECT_EQ(out.find('<'), std::string::npos) << out;
    const auto again = FindCssReferences(out);
    ASSERT_EQ(again.size(), refs.size()) << out;
    for (std::size_t i = 0; i < again.size(); ++i) {
        EXPECT_EQ(again[i].url, values[i]);
        EXPECT_EQ(again[i].isImport, refs[i].isImport);
    }
}

TEST(CssRewrite, HostileReferenceListsAreIgnored)
{
    const std::string css = "x:url(a.png) url(b.png)";
    auto refs = FindCssReferences(css);
    ASSERT_EQ(refs.size(), 2u);
    refs.push_back(CssReference{0, css.size() + 10, "c", false});
    refs.push_back(refs[0]);
    refs.push_back(CssReference{5, 5, "d", false});
    const std::string out =
        RewriteCssReferences(css, refs, [](const CssReference&) { return std::string("z"); });
    EXPECT_EQ(out, "x:url(\"z\") url(\"z\")");
}

TEST(CssReferences, LargeSheetsAndLimits)
{
    std::string sheet;
    for (int i = 0; i < 100000; ++i)
        sheet += ".c" + std::to_string(i) + "{background:url(\"img/p" + std::to_string(i) +
                 ".png\") no-repeat}\n";
    ASSERT_GT(sheet.size(), 5000000u);
    const auto refs = FindCssReferences(sheet);
    ASSERT_EQ(refs.size(), 100000u);
    EXPECT_EQ(refs.back().url, "img/p99999.png");
    const std::string out =
        RewriteCssReferences(sheet, refs, [](const CssReference&) { return std::string("p"); });
    EXPECT_EQ(FindCssReferences(out).size(), 100000u);
    EXPECT_EQ(FindCssReferences(sheet, 10).size(), 10u);

    // Deep nesting, long names and one long comment are linear too.
    const std::string deep =
        std::string(1000000, '(') + "image-set(\"a.png\")" + std::string(1000000, ')');
    EXPECT_EQ(urlsOf(deep), Urls{"a.png"});
    EXPECT_EQ(urlsOf(std::string(2000000, 'u') + "url(a.png)"), Urls{});
    EXPECT_EQ(urlsOf("/*" + std::string(2000000, '*') + "url(a.png)"), Urls{});
}
