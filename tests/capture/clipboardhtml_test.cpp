#include "clipboardhtml.h"

#include <gtest/gtest.h>

namespace {

// A clipboard text whose offsets are computed from its parts.
std::string clipText(const std::string& before, const std::string& fragment, const std::string& after,
                     const std::string& extraHeader = {})
{
    const auto number = [](std::size_t n) {
        char s[16];
        std::snprintf(s, sizeof s, "%010zu", n);
        return std::string(s);
    };
    const auto header = [&](std::size_t start) {
        const std::size_t startFragment = start + before.size();
        const std::size_t endFragment = startFragment + fragment.size();
        return "Version:0.9\r\nStartHTML:" + number(start) + "\r\nEndHTML:" + number(endFragment + after.size()) +
               "\r\nStartFragment:" + number(startFragment) + "\r\nEndFragment:" + number(endFragment) + "\r\n" +
               extraHeader;
    };
    return header(header(0).size()) + before + fragment + after;
}

} // namespace

TEST(Utf8ToEntities, NonAsciiBecomesReferences)
{
    EXPECT_EQ(Utf8ToEntities("\xE4\xB8\xAD"), "&#20013;");
    EXPECT_EQ(Utf8ToEntities("\xC2\xA0"), "&nbsp;");
    EXPECT_EQ(Utf8ToEntities("a<b & \"c\" 'd'"), "a<b & \"c\" 'd'");
    EXPECT_EQ(Utf8ToEntities("\xF0\x9F\x98\x80"), "&#128512;");
    EXPECT_EQ(Utf8ToEntities("\xC0\x80x"), "\x80x") << "code point 0 copies the last byte";
    EXPECT_EQ(Utf8ToEntities("\x80"), "\x80") << "a stray continuation byte passes";
}

TEST(Utf8ToEntities, CutSequencesNeverReadPastTheEnd)
{
    EXPECT_EQ(Utf8ToEntities("ab\xE4\xB8"), "ab&#65533;");
    EXPECT_EQ(Utf8ToEntities("\xF0"), "&#65533;");
    EXPECT_EQ(Utf8ToEntities(std::string_view("\xE4\xB8\xAD", 2)), "&#65533;");
    const std::string many(1000, '\xFF');
    EXPECT_LE(Utf8ToEntities(many).size(), many.size() * 10);
}

TEST(ClipboardHtml, SplitsAtTheHeaderOffsets)
{
    const std::string before = "<html><body>\xE4\xB8\xAD<!--StartFragment-->";
    const std::string fragment = "<p>\xE4\xB8\xAD\xE6\x96\x87</p>";
    const std::string after = "<!--EndFragment-->\xE4\xB8\xAD</body></html>";
    CClipboardHtml clip;
    ASSERT_TRUE(clip.Parse(clipText(before, fragment, after, "SourceURL:https://news.example/a/b.html?x=1\r\n")));
    EXPECT_EQ(clip.m_strSourceUrl, "https://news.example/a/b.html?x=1");
    EXPECT_EQ(clip.m_strBefore, "<html><body>&#20013;<!--StartFragment-->");
    EXPECT_EQ(clip.m_strFragment, fragment);
    EXPECT_EQ(clip.m_strFragmentHtml, "<p>&#20013;&#25991;</p>");
    EXPECT_EQ(clip.m_strAfter, after) << "the text after the fragment keeps its bytes";
    EXPECT_EQ(JoinClipboardPage(clip), clip.m_strBefore + clip.m_strFragmentHtml + after);
}

TEST(ClipboardHtml, HeaderLinesInAnyOrderAndOnlyNineOfThem)
{
    const std::string text =
        "SourceURL:http://a.example/x\r\nEndFragment:210\r\nStartFragment:205\r\nVersion:1.0\r\n"
        "EndHTML:215\r\n StartHTML : 200\r\n\r\nno colon here\r\nUnknown:5\r\n";
    ASSERT_LT(text.size(), 200u);
    const std::string padded = text + std::string(200 - text.size(), ' ') + "01234567890123456789";
    CClipboardHtml clip;
    ASSERT_TRUE(clip.Parse(padded));
    EXPECT_EQ(clip.m_strSourceUrl, "http://a.example/x");
    EXPECT_EQ(clip.m_strBefore, "01234");
    EXPECT_EQ(clip.m_strFragment, "56789");
    EXPECT_EQ(clip.m_strAfter, "01234");

    // A key on the tenth line is not read.
    CClipboardHtml late;
    EXPECT_FALSE(late.Parse("Version:1\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nStartHTML:10\r\n"));
    EXPECT_EQ(late.Number(CClipboardHtml::START_HTML), 0);
}

TEST(ClipboardHtml, UnusableOffsetsLeaveThePartsEmpty)
{
    CClipboardHtml none;
    EXPECT_FALSE(none.Parse("no header at all"));
    EXPECT_TRUE(none.m_strFragment.empty());
    CClipboardHtml disordered;
    EXPECT_FALSE(disordered.Parse("StartHTML:50\r\nEndHTML:60\r\nStartFragment:40\r\nEndFragment:45\r\n"));
    EXPECT_TRUE(disordered.m_strBefore.empty());
    CClipboardHtml notNumbers;
    EXPECT_FALSE(notNumbers.Parse("StartHTML:abc\r\nEndHTML:x\r\nStartFragment:y\r\nEndFragment:z\r\n"));
}

TEST(ClipboardHtml, OffsetsOutsideTheTextAreClamped)
{
    // Header of 100 bytes, then 16 bytes of page.
    const auto withHeader = [](const std::string& header, const std::string& page) {
        return header + std::string(100 - header.size(), ' ') + page;
    };
    CClipboardHtml past;
    ASSERT_TRUE(past.Parse(withHeader("StartHTML:102\r\nEndHTML:999999999\r\nStartFragment:150\r\n"
                                      "EndFragment:99999999\r\n",
                                      "0123456789012345")));
    EXPECT_EQ(past.m_strBefore, "23456789012345");
    EXPECT_EQ(past.m_strFragment, "");
    EXPECT_EQ(past.m_strAfter, "");

    // "-1" means no context around the fragment.
    CClipboardHtml open;
    ASSERT_TRUE(open.Parse(withHeader("StartHTML:-1\r\nEndHTML:2147483647\r\nStartFragment:100\r\n"
                                      "EndFragment:104\r\n",
                                      "frag")));
    EXPECT_EQ(open.m_strBefore, "");
    EXPECT_EQ(open.m_strFragmentHtml, "frag");
    EXPECT_EQ(open.m_strAfter, "");

    CClipboardHtml huge;
    EXPECT_FALSE(huge.Parse("StartHTML:99999999999999999999\r\nEndHTML:1\r\nStartFragment:1\r\nEndFragment:1\r\n"));
    CClipboardHtml negative;
    EXPECT_FALSE(negative.Parse("StartHTML:5\r\nEndHTML:9\r\nStartFragment:-7\r\nEndFragment:8\r\n"));
}
