#include "downloadqueue.h"

#include "downloadtexts.h"
#include "fileutil.h"
#include "httpdownload.h"
#include "links.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <strings.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kOpenFailed = "An error occured while opening the file to be downloaded, Error:%1";
constexpr const char* kConnectFailed = "An error occurred connecting to the server, Error:%1";
constexpr const char* kDownloadFailed = "An error occurred while downloading the file, Error:%1";
constexpr const char* kNoResponse = "Failed to receive a valid response from the server";
constexpr const char* kBadResponse = "Failed to receive a valid HTTP response from the server";
constexpr long kBufferSize = 256 * 1024;
constexpr auto kTick = std::chrono::milliseconds(100);

std::string message(const char* pattern, long number, const std::string& detail = {})
{
    std::string text = FormatDownloadText(pattern, std::to_string(number));
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

std::string errnoText(int err)
{
    return std::error_code(err, std::generic_category()).message();
}

bool startsWithNoCase(const char* data, std::size_t size, const char* prefix)
{
    const std::size_t n = std::strlen(prefix);
    return size >= n && strncasecmp(data, prefix, n) == 0;
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return std::string(s);
}

// The file name of a Content-Disposition value: filename* (RFC 5987) before filename, or "".
std::string dispositionName(const std::string& value)
{
    std::string plain, extended;
    std::size_t at = 0;
    while (at < value.size()) {
        // One parameter, up to a ';' outside quotes.
        std::string key, text;
        bool inValue = false, quoted = false;
        for (; at < value.size(); ++at) {
            const char c = value[at];
            if (quoted) {
                if (c == '\\' && at + 1 < value.size())
                    text += value[++at];
                else if (c == '"')
                    quoted = false;
                else
                    text += c;
            } else if (c == ';') {
                ++at;
                break;
            } else if (!inValue && c == '=') {
                inValue = true;
            } else if (inValue && c == '"') {
                quoted = true;
            } else {
                (inValue ? text : key) += c;
            }
        }
        key = trimmed(key);
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
        if (key == "filename")
            plain = trimmed(text);
        else if (key == "filename*") {
            text = trimmed(text);
            const auto quote = text.find('\'');
            const auto second = quote == std::string::npos ? quote : text.find('\'', quote + 1);
            extended = PercentDecode(second == std::string::npos ? text : text.substr(second + 1));
        }
    }
    return extended.empty() ? plain : extended;
}

// "host:port" of an http or https address, lower case; "" with why in error otherwise.
std::string hostKey(const std::string& url, std::string& error)
{
    CURLU* u = curl_url();
    if (!u) {
        error = message(kConnectFailed, CURLE_OUT_OF_MEMORY);
        return {};
    }
    std::string key;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    const CURLUcode parsed = curl_url_set(u, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME);
    if (parsed != CURLUE_OK) {
        error = message(kConnectFailed, CURLE_URL_MALFORMAT, curl_url_strerror(parsed));
    } else if (curl_url_get(u, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK ||
               (std::strcmp(scheme, "http") != 0 && std::strcmp(scheme, "https") != 0)) {
        error = message(kConnectFailed, CURLE_UNSUPPORTED_PROTOCOL, "only http and https addresses are fetched");
    } else if (curl_url_get(u, CURLUPART_HOST, &host, 0) != CURLUE_OK ||
               curl_url_get(u, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) != CURLUE_OK) {
        error = message(kConnectFailed, CURLE_URL_MALFORMAT, "no host");
    } else {
        key = std::string(host) + ":" + port;
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(u);
    return key;
}

// Moves a file to a name that must not exist yet; 0 or the errno.
int moveNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // File systems without the flag: a hard link cannot replace either.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

bool pathExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

} // namespace

struct CDownloadQueue::Transfer
{
    std::size_t index = 0;
    std::string host;
    CURL* easy = nullptr;
    int fd = -1;
    std::string path, partPath;
    std::uint64_t maxBytes = 0;
    std::uint64_t* received = nullptr; // the queue's count over all jobs
    Clock::time_point lastActivity;
    long status = 0;
    std::size_t headerBytes = 0;
    std::string dispositionPath;
    std::uint64_t bytes = 0;
    int writeErrno = 0;
    bool tooLarge = false, headerFlood = false;
    char errorBuffer[CURL_ERROR_SIZE] = {};

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        t.lastActivity = Clock::now();
        t.headerBytes += n;
        if (t.headerBytes > CHttpDownload::kMaxHeaderBytes) {
            t.headerFlood = true;
            return 0;
        }
        if (startsWithNoCase(data, n, "HTTP/")) {
            const char* space = static_cast<const char*>(std::memchr(data, ' ', n));
            t.status = space ? std::strtol(space + 1, nullptr, 10) : 0;
            t.dispositionPath.clear();
        } else if (t.status == 200 && startsWithNoCase(data, n, "Content-Disposition:")) {
            t.dispositionPath = CHttpDownload::RenamedPath(t.path, dispositionName(std::string(data + 20, n - 20)));
        } else if (t.status == 200 && startsWithNoCase(data, n, "Content-Length:")) {
            const std::string value = trimmed(std::string_view(data + 15, n - 15));
            if (std::strtoull(value.c_str(), nullptr, 10) > t.maxBytes) {
                t.tooLarge = true;
                return 0;
            }
        }
        return n;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        t.lastActivity = Clock::now();
        if (t.status != 200)
            return 0; // only the final, good answer is written
        if (n > t.maxBytes - t.bytes) {
            t.tooLarge = true;
            return 0;
        }
        if ((t.writeErrno = WriteAll(t.fd, data, n)) != 0)
            return 0;
        t.bytes += n;
        *t.received += n;
        return n;
    }
};

struct CDownloadQueue::Engine
{
    struct Pending
    {
        std::size_t index;
        std::string host; // "" when the address cannot be fetched
        std::string error;
    };

    explicit Engine(CDownloadQueue& q) : queue(q)
    {
        static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
        if (init == CURLE_OK)
            multi = curl_multi_init();
        headers = curl_slist_append(nullptr, "Accept: */*");
    }
    ~Engine()
    {
        for (auto& t : running)
            end(*t, Job::State::Aborted, {});
        for (CURL* easy : idle)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    CDownloadQueue& queue;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    std::vector<CURL*> idle; // easy handles keep their TLS sessions between jobs
    std::vector<std::unique_ptr<Transfer>> running;
    std::deque<Pending> waiting;
    std::map<std::string, int> perHost;
    std::vector<std::size_t> ended; // jobs whose onDone is due
    bool changed = true;            // a slot freed or a job came: try to start more
    std::uint64_t received = 0;
    std::size_t done = 0, failed = 0;

    void setState(Job& job, Job::State state)
    {
        job.state = state;
        done += state == Job::State::Done;
        failed += state == Job::State::Failed;
    }

    void failAtOnce(std::size_t index, std::string error)
    {
        Job& job = queue.m_jobs[index];
        job.error = std::move(error);
        setState(job, Job::State::Failed);
        ended.push_back(index);
    }

    void startWaiting()
    {
        if (!changed)
            return;
        changed = false;
        const auto maxTransfers = static_cast<std::size_t>(std::max(1, queue.m_options.maxTransfers));
        const int maxPerHost = std::max(1, queue.m_options.maxPerHost);
        for (auto it = waiting.begin(); it != waiting.end() && running.size() < maxTransfers;) {
            if (it->host.empty()) {
                failAtOnce(it->index, std::move(it->error));
            } else if (perHost[it->host] >= maxPerHost) {
                ++it;
                continue;
            } else {
                start(it->index, it->host);
            }
            it = waiting.erase(it);
        }
    }

    void start(std::size_t index, const std::string& host)
    {
        Job& job = queue.m_jobs[index];
        if (job.path.empty() || pathExists(job.path))
            return failAtOnce(index, message(kOpenFailed, job.path.empty() ? ENOENT : EEXIST,
                                             job.path.empty() ? "no file name" : "the file exists already"));
        auto t = std::make_unique<Transfer>();
        t->index = index;
        t->host = host;
        t->path = job.path;
        t->partPath = job.path + ".part";
        t->maxBytes = queue.m_options.maxBytes;
        t->received = &received;
        t->fd = ::open(t->partPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (t->fd < 0) {
            const int err = errno;
            return failAtOnce(index, message(kOpenFailed, err, errnoText(err)));
        }
        if (!idle.empty()) {
            t->easy = idle.back();
            idle.pop_back();
        } else {
            t->easy = curl_easy_init();
        }
        if (!t->easy || !multi) {
            ::close(t->fd);
            ::unlink(t->partPath.c_str());
            if (t->easy)
                idle.push_back(t->easy);
            return failAtOnce(index, message(kConnectFailed, CURLE_FAILED_INIT));
        }
        configure(*t, job);
        t->lastActivity = Clock::now();
        if (curl_multi_add_handle(multi, t->easy) != CURLM_OK) {
            ::close(t->fd);
            ::unlink(t->partPath.c_str());
            curl_easy_reset(t->easy);
            idle.push_back(t->easy);
            return failAtOnce(index, message(kConnectFailed, CURLE_FAILED_INIT));
        }
        setState(job, Job::State::Running);
        ++perHost[host];
        running.push_back(std::move(t));
    }

    void configure(Transfer& t, const Job& job)
    {
        const Options& o = queue.m_options;
        CURL* e = t.easy;
        curl_easy_setopt(e, CURLOPT_URL, job.url.c_str());
        SetWebTransferOptions(e);
        curl_easy_setopt(e, CURLOPT_USERAGENT, o.userAgent.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, std::max(1L, o.connectTimeoutSeconds));
        // A trickle is a stall too; a complete silence is caught to the tick in checkStalls.
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, std::max(1L, o.stallSeconds));
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kBufferSize);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.errorBuffer);
        curl_easy_setopt(e, CURLOPT_PRIVATE, &t);
    }

    // Takes the transfer off the multi handle and closes its file, which stays for finish.
    void release(Transfer& t)
    {
        curl_multi_remove_handle(multi, t.easy);
        if (t.fd >= 0)
            ::close(t.fd);
        t.fd = -1;
        if (--perHost[t.host] <= 0)
            perHost.erase(t.host);
        curl_easy_reset(t.easy);
        idle.push_back(t.easy);
        t.easy = nullptr;
        changed = true;
    }

    // Ends a transfer without its file.
    void end(Transfer& t, Job::State state, std::string error)
    {
        if (t.easy)
            release(t);
        ::unlink(t.partPath.c_str());
        Job& job = queue.m_jobs[t.index];
        job.error = std::move(error);
        job.bytes = t.bytes;
        setState(job, state);
    }

    std::string failure(const Transfer& t, CURLcode code, long status) const
    {
        const std::string detail = t.errorBuffer[0] ? t.errorBuffer : curl_easy_strerror(code);
        // libcurl refuses an oversized header line itself (as out of memory).
        if (t.headerFlood || (code == CURLE_OUT_OF_MEMORY && t.bytes == 0))
            return kNoResponse;
        if (code == CURLE_TOO_MANY_REDIRECTS)
            return message(kConnectFailed, code, detail);
        if (t.writeErrno != 0)
            return message(kDownloadFailed, t.writeErrno, errnoText(t.writeErrno));
        if (t.tooLarge)
            return message(kDownloadFailed, EFBIG, "the file is too large, over " + DownloadSizeText(t.maxBytes));
        if (status != 0 && status != 200)
            return std::string(kBadResponse) + " (HTTP " + std::to_string(status) + ")";
        if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT || code == CURLE_SSL_CONNECT_ERROR ||
            code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_UNSUPPORTED_PROTOCOL ||
            code == CURLE_URL_MALFORMAT || (code == CURLE_OPERATION_TIMEDOUT && status == 0))
            return message(kConnectFailed, code, detail);
        if (code != CURLE_OK)
            return message(kDownloadFailed, code, detail);
        return kBadResponse;
    }

    void finish(Transfer& t, CURLcode code)
    {
        Job& job = queue.m_jobs[t.index];
        long status = 0, redirects = 0;
        char* effective = nullptr;
        char* type = nullptr;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(t.easy, CURLINFO_REDIRECT_COUNT, &redirects);
        curl_easy_getinfo(t.easy, CURLINFO_EFFECTIVE_URL, &effective);
        curl_easy_getinfo(t.easy, CURLINFO_CONTENT_TYPE, &type);
        job.effectiveUrl = effective ? effective : "";
        job.contentType = type ? type : "";
        const int fd = t.fd;
        t.fd = -1;
        release(t);
        ended.push_back(t.index);
        if (code != CURLE_OK || status != 200 || t.tooLarge || t.headerFlood || t.writeErrno != 0) {
            ::close(fd);
            return end(t, Job::State::Failed, failure(t, code, status));
        }
        if (::close(fd) != 0) {
            const int err = errno;
            return end(t, Job::State::Failed, message(kDownloadFailed, err, errnoText(err)));
        }
        // A name from the server wins over one from a redirect; when that name is taken, the
        // file keeps the one it was given.
        std::string target = t.dispositionPath;
        if (target.empty() && redirects > 0)
            target = CHttpDownload::RenamedPath(t.path, CHttpDownload::FileNameOf(job.effectiveUrl));
        int err = target.empty() || target == t.path ? EEXIST : moveNoReplace(t.partPath, target);
        if (err == EEXIST) {
            target = t.path;
            err = moveNoReplace(t.partPath, target);
        }
        if (err != 0)
            return end(t, Job::State::Failed,
                       message(kOpenFailed, err, err == EEXIST ? "the file exists already" : errnoText(err)));
        job.finalPath = target;
        job.bytes = t.bytes;
        setState(job, Job::State::Done);
    }

    void collectFinished()
    {
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            Transfer* t = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &t);
            const CURLcode code = msg->data.result; // msg is invalid once the handle is removed
            finish(*t, code);
        }
        dropEnded();
    }

    void checkStalls(Clock::time_point now)
    {
        const auto limit = std::chrono::seconds(std::max(1L, queue.m_options.stallSeconds));
        for (auto& t : running) {
            if (t->easy && now - t->lastActivity >= limit) {
                long status = 0;
                curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
                const std::string detail = "nothing received for " + std::to_string(limit.count()) + " s";
                ended.push_back(t->index);
                end(*t, Job::State::Failed,
                    message(status == 0 ? kConnectFailed : kDownloadFailed, CURLE_OPERATION_TIMEDOUT, detail));
            }
        }
        dropEnded();
    }

    void dropEnded()
    {
        std::erase_if(running, [](const std::unique_ptr<Transfer>& t) { return t->easy == nullptr; });
    }

    // Ends every unfinished job in one state, without onDone.
    void stopAll(Job::State state, const std::string& error)
    {
        for (auto& t : running)
            end(*t, state, error);
        running.clear();
        for (const Pending& p : waiting) {
            Job& job = queue.m_jobs[p.index];
            job.error = error;
            setState(job, state);
        }
        waiting.clear();
    }
};

CDownloadQueue::CDownloadQueue(Options options) : m_options(std::move(options)), m_engine(std::make_unique<Engine>(*this))
{
}

CDownloadQueue::CDownloadQueue() : CDownloadQueue(Options()) {}

CDownloadQueue::~CDownloadQueue() = default;

std::size_t CDownloadQueue::Add(std::string url, std::string path)
{
    Job job;
    job.url = std::move(url);
    job.path = std::move(path);
    m_jobs.push_back(std::move(job));
    Engine::Pending pending{m_jobs.size() - 1, {}, {}};
    pending.host = hostKey(m_jobs.back().url, pending.error);
    m_engine->waiting.push_back(std::move(pending));
    m_engine->changed = true;
    return m_jobs.size() - 1;
}

const CDownloadQueue::Job& CDownloadQueue::GetJob(std::size_t index) const
{
    return m_jobs.at(index);
}

std::size_t CDownloadQueue::Size() const
{
    return m_jobs.size();
}

void CDownloadQueue::Run(const std::function<void(std::size_t)>& onDone,
                         const std::function<void(const Progress&)>& onProgress, const std::atomic<bool>& abort)
{
    Engine& e = *m_engine;
    const auto started = Clock::now();
    const auto deadline = m_options.totalSeconds > 0 ? started + std::chrono::seconds(m_options.totalSeconds)
                                                     : Clock::time_point::max();
    // Samples of the byte count for the rate, the oldest about a second back.
    std::deque<std::pair<Clock::time_point, std::uint64_t>> samples{{started, e.received}};
    auto lastReport = started;
    const auto report = [&](Clock::time_point now) {
        if (!onProgress)
            return;
        samples.emplace_back(now, e.received);
        while (samples.size() > 2 && now - samples[1].first >= std::chrono::seconds(1))
            samples.pop_front();
        Progress p;
        p.done = e.done;
        p.failed = e.failed;
        p.total = m_jobs.size();
        p.bytes = e.received;
        const double seconds = std::chrono::duration<double>(now - samples.front().first).count();
        p.rate = seconds > 0 ? static_cast<double>(e.received - samples.front().second) / seconds : 0;
        for (const auto& t : e.running)
            p.current.push_back(m_jobs[t->index].url);
        onProgress(p);
        lastReport = now;
    };

    for (;;) {
        auto now = Clock::now();
        if (abort.load()) {
            e.stopAll(Job::State::Aborted, {});
            break;
        }
        if (now >= deadline) {
            e.stopAll(Job::State::Failed, "Time limit reached");
            break;
        }
        e.startWaiting();
        if (now - lastReport >= kTick)
            report(now);
        if (!e.running.empty()) {
            int stillRunning = 0;
            curl_multi_perform(e.multi, &stillRunning);
            e.collectFinished();
            now = Clock::now();
            e.checkStalls(now);
        }
        const bool anyEnded = !e.ended.empty();
        // onDone may Add, which must not disturb this list.
        for (const std::size_t index : std::exchange(e.ended, {}))
            if (onDone)
                onDone(index);
        if (e.running.empty() && e.waiting.empty())
            break;
        if (anyEnded || e.running.empty())
            continue; // slots are free or jobs wait on a full host that just freed up
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::min<Clock::duration>(kTick, deadline - now));
        curl_multi_poll(e.multi, nullptr, 0, static_cast<int>(std::max<long long>(1, wait.count())), nullptr);
    }
    report(Clock::now());
}
