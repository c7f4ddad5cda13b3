// Load, save and lookups on a large catalog, for comparison with xmllint on the same file.
//
//   catalog_bench --generate FILE [ARTICLES FOLDERS]  writes a gb2312 catalog of ARTICLES
//                                                     (100000) in FOLDERS (1000), Chinese titles
//   catalog_bench FILE [KEYWORD]                      times each operation (best of 5) and
//                                                     prints key=value lines
#include "catalog.h"
#include "fileutil.h"
#include "codepage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double BestOf(int runs, const std::function<void()>& f)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

long PeakRssKib()
{
    struct rusage usage
    {
    };
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Id(long n)
{
    char id[32];
    std::snprintf(id, sizeof id, "%015ld", 80101000000000L + n * 7);
    return id;
}

int Generate(const std::string& path, long articles, long folders)
{
    const std::string folder = path.substr(0, path.rfind('/') + 1);
    std::string xml =
        "<DIR COMMENT=\"CATALOG\" ROOTDIR=\"" + folder + "data\"><DIR COMMENT=\"RECYCLE\"/>";
    xml.reserve(static_cast<std::size_t>(articles) * 200);
    const long perFolder = std::max(1L, articles / std::max(1L, folders));
    long n = 0;
    for (long f = 0; f < folders; ++f) {
        xml += "<DIR COMMENT=\"文件夹 " + std::to_string(f) + " 新闻资料\">";
        for (long a = 0; a < perFolder && n < articles; ++a, ++n) {
            const std::string id = Id(n);
            xml += "<ARTICLE COMMENT=\"中文标题 Article " + std::to_string(n) +
                   " 笔记 &amp; 收藏\" ID=\"" + id + "\" FILE=\"" + id +
                   ".html\" SOURCE=\"http://example.com/news/" + std::to_string(n) +
                   ".html?a=1&amp;b=2\" DATE=\"" + id + "\"/>";
        }
        xml += "</DIR>";
    }
    xml += "</DIR>";
    const std::string bytes =
        "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n" + Utf8ToGbkWithCharRefs(xml) + "\r\n";
    std::string error;
    if (!WriteFileAtomically(path, bytes, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("generated=%s articles=%ld folders=%ld bytes=%zu\n", path.c_str(), n, folders,
                bytes.size());
    return 0;
}

// ASCII upper case, as the tree's find does.
std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

int Run(const std::string& path, const std::string& keyword)
{
    const long baseline = PeakRssKib();
    CCatalog catalog;
    std::string error;
    if (!catalog.Load(path, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const long loaded = PeakRssKib();
    const double load = BestOf(5, [&] {
        CCatalog c;
        if (!c.Load(path, &error)) std::abort();
    });
    std::vector<CXmlNode> items;
    CCatalog::CollectItems(catalog.Root(), items);
    const std::string lastId = items.back().GetAttribute("ID");

    std::size_t size = 0;
    const double serialise = BestOf(5, [&] { size = catalog.Document().SaveToString().size(); });
    const std::string copy = path + ".copy";
    const double save = BestOf(5, [&] {
        if (!catalog.Document().Save(copy, &error)) std::abort();
    });
    const double catalogSave = BestOf(3, [&] {
        if (!catalog.Save(copy, &error)) std::abort();
    });

    CXmlNode found;
    const double byId = BestOf(5, [&] { found = catalog.FindById(lastId); });
    const std::string key = Upper(keyword);
    int matches = 0;
    const double inTitles = BestOf(5, [&] {
        std::vector<CXmlNode> all;
        CCatalog::CollectItems(catalog.Root(), all);
        matches = 0;
        CatalogItemInfo info;
        for (const CXmlNode& n : all) {
            CCatalog::GetItemInfo(n, info);
            if (Upper(info.title).find(key) != std::string::npos) ++matches;
        }
    });

    std::printf("items=%zu saved_bytes=%zu\n", items.size(), size);
    std::printf("load_seconds=%.4f\n", load);
    std::printf("serialise_seconds=%.4f\n", serialise);
    std::printf("save_seconds=%.4f\n", save);
    std::printf("catalog_save_seconds=%.4f\n", catalogSave);
    std::printf("findbyid_seconds=%.6f found=%d\n", byId, found == items.back() ? 1 : 0);
    std::printf("find_titles_seconds=%.4f matches=%d\n", inTitles, matches);
    std::printf("rss_kib_before=%ld rss_kib_loaded=%ld rss_kib_peak=%ld\n", baseline, loaded,
                PeakRssKib());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--generate")
        return Generate(argv[2], argc > 3 ? std::atol(argv[3]) : 100000,
                        argc > 4 ? std::atol(argv[4]) : 1000);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s --generate FILE [ARTICLES FOLDERS] | FILE [KEYWORD]\n",
                     argv[0]);
        return 2;
    }
    return Run(argv[1], argc > 2 ? argv[2] : "article 99999");
}
