// The search tells most pages from their bytes: it may keep a page whose text lacks the word,
// never drop one whose text holds it.
#include "htmltext.h"
#include "keywordfilter.h"

#include <gtest/gtest.h>

#include <random>

namespace {

bool textHolds(const std::string& page, const std::string& keyword)
{
    std::string title, text;
    GetHtmlTitleAndText("\xEF\xBB\xBF" + page, title, text);
    std::string upper = text, key = keyword;
    CKeywordFilter::UpperAscii(upper.data(), upper.size());
    CKeywordFilter::UpperAscii(key.data(), key.size());
    return upper.find(key) != std::string::npos;
}

bool mayShow(const std::string& page, const std::string& keyword)
{
    std::string scratch;
    return CKeywordFilter(keyword).MayShow(page, scratch);
}

TEST(KeywordFilter, WordsMadeOfPiecesAreKept)
{
    using namespace std::string_literals;
    const std::pair<std::string, const char*> cases[] = {
        {"<p>func<b class=\"a>b\">ti</b><i>o</i>n</p>", "function"},
        {"<p>fu<!-- x -->nc<?pi?>tion", "function"},
        {"fun&#99;tion", "function"},
        {"fun&#x63;&#X74;ion", "FUNCTION"},
        {"<p>&#102;unction", "function"},
        {"fu&ampnction", "fu&nction"},
        {"x &fjlig;ord", "jord"},
        {"fu\0nct\0ion"s, "function"},
        {"<textarea>a<fun&#99;tion</textarea>", "function"},
        {"<b>Note</b><textarea>\nbook</textarea>", "notebook"},
        {"<b>Note</b><textarea>\r\nbook</textarea>", "notebook"},
        {"<plaintext>&amp;\0X"s, "amp;x"},
        {"<plaintext>&amp\0X"s, "ampx"},
        {"<p>1 < func<b>tion", "function"},
        {"<p>a>func<b></b>&#116;ion", "function"},
        {"\xE8\xAF\xBB<b>\xE4\xB9\xA6</b>&#31508;\xE8\xAE\xB0", "\xE8\xAF\xBB\xE4\xB9\xA6\xE7\xAC\x94\xE8\xAE\xB0"},
    };
    for (const auto& [page, keyword] : cases) {
        SCOPED_TRACE(page);
        ASSERT_TRUE(textHolds(page, keyword)) << "the case is not what it means to be";
        EXPECT_TRUE(mayShow(page, keyword));
    }
}

TEST(KeywordFilter, PagesWhoseBytesCannotMakeTheWordAreDropped)
{
    const std::pair<const char*, const char*> cases[] = {
        {"<p>Functional programming</p>", "functions"},
        {"<p>func <b>tion</b></p>", "function"},   // a blank between
        {"<p>tion</p><p>func</p>", "function"}, // the pieces are there, their order is not
        {"<p>func<b>xtion</b></p>", "function"},
        {"<p>&#102;</p> <p>nction</p>", "function"},
    };
    for (const auto& [page, keyword] : cases) {
        SCOPED_TRACE(page);
        EXPECT_FALSE(mayShow(page, keyword));
    }
    // Keywords the bytes cannot rule out keep every page.
    for (const char* keyword : {"a b", "a&b", "a<b", "tab\there", ""})
        EXPECT_FALSE(CKeywordFilter(keyword).Usable()) << keyword;
    EXPECT_TRUE(mayShow("<p>nothing</p>", std::string(64, 'x')));
}

// Pages made at random of the keyword's pieces, markup, references, NULs and blanks: any
// whose text holds the keyword is kept.
TEST(KeywordFilter, RandomPagesWhoseTextHoldsTheWordAreAllKept)
{
    const std::string keyword = "keyword";
    const std::vector<std::string> parts = {
        "k", "e", "y", "w", "o", "r", "d", "key", "word", "ke", "yw", "ord", "K", "EY",
        "<b>", "</b>", "<i class=\"a>b\">", "<!--x-->", "<br>", "<p>", "<?x?>", "<![CDATA[k]]>", "<", ">",
        " ", "\n", std::string(1, '\0'), "&#107;", "&#x79;", "&amp;", "&lt;", "&#119;o", "&ordm;",
        "<textarea>", "<textarea>\n", "</textarea>", "<pre>\r\n", "<plaintext>", "&key", "&ampword",
        "<script>key</script>", "<style>word</style>", "<title>keyword</title>",
    };
    std::mt19937 random(20261208);
    int holding = 0, kept = 0, dropped = 0;
    for (int round = 0; round < 40000; ++round) {
        std::string page;
        const int count = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < count; ++i)
            page += parts[random() % parts.size()];
        const bool holds = textHolds(page, keyword);
        const bool may = mayShow(page, keyword);
        if (holds) {
            ++holding;
            ASSERT_TRUE(may) << testing::PrintToString(page);
        }
        kept += may && !holds;
        dropped += !may;
    }
    EXPECT_GT(holding, 300);
    EXPECT_GT(dropped, 20000) << "the filter drops most pages that lack the word";
    RecordProperty("kept without the word", kept);
}

} // namespace
