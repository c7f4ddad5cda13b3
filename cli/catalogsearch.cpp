#include "catalogsearch.h"

#include "catalogfolder.h"
#include "fileutil.h"
#include "htmltext.h"
#include "storage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <thread>

namespace {

std::string blanked(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    return text;
}

} // namespace

SearchResult SearchCatalog(const CCatalog& catalog, const std::string& keyword, unsigned threads)
{
    SearchResult result;
    std::vector<CXmlNode> items;
    if (catalog.Root())
        CCatalog::CollectItems(catalog.Root(), items);
    if (!items.empty())
        items.erase(items.begin()); // the search starts after the root
    // The DOM is read here only; the threads see plain strings.
    std::vector<CatalogItemInfo> infos(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        CCatalog::GetItemInfo(items[i], infos[i]);

    std::vector<ItemMatch> matches(items.size(), ItemMatch::None);
    std::vector<std::string> paths(items.size()); // the article files searched
    std::atomic<std::size_t> next{0};
    constexpr std::size_t kChunk = 8;
    const auto work = [&] {
        for (;;) {
            const std::size_t from = next.fetch_add(kChunk);
            if (from >= infos.size())
                return;
            for (std::size_t i = from; i < std::min(from + kChunk, infos.size()); ++i)
                matches[i] = MatchCatalogItem(infos[i].title, infos[i].file, keyword, true, {}, &paths[i]);
        }
    };
    if (threads == 0)
        threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, items.size() / kChunk + 1));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& thread : pool)
        thread.join();

    for (std::size_t i = 0; i < items.size(); ++i) {
        if (matches[i] == ItemMatch::Unreadable) {
            result.unreadable.push_back(paths[i]);
            continue;
        }
        if (matches[i] == ItemMatch::None)
            continue;
        SearchHit hit;
        hit.folder = FolderPathOf(items[i]);
        hit.title = infos[i].title;
        if (CCatalog::IsArticle(items[i]) && !IsFolderFile(infos[i].file)) {
            hit.file = matches[i] == ItemMatch::Text ? paths[i] : ResolveArticleFile(infos[i].file);
            if (hit.file.empty())
                hit.file = infos[i].file;
        }
        result.hits.push_back(std::move(hit));
    }
    return result;
}

std::string SearchHitLine(const SearchHit& hit)
{
    return blanked(hit.folder) + "\t" + blanked(hit.title) + "\t" + blanked(hit.file);
}

int RunSearchCommand(const std::string& catalogPath, const std::string& keyword, std::FILE* out)
{
    CCatalog catalog;
    std::string error;
    if (!catalog.Load(catalogPath, &error)) {
        std::fprintf(stderr, "quor-capture: %s\n", error.c_str());
        return 2;
    }
    const SearchResult result = SearchCatalog(catalog, keyword);
    for (const SearchHit& hit : result.hits)
        std::fprintf(out, "%s\n", SearchHitLine(hit).c_str());
    std::fflush(out);
    for (const std::string& file : result.unreadable) {
        std::string bytes;
        const int err = ReadWholeFile(file, bytes, 0);
        std::fprintf(stderr, "quor-capture: %s\n", ErrnoText(file, err == EFBIG || err == 0 ? EIO : err).c_str());
    }
    if (!result.unreadable.empty())
        return 2;
    return result.hits.empty() ? 1 : 0;
}
