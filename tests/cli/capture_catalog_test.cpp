// quor-capture --catalog: refused while Quor holds its lock, otherwise the article goes into
// the catalog's data folder under its folder path and the catalog is saved with its backups.
#include "captureprogram.h"
#include "capturecommand.h"
#include "catalog.h"
#include "defaultcatalog.h"
#include "instancelock.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include "localserver.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

class CaptureIntoCatalog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        site.server.set_tcp_nodelay(true);
        site.server.set_pre_routing_handler([this](const httplib::Request&, httplib::Response&) {
            ++requests;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        site.server.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Catalogued</title><p>text</p><img src=\"p.png\">", "text/html");
        });
        site.server.Get("/p.png", [](const httplib::Request&, httplib::Response& res) { res.set_content("png", "image/png"); });
        site.server.Get("/slow.html", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            res.set_content("<title>Slow</title>", "text/html");
        });
        site.Start();
        data = folder.file("data");
        catalogPath = folder.file("QuorCatalog.xml");
        ASSERT_TRUE(WriteFile(catalogPath, DefaultCatalogBytes(data)));
        original = ReadFile(catalogPath);
    }

    int run(const std::string& folderPath, const std::string& page = "/page.html")
    {
        return program.Run({"--json", "--catalog", catalogPath, "--folder", folderPath, site.Url(page)});
    }

    // The item titled title in folder; none when there is none.
    static CXmlNode child(CXmlNode folder, const std::string& title)
    {
        for (int i = 0; i < folder.GetChildCount(); ++i)
            if (folder.GetChild(i).AttributeIs("COMMENT", title))
                return folder.GetChild(i);
        return {};
    }

    std::size_t entriesIn(const std::string& path) const
    {
        std::error_code ec;
        std::size_t n = 0;
        for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
            ++n;
        return n;
    }

    TestFolder folder;
    LocalServer site;
    std::atomic<int> requests{0};
    std::string data, catalogPath, original;
    CaptureProgram program{folder.path()};
};

TEST_F(CaptureIntoCatalog, RefusedWhileQuorRunsAndNothingChanges)
{
    CInstanceLock quor;
    ASSERT_EQ(quor.TryLock(QUOR_INSTANCE_LOCK), CInstanceLock::Result::Acquired);
    EXPECT_EQ(run("Web"), 2);
    EXPECT_NE(program.Err().find("Quor is running"), std::string::npos) << program.Err();
    EXPECT_EQ(ReadFile(catalogPath), original);
    EXPECT_FALSE(Exists(catalogPath + ".bak"));
    EXPECT_EQ(entriesIn(data), 0u);
    EXPECT_EQ(requests, 0) << "refused before anything is fetched";

    quor.Release();
    EXPECT_EQ(run("Web"), 0) << program.Err();
}

TEST_F(CaptureIntoCatalog, AddedUnderItsFolderPathAndSavedWithBackups)
{
    ASSERT_EQ(run("Web/新闻"), 0) << program.Err();
    const std::string afterFirst = ReadFile(catalogPath);
    const QJsonObject json = program.Json();
    EXPECT_EQ(json["folder"].toString(), QStringLiteral("/Web/新闻"));
    const std::string id = json["id"].toString().toStdString();
    const std::string day = data + "/" + id.substr(0, 6);
    EXPECT_EQ(json["article"].toString().toStdString(), day + "/" + id + ".html");
    EXPECT_TRUE(Exists(day + "/" + id + ".html"));
    EXPECT_EQ(entriesIn(day + "/" + id + "_files"), 1u);

    CCatalog catalog;
    std::string error;
    ASSERT_TRUE(catalog.Load(catalogPath, &error)) << error;
    // "新闻" in the recycle folder is another folder: the path starts at the root.
    const CXmlNode news = child(child(catalog.Root(), "Web"), "新闻");
    ASSERT_TRUE(news);
    CatalogItemInfo info;
    ASSERT_TRUE(CCatalog::GetItemInfo(news.GetChild(0), info));
    EXPECT_EQ(info.title, "Catalogued");
    EXPECT_EQ(info.id, id);
    EXPECT_EQ(info.file, id + ".html");
    EXPECT_EQ(info.source, site.Url("/page.html"));
    EXPECT_EQ(info.date, id);

    // Backups and the mirror in the data folder, as Quor's own save makes them.
    EXPECT_EQ(ReadFile(catalogPath + ".bak"), original);
    EXPECT_EQ(ReadFile(data + "/QuorCatalog.xml"), afterFirst);
    bool stamped = false;
    for (const auto& entry : fs::directory_iterator(data))
        stamped = stamped || entry.path().filename().string().rfind("QuorCatalog.xml.bak.", 0) == 0;
    EXPECT_TRUE(stamped);

    ASSERT_EQ(run("/Web/新闻/"), 0) << program.Err();
    EXPECT_EQ(ReadFile(catalogPath + ".bak2"), original);
    EXPECT_EQ(ReadFile(catalogPath + ".bak"), afterFirst);
    ASSERT_TRUE(catalog.Load(catalogPath, &error)) << error;
    const CXmlNode web = child(catalog.Root(), "Web");
    EXPECT_EQ(web.GetChildCount(), 1) << "the folders are found again, not made twice";
    EXPECT_EQ(child(web, "新闻").GetChildCount(), 2);
}

TEST_F(CaptureIntoCatalog, HoldsTheLockUntilItHasSaved)
{
    ASSERT_TRUE(program.Start({"--catalog", catalogPath, site.Url("/slow.html")}));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    CInstanceLock quor;
    EXPECT_EQ(quor.TryLock(QUOR_INSTANCE_LOCK), CInstanceLock::Result::HeldByAnother);
    EXPECT_EQ(program.Wait(), 0) << program.Err();
    EXPECT_NE(ReadFile(catalogPath), original);
    EXPECT_EQ(quor.TryLock(QUOR_INSTANCE_LOCK), CInstanceLock::Result::Acquired);
}

TEST_F(CaptureIntoCatalog, BadCatalogsPathsAndPagesChangeNothing)
{
    {
        CCatalog catalog;
        ASSERT_TRUE(catalog.Load(catalogPath, nullptr));
        catalog.AddItem(catalog.Root(), "Notes", false);
        ASSERT_TRUE(catalog.Document().Save(catalogPath));
    }
    const std::string before = ReadFile(catalogPath);
    const std::size_t dataEntries = entriesIn(data);
    EXPECT_EQ(run("Notes/Sub"), 2);
    EXPECT_NE(program.Err().find("article"), std::string::npos) << program.Err();
    EXPECT_EQ(run("Web", "/missing"), 2);
    EXPECT_EQ(ReadFile(catalogPath), before);
    EXPECT_FALSE(Exists(catalogPath + ".bak"));
    EXPECT_EQ(entriesIn(data), dataEntries) << "no article file and no day folder is left";

    WriteFile(folder.file("broken.xml"), "<DIR COMMENT=\"CATALOG\"><ARTICLE");
    EXPECT_EQ(program.Run({"--catalog", folder.file("broken.xml"), site.Url("/page.html")}), 2);
    EXPECT_EQ(program.Run({"--catalog", folder.file("none.xml"), site.Url("/page.html")}), 2);
    EXPECT_EQ(ReadFile(folder.file("broken.xml")), "<DIR COMMENT=\"CATALOG\"><ARTICLE");
    EXPECT_FALSE(Exists(folder.file("none.xml")));
}

} // namespace
