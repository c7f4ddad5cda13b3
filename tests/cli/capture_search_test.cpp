// quor-capture --search against Quor's own find in texts on the same catalog: the same items,
// in the same order, for words in titles, in visible text, in markup only, in other charsets.
#include "captureprogram.h"
#include "catalogmodel.h"
#include "catalogtree.h"
#include "codepage.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

class SearchCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        data = folder.file("data");
        path = folder.file("QuorCatalog.xml");
        std::filesystem::create_directories(data + "/260101");
        const auto article = [&](const std::string& title, const std::string& id, const std::string& page) {
            if (!page.empty())
                WriteFile(data + "/260101/" + id + ".html", page);
            return "<ARTICLE COMMENT=\"" + title + "\" ID=\"" + id + "\" FILE=\"" + id + ".html\"/>";
        };
        std::string utf16 = "\xFF\xFE";
        for (char c : std::string("<p>utf-16 needle</p>"))
            utf16 += std::string{c, '\0'};
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + data + "\">" +
            "<DIR COMMENT=\"RECYCLE\">" + article("Deleted", "260101000000001", "<p>needle in the bin</p>") + "</DIR>" +
            "<DIR COMMENT=\"Needle folder\">" + article("Plain", "260101000000002", "<p>a NeEdLe here</p>") +
            article("Markup", "260101000000003",
                    "<div class=\"needle\">x</div><script>needle()</script><!-- needle --><style>.needle{}</style>") +
            article("Split", "260101000000004", "<p>nee<b>dle</b></p>") +
            article("Gbk", "260101000000005",
                    Utf8ToCp936("<meta charset=\"gb2312\"><p>读书笔记 needle</p>")) +
            article("Utf16", "260101000000006", utf16) + "<DIR COMMENT=\"A/B\">" +
            article("Title NEEDLE", "260101000000007", "<p>nothing</p>") + article("Missing", "260101000000008", "") +
            "<ARTICLE COMMENT=\"tiny\" ID=\"9\" FILE=\"x.h\"/></DIR></DIR>" +
            "<DIR COMMENT=\"Other\">" + article("Zero", "260101000000010", std::string("<p>cut</p>\0needle", 18)) +
            "</DIR></DIR>\r\n";
        WriteFile(path, Utf8ToCp936(xml));
        std::string error;
        ASSERT_TRUE(tree.LoadCatalog(path, &error)) << error;
    }

    // Quor: find, then find next until nothing more is found.
    std::vector<std::string> quorFinds(const std::string& keyword)
    {
        std::vector<std::string> titles;
        for (CXmlNode found = tree.FindNext(keyword, {}, true); found; found = tree.FindNext(keyword, found, true))
            titles.push_back(found.GetAttribute("COMMENT"));
        return titles;
    }

    std::vector<std::vector<std::string>> searchLines(const std::string& keyword, int expectedStatus)
    {
        EXPECT_EQ(program.Run({"--search", keyword, path}), expectedStatus) << program.Err();
        std::vector<std::vector<std::string>> lines;
        std::istringstream out(program.Out());
        for (std::string line; std::getline(out, line);) {
            std::vector<std::string> fields;
            std::istringstream in(line);
            for (std::string field; std::getline(in, field, '\t');)
                fields.push_back(field);
            if (!line.empty() && line.back() == '\t')
                fields.emplace_back();
            lines.push_back(fields);
        }
        return lines;
    }

    TestFolder folder;
    std::string data, path;
    CCatalog catalog;
    CCatalogModel model{catalog};
    CCatalogTree tree{&model};
    CaptureProgram program{folder.path()};
};

TEST_F(SearchCommand, FindsWhatQuorsFindInTextsFinds)
{
    const std::vector<std::string> expected{"Deleted", "Needle folder", "Plain", "Split", "Gbk", "Utf16", "Title NEEDLE"};
    ASSERT_EQ(quorFinds("needle"), expected) << "the catalog tells the cases apart";
    for (const std::string keyword : {"needle", "NEEDLE", "笔记", "nee", "class", "e", "cut", "zzz-nowhere"}) {
        SCOPED_TRACE(keyword);
        const std::vector<std::string> quor = quorFinds(keyword);
        std::vector<std::string> ours;
        for (const auto& fields : searchLines(keyword, quor.empty() ? 1 : 0)) {
            ASSERT_EQ(fields.size(), 3u);
            ours.push_back(fields[1]);
        }
        EXPECT_EQ(ours, quor);
    }
}

TEST_F(SearchCommand, PrintsFolderPathTitleAndFile)
{
    const auto lines = searchLines("needle", 0);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], (std::vector<std::string>{"/RECYCLE", "Deleted", data + "/260101/260101000000001.html"}));
    EXPECT_EQ(lines[1], (std::vector<std::string>{"/", "Needle folder", ""}));
    EXPECT_EQ(lines[6], (std::vector<std::string>{"/Needle folder/A\\/B", "Title NEEDLE", data + "/260101/260101000000007.html"}));
}

TEST_F(SearchCommand, AnUnreadableArticleIsReportedAndTheSearchGoesOn)
{
    std::filesystem::remove(data + "/260101/260101000000002.html");
    std::filesystem::create_directory(data + "/260101/260101000000002.html"); // there, but no file to read
    const auto lines = searchLines("needle", 2);
    EXPECT_EQ(lines.size(), 6u);
    EXPECT_NE(program.Err().find("260101000000002.html"), std::string::npos) << program.Err();

    EXPECT_EQ(program.Run({"--search", "needle", folder.file("none.xml")}), 2);
    EXPECT_FALSE(program.Err().empty());
}

} // namespace
