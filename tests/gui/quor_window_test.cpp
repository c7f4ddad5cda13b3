// The real window on an X server, and the Super+V hot key.
#include "globalhotkey.h"
#include "quordoc.h"
#include "quorview.h"
#include "storage.h"
#include "missiontable.h"
#include "quorprocess.h"
#include "pngpicture.h"
#include "testenv.h"
#include "xinput.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <httplib.h>

#include <fstream>
#include <regex>
#include <thread>

#include <QCoreApplication>

#include <filesystem>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

TEST(QuorWindow, MainWindowShowsWithTheCatalogName)
{
    TestFolder cwd;
    QuorProcess quor(cwd.path());
    quor.start();
    const QString title = QStringLiteral("\"QuorCatalog.xml - Quor\"");
    ASSERT_TRUE(WaitUntil([&] { return windowTree().contains(title); }, 90000)) << quor.output().toStdString();

    // Let the start page render, then keep a picture of the window for people to look at.
    WaitUntil([] { return false; }, 4000);
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                 QStringLiteral(QUOR_SCREENSHOT)});
    quor.terminate();
    EXPECT_TRUE(quor.waitForExit(20000));
    EXPECT_EQ(quor.exitCode(), 0);
}

TEST(GlobalHotKey, RegistersOnXAndStepsAsideWhenAnotherProgramOwnsTheKey)
{
    CGlobalHotKey ours;
    ASSERT_TRUE(ours.Register());
    EXPECT_TRUE(ours.IsRegistered());
    ours.Unregister();
    EXPECT_FALSE(ours.IsRegistered());

    // Another X client takes Super+V first.
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(other)).data;
    const xcb_keycode_t v = keycodeOf(other, 0x76);
    ASSERT_NE(v, 0);
    xcb_generic_error_t* error = xcb_request_check(
        other, xcb_grab_key_checked(other, 1, screen->root, XCB_MOD_MASK_4, v, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_EQ(error, nullptr);

    CGlobalHotKey refused;
    EXPECT_FALSE(refused.Register());
    EXPECT_FALSE(refused.IsRegistered());
    xcb_disconnect(other);

    // The server lets the grab go when it has seen the other client leave.
    CGlobalHotKey again;
    EXPECT_TRUE(WaitUntil([&] { return again.Register(); }, 5000)) << "free again once the other program is gone";
}

TEST(GlobalHotKey, SuperVFromAnyWindowActivates)
{
    CGlobalHotKey hotKey;
    ASSERT_TRUE(hotKey.Register());
    int activations = 0;
    QObject::connect(&hotKey, &CGlobalHotKey::activated, [&] { ++activations; });

    xcb_connection_t* keyboard = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(keyboard));
    const xcb_keycode_t super = keycodeOf(keyboard, 0xffeb); // Super_L
    const xcb_keycode_t v = keycodeOf(keyboard, 0x76);
    ASSERT_NE(super, 0);
    ASSERT_NE(v, 0);

    fakeKey(keyboard, v, true); // V alone is not the hot key
    fakeKey(keyboard, v, false);
    fakeKey(keyboard, super, true);
    fakeKey(keyboard, v, true);
    fakeKey(keyboard, v, false);
    fakeKey(keyboard, super, false);
    xcb_flush(keyboard);
    WaitUntil([&] { return activations > 0; }, 5000);
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(activations, 1);
    xcb_disconnect(keyboard);
}

TEST(QuorView, CtrlClickFetchesOnceTheViewsOwnNavigationIsDone)
{
    CQuorDoc doc;
    CQuorView view(&doc);
    const QUrl link(QStringLiteral("http://a.example/x.png"));
    EXPECT_TRUE(view.BeforeNavigate(link, true, true)) << "no fetching without a handler";

    std::vector<QUrl> fetched;
    view.SetForceDownload([&](const QUrl& url) { fetched.push_back(url); });
    view.m_bOwnNavigation = true;
    EXPECT_TRUE(view.BeforeNavigate(link, true, true)) << "the view's own navigation is shielded";
    EXPECT_TRUE(fetched.empty());
    EXPECT_FALSE(view.BeforeNavigate(link, true, true)) << "once only";
    EXPECT_EQ(fetched, std::vector<QUrl>{link});
    EXPECT_TRUE(view.BeforeNavigate(link, true, false)) << "without Ctrl the link opens";
    EXPECT_TRUE(view.BeforeNavigate(link, false, true)) << "only clicked links";
    EXPECT_EQ(fetched.size(), 1u);
    EXPECT_FALSE(view.page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
}

TEST(QuorView, ShowsAnArticleFromTheDataFolderWithoutRunningItsScripts)
{
    TestFolder folder;
    const std::string article = folder.file("a#1 %20/070315142233042.html");
    std::filesystem::create_directories(folder.file("a#1 %20"));
    ASSERT_TRUE(WriteFile(article, "<html><head><title>Saved</title><script>document.title='ran'</script></head>"
                                   "<body><p>\xE4\xB8\xAD</p></body></html>"));
    CQuorDoc doc;
    CQuorView view(&doc);
    view.resize(400, 300);
    view.show();
    bool loaded = false, ok = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool success) {
        loaded = true;
        ok = success;
    });
    doc.m_strArticleUrl = PathToFileUrl(article);
    view.OnNavigate();
    ASSERT_TRUE(WaitUntil([&] { return loaded; }, 30000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(view.title(), QStringLiteral("Saved")) << "the title script must not run";
    EXPECT_EQ(view.url(), QUrl::fromLocalFile(QString::fromStdString(article)));
}

TEST(QuorCapture, CtrlVMakesATitledArticleWhosePicturesShowWithTheSiteGone)
{
    // The page's site, with a real picture and a style sheet that needs another.
    httplib::Server site;
    const QByteArray png = PngPicture();
    const std::string picture(png.constData(), static_cast<std::size_t>(png.size()));
    site.Get("/pic.png", [&](const httplib::Request&, httplib::Response& res) { res.set_content(picture, "image/png"); });
    site.Get("/bg.png", [&](const httplib::Request&, httplib::Response& res) { res.set_content(picture, "image/png"); });
    site.Get("/site.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("body{background:url(bg.png)}", "text/css");
    });
    const int port = site.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { site.listen_after_bind(); });
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    struct Stop
    {
        httplib::Server& server;
        std::thread& thread;
        ~Stop()
        {
            server.stop();
            if (thread.joinable())
                thread.join();
        }
    } stop{site, serving};

    TestFolder cwd;
    QuorProcess quor(cwd.path());
    quor.start();
    ASSERT_TRUE(WaitUntil([&] { return windowTree().contains(QStringLiteral(" - Quor\"")); }, 90000));
    WaitUntil([] { return false; }, 2000);

    // The clipboard as Firefox fills it: the fragment as text/html, the page address apart.
    auto* data = new QMimeData;
    data->setHtml(QStringLiteral("<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">"
                                 "<link rel=stylesheet href=\"site.css\"><h2>Offline \u4E2D</h2>"
                                 "<p>Seen <img src=\"pic.png\" id=p> <script>alert(1)</script></p>"));
    const QString address = QString::fromStdString(base + "story.html");
    data->setData(QStringLiteral("text/x-moz-url-priv"),
                  QByteArray(reinterpret_cast<const char*>(address.utf16()), address.size() * 2));
    QGuiApplication::clipboard()->setMimeData(data);

    // A click on the catalog gives Quor the keyboard; Ctrl+V is tried again when a busy
    // machine let the first keys go astray.
    const std::string dataFolder = std::string(::getenv("HOME")) + "/QuorCollection1";
    std::string article;
    const auto findArticle = [&] {
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dataFolder, ec))
            if (entry.path().extension() == ".html")
                article = entry.path().string();
        return !article.empty();
    };
    for (int attempt = 0; attempt < 4 && !findArticle(); ++attempt) {
        clickAt(80, 83); // the catalog's root
        WaitUntil([] { return false; }, 1000);
        pressKeys({0xffe1}); // a first key after the click wakes the keyboard focus
        WaitUntil([] { return false; }, 500);
        pressKeys({0xffe3, 0x76}); // Ctrl+V
        WaitUntil(findArticle, 10000);
    }
    ASSERT_FALSE(article.empty()) << quor.output().toStdString();
    WaitUntil([] { return false; }, 1000);
    quor.terminate();
    ASSERT_TRUE(quor.waitForExit(20000));

    // Saved with its title, its page written once, without the script.
    std::ifstream catalogFile(dataFolder + "/QuorCatalog.xml");
    const std::string catalog((std::istreambuf_iterator<char>(catalogFile)), std::istreambuf_iterator<char>());
    EXPECT_NE(catalog.find("COMMENT=\"Offline \xD6\xD0\""), std::string::npos) << catalog;
    EXPECT_NE(catalog.find("SOURCE=\"" + base + "story.html\""), std::string::npos) << catalog;
    std::ifstream articleFile(article);
    const std::string html((std::istreambuf_iterator<char>(articleFile)), std::istreambuf_iterator<char>());
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = html.find(what); at != std::string::npos; at = html.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("Offline &#20013;"), 1u) << html;
    EXPECT_EQ(count("<META"), 1u) << html;
    EXPECT_EQ(count("alert"), 0u) << html;

    // With the site gone, the article still shows its pictures.
    site.stop();
    serving.join();
    QWebEngineView view;
    view.resize(400, 300);
    view.show();
    bool loaded = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool) { loaded = true; });
    view.load(QUrl::fromLocalFile(QString::fromStdString(article)));
    ASSERT_TRUE(WaitUntil([&] { return loaded; }, 30000));
    QVariant width, background;
    view.page()->runJavaScript(QStringLiteral("document.getElementById('p').naturalWidth"),
                               [&](const QVariant& v) { width = v; });
    view.page()->runJavaScript(QStringLiteral("getComputedStyle(document.body).backgroundImage"),
                               [&](const QVariant& v) { background = v; });
    ASSERT_TRUE(WaitUntil([&] { return width.isValid() && background.isValid(); }, 10000));
    EXPECT_EQ(width.toInt(), 8) << html;
    EXPECT_TRUE(background.toString().contains(QStringLiteral("file://"))) << background.toString().toStdString();
}
