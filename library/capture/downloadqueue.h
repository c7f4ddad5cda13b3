#pragma once
// Many files downloaded over HTTP(S) at once, each into its own local file, on one thread.
// Every file is written whole or not at all: it comes in under a temporary name next to its
// target and is moved there only after a complete, successful transfer.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDownloadQueue
{
public:
    struct Options
    {
        int maxTransfers = 6; // at once
        int maxPerHost = 2;   // at once per host:port of the address added
        std::string userAgent = "Quor";
        long connectTimeoutSeconds = 20;
        long stallSeconds = 30; // a transfer that receives nothing for this long fails
        long totalSeconds = 0;  // for a whole Run; 0: no limit
        std::uint64_t maxBytes = std::uint64_t(2) << 30; // per file, after decoding
    };

    struct Job
    {
        std::string url;  // http or https only; others fail at once
        std::string path; // the file to write; its folder must exist and the file must not
        enum class State { Waiting, Running, Done, Failed, Aborted } state = State::Waiting;
        // Where the file is: path, or the name a server gave (Content-Disposition, or the file
        // name of where a redirect led) as CHttpDownload::RenamedPath makes it.
        std::string finalPath;
        std::string effectiveUrl; // after redirects
        std::string contentType;  // of the final answer
        std::string error;        // why it failed
        std::uint64_t bytes = 0;
    };

    struct Progress
    {
        std::size_t done = 0, failed = 0, total = 0; // jobs
        std::uint64_t bytes = 0;                     // received over all jobs
        double rate = 0;                             // bytes per second over the last second
        std::vector<std::string> current;            // addresses being fetched
    };

    CDownloadQueue();
    explicit CDownloadQueue(Options options);
    ~CDownloadQueue();
    CDownloadQueue(const CDownloadQueue&) = delete;
    CDownloadQueue& operator=(const CDownloadQueue&) = delete;

    // Before Run, or from Run's onDone. The index is the job's for good; references from
    // GetJob stay valid while more jobs are added.
    std::size_t Add(std::string url, std::string path);
    const Job& GetJob(std::size_t index) const;
    std::size_t Size() const;

    // Runs until every waiting job has ended, abort becomes true or the time limit passes.
    // Callbacks come on the calling thread: onDone(index) when a job ends Done or Failed (it
    // may Add more), onProgress at most about 10 times a second and once at the end.
    // On abort (within about 100 ms) every unfinished job is marked Aborted and its partial
    // file deleted; at the time limit they fail. Finished files stay. Neither calls onDone.
    void Run(const std::function<void(std::size_t)>& onDone, const std::function<void(const Progress&)>& onProgress,
             const std::atomic<bool>& abort);

private:
    struct Transfer;
    struct Engine;

    Options m_options;
    std::deque<Job> m_jobs;
    std::unique_ptr<Engine> m_engine; // the multi handle with its connections, kept between jobs
};
