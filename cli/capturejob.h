#pragma once
// One capture into one article: the page from an address or a file, cleaned, everything it
// shows fetched into the attachment folder, and the article file written. A page that is
// not HTML becomes an article that links its copy in the attachment folder.

#include "downloadqueue.h"
#include "pagecapture.h"
#include "pagesource.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CProgressBar;

struct CaptureFailure
{
    std::string address;
    std::string reason;
};

struct CaptureOutcome
{
    bool ok = false;    // the article was written
    std::string error;  // why not
    std::string title;
    std::string source; // the page's address after redirects, or its file:// address
    bool html = true;
    std::size_t found = 0, local = 0;
    std::vector<CaptureFailure> failed; // pictures, style sheets, fonts...
    std::vector<CaptureFailure> linkedFailed; // linked documents of the download types
    bool stopped = false; // the time limit or an interrupt ended the downloads
    double seconds = 0;

    // 0 when everything came, 1 when something did not, 2 when there is no article.
    int ExitStatus() const;
};

class CCaptureJob
{
public:
    struct Settings
    {
        CDownloadQueue::Options queue;
        PageSourceOptions page;
        bool verbose = false;
    };

    CCaptureJob(Settings settings, const std::atomic<bool>& abort, CProgressBar* progress);

    // Captures input (an address or a file, as ClassifyInput says) into articlePath, with
    // attachDir (an existing, empty folder named attachName beside it) for its files.
    CaptureOutcome Run(const std::string& input, const std::string& articlePath, const std::string& attachDir,
                       const std::string& attachName);

private:
    bool runRound(CDownloadQueue& queue, std::vector<DownloadRequest>& requests);

    Settings m_settings;
    const std::atomic<bool>& m_abort;
    CProgressBar* m_progress;
    int m_rounds = 0;
    std::vector<CaptureFailure> m_reasons; // every download that failed, with why
};

