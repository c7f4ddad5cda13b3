#include "pagescanner.h"
#include "storedform.h"

#include <gtest/gtest.h>

namespace {

bool isStoredBytes(const std::string& s)
{
    for (char c : s)
        if (c == '\0' || static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

TEST(StoredForm, NonAsciiBecomesReferencesInTextAttributesAndComments)
{
    EXPECT_EQ(ToStoredForm("<p title=\"中 a>b\">宋体&amp; \xC2\xA0 😀</p><!-- 注 -->"),
              "<p title=\"&#20013; a>b\">&#23435;&#20307;&amp; &nbsp; &#128512;</p><!-- &#27880; -->");
    EXPECT_EQ(ToStoredForm("<img alt=中文 src=a.png>"), "<img alt=&#20013;&#25991; src=a.png>");
}

TEST(StoredForm, StyleSheetsTakeCssEscapesAndScriptsJavaScriptOnes)
{
    EXPECT_EQ(ToStoredForm("<STYLE>p{font-family:\"宋体\"}</STYLE><p>宋</p>"),
              "<STYLE>p{font-family:\"\\5B8B \\4F53 \"}</STYLE><p>&#23435;</p>");
    EXPECT_EQ(ToStoredForm("<script>var s = '中😀';</script>"), "<script>var s = '\\u4E2D\\uD83D\\uDE00';</script>");
    // The style's end is found whatever its case; text after it is text again.
    EXPECT_EQ(ToStoredForm("<style>a{}</StYlE >中"), "<style>a{}</StYlE >&#20013;");
}

TEST(StoredForm, BrokenBytesAndNulsNeverReachTheFile)
{
    const std::string stored = ToStoredForm(std::string("a\xFF" "b\0c\xE4\xB8", 7));
    EXPECT_EQ(stored, "a&#65533;b&#65533;c&#65533;&#65533;");
    EXPECT_TRUE(isStoredBytes(ToStoredForm("<p>\xED\xA0\x80 \xC0\xAF</p>"))); // a surrogate, an overlong '/'
}

TEST(BodySplice, OnlyTheBodysContentChanges)
{
    const std::string head = "<!DOCTYPE html>\r\n<HTML><HEAD><TITLE>宋</TITLE>\r\n<STYLE>body{}</STYLE></HEAD>\r\n"
                             "<BODY bgcolor=\"white\" onload=x>";
    const std::string page = head + "\r\nold <b>text</b>\r\n</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(SpliceBody(page, "new", "", "T"), head + "new</BODY>\r\n</HTML>\r\n");
}

TEST(BodySplice, BodyTagsInCommentsScriptsAndTitlesAreNotTheBody)
{
    const std::string page = "<html><head><title><body></title><!-- <body> --><script>s='<body>'</script></head>"
                             "<body id=b>x</body><!-- after --></html>";
    EXPECT_EQ(SpliceBody(page, "y", "", "T"),
              "<html><head><title><body></title><!-- <body> --><script>s='<body>'</script></head>"
              "<body id=b>y</body><!-- after --></html>");
}

TEST(BodySplice, TextAfterTheBodyIsNotWrittenTwice)
{
    // The browser moves the line after </html> to the body's end: saving again and again
    // must not add a line each time.
    std::string page = "<body>\r\n<p>a</p>\r\n</body>\r\n</html>\r\n";
    for (int save = 0; save < 3; ++save)
        page = SpliceBody(page, "\n<p>a</p>\n\n\n", "", "");
    EXPECT_EQ(page, "<body>\n<p>a</p></body>\r\n</html>\r\n");

    // A browser reads "late" into the body, so it comes back within body.
    EXPECT_EQ(SpliceBody("<body>a</body>\r\nlate<p>x</p>\r\n</html>", "a late", "", ""),
              "<body>a late</body>\r\n</html>");
    // Without </body> the content runs to </html>, or to the end.
    EXPECT_EQ(SpliceBody("<body>a</html>", "b", "", ""), "<body>b</html>");
    EXPECT_EQ(SpliceBody("<BODY>a", "b", "", ""), "<BODY>b");
}

TEST(BodySplice, APageWithoutBodyBecomesAMinimalDocument)
{
    const std::string made = SpliceBody("", "<p>中</p>", "", "A & B");
    EXPECT_EQ(made, "<HTML>\r\n<HEAD>\r\n<META http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">\r\n"
                    "<TITLE>A &amp; B</TITLE>\r\n</HEAD>\r\n<BODY><p>中</p></BODY>\r\n</HTML>\r\n");
    EXPECT_TRUE(isStoredBytes(ToStoredForm(made)));

    // The live head's own title and charset are not doubled.
    const std::string withHead =
        SpliceBody("<title>x</title><p>a", "<p>a</p>", "<meta charset=\"utf-8\"><title>x</title>", "T");
    EXPECT_EQ(withHead.find("<TITLE>"), std::string::npos);
    EXPECT_EQ(withHead.find("gb2312"), std::string::npos);
    EXPECT_NE(withHead.find("<HEAD>\r\n<meta charset=\"utf-8\"><title>x</title></HEAD>"), std::string::npos);
}

TEST(PageScanner, TagsEndWhereABrowserEndsThem)
{
    // A quote only opens a value right after '='.
    const std::string page = "<a title='x>y' b=c\"d>t</a><!-->e<br/>";
    CPageScanner scanner(page);
    PageToken token;
    std::vector<std::string> pieces;
    while (scanner.Next(token))
        pieces.push_back(page.substr(token.begin, token.end - token.begin));
    EXPECT_EQ(pieces, (std::vector<std::string>{"<a title='x>y' b=c\"d>", "t", "</a>", "<!-->", "e", "<br/>"}));

    const auto attributes = TagAttributes("<META HTTP-EQUIV=Content-Type content='text/html; charset=gbk' x>");
    ASSERT_EQ(attributes.size(), 3u);
    EXPECT_EQ(attributes[0], (std::pair<std::string, std::string>{"http-equiv", "Content-Type"}));
    EXPECT_EQ(attributes[1].second, "text/html; charset=gbk");
    EXPECT_EQ(attributes[2], (std::pair<std::string, std::string>{"x", ""}));
}
