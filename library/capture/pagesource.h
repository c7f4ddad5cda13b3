#pragma once
// The page a capture starts from: fetched from an http(s) address (redirects followed) or
// read from a file. An HTML page comes into memory; anything else (a PDF, a picture) is
// written into the attachment folder under its own name.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

struct PageSourceOptions
{
    std::string userAgent = "Quor";
    long connectTimeoutSeconds = 20;
    long stallSeconds = 30; // nothing received for this long fails
    std::chrono::steady_clock::time_point deadline{}; // none when left as is
    std::size_t maxHtmlBytes = std::size_t(64) << 20;
    std::uint64_t maxFileBytes = std::uint64_t(2) << 30;
};

struct SourcePage
{
    bool ok = false;
    std::string error;       // why there is no page
    std::string address;     // where it came from in the end: after redirects, or file://
    std::string contentType; // as the server said it
    bool html = false;
    std::string bytes;       // an HTML page, as sent
    std::string file;        // anything else: the copy in the attachment folder
    std::string fileName;    // its name there, UTF-8
};

enum class InputKind { Web, File, Unsupported };
// An http(s) address, a file (a path or a file:// address; path gets the file's path), or
// neither.
InputKind ClassifyInput(const std::string& input, std::string& path);

// Progress of the page's own transfer: bytes so far, and the size when it is known (else 0).
using PageProgress = std::function<void(std::uint64_t bytes, std::uint64_t size)>;

SourcePage FetchSourcePage(const std::string& address, const std::string& attachDir, const PageSourceOptions& options,
                           const std::atomic<bool>& abort, const PageProgress& progress);
SourcePage ReadSourcePage(const std::string& path, const std::string& attachDir, const PageSourceOptions& options);

// Whether bytes with this Content-Type are a page to capture: text/html or XHTML; without a
// type, what starts (after a byte-order mark and blanks) with '<'.
bool IsHtmlContent(const std::string& contentType, std::string_view firstBytes);

// The name a file is kept under: the last segment of what the server or address says, without
// control characters or separators, valid UTF-8, at most 120 bytes; "download" when nothing
// is left. ext is added when the name has no extension.
std::string PlainAttachmentName(const std::string& name, const std::string& ext);

// The article of a file that is no page: its name as the title, a link to its copy (a
// picture shown as well) and where it came from. Stored form: ASCII with character references.
std::string LinkedFileArticle(const std::string& fileName, const std::string& attachName, const std::string& contentType,
                              const std::string& source);
