#include "linklocalizer.h"

#include "appglobals.h"
#include "fileutil.h"
#include "htmldocument.h"
#include "links.h"
#include "pagecapture.h"
#include "storage.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

bool isWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

void replaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

} // namespace

std::map<std::string, std::string> g_downloaded;

bool DownloadToFile(const std::string& address, std::string& path, const DownloadFunction& download)
{
    const auto known = g_downloaded.find(address);
    if (known != g_downloaded.end() && known->second.size() > 2 && PathExists(known->second)) {
        path = known->second;
        return true;
    }
    if (download && download(address, path)) {
        g_downloaded[address] = path;
        return true;
    }
    path.clear();
    g_downloaded[address].clear();
    return false;
}

std::string DownloadName(const std::string& address, const std::string& folder, bool firstSlashStep)
{
    std::string tail = address.substr(address.size() > 30 ? address.size() - 30 : 0);
    const auto slash = tail.find('/');
    if (firstSlashStep && slash != std::string::npos)
        tail = tail.substr(slash + 1);
    std::erase_if(tail, [](char c) {
        return c == '\\' || c == ' ' || c == '?' || c == '&' || c == '/' || static_cast<unsigned char>(c) < 0x20;
    });
    return folder + "/" + MakeArticleId() + tail;
}

bool FetchUrlFile(const std::string& address, std::string& localFile, std::vector<std::string>& failures,
                  const std::string& folder, const CacheLookup& cache, const DownloadFunction& download)
{
    std::string trimmed = address;
    while (!trimmed.empty() && (isWhite(trimmed.front()) || trimmed.front() == '"'))
        trimmed.erase(0, 1);
    while (!trimmed.empty() && (isWhite(trimmed.back()) || trimmed.back() == '"'))
        trimmed.pop_back();
    const int kind = ClassifyUrl(trimmed);
    if (kind == URL_FILE) {
        // The path as written: this file system tells case apart.
        std::string path = trimmed.substr(7);
        replaceAll(path, "%20", " ");
        while (path.size() > 1 && path[0] == '/' && path[1] == '/')
            path.erase(0, 1);
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return false;
        localFile = path;
        return true;
    }
    if (kind != URL_HTTP)
        return false;
    if (cache) {
        const std::string cached = cache(trimmed);
        if (!cached.empty() && PathExists(cached)) {
            localFile = cached;
            return true;
        }
    }
    std::string path = DownloadName(trimmed, folder);
    if (DownloadToFile(trimmed, path, download)) {
        localFile = path;
        return true;
    }
    failures.push_back(trimmed);
    return false;
}

bool ForceLocalizeLink(const std::string& attachDir, const std::string& attachName, std::string& address,
                       std::vector<std::string>& failures, const CacheLookup& cache, const DownloadFunction& download)
{
    // Fetched like any link, but downloaded every time under its own kind of name.
    const FetchUrlFunction fetch = [&](const std::string& url, std::string& localFile, std::vector<std::string>& fails) {
        if (ClassifyUrl(url) != URL_HTTP)
            return FetchUrlFile(url, localFile, fails, attachDir, cache, {});
        if (cache) {
            const std::string cached = cache(url);
            if (!cached.empty() && PathExists(cached)) {
                localFile = cached;
                return true;
            }
        }
        std::string path = DownloadName(url, attachDir, false);
        if (download && download(url, path)) {
            localFile = path;
            return true;
        }
        fails.push_back(url);
        return false;
    };
    return LocalizeLink(attachDir, attachName, address, failures, fetch);
}

std::string LocalizeFailureText(const LocalizeResult& result)
{
    if (result.failures.empty())
        return {};
    std::string text = "Download Files Fail:\r\n";
    for (const std::string& failure : result.failures)
        text += failure + "\r\n";
    return text;
}

bool IsDownloadType(const std::string& link, const std::string& fileTypes)
{
    std::string tail = link.substr(link.size() > 6 ? link.size() - 6 : 0);
    while (!tail.empty() && (tail.back() == '"' || tail.back() == ' ' || tail.back() == '\''))
        tail.pop_back();
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    std::string type = tail.substr(tail.size() > 4 ? tail.size() - 4 : 0);
    type.erase(0, type.find_first_not_of('.') == std::string::npos ? type.size() : type.find_first_not_of('.'));
    return fileTypes.find(type) != std::string::npos;
}

bool LocalizeLink(const std::string& attachDir, const std::string& attachName, std::string& address,
                  std::vector<std::string>& failures, const FetchUrlFunction& fetch)
{
    std::size_t begin = 0, end = address.size();
    while (begin < end && (isWhite(address[begin]) || address[begin] == '"'))
        ++begin;
    while (end > begin && (isWhite(address[end - 1]) || address[end - 1] == '"'))
        --end;
    address = address.substr(begin, end - begin);
    // "&amp;" again and again until none is left; no line breaks.
    for (std::size_t before = 0; before != address.size();) {
        before = address.size();
        replaceAll(address, "&amp;", "&");
    }
    replaceAll(address, "&#10;", "");
    replaceAll(address, "&#13;", "");

    const std::string fetchAddress = address.substr(0, address.find('#'));
    std::string localFile;
    if (!fetch || !fetch(fetchAddress, localFile, failures))
        return false;
    const std::string name = GetFileNamePart(GetExistingName(localFile));
    if (!IsPlainFileName(name))
        return false; // a copy never goes anywhere but into the attachment folder
    const std::string link = attachName + "/" + name;
    const std::string destination = attachDir + "/" + name;
    if (!(PathExists(destination) && PathStartsWith(destination, attachDir))) {
        std::string bytes;
        if (ReadWholeFile(localFile, bytes, std::size_t(1) << 31) != 0 || PathExists(destination) ||
            !WriteFileAtomically(destination, bytes)) {
            failures.push_back(link);
            return false;
        }
    }
    address = link;
    return true;
}

LocalizeResult LocalizeLinks(CHtmlDocument& document, const std::string& base, const std::string& attachDir,
                             const std::string& attachName, const FetchUrlFunction& fetch)
{
    // Each address is asked of the fetcher in turn; it gives a local file or nothing.
    CaptureFetcher fetcher;
    fetcher.lookup = [&fetch](const std::string& address) {
        std::string local;
        std::vector<std::string> ignored;
        return fetch && fetch(address, local, ignored) ? local : std::string();
    };
    return LocalizeLinks(document, base, attachDir, attachName, fetcher);
}

LocalizeResult LocalizeLinks(CHtmlDocument& document, const std::string& base, const std::string& attachDir,
                             const std::string& attachName, const CaptureFetcher& fetcher)
{
    CaptureOptions options;
    options.fileTypes = g_szFileTypes;
    const CaptureReport report = CapturePageResources(document, base, attachDir, attachName, fetcher, options);
    LocalizeResult result;
    result.failures = report.failures;
    result.hrefFailures = report.hrefFailures;
    result.found = report.found;
    result.local = report.local;
    result.cancelled = report.cancelled;
    return result;
}
