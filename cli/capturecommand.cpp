#include "capturecommand.h"

#include "appglobals.h"
#include "capturejob.h"
#include "catalog.h"
#include "catalogfolder.h"
#include "fileutil.h"
#include "instancelock.h"
#include "progressbar.h"
#include "storage.h"

#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A string as JSON writes it; bytes that are not UTF-8 become U+FFFD.
std::string jsonQuoted(const std::string& text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t length = (c & 0xE0) == 0xC0 && c >= 0xC2 ? 2 : (c & 0xF0) == 0xE0 ? 3
                                   : (c & 0xF8) == 0xF0 && c <= 0xF4 ? 4
                                                                    : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

std::string jsonFailures(const std::vector<CaptureFailure>& failures)
{
    std::string out = "[";
    for (std::size_t i = 0; i < failures.size(); ++i)
        out += std::string(i ? ", " : "") + "{\"address\": " + jsonQuoted(failures[i].address) +
               ", \"reason\": " + jsonQuoted(failures[i].reason) + "}";
    return out + "]";
}

struct Places
{
    std::string id, article, attachDir, attachName;
    std::vector<std::string> madeFolders; // made for the article, outermost first: gone again after a failure
};

// The folders of path that are not there yet, outermost first.
std::vector<std::string> missingFolders(const std::string& path)
{
    std::vector<std::string> missing;
    for (std::string folder = path; !folder.empty() && folder != "/" && folder != "." && !PathExists(folder);) {
        missing.insert(missing.begin(), folder);
        const std::size_t slash = folder.find_last_of('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);
    }
    return missing;
}

void removeFolders(const std::vector<std::string>& made)
{
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        ::rmdir(it->c_str()); // only when nothing else is in it
}

// A new article in the output folder. The ID is taken by making its attachment folder, so
// that two captures into one folder never share one.
bool placeInFolder(const std::string& outDir, Places& places, std::string& error)
{
    const std::vector<std::string> made = missingFolders(outDir);
    if (!MakeFolders(outDir, &error)) {
        removeFolders(made);
        return false;
    }
    char resolved[PATH_MAX];
    if (!::realpath(outDir.c_str(), resolved)) {
        error = ErrnoText(outDir, errno);
        return false;
    }
    const std::string folder = resolved;
    for (int tries = 0; tries < 1000; ++tries) {
        const std::string id = MakeArticleId();
        const std::string attach = folder + "/" + GetAttachDirName(id);
        if (::mkdir(attach.c_str(), 0755) != 0) {
            if (errno == EEXIST)
                continue;
            error = ErrnoText(attach, errno);
            return false;
        }
        if (PathExists(folder + "/" + id + ".html")) {
            ::rmdir(attach.c_str());
            continue;
        }
        places = {id, folder + "/" + id + ".html", attach, GetAttachDirName(id), made};
        return true;
    }
    error = folder + ": no free article ID";
    return false;
}

// A new article in the data folder, as Quor makes one.
bool placeInDataFolder(Places& places, std::string& error)
{
    if (const std::string problem = DataFolderProblem(g_szDataFolder); !problem.empty()) {
        error = "the catalog's data folder cannot take articles: " + problem;
        return false;
    }
    const std::string id = MakeArticleId();
    const std::vector<std::string> made = missingFolders(g_szDataFolder.str() + "/" + id.substr(0, 6));
    MakeFolders(g_szDataFolder);
    places = {id, GetArticlePath(id), GetAttachDir(id), GetAttachDirName(id), made};
    if (places.article.empty() || places.attachDir.empty()) {
        error = g_szDataFolder.str() + ": the article's folders cannot be made";
        removeFolders(made);
        return false;
    }
    return true;
}

// Takes away what a capture that failed had made.
void removePlaces(const Places& places)
{
    std::error_code ignored;
    if (!places.attachDir.empty())
        std::filesystem::remove_all(places.attachDir, ignored);
    if (!places.article.empty())
        ::unlink(places.article.c_str());
    removeFolders(places.madeFolders);
}

// Sets abort when the time limit passes, until it is done.
class CDeadline
{
public:
    CDeadline(double seconds, std::atomic<bool>& abort) : m_abort(abort)
    {
        if (seconds <= 0)
            return;
        m_at = std::chrono::steady_clock::now() +
               std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds));
        m_thread = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_until(lock, m_at, [this] { return m_finished; })) {
                m_passed = true;
                m_abort = true;
            }
        });
    }
    ~CDeadline()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    CDeadline(const CDeadline&) = delete;
    CDeadline& operator=(const CDeadline&) = delete;

    std::chrono::steady_clock::time_point At() const { return m_at; }
    bool Passed() const { return m_passed; }

private:
    std::atomic<bool>& m_abort;
    std::chrono::steady_clock::time_point m_at{};
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<bool> m_passed{false};
    std::thread m_thread;
};

struct Report
{
    const CaptureArgs& args;
    Places places;
    std::string catalogPath, folderPath;
    std::string error;

    int fail(std::string why)
    {
        error = std::move(why);
        return 2;
    }
};

void printJson(const Report& report, const CaptureOutcome& outcome, int status, const std::string& stopped)
{
    std::string json = "{\n  \"status\": " + std::to_string(status) + ",\n  \"address\": " + jsonQuoted(report.args.input);
    if (!report.error.empty())
        json += ",\n  \"error\": " + jsonQuoted(report.error);
    if (status != 2) {
        json += ",\n  \"id\": " + jsonQuoted(report.places.id) + ",\n  \"article\": " + jsonQuoted(report.places.article) +
                ",\n  \"attachments\": " + jsonQuoted(report.places.attachDir) + ",\n  \"title\": " + jsonQuoted(outcome.title) +
                ",\n  \"source\": " + jsonQuoted(outcome.source) + ",\n  \"html\": " + (outcome.html ? "true" : "false") +
                ",\n  \"found\": " + std::to_string(outcome.found) + ",\n  \"local\": " + std::to_string(outcome.local) +
                ",\n  \"failed\": " + jsonFailures(outcome.failed) +
                ",\n  \"linked_failed\": " + jsonFailures(outcome.linkedFailed) +
                ",\n  \"stopped\": " + (stopped.empty() ? std::string("null") : jsonQuoted(stopped));
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", outcome.seconds);
        json += std::string(",\n  \"seconds\": ") + seconds;
    }
    if (!report.catalogPath.empty())
        json += ",\n  \"catalog\": " + jsonQuoted(report.catalogPath) + ",\n  \"folder\": " + jsonQuoted(report.folderPath);
    std::printf("%s\n}\n", json.c_str());
}

} // namespace

int RunCaptureCommand(const CaptureArgs& args, std::atomic<bool>& abort)
{
    Report report{args, {}, {}, {}, {}};
    CaptureOutcome outcome;
    CInstanceLock lock;
    CCatalog catalog;
    CXmlNode folder;
    CDeadline deadline(args.timeoutSeconds, abort);
    g_szFileTypes = args.fileTypes;

    const auto capture = [&]() -> int {
        std::string path;
        switch (ClassifyInput(args.input, path)) {
        case InputKind::Unsupported:
            return report.fail("not an http(s) address or a file");
        case InputKind::File:
            if (struct stat st{}; ::stat(path.c_str(), &st) != 0)
                return report.fail(std::strerror(errno));
            else if (!S_ISREG(st.st_mode))
                return report.fail(S_ISDIR(st.st_mode) ? "a folder, not a page" : "not a regular file");
            break;
        case InputKind::Web:
            break;
        }
        if (!args.catalog.empty()) {
            // Never a catalog that a running Quor also writes: its lock is held to the end.
            switch (lock.TryLock(QUOR_INSTANCE_LOCK)) {
            case CInstanceLock::Result::HeldByAnother:
                return report.fail("Quor is running and keeps this catalog: close it and try again (nothing was changed)");
            case CInstanceLock::Result::Failed:
                return report.fail("cannot tell whether Quor is running: " + lock.ErrorText());
            case CInstanceLock::Result::Acquired:
                break;
            }
            char resolved[PATH_MAX];
            if (!::realpath(args.catalog.c_str(), resolved))
                return report.fail(ErrnoText(args.catalog, errno));
            report.catalogPath = resolved;
            std::string error;
            if (!catalog.Load(report.catalogPath, &error))
                return report.fail(error);
            std::vector<std::string> titles;
            if (!SplitFolderPath(args.folder, titles, error) || !(folder = MakeFolderPath(catalog, titles, error)))
                return report.fail(error);
            report.folderPath = JoinFolderPath(titles);
            if (!placeInDataFolder(report.places, error))
                return report.fail(error);
        } else {
            std::string error;
            if (!placeInFolder(args.outDir, report.places, error))
                return report.fail(error);
        }

        CCaptureJob::Settings settings;
        settings.queue.maxTransfers = args.transfers;
        settings.queue.maxPerHost = args.perHost;
        settings.queue.userAgent = args.userAgent;
        settings.page.userAgent = args.userAgent;
        settings.page.deadline = deadline.At();
        settings.verbose = args.verbose;
        CProgressBar progress(!args.quiet);
        CCaptureJob job(settings, abort, &progress);
        outcome = job.Run(args.input, report.places.article, report.places.attachDir, report.places.attachName);
        if (!outcome.ok) {
            removePlaces(report.places);
            return report.fail(outcome.error);
        }
        if (!args.catalog.empty()) {
            const CatalogItemInfo info{outcome.title, report.places.id, report.places.id + ".html", outcome.source,
                                       report.places.id};
            CCatalog::SetItemInfo(catalog.AddItem(folder, info.title, false), info);
            std::string error;
            if (!catalog.Save(report.catalogPath, &error))
                return report.fail("the catalog was not saved (the article stays in " + report.places.article + "): " + error);
        }
        return outcome.ExitStatus();
    };

    const int status = capture();
    const std::string stopped = !outcome.stopped ? "" : deadline.Passed() ? "time limit" : "interrupted";
    if (args.json)
        printJson(report, outcome, status, stopped);
    else if (status != 2)
        std::printf("%s\n", report.places.article.c_str());
    std::fflush(stdout);
    if (status == 2) {
        std::fprintf(stderr, "quor-capture: %s: %s\n", args.input.c_str(), report.error.c_str());
    } else if (!args.quiet) {
        if (!stopped.empty())
            std::fprintf(stderr, "quor-capture: stopped by the %s; what came is kept\n", stopped.c_str());
        if (!outcome.failed.empty() || !outcome.linkedFailed.empty())
            std::fprintf(stderr, "quor-capture: %zu of %zu files did not come:\n",
                         outcome.failed.size() + outcome.linkedFailed.size(), outcome.found);
        for (const auto* list : {&outcome.failed, &outcome.linkedFailed})
            for (const CaptureFailure& failure : *list)
                std::fprintf(stderr, "  %s: %s\n", failure.address.c_str(), failure.reason.c_str());
    }
    return status;
}
