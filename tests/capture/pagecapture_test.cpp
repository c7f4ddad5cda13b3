// Whole captures of test pages from two local servers: everything a page embeds comes into
// the attachment folder once, links and style sheets point at the copies, failures are named.
#include "appglobals.h"
#include "articlepage.h"
#include "cssurls.h"
#include "linklocalizer.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include "localserver.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <regex>

namespace {

std::string lowered(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

class Capture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_szFileTypes = DEFAULT_FILE_TYPES;
        g_downloaded.clear();
        attachDir = folder.file("070315142233042_files");
        std::filesystem::create_directories(attachDir);
        for (LocalServer* server : {&site, &cdn}) {
            server->server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
                const std::lock_guard lock(mutex);
                ++hits[req.path];
                return httplib::Server::HandlerResponse::Unhandled;
            });
        }
        serve(site, "/css/site.css",
              "@import \"more.css\";\nbody{background:url(../img/bg.png)}\n"
              "@font-face{font-family:F;src:url(fonts/f.woff2) format(\"woff2\"),url('fonts/f.woff') format('woff')}",
              "text/css");
        serve(site, "/css/more.css", "@import url(site.css);\n.x{background:url(\"x.gif?v=2\")}", "text/css");
        for (const char* picture : {"/img/bg.png", "/css/x.gif", "/img/a.png", "/img/b.png", "/img/c.png", "/img/d.webp",
                                    "/img/e.png", "/img/f.png", "/img/p.jpg", "/img/s.svg", "/fav.ico", "/img/style.png",
                                    "/img/div.png"})
            serve(site, picture, std::string("picture ") + picture, "image/png");
        serve(site, "/css/fonts/f.woff2", "woff2", "font/woff2");
        serve(site, "/css/fonts/f.woff", "woff", "font/woff");
        serve(site, "/movie.mp4", "movie", "video/mp4");
        serve(site, "/doc/x.pdf", "pdf", "application/pdf");
        serve(cdn, "/assets/logo.png", "logo", "image/png");
        serve(cdn, "/lib/theme.css", "h1{background:url(../fonts/title.png)}", "text/css");
        serve(cdn, "/fonts/title.png", "title", "image/png");
        site.Start();
        cdn.Start();
    }

    void serve(LocalServer& server, const std::string& path, const std::string& body, const std::string& type)
    {
        server.server.Get(path, [body, type](const httplib::Request&, httplib::Response& res) { res.set_content(body, type); });
    }

    ProcessedPage capture(const std::string& page, const std::string& source)
    {
        CaptureFetcher fetcher;
        fetcher.download = [this](std::vector<DownloadRequest>& requests) {
            ++rounds;
            return RunDownloadRound(queue, requests, {}, abort);
        };
        return ProcessArticlePage(page, source, true, attachDir, "070315142233042_files", fetcher);
    }

    // Every local link of the page names a file that is in the folder.
    void expectLinksPresent(const std::string& html)
    {
        const std::regex local("070315142233042_files/([A-Za-z0-9._%-]+)");
        for (auto it = std::sregex_iterator(html.begin(), html.end(), local); it != std::sregex_iterator(); ++it)
            EXPECT_TRUE(Exists(attachDir + "/" + (*it)[1].str())) << (*it)[0].str();
    }

    std::string sheetIn(const std::string& html, const std::string& marker)
    {
        for (const auto& entry : std::filesystem::directory_iterator(attachDir)) {
            const std::string text = ReadFile(entry.path().string());
            if (entry.path().extension() == ".css" && text.find(marker) != std::string::npos)
                return entry.path().string();
        }
        ADD_FAILURE() << "no sheet with " << marker << " in " << html;
        return {};
    }

    int hitsOf(const std::string& path)
    {
        const std::lock_guard lock(mutex);
        return hits[path];
    }

    TestFolder folder;
    std::string attachDir;
    LocalServer site, cdn;
    std::mutex mutex;
    std::map<std::string, int> hits;
    CDownloadQueue queue;
    std::atomic<bool> abort{false};
    int rounds = 0;
};

} // namespace

TEST_F(Capture, EveryKindOfEmbeddedResourceComesLocal)
{
    const std::string page =
        "<html><head><link rel=stylesheet href=\"css/site.css\"><link rel=\"shortcut icon\" href=\"/fav.ico\">"
        "<style>p{background:url(img/style.png)}</style></head><body>"
        "<img src=img/a.png srcset=\"img/b.png 2x, img/c.png 3x\" alt=a>"
        "<picture><source srcset=\"img/d.webp 1x\"><img src=img/a.png></picture>"
        "<img src=\"data:image/gif;base64,R0lGOD\" data-src=\"img/e.png\" data-srcset=\"img/f.png 2x\">"
        "<video poster=img/p.jpg src=movie.mp4 controls></video>"
        "<svg><image href=\"img/s.svg\" /></svg>"
        "<div style=\"background:url(&quot;img/div.png&quot;)\">d</div>"
        "<a href=\"doc/x.pdf#page=2\">pdf</a><a href=\"other.html\">page</a>"
        "<script src=\"js/app.js\"></script><iframe src=\"frame.html\"></iframe>"
        "</body></html>";
    const ProcessedPage out = capture(page, site.Url("/index.html"));
    const std::string& html = out.html;
    EXPECT_TRUE(out.result.failures.empty()) << LocalizeFailureText(out.result);
    EXPECT_EQ(out.result.local, out.result.found);
    EXPECT_EQ(out.result.found, 19u) << "the page's files, its sheets' files and the pdf; no script, no frame";
    expectLinksPresent(html);
    // Nothing of the page still points at the site, except the plain link.
    EXPECT_EQ(html.find(site.Url("/img")), std::string::npos) << html;
    EXPECT_NE(html.find(site.Url("/other.html")), std::string::npos) << "linked pages become absolute";
    EXPECT_NE(html.find(".pdf#page=2\""), std::string::npos) << "the anchor survives";
    EXPECT_NE(html.find("controls"), std::string::npos);
    EXPECT_EQ(html.find("data-src"), std::string::npos) << "the lazy picture became the picture";
    EXPECT_EQ(html.find("app.js"), std::string::npos);
    EXPECT_EQ(hitsOf("/js/app.js") + hitsOf("/frame.html"), 0) << "removed elements fetch nothing";

    // The sheets point at their copies, which are all there; the import loop ends.
    const std::string site_css = ReadFile(sheetIn(html, "font-family:F"));
    for (const CssReference& ref : FindCssReferences(site_css)) {
        EXPECT_EQ(ref.url.find('/'), std::string::npos) << ref.url;
        EXPECT_TRUE(Exists(attachDir + "/" + ref.url)) << ref.url;
    }
    EXPECT_EQ(ReadFile(sheetIn(html, ".x{")).find("url(site.css)"), std::string::npos);
    for (const char* path : {"/css/site.css", "/css/more.css", "/img/a.png", "/css/x.gif"})
        EXPECT_EQ(hitsOf(path), 1) << path << " is fetched once";
    EXPECT_LE(rounds, 4);
}

TEST_F(Capture, SecondHostAndBaseHref)
{
    const std::string page = "<head><base href=\"" + cdn.Url("/assets/") +
                             "\"><link rel=stylesheet href=\"" + cdn.Url("/lib/theme.css") +
                             "\"></head><body><img src=logo.png><a href=\"../x.html\">x</a></body>";
    const ProcessedPage out = capture(page, site.Url("/blog/post.html"));
    EXPECT_TRUE(out.result.failures.empty()) << LocalizeFailureText(out.result);
    EXPECT_EQ(out.result.local, 3u);
    EXPECT_EQ(out.html.find("<BASE"), std::string::npos) << "no base sends local links back to the site";
    EXPECT_NE(out.html.find(cdn.Url("/x.html")), std::string::npos) << "links resolve against the base";
    EXPECT_EQ(hitsOf("/fonts/title.png"), 1) << "a sheet's links resolve against the sheet";
    expectLinksPresent(out.html);
}

// What a browser would refuse a copy opened from the disk, or what only a script of the page
// would have done, is made so that the copy shows as the live page did.
TEST_F(Capture, CopiesShowWhereBrowsersRuleOutFilesAndScriptsAreGone)
{
    serve(site, "/css/late.css", "p{color:red}", "text/css");
    serve(site, "/css/print.css", "p{color:blue}", "text/css");
    serve(site, "/css/masks.css",
          ".m{-webkit-mask-image:url(../img/mask.svg);mask:url(../img/mask.svg#m) no-repeat}\n"
          ".u{background:var(--swatch)}\n.b{background:url(../img/bg.png)}",
          "text/css");
    serve(site, "/fonts/display.woff2", "woff2", "font/woff2");
    serve(site, "/img/mask.svg", "<svg/>", "image/svg+xml");
    serve(site, "/img/sprite.svg",
          "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"><symbol id=\"i-search\" viewBox=\"0 0 8 8\">"
          "<path d=\"M0 0h8\" onclick=\"x()\"/></symbol><script>alert(1)</script><symbol id=\"i-menu\"/></svg>\n",
          "image/svg+xml");
    serve(site, "/img/broken.svg",
          "<!-- <svg><img src=x onerror=alert(2)> --><desc title=\"<svg><script>alert(3)</script>\"></desc>"
          "<svg><style>body{display:none}</style><foreignObject><img src=\"http://example.invalid/x.png\">"
          "</foreignObject><image href=\"http://example.invalid/y.png\"/><symbol id=\"b\"><title>never closed"
          "<path fill=\"url(http://example.invalid/#g)\" d=\"M0\"/><rect style=\"position:fixed\" width=\"9\"/>"
          "<g><!-- </svg>",
          "image/svg+xml");
    const std::string page =
        "<head><link rel=stylesheet href=css/masks.css integrity=\"sha384-x\" crossorigin=anonymous>"
        "<link rel=preload as=style href=css/late.css onload=\"this.onload=null;this.rel='stylesheet'\">"
        "<link rel=stylesheet href=css/print.css media=print onload=\"this.media=&quot;all&quot;\">"
        "<link rel=preload as=font href=/fonts/display.woff2 type=font/woff2 crossorigin>"
        "<link rel=preload as=image href=img/a.png imagesrcset=\"img/b.png 2x\">"
        "<link rel=preload as=script href=js/app.js><link rel=modulepreload href=js/mod.js></head>"
        "<body><span style=\"--swatch: url(img/e.png); color: red\">s</span>"
        "<svg><use href=\"img/sprite.svg#i-search\"/></svg><svg><use xlink:href=\"img/sprite.svg#i-menu\"/></svg>"
        "<svg><use href=\"img/broken.svg#b\"/></svg>"
        "<img src=img/c.png crossorigin=anonymous></body>";
    const ProcessedPage out = capture(page, site.Url("/index.html"));
    const std::string& html = out.html;
    EXPECT_TRUE(out.result.failures.empty()) << LocalizeFailureText(out.result);
    EXPECT_EQ(out.result.local, out.result.found);
    expectLinksPresent(html);
    EXPECT_EQ(html.find(site.Url("/")), std::string::npos) << "preloads point at the copies too: " << html;
    EXPECT_EQ(html.find(".js"), std::string::npos) << "no script is preloaded: " << html;
    EXPECT_EQ(html.find("integrity"), std::string::npos) << html;
    EXPECT_EQ(html.find("crossorigin"), std::string::npos) << html;
    EXPECT_EQ(html.find("as = \"style\""), std::string::npos) << "the preloaded sheet is a sheet: " << html;
    EXPECT_EQ(html.find("media"), std::string::npos) << "the print sheet is shown: " << html;

    // The shapes of another file are put into the page once, and nothing else of it: no
    // script, handler, style, text, comment or link out, every element closed.
    EXPECT_NE(html.find("href = \"#i-search\""), std::string::npos) << html;
    EXPECT_NE(html.find("xlink:href = \"#i-menu\""), std::string::npos) << html;
    EXPECT_NE(html.find("href = \"#b\""), std::string::npos) << html;
    EXPECT_NE(html.find("<symbol id=\"i-search\" viewBox=\"0 0 8 8\"><path d=\"M0 0h8\"/></symbol>"),
              std::string::npos) << html;
    EXPECT_EQ(html.find("<symbol id=\"i-search\""), html.rfind("<symbol id=\"i-search\"")) << html;
    const std::size_t shapesAt = html.find("<BODY >");
    const std::string shapes = lowered(html.substr(shapesAt, html.find("<SPAN") - shapesAt));
    for (const char* never : {"alert", "onclick", "onerror", "script", "display:none", "position:fixed", "foreignobject",
                              "example.invalid", "never closed", "<!--", "<image", "<img", "<desc"})
        EXPECT_EQ(shapes.find(never), std::string::npos) << never << " in " << shapes;
    EXPECT_NE(shapes.find("<svg><symbol id=\"b\"></symbol></svg></svg>"), std::string::npos) << shapes;

    // Masks and custom properties carry their pictures in them; other links stay files.
    const std::string masks = ReadFile(sheetIn(html, ".m{"));
    EXPECT_NE(masks.find("-webkit-mask-image:url(\"data:image/svg+xml;base64,PHN2Zy8+\")"), std::string::npos) << masks;
    EXPECT_NE(masks.find(";mask:url(\"data:image/svg+xml;base64,PHN2Zy8+#m\")"), std::string::npos) << masks;
    EXPECT_NE(masks.find("bg.png"), std::string::npos) << masks;
    const std::string encoded = "cGljdHVyZSAvaW1nL2UucG5n"; // the picture's bytes in base64
    EXPECT_NE(html.find("--swatch: url(&quot;data:image/png;base64," + encoded + "&quot;)"), std::string::npos)
        << html;
}

// Pictures that a lazy loader would have put in place are shown once, as loaded, whatever
// attribute the loader keeps them in.
TEST_F(Capture, LazyPicturesShowOnceAsLoaded)
{
    const std::string page =
        "<p><img class=\"lazy lazy-hidden wp-image-1\" src=\"/wp/lazy_placeholder.gif\" data-src=\"img/a.png\" "
        "data-srcset=\"img/a.png 1024w, img/b.png 300w\" srcset=\"\">\n <noscript><img src=\"img/a.png\"></noscript></p>"
        "<p><img class=\"lazyload\" data-src=\"img/c.png\"><noscript>Turn scripts on</noscript></p>"
        "<p><img src=\"static/image/common/none.gif\" zoomfile=\"img/e.png\" file=\"img/e.png\" width=600></p>"
        "<p><img src=\"img/f.png\" file=\"img/p.jpg\"></p>"
        "<noscript><img src=\"img/s.svg\"></noscript>"
        "<p><img data-src=\"img/missing.png\"><noscript><img src=\"img/missing.png\"></noscript></p>";
    const ProcessedPage out = capture(page, site.Url("/index.html"));
    const std::string& html = out.html;
    expectLinksPresent(html);
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = html.find(what); at != std::string::npos; at = html.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("a.png\""), 1u) << "the NOSCRIPT twin is left out: " << html;
    EXPECT_EQ(count("a.png 1024w"), 1u) << html;
    EXPECT_NE(html.find("class = \"lazy lazy-loaded wp-image-1\""), std::string::npos) << html;
    EXPECT_NE(html.find("class = \"lazyloaded\""), std::string::npos) << html;
    EXPECT_NE(html.find("Turn scripts on"), std::string::npos) << "only a picture's twin goes";
    EXPECT_EQ(count("e.png\""), 1u) << "the forum's attachment is the picture: " << html;
    EXPECT_EQ(html.find("none.gif"), std::string::npos) << html;
    EXPECT_EQ(count("f.png\""), 1u) << "a real picture stays: " << html;
    EXPECT_EQ(count("s.svg"), 1u) << "a NOSCRIPT picture of its own stays: " << html;
    EXPECT_EQ(count(" = \"" + site.Url("/img/missing.png") + "\""), 2u)
        << "a picture that did not come keeps its address, and so does its twin: " << html;
}

TEST_F(Capture, FailuresAreNamedAndLocalFilesStayOutOfWebPages)
{
    const std::string secret = folder.file("id_rsa");
    WriteFile(secret, "private key");
    const std::string page = "<img src=img/a.png><img src=\"missing.png\"><img src=\"file://" + secret +
                             "\"><td background=gone.png>x</td><a href=gone.zip>z</a>";
    const ProcessedPage out = capture(page, site.Url("/index.html"));
    EXPECT_EQ(out.result.failures, (std::vector<std::string>{site.Url("/missing.png"), site.Url("/gone.png")}));
    EXPECT_EQ(out.result.hrefFailures, (std::vector<std::string>{site.Url("/gone.zip")}));
    EXPECT_NE(out.html.find("<TD >"), std::string::npos) << "a background that did not come goes";
    EXPECT_NE(out.html.find("\"" + site.Url("/missing.png") + "\""), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(attachDir))
        EXPECT_NE(ReadFile(entry.path().string()), "private key") << "a web page never pulls in a local file";
    EXPECT_EQ(LocalizeFailureText(out.result),
              "Download Files Fail:\r\n" + site.Url("/missing.png") + "\r\n" + site.Url("/gone.png") + "\r\n");

    // A page from a local file may take its local pictures.
    WriteFile(folder.file("pic.png"), "local picture");
    const ProcessedPage local = capture("<img src=pic.png>", "file://" + folder.file("page.html"));
    EXPECT_TRUE(local.result.failures.empty());
    EXPECT_TRUE(Exists(attachDir + "/pic.png"));
}

TEST_F(Capture, HugePagesAndAddressesFetchedOnceAcrossCaptures)
{
    std::string page;
    for (int i = 0; i < 100000; ++i)
        page += "<a href=\"p" + std::to_string(i) + ".html\">" + std::to_string(i) + "</a><img src=img/a.png>";
    const ProcessedPage out = capture(page, site.Url("/index.html"));
    EXPECT_EQ(out.result.found, 1u);
    EXPECT_EQ(hitsOf("/img/a.png"), 1);
    // A second capture in the same run takes the picture from the first.
    const ProcessedPage again = capture("<img src=img/a.png>", site.Url("/index.html"));
    EXPECT_EQ(again.result.local, 1u);
    EXPECT_EQ(hitsOf("/img/a.png"), 1);
}

TEST(ArticleTitle, TitleOrTheFirstLineOfText)
{
    EXPECT_EQ(ArticleTitle("<title>Hello</title><p>x"), "Hello");
    EXPECT_EQ(ArticleTitle("<p>Short</p><p>A much longer second line of text</p>"), "Short");
    EXPECT_EQ(ArticleTitle("<p>" + std::string(30, 'a') + "</p><p>b</p>"), std::string(30, 'a'));
    EXPECT_EQ(ArticleTitle("<p>" + std::string(70, 'z') + "</p>"), std::string(50, 'z'));
    // Fifty bytes of code page 936 end on a whole character.
    std::string chinese;
    for (int i = 0; i < 30; ++i)
        chinese += "\xE4\xB8\xAD";
    EXPECT_EQ(ArticleTitle("<p>a" + chinese + "</p>"), "a" + chinese.substr(0, 24 * 3));
    EXPECT_EQ(ArticleTitle(""), "New Article");
    // A GBK page with its declaration.
    EXPECT_EQ(ArticleTitle("<meta charset=gbk><title>\xD6\xD0\xCE\xC4</title>"), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST_F(Capture, CancelReportsWhatDidNotComeInsteadOfSuccess)
{
    // Cancel is pressed as the first round ends: the sheet came, the picture it needs did not.
    CaptureFetcher fetcher;
    fetcher.download = [this](std::vector<DownloadRequest>& requests) {
        RunDownloadRound(queue, requests, {}, abort);
        return false;
    };
    const ProcessedPage out = ProcessArticlePage("<link rel=stylesheet href=css/more.css><img src=img/a.png>",
                                                 site.Url("/index.html"), true, attachDir, "070315142233042_files", fetcher);
    EXPECT_TRUE(out.result.cancelled);
    EXPECT_EQ(out.result.local, 2u);
    EXPECT_EQ(out.result.failures, (std::vector<std::string>{site.Url("/css/site.css"), site.Url("/css/x.gif?v=2")}));
    EXPECT_FALSE(LocalizeFailureText(out.result).empty()) << "no success is reported for a page that is not whole";
    EXPECT_EQ(hitsOf("/css/x.gif"), 0);
}
