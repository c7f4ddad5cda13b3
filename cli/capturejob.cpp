#include "capturejob.h"

#include "articlepage.h"
#include "clipboardhtml.h"
#include "fileutil.h"
#include "htmlcharset.h"
#include "markup.h"
#include "pagecapture.h"
#include "progressbar.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<CaptureFailure> withReasons(const std::vector<std::string>& addresses,
                                        const std::map<std::string, std::string>& reasons, bool stopped)
{
    std::vector<CaptureFailure> out;
    for (const std::string& address : addresses) {
        const auto it = reasons.find(address);
        std::string reason = it != reasons.end() && !it->second.empty() ? it->second
                             : stopped                                   ? "stopped before it came"
                             : address.rfind("file:", 0) == 0            ? "could not be copied"
                                                                         : "not fetched";
        out.push_back({address, std::move(reason)});
    }
    return out;
}

} // namespace

int CaptureOutcome::ExitStatus() const
{
    if (!ok)
        return 2;
    return failed.empty() && linkedFailed.empty() && !stopped ? 0 : 1;
}


CCaptureJob::CCaptureJob(Settings settings, const std::atomic<bool>& abort, CProgressBar* progress)
    : m_settings(std::move(settings)), m_abort(abort), m_progress(progress)
{
}

bool CCaptureJob::runRound(CDownloadQueue& queue, std::vector<DownloadRequest>& requests)
{
    const auto start = Clock::now();
    const bool goOn = RunDownloadRound(queue, requests,
                                       [this](const CDownloadQueue::Progress& p) {
                                           if (m_progress)
                                               m_progress->Files(p.done + p.failed, p.total, p.bytes, p.rate);
                                       },
                                       m_abort);
    ++m_rounds;
    std::size_t failed = 0;
    for (const DownloadRequest& request : requests) {
        if (request.ok)
            continue;
        ++failed;
        m_reasons.push_back({request.url, request.error});
    }
    if (m_settings.verbose) {
        if (m_progress)
            m_progress->Clear();
        std::fprintf(stderr, "round %d: %zu files, %zu failed, %.3f s\n", m_rounds, requests.size(), failed,
                     std::chrono::duration<double>(Clock::now() - start).count());
    }
    return goOn;
}

CaptureOutcome CCaptureJob::Run(const std::string& input, const std::string& articlePath, const std::string& attachDir,
                                const std::string& attachName)
{
    const auto start = Clock::now();
    CaptureOutcome outcome;
    std::string path;
    const InputKind kind = ClassifyInput(input, path);
    SourcePage page;
    if (kind == InputKind::Unsupported) {
        page.error = "not an http(s) address or a file";
    } else if (kind == InputKind::Web) {
        page = FetchSourcePage(input, attachDir, m_settings.page, m_abort, [this](std::uint64_t bytes, std::uint64_t size) {
            if (m_progress)
                m_progress->Page(bytes, size);
        });
    } else {
        page = ReadSourcePage(path, attachDir, m_settings.page);
    }
    if (m_progress)
        m_progress->Clear();
    outcome.source = page.address;
    if (!page.ok) {
        outcome.error = page.error;
        return outcome;
    }
    if (m_settings.verbose)
        std::fprintf(stderr, "page %.3f s\n", std::chrono::duration<double>(Clock::now() - start).count());

    std::string html;
    outcome.html = page.html;
    if (page.html) {
        // As a clipboard capture takes it: single-byte text with character references, its
        // links resolved against where it came from. A file is taken as Quor imports one.
        const bool web = kind == InputKind::Web;
        std::string text = web ? Utf8ToEntities(DecodeServedHtml(page.bytes, page.contentType)) : std::move(page.bytes);
        if (!web)
            text.resize(std::min(text.size(), text.find('\0')));
        page.bytes = std::string();
        CDownloadQueue queue(m_settings.queue);
        CaptureFetcher fetcher;
        fetcher.download = [&](std::vector<DownloadRequest>& requests) { return runRound(queue, requests); };
        const ProcessedPage processed = ProcessArticlePage(std::move(text), page.address, web, attachDir, attachName, fetcher);
        if (m_progress)
            m_progress->Clear();
        html = processed.html;
        outcome.title = ArticleTitle(html);
        outcome.found = processed.result.found;
        outcome.local = processed.result.local;
        outcome.stopped = processed.result.cancelled;
        std::map<std::string, std::string> reasons;
        for (const CaptureFailure& failure : m_reasons)
            reasons[failure.address] = failure.reason;
        outcome.failed = withReasons(processed.result.failures, reasons, outcome.stopped);
        outcome.linkedFailed = withReasons(processed.result.hrefFailures, reasons, outcome.stopped);
    } else {
        html = LinkedFileArticle(page.fileName, attachName, page.contentType, kind == InputKind::Web ? page.address : "");
        outcome.title = page.fileName;
        outcome.found = outcome.local = 1;
    }

    std::string error;
    if (!WriteFileAtomically(articlePath, html, &error)) {
        outcome.error = error;
        return outcome;
    }
    outcome.ok = true;
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return outcome;
}
