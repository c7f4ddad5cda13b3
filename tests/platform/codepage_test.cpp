#include "codepage.h"
#include "fixedtext.h"

#include <gtest/gtest.h>

TEST(CodePage, RoundTripsChineseAsciiAndCharactersOutsideGbk)
{
    EXPECT_EQ(Utf8ToCp936("中文标题"), "\xD6\xD0\xCE\xC4\xB1\xEA\xCC\xE2");
    EXPECT_EQ(Utf8ToCp936("plain ASCII <>&\"\r\n"), "plain ASCII <>&\"\r\n");
    // Outside GBK: GB18030 four-byte sequences, both in and beyond the BMP.
    EXPECT_EQ(Utf8ToCp936("😀"), "\x94\x39\xFC\x36");
    EXPECT_EQ(Utf8ToCp936("ก"), "\x81\x32\xCE\x39");
    EXPECT_EQ(Utf8ToCp936("€"), "\x80"); // as code page 936 has it

    for (const char* text : {"中文标题", "mixed 中 and 😀 and ก", "", "\t\r\n", "€·新闻"}) {
        EXPECT_EQ(Cp936ToUtf8(Utf8ToCp936(text)), text) << text;
        EXPECT_EQ(Cp936Length(text), Utf8ToCp936(text).size());
    }
}

TEST(CodePage, LongTextConvertsWhole)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "汉字😀a";
    const std::string bytes = Utf8ToCp936(text);
    EXPECT_EQ(bytes.size(), 5000u * 9);
    EXPECT_EQ(Cp936ToUtf8(bytes), text);
}

TEST(CodePage, BadBytesNeverReadPastTheInput)
{
    EXPECT_EQ(Utf8ToCp936("\xFF"), "?");
    EXPECT_EQ(Utf8ToCp936("a\xE4\xB8"), "a??"); // cut short at the end
    EXPECT_EQ(Utf8ToCp936("\xED\xA0\x80"), "???"); // a surrogate is not UTF-8
    EXPECT_EQ(Cp936ToUtf8("\x81"), "\xEF\xBF\xBD");          // lead byte alone
    EXPECT_EQ(Cp936ToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(Cp936ToUtf8("\x94\x39\xFC"), "\xEF\xBF\xBD" "9\xEF\xBF\xBD");
    const std::string withNul("a\0b", 3);
    EXPECT_EQ(Utf8ToCp936(withNul), withNul);
}

TEST(CodePage, CutsOnCharacterBoundaries)
{
    EXPECT_EQ(Cp936CutUtf8("中文abc", 3), "中");
    EXPECT_EQ(Cp936CutUtf8("中文abc", 4), "中文");
    EXPECT_EQ(Cp936CutUtf8("中文abc", 5), "中文a");
    EXPECT_EQ(Cp936CutUtf8("中文abc", 100), "中文abc");
    EXPECT_EQ(Cp936CutUtf8("中文", 0), "");
    EXPECT_EQ(Cp936CutUtf8("a😀b", 4), "a");
    EXPECT_EQ(Cp936CutUtf8("a😀b", 5), "a😀");
    EXPECT_EQ(Utf8ToCp936Cut("a😀b", 4), "a");
    EXPECT_EQ(Utf8ToCp936Cut("中文", 3), "\xD6\xD0");

    const std::string bytes = Utf8ToCp936("中a😀");
    EXPECT_EQ(Cp936CharBoundary(bytes, 1), 0u);
    EXPECT_EQ(Cp936CharBoundary(bytes, 2), 2u);
    EXPECT_EQ(Cp936CharBoundary(bytes, 3), 3u);
    EXPECT_EQ(Cp936CharBoundary(bytes, 6), 3u);
    EXPECT_EQ(Cp936CharBoundary(bytes, 7), 7u);
    EXPECT_EQ(Cp936CharBoundary(bytes, 99), 7u);
}

TEST(CodePage, XmlTextTakesReferencesOnlyForCharactersXmlAllows)
{
    EXPECT_EQ(Utf8ToGbkWithCharRefs("新闻😀"), "\xD0\xC2\xCE\xC5&#128512;");
    EXPECT_EQ(Utf8ToGbkWithCharRefs("ก"), "&#3585;");
    // Overlong forms, surrogates, values past U+10FFFF and characters XML forbids.
    EXPECT_EQ(Utf8ToGbkWithCharRefs("\xC0\x80"), "??");
    EXPECT_EQ(Utf8ToGbkWithCharRefs("\xED\xA0\x80"), "???");
    EXPECT_EQ(Utf8ToGbkWithCharRefs("\xF4\x90\x80\x80"), "????");
    EXPECT_EQ(Utf8ToGbkWithCharRefs("\xEF\xBF\xBF"), "?"); // U+FFFF
}

TEST(CodePage, PrivateUseCharactersOfOldCatalogsSurvive)
{
    const std::string pua = "\xEE\x80\x80"; // U+E000
    const std::string bytes = Utf8ToCp936(pua);
    EXPECT_EQ(bytes, "\xAA\xA1");
    EXPECT_EQ(Cp936ToUtf8(bytes), pua);
}

TEST(FixedText, CutsToItsBufferOnACharacterBoundary)
{
    CFixedText<6> text("中文字"); // 5 bytes of room
    EXPECT_EQ(text.str(), "中文");
    text = "abcdefgh";
    EXPECT_EQ(text.str(), "abcde");
    text = std::string(100000, 'x');
    EXPECT_EQ(text.str().size(), 5u);
}
