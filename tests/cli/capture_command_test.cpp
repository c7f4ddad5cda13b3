// quor-capture run as a program against a local server: pages by address, through redirects,
// in GBK, files that are no page, and every way a capture can fail or be stopped.
#include "appsettings.h"
#include "captureprogram.h"
#include "codepage.h"
#include "htmltext.h"
#include "links.h"
#include "profile.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include "localserver.h"

#include <QJsonArray>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <regex>
#include <set>
#include <thread>

namespace fs = std::filesystem;

namespace {

class CaptureCommand : public ::testing::Test
{
protected:
    void SetUp() override
    {
        site.server.set_tcp_nodelay(true);
        serve("/page.html",
              "<html><head><title>A page</title><link rel=\"stylesheet\" href=\"css/site.css\">"
              "<script>alert(1)</script></head><body onload=\"x()\"><h1>Heading</h1>"
              "<img src=\"img/a.png\" srcset=\"img/a.png 1x, img/b.png 2x\">"
              "<a href=\"docs/guide.pdf\">guide</a><a href=\"other.html\">other</a></body></html>",
              "text/html");
        serve("/css/site.css", "@import \"fonts.css\";\nbody{background:url(../img/bg.png)}", "text/css");
        serve("/css/fonts.css", "@font-face{font-family:F;src:url(f.woff2) format(\"woff2\")}", "text/css");
        for (const char* file : {"/img/a.png", "/img/b.png", "/img/bg.png", "/new/pic.png"})
            serve(file, std::string("picture ") + file, "image/png");
        serve("/css/f.woff2", "font", "font/woff2");
        serve("/docs/guide.pdf", "%PDF-1.4 guide", "application/pdf");
        serve("/broken.html", "<title>Broken</title><img src=\"img/a.png\"><img src=\"img/missing.png\">", "text/html");
        site.server.Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new/page.html"); });
        serve("/new/page.html", "<title>Moved</title><img src=\"pic.png\">", "text/html");

        const std::string gbk = Utf8ToCp936("<html><head><title>中文标题</title></head><body><p>这是正文，笔记。</p></body></html>");
        serve("/gbk.html", gbk, "text/html; charset=GBK");
        serve("/gbk-meta.html",
              Utf8ToCp936("<html><head><meta charset=\"gb2312\"><title>中文标题</title></head><body>这是正文</body></html>"),
              "text/html");
        // The header wins over what the page declares, as in a browser.
        serve("/gbk-header.html",
              Utf8ToCp936("<html><head><meta charset=\"utf-8\"><title>中文标题</title></head><body>这是正文</body></html>"),
              "text/html; charset=gb2312");

        serve("/files/report.pdf", "%PDF-1.4 report", "application/pdf");
        site.server.Get("/download", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition", "attachment; filename=\"x.pdf\"; filename*=UTF-8''%E5%B9%B4%E6%8A%A5.pdf");
            res.set_content("%PDF-1.4 annual", "application/pdf");
        });
        serve("/photo", "jpeg bytes", "image/jpeg");

        site.server.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(std::size_t(2) << 30, "text/html", [](std::size_t, std::size_t, httplib::DataSink& sink) {
                return sink.write(std::string(65536, 'x').data(), 65536);
            });
        });
        site.server.Get("/endless.html", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
                return sink.write(std::string(1 << 20, 'x').data(), 1 << 20);
            });
        });
        serve("/slow.html", "<title>Slow</title><img src=\"slow.png\"><img src=\"img/a.png\">", "text/html");
        site.server.Get("/slow.png", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::seconds(3));
            res.set_content("late", "image/png");
        });
        serve("/hostile.html",
              "<title>Hostile</title><img src=\"file:///etc/hostname\"><a href=\"/evil?x.txt\">e</a>"
              "<img src=\"/named?.png\">",
              "text/html");
        site.Start();
        outDir = folder.file("out");
        fs::create_directories(outDir);
    }

    void serve(const std::string& path, const std::string& body, const std::string& type)
    {
        site.server.Get(path, [body, type](const httplib::Request&, httplib::Response& res) { res.set_content(body, type); });
    }

    int capture(const std::string& input, std::vector<std::string> options = {})
    {
        options.insert(options.begin(), "--json");
        options.push_back(input);
        options.push_back(outDir);
        return program.Run(options);
    }

    std::string article() const { return ReadFile(program.Json()["article"].toString().toStdString()); }

    // Every local link of the article names a file in its attachment folder; returns how many.
    int expectLocalLinksPresent()
    {
        const std::string id = program.Json()["id"].toString().toStdString();
        const std::string html = article();
        const std::regex local(id + "_files/([A-Za-z0-9._%-]+)");
        int links = 0;
        for (auto it = std::sregex_iterator(html.begin(), html.end(), local); it != std::sregex_iterator(); ++it, ++links)
            EXPECT_TRUE(Exists(outDir + "/" + id + "_files/" + PercentDecode((*it)[1].str()))) << (*it)[0].str();
        return links;
    }

    std::set<std::string> filesOutside(const std::string& inside) const
    {
        std::set<std::string> files;
        for (auto it = fs::recursive_directory_iterator(folder.path()); it != fs::recursive_directory_iterator(); ++it)
            if (it->path().string().rfind(inside, 0) != 0 && it->path().filename().string()[0] != '.')
                files.insert(it->path().string());
        return files;
    }

    TestFolder folder;
    LocalServer site;
    std::string outDir;
    CaptureProgram program{folder.path()};
};

TEST_F(CaptureCommand, PageByAddressBecomesAnArticleWithEverythingItShows)
{
    ASSERT_EQ(capture(site.Url("/page.html")), 0) << program.Err();
    const QJsonObject json = program.Json();
    EXPECT_EQ(json["title"].toString(), QStringLiteral("A page"));
    EXPECT_EQ(json["source"].toString().toStdString(), site.Url("/page.html"));
    // The sheet, its import, the background, the font, both pictures and the linked PDF.
    EXPECT_EQ(json["found"].toInt(), 7);
    EXPECT_EQ(json["local"].toInt(), 7);
    EXPECT_TRUE(json["failed"].toArray().isEmpty());
    const std::string id = json["id"].toString().toStdString();
    EXPECT_EQ(json["article"].toString().toStdString(), outDir + "/" + id + ".html");
    EXPECT_GE(expectLocalLinksPresent(), 4);
    const std::string html = article();
    EXPECT_EQ(html.find("<SCRIPT"), std::string::npos);
    EXPECT_EQ(html.find("onload"), std::string::npos);
    EXPECT_NE(html.find(site.Url("/other.html")), std::string::npos) << "links are made absolute";
    EXPECT_EQ(html.find(site.Url("/img/")), std::string::npos) << "no picture is taken from the server any more";

    // Without --json: the article's path, and nothing on standard error.
    ASSERT_EQ(program.Run({site.Url("/page.html"), "out"}), 0);
    EXPECT_TRUE(program.Err().empty()) << program.Err();
    const std::string path = program.Out().substr(0, program.Out().find('\n'));
    EXPECT_TRUE(Exists(path)) << path;
    EXPECT_NE(path, json["article"].toString().toStdString()) << "every capture is an article of its own";
}

TEST_F(CaptureCommand, RedirectsAreFollowedAndThePageResolvesAgainstWhereItCameFrom)
{
    ASSERT_EQ(capture(site.Url("/old")), 0) << program.Err();
    EXPECT_EQ(program.Json()["source"].toString().toStdString(), site.Url("/new/page.html"));
    EXPECT_EQ(program.Json()["local"].toInt(), 1);
    EXPECT_EQ(expectLocalLinksPresent(), 1);

    EXPECT_EQ(capture(site.Url("/loop")), 2);
    EXPECT_NE(program.Json()["error"].toString().indexOf(QStringLiteral("redirect")), -1) << program.Err();
}

TEST_F(CaptureCommand, GbkPagesAreReadInTheirCharsetAndStoredAsAscii)
{
    for (const char* page : {"/gbk.html", "/gbk-meta.html", "/gbk-header.html"}) {
        SCOPED_TRACE(page);
        ASSERT_EQ(capture(site.Url(page)), 0) << program.Err();
        EXPECT_EQ(program.Json()["title"].toString(), QStringLiteral("中文标题"));
        const std::string html = article();
        for (unsigned char c : html)
            ASSERT_LT(c, 0x80) << "stored with character references";
        std::string title, text;
        GetHtmlTitleAndText(html, title, text);
        EXPECT_EQ(title, "中文标题");
        EXPECT_NE(text.find("这是正文"), std::string::npos) << text;
    }
}

TEST_F(CaptureCommand, FilesThatAreNoPageAreLinkedFromTheirArticle)
{
    struct Case
    {
        const char* path;
        const char* name;
        const char* bytes;
    };
    for (const Case& c : {Case{"/files/report.pdf", "report.pdf", "%PDF-1.4 report"},
                          Case{"/download", "年报.pdf", "%PDF-1.4 annual"}, Case{"/photo", "photo.jpg", "jpeg bytes"}}) {
        SCOPED_TRACE(c.path);
        ASSERT_EQ(capture(site.Url(c.path)), 0) << program.Err();
        const QJsonObject json = program.Json();
        EXPECT_FALSE(json["html"].toBool());
        EXPECT_EQ(json["title"].toString(), QString::fromUtf8(c.name));
        EXPECT_EQ(ReadFile(json["attachments"].toString().toStdString() + "/" + c.name), c.bytes);
        EXPECT_EQ(expectLocalLinksPresent(), std::string(c.path) == "/photo" ? 2 : 1) << article();
    }
    // A file from the disk is taken the same way.
    WriteFile(folder.file("notes.pdf"), "%PDF local");
    ASSERT_EQ(capture(folder.file("notes.pdf")), 0) << program.Err();
    EXPECT_EQ(ReadFile(program.Json()["attachments"].toString().toStdString() + "/notes.pdf"), "%PDF local");
}

TEST_F(CaptureCommand, HtmlFilesTakeTheirLocalFiles)
{
    fs::create_directories(folder.file("site/img"));
    WriteFile(folder.file("site/img/p.png"), "local picture");
    WriteFile(folder.file("site/index.html"), "<title>Local</title><img src=\"img/p.png\"><img src=\"" +
                                                  site.Url("/img/a.png") + "\">");
    ASSERT_EQ(capture("file://" + folder.file("site/index.html")), 0) << program.Err();
    EXPECT_EQ(program.Json()["title"].toString(), QStringLiteral("Local"));
    EXPECT_EQ(program.Json()["local"].toInt(), 2);
    EXPECT_EQ(expectLocalLinksPresent(), 2);
    EXPECT_EQ(ReadFile(program.Json()["attachments"].toString().toStdString() + "/p.png"), "local picture");
}

TEST_F(CaptureCommand, SomeFilesMissingGivesStatusOneWithTheReasons)
{
    ASSERT_EQ(capture(site.Url("/broken.html")), 1) << program.Err();
    const QJsonArray failed = program.Json()["failed"].toArray();
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed[0].toObject()["address"].toString().toStdString(), site.Url("/img/missing.png"));
    EXPECT_NE(failed[0].toObject()["reason"].toString().indexOf(QStringLiteral("404")), -1);
    EXPECT_EQ(program.Json()["local"].toInt(), 1);
    EXPECT_TRUE(Exists(program.Json()["article"].toString().toStdString()));

    ASSERT_EQ(program.Run({site.Url("/broken.html"), outDir}), 1);
    EXPECT_NE(program.Err().find(site.Url("/img/missing.png")), std::string::npos) << program.Err();
    ASSERT_EQ(program.Run({"-q", site.Url("/broken.html"), outDir}), 1);
    EXPECT_TRUE(program.Err().empty()) << program.Err();
}

TEST_F(CaptureCommand, NoPageMeansStatusTwoAndNothingLeftBehind)
{
    for (const std::string& input : {std::string("ftp://127.0.0.1/x.html"), std::string("javascript:alert(1)"),
                                     std::string("http://no-such-host.invalid/"), site.Url("/missing"), site.Url("/huge"),
                                     site.Url("/endless.html"), folder.file("no-such-file.html"), folder.path()}) {
        SCOPED_TRACE(input);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(program.Run({"--json", input, outDir}), 2) << program.Out();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_FALSE(program.Json()["error"].toString().isEmpty());
        EXPECT_NE(program.Err().find("quor-capture: "), std::string::npos);
        EXPECT_TRUE(fs::is_empty(outDir)) << "nothing is left of a capture without a page";
    }
    // Output folders the capture made go again.
    EXPECT_EQ(program.Run({site.Url("/missing"), folder.file("new/out")}), 2);
    EXPECT_FALSE(Exists(folder.file("new")));
}

TEST_F(CaptureCommand, BadUsageGivesStatusTwo)
{
    // The command line's checks themselves are in captureargs_test.cpp.
    const std::string url = site.Url("/page.html");
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {url}, {"--transfers", "0", url, outDir},
                                                 {"--user-agent", "a\r\nX-Evil: 1", url, outDir}}) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(program.Run(args), 2);
        EXPECT_NE(program.Err().find("Try 'quor-capture --help'"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(outDir));
    EXPECT_EQ(program.Run({"--help"}), 0);
    EXPECT_NE(program.Out().find("--catalog"), std::string::npos);
}

TEST_F(CaptureCommand, TheFileTypesOfQuorsOptionsHoldUnlessGiven)
{
    CProfile profile(QUOR_REGISTRY_KEY, QUOR_APP_NAME);
    ASSERT_TRUE(SaveFileTypes(profile, "zip doc "));
    const std::string pdf = site.Url("/docs/guide.pdf");
    ASSERT_EQ(capture(site.Url("/page.html")), 0) << program.Err();
    EXPECT_EQ(program.Json()["found"].toInt(), 6) << "no PDF";
    EXPECT_NE(article().find(pdf), std::string::npos);

    ASSERT_EQ(capture(site.Url("/page.html"), {"--types", "pdf"}), 0) << program.Err();
    EXPECT_EQ(program.Json()["found"].toInt(), 7);
    EXPECT_EQ(article().find(pdf), std::string::npos);

    // A list Quor's options would not have written: said, and the built-in list used.
    ASSERT_TRUE(profile.WriteProfileString("QUORFILTER", "FILTER", "pdf@../x@"));
    ASSERT_EQ(capture(site.Url("/page.html")), 0) << program.Err();
    EXPECT_NE(program.Err().find("are not letters and digits"), std::string::npos) << program.Err();
    EXPECT_EQ(program.Json()["found"].toInt(), 7);
    profile.WriteProfileString("QUORFILTER", "FILTER", "");

    // A settings file that cannot be read is said too.
    ASSERT_TRUE(WriteFile(profile.FileName(), std::string(2 << 20, ';')));
    ASSERT_EQ(capture(site.Url("/page.html")), 0) << program.Err();
    EXPECT_NE(program.Err().find("the built-in file types are used"), std::string::npos) << program.Err();
    EXPECT_EQ(program.Json()["found"].toInt(), 7);
    ASSERT_TRUE(WriteFile(profile.FileName(), ""));
}

TEST_F(CaptureCommand, TheTimeLimitAndAnInterruptKeepWhatCame)
{
    ASSERT_EQ(capture(site.Url("/slow.html"), {"--timeout", "0.5"}), 1) << program.Err();
    EXPECT_LT(program.Seconds(), 2.5);
    EXPECT_EQ(program.Json()["stopped"].toString(), QStringLiteral("time limit"));
    EXPECT_EQ(program.Json()["local"].toInt(), 1);
    EXPECT_EQ(expectLocalLinksPresent(), 1);

    ASSERT_TRUE(program.Start({"--json", site.Url("/slow.html"), outDir}));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(), 1) << program.Err();
    EXPECT_LT(program.Seconds(), 2.5);
    EXPECT_EQ(program.Json()["stopped"].toString(), QStringLiteral("interrupted"));
    EXPECT_TRUE(Exists(program.Json()["article"].toString().toStdString()));
}

TEST_F(CaptureCommand, APageFromTheWebWritesNothingOutsideItsFolder)
{
    const std::set<std::string> before = filesOutside(outDir);
    EXPECT_EQ(capture(site.Url("/hostile.html")), 0) << program.Err();
    EXPECT_EQ(filesOutside(outDir), before);
    const std::string attachments = program.Json()["attachments"].toString().toStdString();
    for (const auto& entry : fs::directory_iterator(attachments)) {
        EXPECT_TRUE(entry.is_regular_file()) << entry.path();
        EXPECT_NE(ReadFile(entry.path()), ReadFile("/etc/hostname")) << "a web page takes no local file";
    }
    EXPECT_EQ(program.Json()["local"].toInt(), 2) << "the two answers that name their files are kept inside";
}

} // namespace
