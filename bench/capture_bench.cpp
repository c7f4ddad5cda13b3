// Throughput and memory of page cleaning, title-and-text extraction and the search in
// article texts, against gumbo's own parse of the same bytes.
//
//   capture_bench LIST KEYWORD        every file named in LIST (one path a line)
//   capture_bench --memory MODE FILE  one run of MODE (clean, text, gumbo) on FILE; prints
//                                     the peak resident size in KiB
#include "fileutil.h"
#include "htmldocument.h"
#include "htmltext.h"

#include <gumbo.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string readFile(const std::string& path)
{
    std::string bytes;
    ReadWholeFile(path, bytes, std::size_t(1) << 30);
    return bytes;
}

std::size_t cleanPage(const std::string& page)
{
    CHtmlDocument doc;
    doc.SetHtml(page);
    doc.Parse();
    std::string out;
    doc.GetHtml(out);
    return out.size();
}

std::size_t gumboParse(const std::string& page)
{
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, page.data(), page.size());
    const std::size_t children = output->root->v.element.children.length;
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return children;
}

std::size_t titleAndText(const std::string& page)
{
    std::string title, text;
    GetHtmlTitleAndText(page, title, text);
    return title.size() + text.size();
}

// Best of a few rounds over all pages, in seconds.
double timeAll(const std::vector<std::string>& pages, const std::function<std::size_t(const std::string&)>& work)
{
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        std::size_t sink = 0;
        const auto start = Clock::now();
        for (const auto& page : pages)
            sink += work(page);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, seconds);
        if (sink == 1)
            std::puts("");
    }
    return best;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int memoryRun(const std::string& mode, const std::string& path)
{
    const std::string page = readFile(path);
    const long before = peakKiB();
    if (mode == "clean")
        cleanPage(page);
    else if (mode == "text")
        titleAndText(page);
    else if (mode == "gumbo")
        gumboParse(page);
    else
        return 2;
    std::printf("%ld %ld\n", before, peakKiB());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--memory")
        return memoryRun(argv[2], argv[3]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LIST KEYWORD | --memory clean|text|gumbo FILE\n", argv[0]);
        return 2;
    }
    std::vector<std::string> paths;
    std::ifstream list(argv[1]);
    for (std::string line; std::getline(list, line);)
        if (!line.empty())
            paths.push_back(line);
    std::vector<std::string> pages;
    double megabytes = 0;
    for (const auto& path : paths) {
        pages.push_back(readFile(path));
        megabytes += static_cast<double>(pages.back().size()) / (1 << 20);
    }

    const double clean = timeAll(pages, cleanPage);
    const double gumbo = timeAll(pages, gumboParse);
    const double text = timeAll(pages, titleAndText);
    // The search reads every file from disk, as grep does.
    const std::string keyword = argv[2];
    std::size_t hits = 0;
    double search = 1e9;
    for (int round = 0; round < 3; ++round) {
        hits = 0;
        const auto start = Clock::now();
        for (const auto& path : paths)
            hits += FindInHtmlText(readFile(path), keyword) >= 0;
        search = std::min(search, std::chrono::duration<double>(Clock::now() - start).count());
    }

    std::printf("corpus: %zu files, %.1f MB\n", pages.size(), megabytes);
    std::printf("%-32s %8.3f s %9.1f MB/s\n", "gumbo parse", gumbo, megabytes / gumbo);
    std::printf("%-32s %8.3f s %9.1f MB/s  %.1fx gumbo\n", "clean and write back", clean, megabytes / clean, gumbo / clean);
    std::printf("%-32s %8.3f s %9.1f MB/s  %.1fx gumbo\n", "title and visible text", text, megabytes / text, gumbo / text);
    std::printf("%-32s %8.3f s %9.1f MB/s  (%zu files hold \"%s\")\n", "search in texts (from disk)", search,
                megabytes / search, hits, keyword.c_str());
    std::printf("search_seconds=%.6f\n", search);
    return 0;
}
