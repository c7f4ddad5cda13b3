// Real pages: cleaning a cleaned page changes nothing, and cleaning keeps every text.
#include "cleanpage.h"
#include "htmldocument.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::vector<std::string> corpus()
{
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator("/usr/share/doc", ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        if (it->is_regular_file(ec) && it->path().extension() == ".html")
            files.push_back(it->path().string());
    return files;
}


} // namespace

TEST(CleaningCorpus, CleaningTwiceChangesNothingAndTextsSurvive)
{
    const auto files = corpus();
    if (files.empty())
        GTEST_SKIP() << "no HTML pages under /usr/share/doc";
    std::size_t bytes = 0;
    for (const auto& file : files) {
        const std::string page = ReadFile(file);
        bytes += page.size();
        const std::string once = CleanPage(page);
        EXPECT_EQ(CleanPage(once), once) << file;

        CHtmlDocument doc;
        doc.SetHtml(page);
        doc.Parse();
        std::string text;
        for (const auto& token : doc.Tokens())
            if (token->GetKind() == TOKEN_TEXT)
                text += token->GetText();
        std::string cleanedText;
        CHtmlDocument cleaned;
        cleaned.SetHtml(once);
        cleaned.Parse();
        for (const auto& token : cleaned.Tokens())
            if (token->GetKind() == TOKEN_TEXT)
                cleanedText += token->GetText();
        EXPECT_EQ(cleanedText, text) << file << ": text between tags is never changed";
    }
    std::printf("checked %zu pages, %.1f MB\n", files.size(), static_cast<double>(bytes) / (1 << 20));
}
