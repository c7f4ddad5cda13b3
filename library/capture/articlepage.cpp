#include "articlepage.h"

#include "appglobals.h"
#include "codepage.h"
#include "htmldocument.h"
#include "htmltext.h"

ProcessedPage ProcessArticlePage(std::string page, const std::string& source, bool resolve, const std::string& attachDir,
                                 const std::string& attachName, const CaptureFetcher& fetcher)
{
    ProcessedPage processed;
    CHtmlDocument document;
    document.SetHtml(std::move(page));
    document.Parse();
    if (resolve)
        document.ResolveLinks(source);
    processed.localised = !attachDir.empty();
    if (processed.localised)
        processed.result = LocalizeLinks(document, source, attachDir, attachName, fetcher);
    document.GetHtml(processed.html);
    return processed;
}

std::string TitleFromText(const std::string& text)
{
    // Positions count code page 936 bytes.
    const std::string bytes = Utf8ToCp936(text);
    std::size_t cut = std::string::npos;
    std::size_t p = bytes.find('\r');
    while (p != std::string::npos && p > 0 && p < 10) {
        cut = p;
        p = bytes.find('\r', p + 1);
    }
    const std::size_t first = bytes.find('\r');
    if (cut == std::string::npos && first != std::string::npos && first >= 10)
        cut = first;
    if (cut == std::string::npos)
        cut = bytes.size();
    const std::string line = bytes.substr(0, cut);
    return Cp936ToUtf8(std::string_view(line).substr(0, Cp936CharBoundary(line, 50)));
}

std::string ArticleTitle(const std::string& html)
{
    std::string title, text;
    GetHtmlTitleAndText(html, title, text);
    if (Cp936Length(title) < 2)
        title = TitleFromText(text);
    while (!title.empty() && (title.back() == ' ' || title.back() == '\n' || title.back() == '\r' || title.back() == '\t'))
        title.pop_back();
    return title.empty() ? std::string("New Article") : title;
}

bool RunDownloadRound(CDownloadQueue& queue, std::vector<DownloadRequest>& requests,
                      const std::function<void(const CDownloadQueue::Progress&)>& onProgress,
                      const std::atomic<bool>& abort)
{
    std::vector<std::size_t> jobs;
    jobs.reserve(requests.size());
    for (const DownloadRequest& request : requests)
        jobs.push_back(queue.Add(request.url, request.path));
    queue.Run({}, onProgress, abort);
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const CDownloadQueue::Job& job = queue.GetJob(jobs[k]);
        DownloadRequest& request = requests[k];
        request.ok = job.state == CDownloadQueue::Job::State::Done;
        request.finalPath = job.finalPath.empty() ? job.path : job.finalPath;
        request.contentType = job.contentType;
        request.effectiveUrl = job.effectiveUrl;
        request.error = job.error;
    }
    return !abort.load();
}
