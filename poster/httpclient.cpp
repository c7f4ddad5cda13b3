#include "httpclient.h"

#include "lasterror.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <strings.h>

namespace {

// Raised inside the client and caught by the operation that the caller called.
struct HttpError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr int kMaxPort = 65535;
constexpr std::size_t kMaxMultipartBytes = std::size_t(256) << 20;

bool startsWithNoCase(std::string_view line, std::string_view prefix)
{
    return line.size() >= prefix.size() && strncasecmp(line.data(), prefix.data(), prefix.size()) == 0;
}

int defaultPort(int scheme)
{
    return scheme == SCHEME_FTP ? 21 : scheme == SCHEME_HTTPS ? 443 : 80;
}

// The object as it can stand in a request line: blanks, control bytes, '#' and bytes from
// 0x80 up are percent-encoded, so nothing in it can end the line or be cut off as a fragment.
std::string requestTarget(const std::string& object)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string target = object.empty() || object[0] != '/' ? "/" : "";
    for (const char ch : object) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F || c == '#') {
            target += '%';
            target += hex[c >> 4];
            target += hex[c & 15];
        } else {
            target += ch;
        }
    }
    return target;
}

bool plainHost(const std::string& host)
{
    if (host.empty() || host.size() > 253)
        return false;
    for (const char c : host)
        if (static_cast<unsigned char>(c) <= 0x20 || c == '/' || c == '\\' || c == '@' || c == '#' || c == '?' ||
            static_cast<unsigned char>(c) == 0x7F)
            return false;
    return true;
}

CURLcode globalInit()
{
    static const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    return code;
}

} // namespace

void ParseUrl(std::string_view url, std::string& scheme, std::string& user, std::string& password, std::string& host,
              int& port, std::string& object)
{
    user.clear();
    password.clear();
    std::size_t start = 0;
    const std::size_t colon = url.find(':');
    if (colon != std::string_view::npos && colon + 1 < url.size() && url[colon + 1] == '/') {
        scheme = url.substr(0, colon);
        start = std::min(colon + 3, url.size());
    } else {
        scheme = "http";
    }

    // Credentials stand before the host; an '@' further on belongs to the path.
    const std::size_t authorityEnd = std::min(url.find('/', start), url.size());
    const std::size_t at = url.substr(0, authorityEnd).find('@', start);
    if (at != std::string_view::npos) {
        const std::size_t split = url.substr(0, at).find(':', start);
        if (split != std::string_view::npos) {
            user = url.substr(start, split - start);
            password = url.substr(split + 1, at - split - 1);
        }
        start = at + 1;
    }

    const std::size_t hostEnd = std::min(url.find('/', start), url.size());
    // An IPv6 address stands in brackets, its colons inside them.
    std::size_t portSearch = start;
    if (start < hostEnd && url[start] == '[')
        portSearch = std::min(url.substr(0, hostEnd).find(']', start), hostEnd);
    const std::size_t portColon = url.substr(0, hostEnd).find(':', portSearch);
    if (portColon != std::string_view::npos) {
        host = url.substr(start, portColon - start);
        long value = 0;
        for (std::size_t i = portColon + 1; i < hostEnd && url[i] >= '0' && url[i] <= '9'; ++i)
            value = std::min(value * 10 + (url[i] - '0'), long(kMaxPort) + 1);
        port = static_cast<int>(value);
    } else {
        host = url.substr(start, hostEnd - start);
        port = scheme == "https" ? 443 : scheme == "ftp" ? 21 : 80;
    }
    object = hostEnd < url.size() ? std::string(url.substr(hostEnd)) : std::string("/");
}

// One request in flight: the libcurl handle and what has come back so far.
struct CHttpClient::Transfer
{
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::string url, body;
    bool added = false;
    bool followRedirects = false;

    long status = 0;
    bool sawLocation = false;
    bool headersDone = false;
    bool done = false;
    CURLcode result = CURLE_OK;
    std::size_t headerBytes = 0, bodyBytes = 0, maxBodyBytes = 0;
    std::vector<std::string> setCookies;
    std::string pending;
    std::size_t pendingRead = 0;
    char errorText[CURL_ERROR_SIZE] = {};
    // The stall watch: when a byte last went either way. libcurl's own low-speed rule
    // averages over the upload too, and so gives up late after a large post.
    std::chrono::steady_clock::time_point lastMove{};
    curl_off_t lastDown = -1, lastUp = -1;
    long stallSeconds = 0;
    bool stalled = false;

    static int onProgress(void* self, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up)
    {
        auto& t = *static_cast<Transfer*>(self);
        const auto now = std::chrono::steady_clock::now();
        if (down != t.lastDown || up != t.lastUp) {
            t.lastDown = down;
            t.lastUp = up;
            t.lastMove = now;
            return 0;
        }
        if (t.stallSeconds > 0 && now - t.lastMove >= std::chrono::seconds(t.stallSeconds)) {
            t.stalled = true;
            return 1;
        }
        return 0;
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        t.headerBytes += n;
        if (t.headerBytes > kMaxHeaderBytes)
            return 0;
        std::string_view line(data, n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (startsWithNoCase(line, "HTTP/")) {
            // A new response: what came before it was an interim answer or a redirect.
            const auto blank = line.find(' ');
            t.status = blank == std::string_view::npos ? 0 : std::strtol(std::string(line.substr(blank + 1)).c_str(), nullptr, 10);
            t.setCookies.clear();
            t.sawLocation = false;
            t.headersDone = false;
            t.pending.clear();
            t.pendingRead = 0;
            t.bodyBytes = 0;
        } else if (line.empty()) {
            const bool interim = t.status >= 100 && t.status < 200;
            const bool followed = t.followRedirects && t.sawLocation && t.status >= 300 && t.status < 400;
            t.headersDone = !interim && !followed;
        } else if (startsWithNoCase(line, "Set-Cookie:")) {
            std::string_view value = line.substr(11);
            while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
                value.remove_prefix(1);
            t.setCookies.emplace_back(value);
        } else if (startsWithNoCase(line, "Location:")) {
            t.sawLocation = true;
        }
        return n;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        if (t.bodyBytes + n > t.maxBodyBytes)
            return 0;
        t.bodyBytes += n;
        if (t.pendingRead == t.pending.size()) {
            t.pending.clear();
            t.pendingRead = 0;
        }
        t.pending.append(data, n);
        return n;
    }
};

CHttpClient::CHttpClient() = default;

CHttpClient::~CHttpClient()
{
    // Handles are closed here too: a caller that forgets Close leaks nothing.
    Close();
    m_postArguments.clear();
    m_cookies.clear();
}

bool CHttpClient::OpenUrl(std::string_view url, const char* user, const char* password, std::string_view agent)
{
    std::string scheme, urlUser, urlPassword, host, object;
    int port = 0;
    ParseUrl(url, scheme, urlUser, urlPassword, host, port, object);

    int kind = -1;
    if (scheme.starts_with("https"))
        kind = SCHEME_HTTPS;
    else if (scheme.starts_with("http"))
        kind = SCHEME_HTTP;
    else if (scheme.starts_with("ftp"))
        kind = SCHEME_FTP;
    if (kind < 0) {
        Trace(host, port, kind, {}, "connect failed...");
        return false;
    }
    m_strObject = object;
    if (!user && !urlUser.empty())
        user = urlUser.c_str();
    if (!password && !urlPassword.empty())
        password = urlPassword.c_str();
    return Connect(host, port, user, password, kind, agent);
}

bool CHttpClient::Connect(const std::string& host, int port, const char* user, const char* password, int scheme,
                          std::string_view agent)
{
    // A client opened again starts afresh: nothing of the last host is carried over.
    Close();
    m_strUser.clear();
    m_strPassword.clear();
    try {
        if (globalInit() != CURLE_OK || !(m_hInternet = curl_multi_init()))
            throw HttpError("open internet failed...");
        if (scheme != SCHEME_FTP && scheme != SCHEME_HTTP && scheme != SCHEME_HTTPS)
            throw HttpError("connect failed...");
        if (!plainHost(host) || port < 0 || port > kMaxPort)
            throw HttpError("connect failed...");

        m_strHost = host;
        m_nPort = port == 0 ? defaultPort(scheme) : port;
        m_nScheme = scheme;
        m_strAgent = agent;
        if (user)
            m_strUser = user;
        if (password)
            m_strPassword = password;
        ClearCookies();
        ClearPostArguments();
        return true;
    } catch (const std::exception& e) {
        Close();
        Trace(host, port, scheme, {}, dynamic_cast<const HttpError*>(&e) ? e.what() : "unknown exception...");
        return false;
    }
}

bool CHttpClient::Request(const std::string& object, int kind, const char* referrer)
{
    try {
        bool sent = false;
        if (kind == REQUEST_GET)
            sent = RequestGet(object, referrer);
        else if (kind == REQUEST_POST)
            sent = RequestPost(object, referrer);
        else if (kind == REQUEST_POST_MULTIPART)
            sent = RequestPostMultipart(object, referrer);
        if (!sent) {
            closeRequest();
            return false;
        }
        m_strObject = object;
        return true;
    } catch (const std::exception& e) {
        closeRequest();
        Trace(m_strHost, m_nPort, m_nScheme, object, dynamic_cast<const HttpError*>(&e) ? e.what() : "unknown exception...");
        return false;
    }
}

void CHttpClient::openRequest(const std::string& object, const char* referrer, bool post, const char* contentType)
{
    if (!m_hInternet)
        throw HttpError("handle not opened...");
    closeRequest();
    if (m_nScheme == SCHEME_FTP)
        throw HttpError("request failed...");

    m_hRequest = std::make_unique<Transfer>();
    Transfer* t = m_hRequest.get();
    t->easy = curl_easy_init();
    if (!t->easy)
        throw HttpError("request failed...");
    t->maxBodyBytes = m_options.maxResponseBytes;
    const std::string site = std::string(m_nScheme == SCHEME_HTTPS ? "https://" : "http://") + m_strHost + ":" +
                             std::to_string(m_nPort);
    t->url = site + requestTarget(object);

    CURL* c = t->easy;
    curl_easy_setopt(c, CURLOPT_URL, t->url.c_str());
    curl_easy_setopt(c, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_USERAGENT, m_strAgent.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, m_options.connectSeconds);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, m_options.totalSeconds);
    t->stallSeconds = m_options.stallSeconds;
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Transfer::onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, t->errorText);
    curl_easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L); // a proxy's answer is not the server's
    if (!m_options.caFile.empty())
        curl_easy_setopt(c, CURLOPT_CAINFO, m_options.caFile.c_str());
    if (referrer)
        curl_easy_setopt(c, CURLOPT_REFERER, referrer);
    if (!m_strUser.empty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, m_strUser.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, m_strPassword.c_str());
        // Sent with the first request, so that its answer is the one read.
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    }
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, t);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, t);
    if (post)
        curl_easy_setopt(c, CURLOPT_POST, 1L);

    const auto addHeader = [t](const std::string& line) {
        curl_slist* list = curl_slist_append(t->headers, line.c_str());
        if (!list)
            throw HttpError("additional header failed...");
        t->headers = list;
    };
    addHeader("Accept: */*");
    if (contentType)
        addHeader(contentType);
    addHeader("Expect:");
    // libcurl keeps a Cookie header of ours from any other host or port a redirect leads to.
    if (!m_cookies.empty())
        addHeader(cookieHeader());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, t->headers);
}

// "Cookie: a=1; b=2" in list order; a name given again takes its latest value.
std::string CHttpClient::cookieHeader() const
{
    std::vector<const Cookie*> sent;
    for (const Cookie& cookie : m_cookies) {
        if (cookie.name.empty() || cookie.name.find_first_of("\t\r\n=; ") != std::string::npos ||
            cookie.value.find_first_of("\r\n;") != std::string::npos || cookie.value.find('\0') != std::string::npos)
            throw HttpError("add cookie failed...");
        const auto same = std::find_if(sent.begin(), sent.end(), [&](const Cookie* c) { return c->name == cookie.name; });
        if (same != sent.end())
            *same = &cookie;
        else
            sent.push_back(&cookie);
    }
    std::string header = "Cookie: ";
    for (const Cookie* cookie : sent) {
        if (cookie != sent.front())
            header += "; ";
        header += cookie->name + "=" + cookie->value;
    }
    return header;
}

void CHttpClient::pump()
{
    auto* multi = static_cast<CURLM*>(m_hInternet);
    int running = 0;
    curl_multi_perform(multi, &running);
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
        if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_hRequest->easy) {
            m_hRequest->done = true;
            m_hRequest->result = msg->data.result;
            if (m_hRequest->stalled)
                std::snprintf(m_hRequest->errorText, sizeof m_hRequest->errorText,
                              "Operation timed out: nothing came from the server for %ld seconds",
                              m_hRequest->stallSeconds);
        }
    }
    // Wait for the socket only when there is nothing to hand out.
    if (!m_hRequest->done && m_hRequest->pendingRead == m_hRequest->pending.size()) {
        curl_multi_poll(multi, nullptr, 0, m_options.onWait ? 50 : 500, nullptr);
        if (m_options.onWait)
            m_options.onWait();
    }
}

void CHttpClient::sendAndWaitForHeaders()
{
    Transfer& t = *m_hRequest;
    if (curl_multi_add_handle(static_cast<CURLM*>(m_hInternet), t.easy) != CURLM_OK)
        throw HttpError("request failed...");
    t.added = true;
    while (!t.headersDone && !t.done)
        pump();
    if (!t.headersDone && !(t.done && t.result == CURLE_OK && t.status != 0))
        throw HttpError("request failed...");
}

bool CHttpClient::RequestGet(const std::string& object, const char* referrer)
{
    openRequest(object, referrer, false, nullptr);
    m_hRequest->followRedirects = true;
    curl_easy_setopt(m_hRequest->easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_hRequest->easy, CURLOPT_MAXREDIRS, 10L);
    sendAndWaitForHeaders();
    return true;
}

bool CHttpClient::RequestPost(const std::string& object, const char* referrer)
{
    openRequest(object, referrer, true, "Content-Type: application/x-www-form-urlencoded");
    // A redirect is not followed: it is the answer to this post.
    std::string& body = m_hRequest->body;
    body.assign(GetPostArgumentsLength() + 1, '\0');
    body.resize(BuildPostArguments(body.data(), body.size()));
    curl_easy_setopt(m_hRequest->easy, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(m_hRequest->easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    sendAndWaitForHeaders();
    return true;
}

bool CHttpClient::RequestPostMultipart(const std::string& object, const char* referrer)
{
    openRequest(object, referrer, true, "Content-Type: multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY");
    if (GetMultipartBufferSize() > kMaxMultipartBytes)
        throw HttpError("request failed...");
    std::string& body = m_hRequest->body;
    BuildMultipartBody(body, MULTIPART_BOUNDARY);
    curl_easy_setopt(m_hRequest->easy, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(m_hRequest->easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    try {
        sendAndWaitForHeaders();
    } catch (const HttpError&) {
        const Transfer& t = *m_hRequest;
        SetLastErrorCode(EIO, t.errorText[0] ? std::string(t.errorText) : std::string(curl_easy_strerror(t.result)));
        if (m_reportError)
            m_reportError();
        throw HttpError("request failed");
    }
    return true;
}

std::size_t CHttpClient::ReadResponse(char* buffer, std::size_t size)
{
    try {
        if (!m_hRequest)
            throw HttpError("connection failed...");
        Transfer& t = *m_hRequest;
        while (t.pendingRead == t.pending.size() && !t.done)
            pump();
        if (t.pendingRead < t.pending.size()) {
            const std::size_t n = std::min(size, t.pending.size() - t.pendingRead);
            if (n > 0)
                std::memcpy(buffer, t.pending.data() + t.pendingRead, n);
            t.pendingRead += n;
            return n;
        }
        if (t.result != CURLE_OK)
            throw HttpError("response failed...");
        return 0;
    } catch (const std::exception& e) {
        closeRequest();
        Trace(m_strHost, m_nPort, m_nScheme, m_strObject, dynamic_cast<const HttpError*>(&e) ? e.what() : "unknown exception...");
        return 0;
    }
}

std::size_t CHttpClient::QuerySetCookie(char* buffer, std::size_t size, int index)
{
    if (m_hRequest && index >= 0 && static_cast<std::size_t>(index) < m_hRequest->setCookies.size()) {
        const std::string& header = m_hRequest->setCookies[static_cast<std::size_t>(index)];
        if (header.size() < size) {
            std::memcpy(buffer, header.c_str(), header.size() + 1);
            return header.size();
        }
    }
    Trace(m_strHost, m_nPort, m_nScheme, m_strObject, "query cookie failed...");
    return 0;
}

void CHttpClient::closeRequest()
{
    if (!m_hRequest)
        return;
    if (m_hRequest->added)
        curl_multi_remove_handle(static_cast<CURLM*>(m_hInternet), m_hRequest->easy);
    if (m_hRequest->easy)
        curl_easy_cleanup(m_hRequest->easy);
    curl_slist_free_all(m_hRequest->headers);
    m_hRequest.reset();
}

void CHttpClient::Close()
{
    closeRequest();
    if (m_hInternet) {
        curl_multi_cleanup(static_cast<CURLM*>(m_hInternet));
        m_hInternet = nullptr;
    }
}

void CHttpClient::AddPostArgument(std::string name, std::string value, bool isFile)
{
    m_postArguments.push_back({std::move(name), std::move(value), isFile});
}

void CHttpClient::AddCookie(std::string name, std::string value)
{
    m_cookies.push_back({std::move(name), std::move(value)});
}

void CHttpClient::Trace(const std::string&, int, int, const std::string&, const std::string& message)
{
    m_lastTrace = message;
}
