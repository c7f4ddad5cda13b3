// The pieces of quor-capture that take text from outside: the command line, the names
// servers give files, and folder paths.
#include "captureargs.h"
#include "catalogfolder.h"
#include "pagesource.h"

#include <gtest/gtest.h>

namespace {

CaptureArgs parsed(const std::vector<std::string>& args)
{
    CaptureArgs out;
    std::string error;
    EXPECT_TRUE(ParseCaptureArgs(args, out, error)) << error;
    return out;
}

TEST(CaptureArgs, OptionsInEitherFormAndTheirChecks)
{
    const CaptureArgs a = parsed({"-t", "PDF,.zip  doc", "--transfers=12", "--per-host", "3", "-T", "2.5", "-A", "Bot/1",
                                  "--json", "-q", "http://x/", "out"});
    EXPECT_EQ(a.fileTypes, "pdf zip doc ");
    EXPECT_EQ(a.transfers, 12);
    EXPECT_EQ(a.perHost, 3);
    EXPECT_DOUBLE_EQ(a.timeoutSeconds, 2.5);
    EXPECT_EQ(a.userAgent, "Bot/1");
    EXPECT_TRUE(a.json && a.quiet && !a.verbose);
    EXPECT_EQ(a.input, "http://x/");
    EXPECT_EQ(a.outDir, "out");
    EXPECT_EQ(parsed({"--types", "", "x", "y"}).fileTypes, "");
    EXPECT_EQ(parsed({"--", "-page.html", "out"}).input, "-page.html");

    const CaptureArgs c = parsed({"--catalog", "c.xml", "--folder", "A/B", "http://x/"});
    EXPECT_EQ(c.catalog, "c.xml");
    EXPECT_EQ(c.folder, "A/B");
    const CaptureArgs s = parsed({"--search", "word", "c.xml"});
    EXPECT_EQ(s.mode, CaptureArgs::Mode::Search);
    EXPECT_EQ(s.catalog, "c.xml");
    EXPECT_EQ(parsed({"--catalog", "c.xml", "--search", "word"}).catalog, "c.xml");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--transfers", "65", "x", "y"}, {"--transfers", "1e3", "x", "y"},
          {"--per-host", "0", "x", "y"}, {"--timeout", "0", "x", "y"}, {"--timeout", "nan", "x", "y"},
          {"--timeout", "1e9", "x", "y"}, {"-A", "x\ny", "x", "y"}, {"-A", std::string(513, 'a'), "x", "y"},
          {"--types", "pdf;rm", "x", "y"}, {"--types", std::string(600, 'a'), "x", "y"}, {"--json=1", "x", "y"},
          {"--transfers"}, {"x"}, {"x", "y", "z"}, {"--catalog", "c.xml", "x", "y"}, {"--folder", "A", "x", "y"},
          {"--search", "w"}, {"--search", "w", "c.xml", "--folder", "A"}, {"-x", "x", "y"}, {"x", ""}}) {
        CaptureArgs out;
        std::string error;
        EXPECT_FALSE(ParseCaptureArgs(bad, out, error)) << testing::PrintToString(bad);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CaptureArgs, NamesFromServersStayPlainFileNames)
{
    EXPECT_EQ(PlainAttachmentName("../../etc/passwd", ""), "passwd");
    EXPECT_EQ(PlainAttachmentName("..\\..\\boot.ini", ""), "boot.ini");
    EXPECT_EQ(PlainAttachmentName("..", "pdf"), "download.pdf");
    EXPECT_EQ(PlainAttachmentName("", "pdf"), "download.pdf");
    EXPECT_EQ(PlainAttachmentName("a\r\nb*?.pdf", ""), "a__b__.pdf");
    EXPECT_EQ(PlainAttachmentName("bad\xFF\xC0name.txt", ""), "bad__name.txt");
    EXPECT_EQ(PlainAttachmentName("年报", "pdf"), "年报.pdf");
    const std::string longName = PlainAttachmentName(std::string(100, 'x') + std::string(30, '\0') + "中文中文中文中文.pdf", "");
    EXPECT_LE(longName.size(), 120u);
    EXPECT_EQ(longName.substr(longName.size() - 4), ".pdf");
    const std::string cut = PlainAttachmentName(std::string(60, 'x') + "中文中文中文中文中文中文中文中文中文中文中文.doc", "");
    EXPECT_LE(cut.size(), 120u);
    EXPECT_EQ(cut.substr(cut.size() - 4), ".doc");
    EXPECT_EQ(PlainAttachmentName(cut, ""), cut) << "cut on a character boundary";
}

TEST(CaptureArgs, InputsAndContentKinds)
{
    std::string path;
    EXPECT_EQ(ClassifyInput("HTTPS://x/", path), InputKind::Web);
    EXPECT_EQ(ClassifyInput("ftp://x/", path), InputKind::Unsupported);
    EXPECT_EQ(ClassifyInput("javascript:alert(1)", path), InputKind::Unsupported);
    EXPECT_EQ(ClassifyInput("file:///tmp/a%20b.html", path), InputKind::File);
    EXPECT_EQ(path, "/tmp/a b.html");
    EXPECT_EQ(ClassifyInput("file://relative", path), InputKind::Unsupported);
    EXPECT_EQ(ClassifyInput("page.html", path), InputKind::File);

    EXPECT_TRUE(IsHtmlContent("Text/HTML; charset=gbk", ""));
    EXPECT_TRUE(IsHtmlContent("application/xhtml+xml", ""));
    EXPECT_FALSE(IsHtmlContent("application/pdf", "<html>"));
    EXPECT_FALSE(IsHtmlContent("text/plain", "<html>"));
    EXPECT_TRUE(IsHtmlContent("", "\xEF\xBB\xBF \r\n<!DOCTYPE html>"));
    EXPECT_FALSE(IsHtmlContent("", "%PDF-1.4"));
}

TEST(CaptureArgs, FolderPathsWithEscapes)
{
    std::vector<std::string> titles;
    std::string error;
    ASSERT_TRUE(SplitFolderPath("/Web//a\\/b/c\\\\d/", titles, error));
    EXPECT_EQ(titles, (std::vector<std::string>{"Web", "a/b", "c\\d"}));
    EXPECT_EQ(JoinFolderPath(titles), "/Web/a\\/b/c\\\\d");
    ASSERT_TRUE(SplitFolderPath("", titles, error));
    EXPECT_TRUE(titles.empty());
    EXPECT_EQ(JoinFolderPath(titles), "/");
    EXPECT_FALSE(SplitFolderPath("A\nB", titles, error));
}

} // namespace
