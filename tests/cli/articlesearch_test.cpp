// The search in one article file, as both Quor and quor-capture make it: a large file is
// searched in its start first, and whatever falls on the edge of that start, the answer is
// the one the whole page's text gives.
#include "appglobals.h"
#include "codepage.h"
#include "htmltext.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// Where the starts of a large file that are searched first end.
constexpr std::size_t kEdges[] = {16 * 1024, 64 * 1024, 256 * 1024};

class ArticleSearch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(folder.file("260102"));
        g_szDataFolder = folder.path();
    }

    // head, then filler up to just before the edge, then what spans it, then tail and more.
    std::string spanning(const std::string& head, const std::string& across, const std::string& tail,
                         std::size_t before = 30) const
    {
        const std::size_t filler = edge - before - head.size() - 7;
        return head + "<p>" + std::string(filler, 'x') + "</p>" + across + tail + "<p>" + std::string(200, 'w') + "</p>";
    }

    // MatchCatalogItem's answer, and that of the whole page's text.
    std::pair<bool, bool> search(const std::string& page, const std::string& keyword)
    {
        WriteFile(folder.file("260102/260102000000001.html"), page);
        const ItemMatch match = MatchCatalogItem("title", "260102000000001.html", keyword, true);
        EXPECT_NE(match, ItemMatch::Unreadable);
        const bool utf16 = page.size() > 1 && page[1] == '\xFE';
        const std::string whole = utf16 ? page : page.substr(0, page.find('\0'));
        return {match == ItemMatch::Text, FindInHtmlText(whole, keyword) >= 0};
    }

    TestFolder folder;
    std::size_t edge = kEdges[0];
};

TEST_F(ArticleSearch, LargeFilesGiveTheAnswerOfTheirWholeText)
{
    const std::string utf8 = "<meta charset=\"utf-8\">" + std::string(1100, ' ');
    const std::string gbk = "<meta charset=\"gb2312\">" + std::string(1100, ' ');
    struct Case
    {
        const char* what;
        std::string page;
        std::string keyword;
        bool found;
    };
    const std::string needle = "needle";
    for (const std::size_t e : kEdges) {
        edge = e;
        SCOPED_TRACE(e);
        const Case cases[] = {
            {"before the edge", spanning(utf8, "<p>a needle</p>", ""), needle, true},
            {"after the edge", spanning(utf8, "<p>" + std::string(40, 'y') + " needle</p>", ""), needle, true},
            {"split by a tag on the edge", spanning(utf8, "<p>nee<b class=\"" + std::string(20, 'c') + "\">dle</b>", ""), needle,
             true},
            {"in a script across the edge", spanning(utf8, "<script>needle(a < b); " + std::string(40, ' ') + "</script>", "<p>z"),
             needle, false},
            {"in a script before the edge, in the text after it",
             spanning("<script>needle()</script>" + utf8, "<p>" + std::string(40, 'y') + " needle</p>", ""), needle, true},
            {"in a comment across the edge", spanning(utf8, "<!-- needle < " + std::string(40, '-') + " -->", "<p>z"), needle,
             false},
            {"in an attribute holding '<'", spanning(utf8, "<a title=\"needle < " + std::string(40, 'a') + "\">x</a>", ""),
             needle, false},
            {"in a text area across the edge", spanning(utf8, "<textarea>needle <" + std::string(40, 't') + "</textarea>", ""),
             needle, true},
            {"in a title across the edge", spanning(utf8, "<title>needle <" + std::string(40, 't') + "</title>", ""), needle,
             false},
            {"in plaintext", spanning(utf8, "<plaintext> needle <" + std::string(40, 'p'), ""), needle, true},
            {"after plaintext", spanning(utf8, "<plaintext>" + std::string(40, 'p') + " <needle>", "", 60), needle, true},
            {"after a zero byte", spanning(utf8, std::string("<p>\0 needle<p>", 14), std::string(40, 'z')), needle, false},
            {"before a zero byte", spanning(utf8, "<p>needle<p>" + std::string("\0", 1) + std::string(40, 'z'), ""), needle,
             true},
            {"a character reference on the edge", spanning(utf8, "<p>nee&#1000;</p>", "", 11), "need", false},
            {"a character reference on the edge, one later", spanning(utf8, "<p>nee&#1000;</p>", "", 12), "need", false},
            {"in GBK", spanning(Utf8ToCp936(gbk), Utf8ToCp936("<p>读书笔记</p>"), Utf8ToCp936("<p>" + std::string(40, 'z'))),
             "笔记", true},
            {"a GBK lead byte before '<' on the edge", spanning(gbk, "<p>needle\x81<b>x</b>", std::string(40, 'z')), needle,
             true},
            {"a GBK lead byte before '<' on the edge, the word after", spanning(gbk, "<p>\x81<b>needle</b>", "", 12), needle,
             true},
            // Undeclared, and not UTF-8 past the edge: the whole page is read as GB18030, so the
            // UTF-8 bytes before the edge are not the word.
            {"undeclared, UTF-8 only at first", spanning(std::string(1100, ' '), "<p>笔记</p>", "<p>\xB1\xCA\xBC\xC7" +
                                                                                                std::string(40, 'z')),
             "笔记", true},
            {"undeclared, UTF-8 only at first, the word gone", spanning(std::string(1100, ' '), "<p>读书</p>",
                                                                          "<p>\xFF\xFE" + std::string(40, 'z')),
             "读书", false},
            {"declared after the first 1024 bytes",
             spanning(std::string(1100, ' ') + "<meta charset=\"gb2312\">", "<p>needle</p>", ""), needle, true},
            {"in a declared ISO-2022-JP page",
             spanning("<meta charset=\"iso-2022-jp\">" + std::string(1100, ' '), "<p>needle</p>", ""), needle, true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            ASSERT_GT(c.page.size(), edge);
            const auto [ours, whole] = search(c.page, c.keyword);
            EXPECT_EQ(whole, c.found) << "the case is not what it means to be";
            EXPECT_EQ(ours, whole);
        }
    }

    // A UTF-16 page is zeros throughout and is read whole.
    std::string utf16 = "\xFF\xFE";
    for (char ch : "<p>" + std::string(kEdges[1], 'x') + " needle</p>")
        utf16 += std::string{ch, '\0'};
    EXPECT_EQ(search(utf16, needle), std::make_pair(true, true));
}

TEST_F(ArticleSearch, FilesThatCannotBeSearched)
{
    // Over 256 MB: not searched (the title still is).
    const std::string big = folder.file("260102/260102000000002.html");
    WriteFile(big, "");
    std::filesystem::resize_file(big, (std::size_t(256) << 20) + 1);
    EXPECT_EQ(MatchCatalogItem("big", "260102000000002.html", "big", true), ItemMatch::Title);
    EXPECT_EQ(MatchCatalogItem("title", "260102000000002.html", "x", true), ItemMatch::None);
    std::filesystem::create_directory(folder.file("260102/260102000000003.html"));
    EXPECT_EQ(MatchCatalogItem("title", "260102000000003.html", "x", true), ItemMatch::Unreadable);
    EXPECT_EQ(MatchCatalogItem("title", "260102000000004.html", "x", true), ItemMatch::None) << "a missing file";
    EXPECT_EQ(MatchCatalogItem("title", "260102000000003.html", "x", false), ItemMatch::None) << "titles only";
}

} // namespace
