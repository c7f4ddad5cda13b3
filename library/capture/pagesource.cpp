#include "pagesource.h"

#include "clipboardhtml.h"
#include "fileutil.h"
#include "httpdownload.h"
#include "transfercallbacks.h"
#include "links.h"
#include "markup.h"
#include "pagecapture.h"
#include "storage.h"

#include <curl/curl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
constexpr std::size_t kMaxNameBytes = 120;

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && strncasecmp(s.data(), prefix.data(), prefix.size()) == 0;
}

// The media type of a Content-Type value, lower case.
std::string mediaType(const std::string& contentType)
{
    return lower(trimmed(std::string_view(contentType).substr(0, contentType.find(';'))));
}

std::string sizeText(std::uint64_t bytes)
{
    return std::to_string(bytes >> 20) + " MB";
}

// The file name of a Content-Disposition value: filename* (percent-encoded) before filename.
std::string dispositionName(const std::string& value)
{
    std::string plain, extended;
    std::size_t start = 0;
    while (start <= value.size()) {
        std::size_t end = value.find(';', start);
        if (end == std::string::npos)
            end = value.size();
        const std::string param = value.substr(start, end - start);
        start = end + 1;
        const std::size_t equals = param.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string key = lower(trimmed(std::string_view(param).substr(0, equals)));
        std::string text = trimmed(std::string_view(param).substr(equals + 1));
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
            text = text.substr(1, text.size() - 2);
        if (key == "filename")
            plain = text;
        else if (key == "filename*") {
            const std::size_t quote = text.find('\'');
            const std::size_t second = quote == std::string::npos ? quote : text.find('\'', quote + 1);
            extended = PercentDecode(second == std::string::npos ? text : text.substr(second + 1));
        }
    }
    return extended.empty() ? plain : extended;
}

// The last segment of an address's path, decoded.
std::string addressName(const std::string& address)
{
    std::string path = address.substr(0, address.find_first_of("?#"));
    const std::size_t scheme = path.find("://");
    const std::size_t slash = path.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    if (slash == std::string::npos)
        return {};
    path = path.substr(slash);
    return PercentDecode(path.substr(path.rfind('/') + 1));
}

// A file extension for a media type that names one plainly.
std::string extensionFor(const std::string& contentType)
{
    static constexpr std::pair<const char*, const char*> kTypes[] = {
        {"application/pdf", "pdf"},   {"image/png", "png"},        {"image/jpeg", "jpg"},
        {"image/gif", "gif"},         {"image/webp", "webp"},      {"image/svg+xml", "svg"},
        {"image/bmp", "bmp"},         {"image/tiff", "tif"},       {"text/plain", "txt"},
        {"application/zip", "zip"},   {"application/msword", "doc"}, {"application/rtf", "rtf"},
        {"video/mp4", "mp4"},         {"audio/mpeg", "mp3"},       {"application/json", "json"},
        {"text/csv", "csv"},          {"application/xml", "xml"},  {"text/xml", "xml"},
    };
    const std::string type = mediaType(contentType);
    for (const auto& [media, ext] : kTypes)
        if (type == media)
            return ext;
    return {};
}

// Opens a new file for the copy, never over anything and never through a link.
int createCopy(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        error = ErrnoText(path, errno);
    return fd;
}

struct Transfer
{
    Transfer(const std::string& folder, const PageSourceOptions& o, const std::atomic<bool>& a, const PageProgress& p,
             SourcePage& out, CURL* easy)
        : attachDir(folder), options(o), abort(a), progress(p), page(out), curl(easy)
    {
    }

    const std::string& attachDir;
    const PageSourceOptions& options;
    const std::atomic<bool>& abort;
    const PageProgress& progress;
    SourcePage& page;
    CURL* curl;

    long status = 0;
    std::string contentType, disposition;
    std::uint64_t length = 0; // Content-Length of the last answer, 0 when not given
    std::size_t headerBytes = 0;
    enum class Mode { Undecided, Memory, File } mode = Mode::Undecided;
    int fd = -1;
    std::uint64_t received = 0;
    std::string failure; // why a callback ended the transfer

    bool fail(std::string why)
    {
        failure = std::move(why);
        return false;
    }

    bool decide(std::string_view first)
    {
        page.html = IsHtmlContent(contentType, first);
        if (page.html) {
            mode = Mode::Memory;
            if (length > options.maxHtmlBytes)
                return fail("the page is larger than " + sizeText(options.maxHtmlBytes));
            page.bytes.reserve(static_cast<std::size_t>(length));
            return true;
        }
        mode = Mode::File;
        if (length > options.maxFileBytes)
            return fail("the file is larger than " + sizeText(options.maxFileBytes));
        char* effective = nullptr;
        curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
        std::string name = dispositionName(disposition);
        if (name.empty() && effective)
            name = addressName(effective);
        page.fileName = PlainAttachmentName(name, extensionFor(contentType));
        page.file = attachDir + "/" + page.fileName;
        fd = createCopy(page.file, failure);
        return fd >= 0;
    }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        t.headerBytes += n;
        if (t.headerBytes > kMaxHeaderBytes) {
            t.fail("the server's header is larger than 256 KB");
            return 0;
        }
        const std::string_view line(data, n);
        if (startsWithNoCase(line, "HTTP/")) {
            const std::size_t blank = line.find(' ');
            t.status = blank == std::string_view::npos ? 0 : std::strtol(std::string(line.substr(blank + 1)).c_str(), nullptr, 10);
            t.contentType.clear();
            t.disposition.clear();
            t.length = 0;
        } else if (startsWithNoCase(line, "Content-Type:")) {
            t.contentType = trimmed(line.substr(13));
        } else if (startsWithNoCase(line, "Content-Disposition:")) {
            t.disposition = trimmed(line.substr(20));
        } else if (startsWithNoCase(line, "Content-Length:")) {
            t.length = std::strtoull(std::string(line.substr(15)).c_str(), nullptr, 10);
        }
        return n;
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto& t = *static_cast<Transfer*>(self);
        const std::size_t n = size * count;
        if (t.abort.load() || t.status < 200 || t.status > 299)
            return 0;
        if (t.mode == Mode::Undecided && !t.decide({data, n}))
            return 0;
        if (t.mode == Mode::Memory) {
            if (t.received + n > t.options.maxHtmlBytes) {
                t.fail("the page is larger than " + sizeText(t.options.maxHtmlBytes));
                return 0;
            }
            t.page.bytes.append(data, n);
        } else {
            if (t.received + n > t.options.maxFileBytes) {
                t.fail("the file is larger than " + sizeText(t.options.maxFileBytes));
                return 0;
            }
            if (const int err = WriteAll(t.fd, data, n); err != 0) {
                t.fail(ErrnoText(t.page.file, err));
                return 0;
            }
        }
        t.received += n;
        if (t.progress)
            t.progress(t.received, t.length);
        return n;
    }

    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
    {
        return static_cast<Transfer*>(self)->abort.load() ? 1 : 0;
    }
};

} // namespace

InputKind ClassifyInput(const std::string& input, std::string& path)
{
    if (startsWithNoCase(input, "http://") || startsWithNoCase(input, "https://"))
        return InputKind::Web;
    if (startsWithNoCase(input, "file://")) {
        std::string rest = input.substr(7);
        if (startsWithNoCase(rest, "localhost/"))
            rest = rest.substr(9);
        path = PercentDecode(rest.substr(0, rest.find_first_of("?#")));
        return !path.empty() && path.front() == '/' ? InputKind::File : InputKind::Unsupported;
    }
    // Another scheme ("ftp:", "javascript:") unless a file of that name is there.
    const std::size_t colon = input.find(':');
    if (colon != std::string::npos && colon > 0 &&
        input.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+.-") == colon &&
        !PathExists(input))
        return InputKind::Unsupported;
    path = input;
    return InputKind::File;
}

bool IsHtmlContent(const std::string& contentType, std::string_view firstBytes)
{
    const std::string type = mediaType(contentType);
    if (!type.empty())
        return type == "text/html" || type == "application/xhtml+xml";
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(firstBytes[i]); };
    if (firstBytes.size() >= 2 && ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == 0xFE && b(1) == 0xFF)))
        return true;
    if (firstBytes.size() >= 3 && b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF)
        firstBytes.remove_prefix(3);
    const std::size_t first = firstBytes.find_first_not_of(" \t\r\n\f");
    return first != std::string_view::npos && firstBytes[first] == '<';
}

std::string PlainAttachmentName(const std::string& name, const std::string& ext)
{
    std::string plain = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    // Valid UTF-8 only, without control characters or wildcards.
    std::string clean;
    for (std::size_t i = 0; i < plain.size();) {
        const auto c = static_cast<unsigned char>(plain[i]);
        const std::size_t length = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 && c >= 0xC2 ? 2 : (c & 0xF0) == 0xE0 ? 3
                                                : (c & 0xF8) == 0xF0 && c <= 0xF4  ? 4
                                                                                   : 0;
        bool valid = length > 0 && i + length <= plain.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(plain[i + k]) & 0xC0) == 0x80;
        if (!valid) {
            clean += '_';
            ++i;
            continue;
        }
        if (length == 1 && (c < 0x20 || c == 0x7F || c == '*' || c == '?'))
            clean += '_';
        else
            clean.append(plain, i, length);
        i += length;
    }
    while (!clean.empty() && (clean.front() == '.' || clean.front() == ' '))
        clean.erase(0, 1);
    while (!clean.empty() && (clean.back() == '.' || clean.back() == ' '))
        clean.pop_back();
    if (clean.empty())
        clean = "download";
    const std::size_t dot = clean.rfind('.');
    std::string stem = dot == std::string::npos ? clean : clean.substr(0, dot);
    std::string suffix = dot == std::string::npos ? std::string() : clean.substr(dot);
    if (suffix.empty() && !ext.empty())
        suffix = "." + ext;
    if (suffix.size() > 16) {
        stem += suffix;
        suffix.clear();
    }
    if (stem.size() + suffix.size() > kMaxNameBytes) {
        std::size_t cut = kMaxNameBytes - suffix.size();
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut; // on a character boundary
        stem.resize(cut);
    }
    return stem + suffix;
}

SourcePage FetchSourcePage(const std::string& address, const std::string& attachDir, const PageSourceOptions& options,
                           const std::atomic<bool>& abort, const PageProgress& progress)
{
    SourcePage page;
    CURL* curl = curl_easy_init();
    if (!curl) {
        page.error = "libcurl could not start a transfer";
        return page;
    }
    Transfer t(attachDir, options, abort, progress, page, curl);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    SetWebTransferOptions(curl);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    if (options.deadline != std::chrono::steady_clock::time_point{}) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(options.deadline -
                                                                                std::chrono::steady_clock::now());
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(std::max<long long>(1, left.count())));
    }
    SetTransferCallbacks(curl, t);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);

    const CURLcode code = curl_easy_perform(curl);
    char* effective = nullptr;
    curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
    page.address = effective ? effective : address;
    page.contentType = t.contentType;
    curl_easy_cleanup(curl);

    int closeErr = 0;
    if (t.fd >= 0 && (::fsync(t.fd) != 0 || ::close(t.fd) != 0))
        closeErr = errno;
    const std::string detail = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    if (abort.load())
        page.error = "stopped before the page came";
    else if (!t.failure.empty())
        page.error = t.failure;
    else if (t.status != 0 && (t.status < 200 || t.status > 299) && code != CURLE_TOO_MANY_REDIRECTS)
        page.error = "the server answered HTTP " + std::to_string(t.status);
    else if (code == CURLE_TOO_MANY_REDIRECTS)
        page.error = "too many redirects (more than 10)";
    else if (code == CURLE_OPERATION_TIMEDOUT && options.deadline != std::chrono::steady_clock::time_point{} &&
             std::chrono::steady_clock::now() >= options.deadline)
        page.error = "the time limit passed before the page came";
    else if (code != CURLE_OK)
        page.error = detail;
    else if (closeErr != 0)
        page.error = ErrnoText(page.file, closeErr);
    if (!page.error.empty()) {
        if (!page.file.empty())
            ::unlink(page.file.c_str());
        page.file.clear();
        page.bytes.clear();
        return page;
    }
    if (t.mode == Transfer::Mode::Undecided)
        page.html = true; // an empty answer: an empty page
    page.ok = true;
    return page;
}

SourcePage ReadSourcePage(const std::string& path, const std::string& attachDir, const PageSourceOptions& options)
{
    SourcePage page;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved)) {
        page.error = std::strerror(errno);
        return page;
    }
    const std::string full = resolved;
    page.address = PathToFileUrl(full);
    const int in = ::open(full.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st{};
    if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        page.error = in < 0 ? std::strerror(errno) : S_ISDIR(st.st_mode) ? "a folder, not a page" : "not a regular file";
        if (in >= 0)
            ::close(in);
        return page;
    }
    char head[512];
    const ssize_t got = ::pread(in, head, sizeof head, 0);
    const std::string ext = lower(GetFileExt(GetFileNamePart(full)));
    page.html = ext == "html" || ext == "htm" || ext == "xhtml" || ext == "xht" || ext == "shtml" ||
                (ext.empty() && got > 0 && IsHtmlContent({}, std::string_view(head, static_cast<std::size_t>(got))));
    if (page.html) {
        ::close(in);
        const int err = ReadWholeFile(full, page.bytes, options.maxHtmlBytes);
        if (err != 0) {
            page.error = err == EFBIG ? "the page is larger than " + sizeText(options.maxHtmlBytes) : std::strerror(err);
            page.bytes.clear();
            return page;
        }
        page.ok = true;
        return page;
    }
    if (static_cast<std::uint64_t>(st.st_size) > options.maxFileBytes) {
        ::close(in);
        page.error = "the file is larger than " + sizeText(options.maxFileBytes);
        return page;
    }
    page.fileName = PlainAttachmentName(GetFileNamePart(full), {});
    page.file = attachDir + "/" + page.fileName;
    const int out = createCopy(page.file, page.error);
    if (out < 0) {
        ::close(in);
        page.file.clear();
        return page;
    }
    std::string buffer(1 << 20, '\0');
    std::uint64_t copied = 0;
    int err = 0;
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            err = errno;
        if (n <= 0)
            break;
        copied += static_cast<std::uint64_t>(n);
        if (copied > options.maxFileBytes) {
            err = EFBIG; // it grew meanwhile
            break;
        }
        if ((err = WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) != 0)
            break;
    }
    ::close(in);
    if (err == 0 && ::fsync(out) != 0)
        err = errno;
    if (::close(out) != 0 && err == 0)
        err = errno;
    if (err != 0) {
        page.error = ErrnoText(page.file, err);
        ::unlink(page.file.c_str());
        page.file.clear();
        return page;
    }
    page.ok = true;
    return page;
}

std::string LinkedFileArticle(const std::string& fileName, const std::string& attachName, const std::string& contentType,
                              const std::string& source)
{
    const std::string link = EscapeMarkup(AttachmentLink(attachName, fileName));
    const std::string name = EscapeMarkup(fileName);
    std::string html = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n<title>" +
                       name + "</title></head>\r\n<body>\r\n<p><a href=\"" + link + "\">" + name + "</a></p>\r\n";
    if (contentType.rfind("image/", 0) == 0)
        html += "<p><img src=\"" + link + "\" alt=\"" + name + "\"></p>\r\n";
    if (!source.empty())
        html += "<p>SOURCE: <a href=\"" + EscapeMarkup(source) + "\">" + EscapeMarkup(source) + "</a></p>\r\n";
    html += "</body></html>\r\n";
    return Utf8ToEntities(html);
}
