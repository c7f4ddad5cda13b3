#include "httpdownload.h"
#include "transfercallbacks.h"

#include "downloadtexts.h"
#include "fileutil.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool startsWithNoCase(const std::string& s, const char* prefix)
{
    return strncasecmp(s.c_str(), prefix, std::strlen(prefix)) == 0;
}

std::string trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    return s.substr(i);
}

// The file name a Content-Disposition header gives, or "".
std::string dispositionName(const std::string& value)
{
    const auto at = value.find('=');
    if (at == std::string::npos)
        return {};
    std::string name = trimmed(value.substr(at + 1));
    if (const auto end = name.find(';'); end != std::string::npos)
        name.resize(end);
    name = trimmed(name);
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        name = name.substr(1, name.size() - 2);
    return name;
}

CURLcode globalInit()
{
    static const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    return code;
}

} // namespace

struct DownloadCallbacks
{
    DownloadCallbacks(CHttpDownload& d, const CHttpDownload::Events& e, const std::atomic<bool>& a, int file)
        : download(d), events(e), abort(a), fd(file)
    {
    }

    CHttpDownload& download;
    const CHttpDownload::Events& events;
    const std::atomic<bool>& abort;
    int fd;
    long status = 0;
    bool informed = false, receiving = false;
    std::uint64_t total = 0, size = 0;
    std::size_t headerBytes = 0;
    std::string dispositionPath, redirectPath;
    int writeErrno = 0;
    bool tooLarge = false, headerFlood = false;

    void say(const std::string& text) const
    {
        if (events.status)
            events.status(text);
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& c = *static_cast<DownloadCallbacks*>(self);
        const std::size_t n = size * count;
        c.headerBytes += n;
        if (c.headerBytes > CHttpDownload::kMaxHeaderBytes) {
            c.headerFlood = true;
            return 0;
        }
        const std::string line(data, n);
        if (startsWithNoCase(line, "HTTP/")) {
            c.status = std::strtol(line.c_str() + line.find(' ') + 1, nullptr, 10);
            if (!c.informed) {
                c.informed = true;
                c.say(FormatDownloadText("Connected to %1", CHttpDownload::ServerOf(c.download.m_url)));
                c.say("Getting file information");
            }
        } else if (startsWithNoCase(line, "Location:") && c.status >= 300 && c.status < 400) {
            c.say(FormatDownloadText("Redirecting to %1", trimmed(line.substr(9))));
        } else if (startsWithNoCase(line, "Content-Disposition:") && c.status == 200) {
            c.dispositionPath = CHttpDownload::RenamedPath(c.download.m_filePath, dispositionName(line.substr(20)));
        } else if (startsWithNoCase(line, "Content-Length:") && c.status == 200) {
            c.size = std::strtoull(line.c_str() + 15, nullptr, 10);
        }
        return n;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& c = *static_cast<DownloadCallbacks*>(self);
        const std::size_t n = size * count;
        if (c.abort.load() || c.status != 200)
            return 0; // only the final, good answer is written
        if (!c.receiving) {
            c.receiving = true;
            c.say("Retrieving the file");
        }
        if (c.total + n > CHttpDownload::kMaxBytes) {
            c.tooLarge = true;
            return 0;
        }
        if ((c.writeErrno = WriteAll(c.fd, data, n)) != 0)
            return 0;
        c.total += n;
        if (c.events.progress)
            c.events.progress(c.total, c.size);
        return n;
    }

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<DownloadCallbacks*>(self)->abort.load() ? 1 : 0;
    }
};

void SetWebTransferOptions(void* easy)
{
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
}

CHttpDownload::CHttpDownload(std::string url, std::string filePath) : m_url(std::move(url)), m_filePath(std::move(filePath))
{
    m_url = trimmed(m_url);
    if (m_url.find("://") == std::string::npos)
        m_url = "http://" + m_url;
}

std::string CHttpDownload::ServerOf(const std::string& url)
{
    const auto start = url.find("://");
    const std::string rest = start == std::string::npos ? url : url.substr(start + 3);
    std::string host = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = host.rfind('@'); at != std::string::npos)
        host = host.substr(at + 1);
    return host;
}

std::string CHttpDownload::FileNameOf(const std::string& url)
{
    const auto start = url.find("://");
    const std::string rest = start == std::string::npos ? url : url.substr(start + 3);
    const auto slash = rest.find('/');
    std::string object = slash == std::string::npos ? std::string() : rest.substr(slash);
    object = object.substr(0, object.find_first_of("?#"));
    const auto last = object.find_last_of("/\\");
    return object.size() < 2 || last == std::string::npos ? object : object.substr(last + 1);
}

std::string CHttpDownload::RenamedPath(const std::string& filePath, const std::string& name)
{
    // Only the last part of what the server says, without anything that names a folder.
    std::string plain = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    std::erase_if(plain, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '"' || c == '*' || c == '?'; });
    if (plain.empty() || plain == "." || plain == "..")
        return {};
    const auto slash = filePath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : filePath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? filePath : filePath.substr(slash + 1);
    std::string renamed = base + plain;
    if (renamed.size() > 255)
        renamed = renamed.substr(renamed.size() - 255);
    return folder + renamed;
}

CHttpDownload::Result CHttpDownload::Run(const Events& events, const std::atomic<bool>& abort)
{
    const int fd = ::open(m_filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        m_openFailed = true;
        m_error = FormatDownloadText("An error occured while opening the file to be downloaded, Error:%1", std::to_string(errno));
        return Result::Failed;
    }
    const auto fail = [&](const char* pattern, long number) {
        ::close(fd);
        ::unlink(m_filePath.c_str());
        m_error = FormatDownloadText(pattern, std::to_string(number));
        return Result::Failed;
    };
    if (globalInit() != CURLE_OK)
        return fail("An error occurred while attempting to download the file, Error:%1", 0);
    CURL* curl = curl_easy_init();
    if (!curl)
        return fail("An error occurred while attempting to download the file, Error:%1", 0);

    DownloadCallbacks callbacks(*this, events, abort, fd);
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    curl_easy_setopt(curl, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Quor");
    SetWebTransferOptions(curl);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L); // a server that stops sending ends it
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    SetTransferCallbacks(curl, callbacks);

    callbacks.say(FormatDownloadText("Connecting to %1", ServerOf(m_url)));
    const CURLcode code = curl_easy_perform(curl);
    long status = 0, redirects = 0;
    char* effective = nullptr;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(curl, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
    // After redirects the file takes the name of where it was found (a relative Location
    // included).
    if (redirects > 0 && effective)
        callbacks.redirectPath = RenamedPath(m_filePath, FileNameOf(effective));
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);

    if (abort.load()) {
        ::close(fd);
        ::unlink(m_filePath.c_str());
        return Result::Aborted;
    }
    // libcurl refuses an oversized header line itself (as out of memory).
    if (callbacks.headerFlood || (code == CURLE_OUT_OF_MEMORY && callbacks.total == 0))
        return fail("Failed to receive a valid response from the server", 0);
    if (code == CURLE_TOO_MANY_REDIRECTS)
        return fail("An error occurred connecting to the server, Error:%1", code);
    if (status != 0 && status != 200)
        return fail("Failed to receive a valid HTTP response from the server", status);
    if (callbacks.writeErrno != 0)
        return fail("An error occurred while downloading the file, Error:%1", callbacks.writeErrno);
    if (callbacks.tooLarge)
        return fail("An error occurred while downloading the file, Error:%1", EFBIG);
    if (code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT || code == CURLE_SSL_CONNECT_ERROR ||
        code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_TOO_MANY_REDIRECTS || code == CURLE_UNSUPPORTED_PROTOCOL ||
        code == CURLE_URL_MALFORMAT || (code == CURLE_OPERATION_TIMEDOUT && status == 0))
        return fail("An error occurred connecting to the server, Error:%1", code);
    if (code != CURLE_OK)
        return fail("An error occurred while downloading the file, Error:%1", code);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int err = errno;
        ::unlink(m_filePath.c_str());
        m_error = FormatDownloadText("An error occurred while downloading the file, Error:%1", std::to_string(err));
        return Result::Failed;
    }
    // A name from the server wins over one from a redirect; a failing move keeps the file.
    const std::string renamed = !callbacks.dispositionPath.empty() ? callbacks.dispositionPath : callbacks.redirectPath;
    if (!renamed.empty() && renamed != m_filePath && ::rename(m_filePath.c_str(), renamed.c_str()) == 0)
        m_finalPath = renamed;
    return Result::Done;
}
