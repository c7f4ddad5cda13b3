// One whole capture of a web page: the page fetched, cleaned, everything it embeds fetched
// into its attachment folder through a download queue, and the page written back.
//
//   capture_page_bench [-v] [--transfers N] [--per-host N] URL OUTDIR
//       writes OUTDIR/<ID>.html and OUTDIR/<ID>_files; prints seconds=, found=, local= and
//       rounds= on one line. The queue runs with its default options unless told; -v adds
//       each download round and every failure on stderr.
#include "appglobals.h"
#include "articlepage.h"
#include "downloadqueue.h"
#include "fileutil.h"
#include "storage.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::size_t append(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

bool getPage(const std::string& url, std::string& page)
{
    CURL* curl = curl_easy_init();
    if (!curl)
        return false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Quor");
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &page);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (code != CURLE_OK || status >= 400) {
        std::fprintf(stderr, "%s: %s (HTTP %ld)\n", url.c_str(), curl_easy_strerror(code), status);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    bool verbose = false;
    CDownloadQueue::Options options;
    while (!args.empty() && args.front().rfind("-", 0) == 0) {
        if (args.front() == "-v") {
            verbose = true;
            args.erase(args.begin());
        } else if (args.size() > 1 && (args[0] == "--transfers" || args[0] == "--per-host")) {
            (args[0] == "--transfers" ? options.maxTransfers : options.maxPerHost) = std::max(1, std::atoi(args[1].c_str()));
            args.erase(args.begin(), args.begin() + 2);
        } else {
            break;
        }
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: capture_page_bench [-v] [--transfers N] [--per-host N] URL OUTDIR\n");
        return 2;
    }
    const std::string& url = args[0];
    const std::string& outDir = args[1];
    g_szFileTypes = DEFAULT_FILE_TYPES;
    curl_global_init(CURL_GLOBAL_DEFAULT);

    const auto start = Clock::now();
    std::string page;
    if (!getPage(url, page))
        return 1;
    const double pageSeconds = since(start);

    const std::string id = MakeArticleId();
    const std::string attachName = id + "_files";
    const std::string attachDir = outDir + "/" + attachName;
    std::error_code error;
    std::filesystem::create_directories(attachDir, error);
    if (error) {
        std::fprintf(stderr, "%s: %s\n", attachDir.c_str(), error.message().c_str());
        return 1;
    }

    CDownloadQueue queue(options);
    const std::atomic<bool> abort{false};
    int rounds = 0;
    CaptureFetcher fetcher;
    fetcher.download = [&](std::vector<DownloadRequest>& requests) {
        const auto roundStart = Clock::now();
        const bool ok = RunDownloadRound(queue, requests, {}, abort);
        ++rounds;
        if (verbose) {
            std::size_t failed = 0;
            for (const DownloadRequest& request : requests)
                failed += request.ok ? 0 : 1;
            std::fprintf(stderr, "round %d: %zu files, %zu failed, %.3f s (started at %.3f s)\n", rounds,
                         requests.size(), failed, since(roundStart),
                         std::chrono::duration<double>(roundStart - start).count());
        }
        return ok;
    };
    const ProcessedPage processed = ProcessArticlePage(std::move(page), url, true, attachDir, attachName, fetcher);
    std::string writeError;
    if (!WriteFileAtomically(outDir + "/" + id + ".html", processed.html, &writeError)) {
        std::fprintf(stderr, "%s\n", writeError.c_str());
        return 1;
    }
    const double seconds = since(start);
    if (verbose) {
        std::fprintf(stderr, "page %.3f s, failures %zu\n", pageSeconds, processed.result.failures.size());
        for (const std::string& failure : processed.result.failures)
            std::fprintf(stderr, "  failed: %s\n", failure.c_str());
    }
    std::printf("seconds=%.3f found=%zu local=%zu rounds=%d\n", seconds, processed.result.found, processed.result.local,
                rounds);
    curl_global_cleanup();
    return processed.result.cancelled ? 1 : 0;
}
