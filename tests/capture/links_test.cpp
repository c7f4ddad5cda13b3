#include "htmldocument.h"
#include "links.h"

#include <gtest/gtest.h>

TEST(Links, ClassesOfAddresses)
{
    EXPECT_EQ(ClassifyUrl("http://a.example/x"), URL_HTTP);
    EXPECT_EQ(ClassifyUrl("  \"'HTTPS://a.example/x"), URL_HTTP) << "https is the web today";
    EXPECT_EQ(ClassifyUrl("file:///home/u/a.html"), URL_FILE);
    for (const char* other : {"ftp://a.example/f", "mailto:a@b.example", "data:image/png;base64,AA", "javascript:go()",
                              "about:blank"})
        EXPECT_EQ(ClassifyUrl(other), URL_OTHER) << other;
    for (const char* relative : {"a.gif", "../a.gif", "/x/y.gif", "", "#top", "?q=1", "C:/a.gif"})
        EXPECT_EQ(ClassifyUrl(relative), URL_RELATIVE) << relative;
}

TEST(Links, RelativeLinksResolveAgainstThePageAddress)
{
    const std::string base = "http://h.example/d/e/p.html";
    EXPECT_EQ(ResolveUrl("a.gif", base), "http://h.example/d/e/a.gif");
    EXPECT_EQ(ResolveUrl(" \"a.gif\" ", base), "http://h.example/d/e/a.gif");
    EXPECT_EQ(ResolveUrl("./img/./a.gif", base), "http://h.example/d/e/img/a.gif");
    EXPECT_EQ(ResolveUrl("../a.gif", base), "http://h.example/d/a.gif");
    EXPECT_EQ(ResolveUrl("../../../../a.gif", base), "http://h.example/a.gif") << "scheme and host stay";
    EXPECT_EQ(ResolveUrl("/x/y.gif", base), "http://h.example/x/y.gif");
    EXPECT_EQ(ResolveUrl("", base), "http://h.example/d/e/p.html");
    EXPECT_EQ(ResolveUrl("#top", base), "#top");
    EXPECT_EQ(ResolveUrl("javascript:go()", base), "javascript:go()");
    EXPECT_EQ(ResolveUrl("a.gif", "http://h.example"), "http://h.example/a.gif");
    EXPECT_EQ(ResolveUrl("a.gif", "http:\\\\h.example\\d\\p.html"), "http://h.example/d/a.gif");
}

TEST(Links, HttpsSchemeRelativeAndOtherSchemes)
{
    const std::string base = "https://news.example/2026/12/story.html";
    EXPECT_EQ(ResolveUrl("pic.jpg", base), "https://news.example/2026/12/pic.jpg");
    EXPECT_EQ(ResolveUrl("/static/site.css", base), "https://news.example/static/site.css");
    EXPECT_EQ(ResolveUrl("../../../x.png", base), "https://news.example/x.png");
    EXPECT_EQ(ResolveUrl("//cdn.example/lib.css", base), "https://cdn.example/lib.css");
    EXPECT_EQ(ResolveUrl("//cdn.example/lib.css", "http://a.example/"), "http://cdn.example/lib.css");
    EXPECT_EQ(ResolveUrl("mailto:a@b.example", base), "mailto:a@b.example");
    EXPECT_EQ(ResolveUrl("http://other.example/a", base), "http://other.example/a");
    EXPECT_EQ(ResolveUrl("b.html", "file:///home/u/a.html"), "file:///home/u/b.html");
    EXPECT_EQ(ResolveUrl("/b.html", "file:///home/u/a.html"), "file:///b.html");
}

TEST(Links, ResolveLinksRewritesRelativeHrefAndSrcOnly)
{
    CHtmlDocument doc;
    doc.SetHtml("<a href=\"b.html\">b</a><img src='i/p.gif'><a href=\"http://x.example/\">x</a>"
                "<a href=\"mailto:a@b.example\">m</a><a href=\"my page.html\">s</a>");
    doc.Parse();
    doc.ResolveLinks("https://h.example/d/p.html");
    std::string out;
    doc.GetHtml(out);
    EXPECT_EQ(out, "<A href = https://h.example/d/b.html >b</A >"
                   "<IMG src = \"https://h.example/d/i/p.gif\" >"
                   "<A href = \"http://x.example/\" >x</A >"
                   "<A href = \"mailto:a@b.example\" >m</A >"
                   "<A href = https://h.example/d/my%20page.html >s</A >");
}

TEST(Links, QuotingKeepsAValueWhole)
{
    EXPECT_EQ(QuoteAttributeValue("a.html", false), "a.html");
    EXPECT_EQ(QuoteAttributeValue("a.html", true), "\"a.html\"");
    EXPECT_EQ(QuoteAttributeValue("a b>c", false), "\"a b>c\"");
    EXPECT_EQ(QuoteAttributeValue("x\" onclick=\"go()", false), "\"x%22 onclick=%22go()\"");
    EXPECT_EQ(QuoteAttributeValue("", false), "\"\"");
}
