#include "articletext.h"

#include <gtest/gtest.h>

namespace {

const std::string kGbkZhongWen = "\xD6\xD0\xCE\xC4"; // 中文 in GBK

} // namespace

TEST(ArticleText, Utf8PagesAndAsciiWithReferencesReadAsTheyAre)
{
    EXPECT_EQ(DecodeArticle("<p>中文 &#20013;</p>").text, "<p>中文 &#20013;</p>");
    EXPECT_EQ(DecodeArticle("<p>&#20013;</p>").charset, "UTF-8");
    const DecodedArticle bom = DecodeArticle("\xEF\xBB\xBF<p>中</p>");
    EXPECT_EQ(bom.text, "<p>中</p>");
}

TEST(ArticleText, DeclaredCodePagesAreHonoured)
{
    const DecodedArticle gb = DecodeArticle(
        "<html><head><META http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head><body>" +
        kGbkZhongWen + "</body>");
    EXPECT_EQ(gb.charset, "GB18030");
    EXPECT_NE(gb.text.find("<body>中文</body>"), std::string::npos);

    EXPECT_EQ(DecodeArticle("<meta charset='big5'><p>\xA4\xA4\xA4\xE5</p>").text, "<meta charset='big5'><p>中文</p>");
    EXPECT_EQ(DecodeArticle("<meta charset=windows-1252><p>\x93q\x94</p>").text,
              "<meta charset=windows-1252><p>\u201Cq\u201D</p>");
    // Even when the bytes would pass for UTF-8.
    EXPECT_EQ(DecodeArticle("<meta charset=\"iso-8859-1\">\xC3\xA9").text, "<meta charset=\"iso-8859-1\">\u00C3\u00A9");
}

TEST(ArticleText, UndeclaredBytesThatAreNotUtf8ReadAsGbk)
{
    const DecodedArticle page = DecodeArticle("<p>" + kGbkZhongWen + "</p>");
    EXPECT_EQ(page.charset, "GB18030");
    EXPECT_EQ(page.text, "<p>中文</p>");
}

TEST(ArticleText, DeclarationsAreReadOnlyWhereTheyCount)
{
    EXPECT_EQ(DeclaredCharset("<meta http-equiv=content-type content='text/html;charset = \"GBK\"'>"), "GBK");
    EXPECT_EQ(DeclaredCharset("<!-- <meta charset=big5> --><meta charset=gbk>"), "gbk");
    EXPECT_EQ(DeclaredCharset("<body><meta charset=big5>"), "");
    EXPECT_EQ(DeclaredCharset("<meta content='text/html; charset=big5'>"), ""); // no http-equiv
}

TEST(ArticleText, HostileBytesDecodeSafely)
{
    // An unknown or odd name falls back to what the bytes are.
    EXPECT_EQ(DecodeArticle("<meta charset=\"../../x;rm\"><p>中</p>").charset, "UTF-8");
    EXPECT_EQ(DecodeArticle("<meta charset=no-such-thing><p>" + kGbkZhongWen).charset, "GB18030");
    // NULs never survive; a cut GBK character becomes one replacement.
    EXPECT_EQ(DecodeArticle(std::string("a\0b", 3)).text, "a\uFFFDb");
    EXPECT_EQ(DecodeArticle("<p>\xD6\xD0\xCE").text, "<p>中\uFFFD");
    EXPECT_EQ(DecodeArticle("").text, "");
}
