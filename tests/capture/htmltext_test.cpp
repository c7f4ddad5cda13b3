#include "htmltext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace {

std::string textOf(std::string_view html)
{
    std::string title, text;
    EXPECT_TRUE(GetHtmlTitleAndText(html, title, text));
    return text;
}

// The title, or "(none)" when the page has no TITLE element.
std::string titleOf(std::string_view html)
{
    std::string title = "(none)", text;
    GetHtmlTitleAndText(html, title, text);
    return title;
}

// ASCII text as UTF-16 with a byte-order mark.
std::string utf16(std::string_view ascii, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        out += bigEndian ? '\0' : c;
        out += bigEndian ? c : '\0';
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Search

TEST(HtmlTextSearch, FindsWordsOfTheVisibleTextWithoutCase)
{
    EXPECT_EQ(FindInHtmlText("<p>Hello World</p>", "world"), 6);
    EXPECT_EQ(FindInHtmlText("<p>Hello World</p>", "WORLD"), 6);
    EXPECT_EQ(FindInHtmlText("<p>Hello World</p>", "o w"), 4);
    EXPECT_EQ(FindInHtmlText("<p>Hello World</p>", "worlds"), -1);
    EXPECT_EQ(FindInHtmlText("<p>Hello World</p>", ""), 0);
    EXPECT_EQ(FindInHtmlText("", "a"), -1);
    // Positions count the separators.
    EXPECT_EQ(FindInHtmlText("<p>one</p><p>two</p>", "two"), 5);
    EXPECT_EQ(FindInHtmlText("a&amp;b <b>c</b>", "&B C"), 1);
}

TEST(HtmlTextSearch, WordsInMarkupOrHiddenTextAreNotFound)
{
    EXPECT_EQ(FindInHtmlText("<a href=\"world.html\" title='world'>link</a>", "world"), -1);
    EXPECT_EQ(FindInHtmlText("<world>x</world>", "world"), -1);
    EXPECT_EQ(FindInHtmlText("<!-- world --><p>x</p>", "world"), -1);
    EXPECT_EQ(FindInHtmlText("<title>world</title><p>x</p>", "world"), -1);
    EXPECT_EQ(FindInHtmlText("<script>var world;</script><style>.world{}</style>x", "world"), -1);
    // Words split by a tag are one word; words split by a block are not.
    EXPECT_EQ(FindInHtmlText("<p>wo<b>rld</b></p>", "world"), 0);
    EXPECT_EQ(FindInHtmlText("<p>wo</p><p>rld</p>", "world"), -1);
}

TEST(HtmlTextSearch, OnlyAsciiLettersIgnoreCase)
{
    EXPECT_EQ(FindInHtmlText("<p>Café</p>", "CAFÉ"), -1);
    EXPECT_EQ(FindInHtmlText("<p>Café</p>", "cAFé"), 0);
    EXPECT_EQ(FindInHtmlText("<p>[@`{]</p>", "[@`{]"), 0);
    EXPECT_EQ(FindInHtmlText("<p>[@`{]</p>", "{"), 3);
    EXPECT_EQ(FindInHtmlText("<p>x[</p>", "X{"), -1); // '[' is not an upper-case '{'
}

TEST(HtmlTextSearch, FindsChineseInReferencesAndInGbkPages)
{
    EXPECT_EQ(FindInHtmlText("<p>x&#20013;y</p>", "中"), 1);
    EXPECT_EQ(FindInHtmlText("<p>x&#x4E2D;y</p>", "中y"), 1);
    // "中文" in GBK after a meta tag; the offset is in the UTF-8 text.
    const std::string gbk =
        "<html><head><meta charset=gb2312></head><body><p>\xD6\xD0\xCE\xC4 ok</p>";
    EXPECT_EQ(FindInHtmlText(gbk, "文"), 3);
    EXPECT_EQ(FindInHtmlText(gbk, "OK"), 7);
    EXPECT_EQ(FindInHtmlText(gbk, "\xCE\xC4"), -1); // the GBK bytes themselves are gone
}

TEST(HtmlTextSearch, KeywordsAnywhereInALongPageAreFoundAtTheirPlace)
{
    // Numbered words make every long piece of the text unique; pieces of 3000 bytes taken
    // every 997 bytes cross every point where the search looks at the text found so far.
    std::string page;
    for (int i = 0; i < 12000; ++i)
        page += "<p class=x>Word" + std::to_string(i) + " &amp; <b>b" + std::to_string(i) +
                "</b></p>\n";
    const std::string text = textOf(page);
    ASSERT_GT(text.size(), 200000u);
    for (std::size_t pos = 0; pos + 3000 < text.size(); pos += 997) {
        std::string keyword = text.substr(pos, 3000);
        if (pos % 2)
            std::transform(keyword.begin(), keyword.end(), keyword.begin(), [](char c) {
                return std::isalpha(static_cast<unsigned char>(c)) ? static_cast<char>(c ^ 0x20)
                                                                   : c;
            });
        ASSERT_EQ(FindInHtmlText(page, keyword), static_cast<long>(pos));
    }
    EXPECT_EQ(FindInHtmlText(page, text.substr(text.size() - 20)),
              static_cast<long>(text.size() - 20));
    EXPECT_EQ(FindInHtmlText(page, text + "x"), -1);
}

// ---------------------------------------------------------------------------------------
// Character references

TEST(HtmlTextEntities, NamedReferences)
{
    EXPECT_EQ(textOf("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
    EXPECT_EQ(textOf("caf&eacute; &Eacute;"), "café É");
    EXPECT_EQ(textOf("&NotEqualTilde;"), "\xE2\x89\x82\xCC\xB8"); // two code points
    EXPECT_EQ(textOf("&CounterClockwiseContourIntegral;"), "∳");  // the longest name
    EXPECT_EQ(textOf("a&nbsp;&nbsp;b"), "a\xC2\xA0\xC2\xA0"
                                        "b"); // not collapsed
}

TEST(HtmlTextEntities, LegacyNamesWithoutSemicolonTakeTheLongestMatch)
{
    EXPECT_EQ(textOf("&copy2024"), "©2024");
    EXPECT_EQ(textOf("&ampx &lt"), "&x <");
    EXPECT_EQ(textOf("&notit; &notin;"), "¬it; ∉");
    EXPECT_EQ(textOf("&AMP &Amp"), "& &Amp"); // "Amp" is no legacy name
    EXPECT_EQ(textOf("&eacutex"), "éx");
}

TEST(HtmlTextEntities, UnknownOrBrokenReferencesStayText)
{
    EXPECT_EQ(textOf("&foo; & x &; &#; &#x; &#xg;"), "&foo; & x &; &#; &#x; &#xg;");
    EXPECT_EQ(textOf("AT&T"), "AT&T");
    EXPECT_EQ(textOf("&&amp;&"), "&&&");
}

TEST(HtmlTextEntities, NumericReferences)
{
    EXPECT_EQ(textOf("&#65;&#x42;&#X43&#0068;"), "ABCD");
    EXPECT_EQ(textOf("&#x1F600;"), "😀");
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(textOf("&#0;"), fffd);
    EXPECT_EQ(textOf("&#xD800;&#xDFFF;"), fffd + fffd);
    EXPECT_EQ(textOf("&#x110000;"), fffd);
    EXPECT_EQ(textOf("&#99999999999999999999;"), fffd); // no overflow back into range
    EXPECT_EQ(textOf("&#x80;&#150;&#x9f;"), "€–Ÿ");     // windows-1252
    EXPECT_EQ(textOf("&#x81;"), "\xC2\x81");            // not in windows-1252
}

TEST(HtmlTextEntities, ReferencesToWhiteSpaceCollapseLikeWhiteSpace)
{
    EXPECT_EQ(textOf("a&#32;&#32; &Tab;b"), "a b");
    EXPECT_EQ(textOf("<p>&#32;a&#10;</p>"), "a");
    EXPECT_EQ(textOf("<pre>a&#10;b</pre>"), "a\r\nb");
}

TEST(HtmlTextEntities, ReferenceCutOffAtTheEnd)
{
    EXPECT_EQ(textOf("x&"), "x&");
    EXPECT_EQ(textOf("x&am"), "x&am");
    EXPECT_EQ(textOf("x&amp"), "x&");
    EXPECT_EQ(textOf("x&#"), "x&#");
    EXPECT_EQ(textOf("x&#x4"), "x\x04");
    EXPECT_EQ(textOf("x&#1234567"), "x\xEF\xBF\xBD");
}

// ---------------------------------------------------------------------------------------
// Tags, comments, and elements whose content is not markup

TEST(HtmlTextMarkup, QuotedAttributeValuesMayHoldGreaterThan)
{
    EXPECT_EQ(textOf("<a title=\"x > y\" href='>'>link</a>"), "link");
    EXPECT_EQ(textOf("<img alt=\"a>b\"/>after"), "after");
    EXPECT_EQ(textOf("<a href=x>y</a><b =c>d</b>"), "yd");
    EXPECT_EQ(textOf("<a b=\"'\" c='\"'>e</a>"), "e");
    EXPECT_EQ(textOf("<p a=\"1\"b='2'c=3/>x"), "x");
    EXPECT_EQ(textOf("</p foo='>'>x"), "x"); // end tags have attributes too
}

TEST(HtmlTextMarkup, LessThanThatStartsNoTagIsText)
{
    EXPECT_EQ(textOf("a < b"), "a < b");
    EXPECT_EQ(textOf("1<2 and 3<=4"), "1<2 and 3<=4");
    EXPECT_EQ(textOf("a</>b"), "ab");
    EXPECT_EQ(textOf("a</ b>c"), "ac"); // a bogus comment
    EXPECT_EQ(textOf("a<"), "a<");
    EXPECT_EQ(textOf("a</"), "a</");
}

TEST(HtmlTextMarkup, CommentsAndDeclarations)
{
    EXPECT_EQ(textOf("<!DOCTYPE html PUBLIC \"-//W3C//DTD\">a<?xml x?>b<!x>c"), "abc");
    EXPECT_EQ(textOf("a<!-- <p>x</p> -->b"), "ab");
    EXPECT_EQ(textOf("a<!-->b<!--->c"), "abc");
    EXPECT_EQ(textOf("a<!-- x --!>b"), "ab");
    EXPECT_EQ(textOf("a<!-- -- > --->b"), "ab");
    EXPECT_EQ(textOf("a<![CDATA[x]]>b"), "ab");
}

TEST(HtmlTextMarkup, UnclosedTagsAndCommentsAtTheEndHideTheRest)
{
    EXPECT_EQ(textOf("text<div class=\"x"), "text");
    EXPECT_EQ(textOf("text<div"), "text");
    EXPECT_EQ(textOf("text<div a='>' b"), "text");
    EXPECT_EQ(textOf("text<!-- x"), "text");
    EXPECT_EQ(textOf("text<!DOCTYPE"), "text");
    EXPECT_EQ(textOf("text<script>x"), "text");
    EXPECT_EQ(textOf("text<style>x</sty"), "text");
}

TEST(HtmlTextMarkup, ScriptAndStyleBodiesAreNotMarkup)
{
    EXPECT_EQ(textOf("<p>a</p><script>x = \"</b><!--\" + '<p>';</script><p>b</p>"), "a\r\nb");
    EXPECT_EQ(textOf("<style>a > b { content: \"</p>\" }</style>x"), "x");
    EXPECT_EQ(textOf("<SCRIPT>a</Script >b"), "b");
    EXPECT_EQ(textOf("<script>a</scriptx>b</script/>c"), "c");
    EXPECT_EQ(textOf("<xmp><b>x</b></xmp><iframe><p>y</iframe><noembed>z</noembed>w"), "w");
    EXPECT_EQ(textOf("<noframes>n</noframes>v"), "v");
}

TEST(HtmlTextMarkup, ScriptEscapedCommentsNeedTheirOwnEnd)
{
    // Inside "<!--" a "<script>" opens a nested one: its "</script>" does not end the outer.
    EXPECT_EQ(textOf("<script><!-- document.write('<script>x</script>'); --></script>after"),
              "after");
    EXPECT_EQ(textOf("<script><!-- a </script>after"), "after");
    EXPECT_EQ(textOf("<script><!--> </script>after"), "after");
    EXPECT_EQ(textOf("<script><!-- <script> --> </script>after"), "after");
}

TEST(HtmlTextMarkup, HiddenAndVisibleContainers)
{
    EXPECT_EQ(textOf("<template><p>a</p><template>b</template>c</template>d"), "d");
    EXPECT_EQ(textOf("<template><script></template></script>x</template>y"), "y");
    EXPECT_EQ(textOf("<noscript>shown</noscript>"), "shown");
    EXPECT_EQ(textOf("<textarea>\n<b>x</b> &amp;\n y</textarea>"), "<b>x</b> &\r\n y");
    EXPECT_EQ(textOf("a<TEXTAREA>b</textarea >c"), "abc");
    EXPECT_EQ(textOf("<p>x</p><title>not text</title>y"), "x\r\ny");
}

TEST(HtmlTextMarkup, PlaintextMakesTheRestText)
{
    EXPECT_EQ(textOf("a<plaintext></plaintext><b>&amp;\nc"), "a\r\n</plaintext><b>&amp;\r\nc");
}

// ---------------------------------------------------------------------------------------
// Layout: separators and white space

TEST(HtmlTextLayout, BlocksAreSeparatedByOneLineBreak)
{
    EXPECT_EQ(textOf("<p>a</p><p>b</p>"), "a\r\nb");
    EXPECT_EQ(textOf("<div><div><p>a</p></div></div><div></div><ul><li>b<li>c</ul>d"),
              "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(textOf("<h1>t</h1>x<hr>y"), "t\r\nx\r\ny");
    EXPECT_EQ(textOf("<body><p>only</p></body>"), "only");
    EXPECT_EQ(textOf("<p> a </p> \n <p> b </p>"), "a\r\nb");
    EXPECT_EQ(textOf("<div>\n</div>\n<div> </div>"), "");
}

TEST(HtmlTextLayout, LineBreaksAndCells)
{
    EXPECT_EQ(textOf("a<br>b<br/><br>c</br>d"), "a\r\nb\r\n\r\nc\r\nd");
    EXPECT_EQ(textOf("<p>a<br></p><p>b</p>"), "a\r\nb");     // the BR ended the line already
    EXPECT_EQ(textOf("<p>a</p><br><p>b</p>"), "a\r\n\r\nb"); // an empty line
    EXPECT_EQ(textOf("<br>a<br>"), "a");
    EXPECT_EQ(
        textOf("<table><tr><th>h1</th> <th>h2</th></tr>\n<tr><td>1</td><td>2</td></tr></table>"),
        "h1\th2\r\n1\t2");
}

TEST(HtmlTextLayout, WhiteSpaceCollapsesExceptInPre)
{
    EXPECT_EQ(textOf("a \t\r\n\f b"), "a b");
    EXPECT_EQ(textOf(" a <b> b </b> c "), "a b c");
    EXPECT_EQ(textOf("<b>a</b><i>b</i>"), "ab");
    EXPECT_EQ(textOf("a<!-- --> <script></script> b"), "a b");
    EXPECT_EQ(textOf("<pre>\n a  b\n\tc</pre>d"), " a  b\r\n\tc\r\nd");
    EXPECT_EQ(textOf("<pre>x\r\ny\rz\n\nw</pre>"), "x\r\ny\r\nz\r\n\r\nw");
    EXPECT_EQ(textOf("<pre>\r\nx</pre><listing>\ny  z</listing>"), "x\r\ny  z");
    EXPECT_EQ(textOf("<pre><b>\n</b>x</pre>"),
              "x"); // only a line feed right after the tag is dropped
    EXPECT_EQ(textOf("a<pre>\n\nb\n</pre>c"), "a\r\n\r\nb\r\nc");
    EXPECT_EQ(textOf("<pre>a</pre>  b  c"), "a\r\nb c");
}

TEST(HtmlTextLayout, NulIsDroppedAndLongTextIsWhole)
{
    EXPECT_EQ(textOf(std::string("a\0b<p>\0</p>c", 12)), "ab\r\nc");
    std::string page, expected;
    for (int i = 0; i < 3000; ++i) {
        page += "<p>word " + std::to_string(i) + " &amp;  more</p>\n";
        expected += (i ? "\r\nword " : "word ") + std::to_string(i) + " & more";
    }
    EXPECT_EQ(textOf(page), expected);
}

// ---------------------------------------------------------------------------------------
// Titles

TEST(HtmlTextTitle, FirstTitleWithWhiteSpaceCollapsed)
{
    EXPECT_EQ(titleOf("<title>  A\n &amp;\tB&#32; </title>"), "A & B");
    EXPECT_EQ(titleOf("<TITLE>one</TITLE><title>two</title>"), "one");
    EXPECT_EQ(titleOf("<title><b>x</b> &lt;</title>"), "<b>x</b> <");
    EXPECT_EQ(titleOf("<title>cut off"), "cut off");
    EXPECT_EQ(titleOf("<title></title>"), "");
    EXPECT_EQ(titleOf("<title>&#x4E2D;&#25991;</title>"), "中文");
}

TEST(HtmlTextTitle, ThePageIsDecodedBeforeItsTitleAndTextAreRead)
{
    // GBK declared by a <meta>: "中文" in the title, "文" in the text.
    std::string title, text;
    GetHtmlTitleAndText("<html><head><meta charset=gb2312><title>\xD6\xD0\xCE\xC4 &amp; x"
                        "</title></head><body><p>\xCE\xC4</p>",
                        title, text);
    EXPECT_EQ(title, "中文 & x");
    EXPECT_EQ(text, "文");
    // UTF-8, declared or not, is read as it is: not decoded a second time.
    EXPECT_EQ(titleOf("<meta charset=utf-8><title>中文</title>"), "中文");
    EXPECT_EQ(titleOf("<title>中文</title>"), "中文");
    // A byte-order mark is no text; UTF-16 is decoded.
    EXPECT_EQ(textOf("\xEF\xBB\xBF<p>x</p>"), "x");
    EXPECT_EQ(titleOf(utf16("<title>A</title><p>B</p>", true)), "A");
    EXPECT_EQ(textOf(utf16("<title>A</title><p>B</p>", false)), "B");
}

TEST(HtmlTextTitle, NoTitleLeavesTheTitleAsItWas)
{
    EXPECT_EQ(titleOf("<p>no title</p>"), "(none)");
    EXPECT_EQ(titleOf("<!-- <title>x</title> --><script>'<title>y</title>'</script>"), "(none)");
    EXPECT_EQ(titleOf("<svg><title>icon</title></svg>"), "(none)");
    EXPECT_EQ(titleOf("<template><title>t</title></template>"), "(none)");
    EXPECT_EQ(titleOf("<svg><title>icon</title></svg><p><title>page</title>"), "page");
}

// ---------------------------------------------------------------------------------------
// Character sets

TEST(HtmlTextCharset, ByteOrderMarks)
{
    EXPECT_EQ(DecodeHtmlBytes("\xEF\xBB\xBF<p>x</p>"), "<p>x</p>");
    EXPECT_EQ(DecodeHtmlBytes(utf16("<p>A</p>", false)), "<p>A</p>");
    EXPECT_EQ(DecodeHtmlBytes(utf16("<p>A</p>", true)), "<p>A</p>");
    // The mark wins over a <meta> that says otherwise.
    EXPECT_EQ(DecodeHtmlBytes("\xEF\xBB\xBF<meta charset=gbk>\xE4\xB8\xAD"),
              "<meta charset=gbk>中");
    // Surrogate pairs, a lone surrogate and an odd last byte.
    EXPECT_EQ(DecodeHtmlBytes(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), "😀");
    EXPECT_EQ(DecodeHtmlBytes(std::string("\xFF\xFE\x00\xD8"
                                          "A\0",
                                          6)),
              "\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(DecodeHtmlBytes(std::string("\xFE\xFF\x00"
                                          "A\x00",
                                          5)),
              "A\xEF\xBF\xBD");
}

TEST(HtmlTextCharset, MetaDeclaresGbk)
{
    const std::string zhongwen = "\xD6\xD0\xCE\xC4";
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=gb2312>" + zhongwen), "<meta charset=gb2312>中文");
    EXPECT_EQ(DecodeHtmlBytes("<META CHARSET='GBK'>" + zhongwen), "<META CHARSET='GBK'>中文");
    const std::string pragma =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
    EXPECT_EQ(DecodeHtmlBytes(pragma + zhongwen), pragma + "中文");
    const std::string unquoted = "<meta http-equiv=content-type content=text/html;charset=x-gbk>";
    EXPECT_EQ(DecodeHtmlBytes(unquoted + zhongwen), unquoted + "中文");
    // GB18030 four-byte sequences and the euro sign of code page 936.
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=gb18030>\x81\x32\xCE\x39\x80"),
              "<meta charset=gb18030>ก€");
}

TEST(HtmlTextCharset, MetaThatDoesNotCount)
{
    // "中文" in UTF-8: read as GBK it would change.
    const std::string zhongwen = "中文";
    // In a comment, beyond the first 1024 bytes, a content without its http-equiv, an
    // unknown label, inside an attribute, or no meta at all.
    for (const std::string& page : {"<!-- a > b <meta charset=gbk> -->" + zhongwen,
                                    std::string(1024, ' ') + "<meta charset=gbk>" + zhongwen,
                                    "<meta content=\"text/html; charset=gbk\">" + zhongwen,
                                    "<meta charset=no-such-set>" + zhongwen,
                                    "<p title='<meta charset=gbk>'>" + zhongwen, zhongwen})
        EXPECT_EQ(DecodeHtmlBytes(page), page);
    // A meta with an unknown label does not count; a later one does.
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=x-none><meta charset=gbk>\xD6\xD0\xCE\xC4"),
              "<meta charset=x-none><meta charset=gbk>中文");
    // A page that can be read as ASCII is not UTF-16, whatever it says.
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=utf-16>\xE4\xB8\xAD"), "<meta charset=utf-16>中");
}

TEST(HtmlTextCharset, UndeclaredPagesAreUtf8ElseGb18030)
{
    // GBK without a meta: "中文" in the title and the text, found by the search.
    const std::string gbk = "<html><head><title>\xD6\xD0\xCE\xC4</title></head>"
                            "<body><p>\xD6\xD0\xCE\xC4 ok</p>";
    std::string title, text;
    GetHtmlTitleAndText(gbk, title, text);
    EXPECT_EQ(title, "中文");
    EXPECT_EQ(text, "中文 ok");
    EXPECT_EQ(FindInHtmlText(gbk, "文"), 3);
    EXPECT_EQ(FindInHtmlText(gbk, "OK"), 7);
    // UTF-8 without a meta stays as it is, a last character cut off included.
    const std::string utf8 = "<title>中文</title><p>中文 ok</p>";
    EXPECT_EQ(DecodeHtmlBytes(utf8), utf8);
    EXPECT_EQ(DecodeHtmlBytes(utf8 + "\xE6\x96"), utf8 + "\xE6\x96");
    EXPECT_EQ(titleOf(utf8), "中文");
    EXPECT_EQ(FindInHtmlText(utf8, "OK"), 7);
    // Not UTF-8: overlong forms, surrogates, code points above U+10FFFF, a stray
    // continuation byte, a character cut off before the end.
    for (const std::string bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80",
                                  "\xE4\xB8x"})
        EXPECT_NE(DecodeHtmlBytes(bad), bad) << bad;
    EXPECT_EQ(DecodeHtmlBytes("\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF"),
              "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
}

TEST(HtmlTextCharset, UndeclaredLatin1KeepsItsMarkupAndAsciiWords)
{
    // Read as GB18030: a letter right after an accented one may join it into one character,
    // but no markup byte is ever taken, and the rest of the ASCII text stays.
    const std::string page = "<title>Caf\xE9 menu</title><p>Cr\xE8me br\xFBl\xE9"
                             "e, 3 \x80 only</p><p>plain words</p>";
    std::string title, text;
    GetHtmlTitleAndText(page, title, text);
    EXPECT_TRUE(title.starts_with("Caf") && title.ends_with(" menu")) << title;
    EXPECT_TRUE(text.starts_with("Cr") && text.ends_with(", 3 € only\r\nplain words")) << text;
    EXPECT_EQ(FindInHtmlText(page, "PLAIN"), static_cast<long>(text.size() - 11));
}

TEST(HtmlTextCharset, OtherCharsets)
{
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=iso-8859-1>caf\xE9 \x80\x81"),
              "<meta charset=iso-8859-1>café €\xC2\x81");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=big5>\xA4\xA4"), "<meta charset=big5>中");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=shift_jis>\x93\xFA"), "<meta charset=shift_jis>日");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=euc-kr>\xC7\xD1"), "<meta charset=euc-kr>한");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=windows-1251>\xC6"), "<meta charset=windows-1251>Ж");
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=utf-8>\xE4\xB8\xAD"), "<meta charset=utf-8>中");
}

TEST(HtmlTextCharset, InvalidBytesBecomeReplacementCharacters)
{
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=gbk>a\x81"), "<meta charset=gbk>a" + fffd);
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=big5>\xA4"), "<meta charset=big5>" + fffd);
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=shift_jis>\xFF\x61"),
              "<meta charset=shift_jis>" + fffd + "a");
    EXPECT_EQ(DecodeHtmlBytes("a\xFF"), "a" + fffd); // undeclared: GB18030
    EXPECT_EQ(DecodeHtmlBytes("\xFF\xFE"), "");
    // Declared UTF-8: the bytes as they are.
    EXPECT_EQ(DecodeHtmlBytes("<meta charset=utf-8>a\xFF"), "<meta charset=utf-8>a\xFF");
}

// ---------------------------------------------------------------------------------------
// Hostile input

namespace {

// Runs check on every prefix of page, each in a buffer of exactly its size so that a read
// past the end is caught by the address sanitizer.
void forEveryPrefix(const std::string& page, const std::function<void(std::string_view)>& check)
{
    for (std::size_t n = 0; n <= page.size(); ++n) {
        std::unique_ptr<char[]> exact(new char[n ? n : 1]);
        std::copy_n(page.data(), n, exact.get());
        check(std::string_view(exact.get(), n));
    }
}

} // namespace

TEST(HtmlTextHostile, EveryPrefixOfATrickyPageIsSafe)
{
    const std::string page =
        "\xEF\xBB\xBF<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>T &amp; t</title>"
        "<script><!-- a<script>b</script>c --></script><style>p>a{}</style></head><body>"
        "<p a=\"x>y\" b='z' c=d>&notin;&#x1F600;&#0;&eacute</p><pre>\r\n "
        "x</pre><textarea>\n&lt;</textarea>"
        "<template><p>t</p></template><!-- c --!><table><tr><td>1<td>2</table><br/>&#9999999"
        "<svg><title>s</title></svg><plaintext>&amp;";
    forEveryPrefix(page, [](std::string_view prefix) {
        std::string title, text;
        GetHtmlTitleAndText(prefix, title, text);
        EXPECT_LE(text.size(), 2 * prefix.size()) << prefix;
        FindInHtmlText(prefix, "x");
        DecodeHtmlBytes(prefix);
    });
}

TEST(HtmlTextHostile, EveryPrefixOfEncodedPagesDecodes)
{
    for (const std::string& page : std::initializer_list<std::string>{
             "<meta charset=gbk>\xD6\xD0\x81\x32\xCE\x39\xCE\xC4",
             "<meta charset=big5>\xA4\xA4\xA4\xE9", "<meta charset=shift_jis>\x93\xFA\x93",
             "<meta charset=iso-2022-jp>\x1B$B!!\x1B(B", "<meta charset=iso-8859-1>\xE9\x80",
             std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6),
             "<meta http-equiv=content-type content='text/html; charset=\"gbk\"'>\xD6\xD0"})
        forEveryPrefix(page, [](std::string_view prefix) {
            const std::string utf8 = DecodeHtmlBytes(prefix);
            EXPECT_LE(utf8.size(), 4 * prefix.size() + 3);
            EXPECT_GE(FindInHtmlText(prefix, "<"), -1);
        });
}

TEST(HtmlTextHostile, RepeatedPatternsGiveTheRightText)
{
    // Patterns a careless scanner would walk again and again, each repeated into a page of
    // 1 MB: unclosed scripts, comments, tags, titles and textareas, references cut short.
    struct Case
    {
        const char* pattern;
        std::string (*text)(const std::string& page, std::size_t count);
    };
    const auto none = [](const std::string&, std::size_t) { return std::string(); };
    const Case cases[] = {
        {"<script><!--", none},
        {"<!--<script></script>-- -", none},
        {"<a b='>' c", none},
        {"&amp", [](const std::string&, std::size_t n) { return std::string(n, '&'); }},
        {"<br>", none},
        {"</scrip", none},
        {"<!-- -- -!", none},
        {"<p> \t", none},
        {"<title>&#", none},
        {"<template>", none},
        {"<pre>\r\n", none},
        {"&#x", [](const std::string& page, std::size_t) { return page; }},
        {"<textarea></textare",
         [](const std::string& page, std::size_t) { return page.substr(10); }},
    };
    for (const Case& c : cases) {
        std::string page;
        std::size_t count = 0;
        for (; page.size() < (1u << 20); ++count)
            page += c.pattern;
        std::string title = "(none)", text;
        GetHtmlTitleAndText(page, title, text);
        EXPECT_EQ(text, c.text(page, count)) << c.pattern;
        EXPECT_EQ(title, page.starts_with("<title>") ? page.substr(7) : "(none)") << c.pattern;
        EXPECT_EQ(FindInHtmlText(page, "needle"), -1) << c.pattern;
        if (text.size() >= 5) {
            const std::string tail = text.substr(text.size() - 5);
            EXPECT_EQ(FindInHtmlText(page, tail), static_cast<long>(text.find(tail))) << c.pattern;
        }
    }
}
