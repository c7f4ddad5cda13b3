#include "cleanpage.h"
#include "htmldocument.h"

#include <gtest/gtest.h>

namespace {


// Each example stands inside a longer page, as it would in a real one.
std::string cleanInside(const std::string& fragment)
{
    const std::string out = CleanPage("<p>before</p>" + fragment + "<p>after</p>");
    const std::string head = "<P >before</P >", tail = "<P >after</P >";
    EXPECT_EQ(out.substr(0, head.size()), head);
    EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
    return out.substr(head.size(), out.size() - head.size() - tail.size());
}

} // namespace

TEST(HtmlDocument, TokensOfASmallPage)
{
    CHtmlDocument empty;
    empty.SetHtml("");
    EXPECT_TRUE(empty.Parse());
    EXPECT_TRUE(empty.Tokens().empty());
    std::string out = "x";
    empty.GetHtml(out);
    EXPECT_EQ(out, "");

    CHtmlDocument unparsed;
    unparsed.SetHtml("<p>x</p>");
    unparsed.GetHtml(out);
    EXPECT_EQ(out, "") << "nothing before Parse";

    CHtmlDocument doc;
    doc.SetHtml("<p>Hi<!-- c --></p>tail");
    doc.Parse();
    const auto& t = doc.Tokens();
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0]->GetKind(), TOKEN_TEXT);
    EXPECT_EQ(t[0]->GetText(), "") << "a page that starts with a tag starts with an empty text";
    EXPECT_EQ(t[1]->GetKind(), TOKEN_TAG);
    EXPECT_EQ(t[1]->GetName(), "P");
    EXPECT_EQ(t[2]->GetText(), "Hi");
    EXPECT_EQ(t[3]->GetKind(), TOKEN_MARKUP);
    EXPECT_EQ(t[4]->GetText(), "") << "between two tags";
    EXPECT_EQ(t[5]->GetName(), "/P");
    EXPECT_EQ(t[6]->GetText(), "tail");
}

TEST(HtmlDocument, TagsAreWrittenInOneForm)
{
    EXPECT_EQ(cleanInside("<p>"), "<P >");
    EXPECT_EQ(cleanInside("< b>"), "< b>") << "a \"<\" before a blank is text";
    EXPECT_EQ(cleanInside("</p>"), "</P >");
    EXPECT_EQ(cleanInside("<img\r\nsrc=a.gif>"), "<IMG src = a.gif >");
    EXPECT_EQ(cleanInside("<a href='x y.html' title=\"a>b\">"), "<A href = 'x y.html' title = \"a>b\" >");
    EXPECT_EQ(cleanInside("<a title='a>b'>"), "<A title = 'a>b' >");
    EXPECT_EQ(cleanInside("<td nowrap align=center>"), "<TD nowrap align = center >");
    // Every attribute keeps its name and its value's text; a valueless one stays valueless.
    EXPECT_EQ(cleanInside("<video controls width=\"400\" poster=\"p.png\">"),
              "<VIDEO controls width = \"400\" poster = \"p.png\" >");
    EXPECT_EQ(cleanInside("<img ismap src=\"a.png\">"), "<IMG ismap src = \"a.png\" >");
    EXPECT_EQ(cleanInside("<input disabled name=\"x\" value=\"y\">"), "<INPUT disabled name = \"x\" value = \"y\" >");
    EXPECT_EQ(cleanInside("<p title=\"a < b\">"), "<P title = \"a < b\" >");
    EXPECT_EQ(cleanInside("<p title=>"), "<P title = \"\" >") << "an empty value cannot take the next name";
    EXPECT_EQ(cleanInside("<svg><path d=\"M0 0\"/><circle r=1 /></svg>"),
              "<SVG ><PATH d = \"M0 0\" /><CIRCLE r = 1 /></SVG >");
    EXPECT_EQ(cleanInside("<img src=a/>"), "<IMG src = a/ >") << "the slash belongs to an unquoted value";
    EXPECT_EQ(cleanInside("<a href=\"x.html\" target=\"_blank\" onclick=\"go()\">"), "<A href = \"x.html\" >");
}

TEST(HtmlDocument, CommentsAndDeclarationsPassUnchanged)
{
    for (const char* markup : {"<!DOCTYPE html>", "<!-- note -->", "<!--[if IE]>x<![endif]-->",
                               "<!-- a > b \"quoted -->", "<!DOCTYPE html PUBLIC \"-//W3C//DTD >\">"})
        EXPECT_EQ(cleanInside(markup), markup);
}

TEST(HtmlDocument, ScriptsFramesHandlersAndScriptAddressesGo)
{
    EXPECT_EQ(cleanInside("<script src=\"x.js\">alert(1)</script>"), "");
    EXPECT_EQ(cleanInside("<script>a='</b>';</script>"), "");
    EXPECT_EQ(cleanInside("<script>x</ script></script>"), "") << "\"</ script>\" does not end a script";
    EXPECT_EQ(cleanInside("<iframe src=x></iframe>"), "");
    EXPECT_EQ(cleanInside("<iframe src=x><p>never shown</p></iframe>"), "");
    EXPECT_EQ(cleanInside("<frameset><frame src=a.html></frameset><noframes><p>n</p></noframes>"), "<P >n</P >");
    EXPECT_EQ(cleanInside("<noscript><img src=a.png></noscript>"), "<IMG src = a.png >");
    EXPECT_EQ(cleanInside("<base href=\"http://h.example/\"><meta http-equiv=Refresh content=\"0;url=x\">"), "");
    EXPECT_EQ(cleanInside("<meta http-equiv=&#82;efresh content=0;url=x><meta http-equiv='re&#x66;resh'>"), "");
    EXPECT_EQ(cleanInside("<meta http-equiv=&#82;efreshed>"), "<META http-equiv = &#82;efreshed >");
    EXPECT_EQ(cleanInside("<body onload=init() bgcolor=white>"), "<BODY bgcolor = white >");
    EXPECT_EQ(cleanInside("<a href=javascript:go()>"), "<A >");
    EXPECT_EQ(cleanInside("<a href=\"JavaScript:go()\">"), "<A >");
    EXPECT_EQ(cleanInside("<a href=\"http://x.example/a?javascript:\">"),
              "<A href = \"http://x.example/a?javascript:\" >")
        << "a value where javascript: starts after the 15th character stays";
}

TEST(HtmlDocument, EveryEventHandlerAndDisguisedScriptAddressGoes)
{
    EXPECT_EQ(cleanInside("<img src=x.gif onerror=alert(1)>"), "<IMG src = x.gif >");
    EXPECT_EQ(cleanInside("<div ONMOUSEENTER=\"a()\" class=c OnAnimationStart=b()>"), "<DIV class = c >");
    EXPECT_EQ(cleanInside("<a href=\" javascript:go()\">"), "<A >");
    EXPECT_EQ(cleanInside("<a href=\"java&#x09;script:go()\">"), "<A >");
    EXPECT_EQ(cleanInside("<a href=\"&#106;avascript:go()\">"), "<A >");
    EXPECT_EQ(cleanInside("<a href=\"java&Tab;script&colon;go()\">"), "<A >");
    EXPECT_EQ(cleanInside("<a href='\tjavascript:go()'>"), "<A >");
    // Names that merely contain the letters stay.
    EXPECT_EQ(cleanInside("<input name=onion value=1>"), "<INPUT name = onion value = 1 >");
}

TEST(HtmlDocument, AttributesAreReadTrimmedAndEdited)
{
    CHtmlDocument doc;
    doc.SetHtml("<a HREF = \" x.html \" title='t' href=second>");
    doc.Parse();
    auto* tag = dynamic_cast<CHtmlTag*>(doc.Tokens()[1].get());
    ASSERT_NE(tag, nullptr);
    std::string value;
    EXPECT_EQ(tag->GetAttribute("href", value), 0);
    EXPECT_EQ(value, "x.html") << "the first of two equal names counts, as in a browser";
    EXPECT_EQ(tag->GetAttribute("TITLE", value), 1);
    EXPECT_EQ(value, "t");
    EXPECT_EQ(tag->GetAttribute("alt", value), -1);
    EXPECT_EQ(value, "");

    tag->SetAttribute(" src ", "\"new.gif\"");
    tag->SetAttribute("href", "\"javascript:x()\"");
    EXPECT_EQ(tag->GetAttribute("href", value), 0);
    EXPECT_EQ(value, "x.html") << "a script address is never stored";
    EXPECT_EQ(tag->RemoveAttribute("TITLE"), 1);
    EXPECT_EQ(tag->RemoveAttribute("title"), -1);
    EXPECT_EQ(tag->GetText(), "<A HREF = \" x.html \" src = \"new.gif\" >");
}

TEST(HtmlDocument, HeadHtmlStopsAtTheBody)
{
    CHtmlDocument doc;
    doc.SetHtml("<html><head><title>T</title></head><body><p>x</p></body></html>");
    doc.Parse();
    EXPECT_EQ(doc.GetHeadHtml(), "<HTML ><HEAD ><TITLE >T</TITLE ></HEAD >");
    CHtmlDocument noBody;
    noBody.SetHtml("<p>x</p>y");
    noBody.Parse();
    std::string all;
    noBody.GetHtml(all);
    EXPECT_EQ(noBody.GetHeadHtml(), all);
}

TEST(HtmlDocument, NothingAtTheEndOfTheTextIsLost)
{
    EXPECT_EQ(CleanPage("<p>x</p>trailing text"), "<P >x</P >trailing text");
    EXPECT_EQ(CleanPage("<p>x</p>"), "<P >x</P >") << "a tag whose > ends the text";
    EXPECT_EQ(CleanPage("text<"), "text&lt;");
    EXPECT_EQ(CleanPage("<p>x<a href=y.html"), "<P >x<A >") << "an unclosed tag is closed, its cut value dropped";
    EXPECT_EQ(CleanPage("<p>x<img src=a.gif onerror=go() alt=z"), "<P >x<IMG src = a.gif >");
    EXPECT_EQ(CleanPage("x<!-- unclosed comment"), "x<!-- unclosed comment");
    EXPECT_EQ(CleanPage("x<!DOCTYPE unclosed"), "x<!DOCTYPE unclosed");
    EXPECT_EQ(CleanPage("x<script>never ends"), "x") << "the rest is the script body";
    EXPECT_EQ(CleanPage("<p>"), "<P >");
}

TEST(HtmlDocument, CleaningTwiceChangesNothing)
{
    const char* pages[] = {
        "<html><head><script>var a='</b>';</script><style>p{}</style></head>"
        "<body onload=x()><a href='a b' target=_top title=\"x < y\">link</a>< !-- odd --><td nowrap align=center>"
        "<iframe src=i></iframe><img src=\"java&#x09;script:x\" alt=a></body></html>",
        "plain text only", "<a title='a>b'>c</a>", "<!DOCTYPE html><p>x</p><!-- c --> tail <", "<a href=x"};
    for (const char* page : pages) {
        const std::string once = CleanPage(page);
        EXPECT_EQ(CleanPage(once), once) << page;
    }
}
