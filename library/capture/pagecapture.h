#pragma once
// Makes everything a page embeds local: pictures (src, every srcset candidate, lazy-loading
// attributes), posters, movies, backgrounds, icons, style sheets and, inside every style sheet,
// style element and style attribute, the url() and @import references at any depth, fonts
// included. Linked documents (HREF) are fetched when their type is a configured download
// type. Each address is fetched once; the downloads of one round run together.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CHtmlDocument;

struct DownloadRequest
{
    std::string url;
    std::string path; // where to write it; a fresh name in the attachment folder
    // results
    bool ok = false;
    std::string finalPath; // the file written (renamed when the server named it)
    std::string contentType;
    std::string effectiveUrl; // after redirects
    std::string error;
};

struct CaptureFetcher
{
    // A local copy of an http(s) address known without the network (the browser cache, this
    // run's downloads), or "".
    std::function<std::string(const std::string& url)> lookup;
    // Downloads a round of requests; false when the user cancelled (no further round runs).
    std::function<bool(std::vector<DownloadRequest>& requests)> download;
};

struct CaptureReport
{
    std::vector<std::string> failures;     // embedded resources that did not come: reported
    std::vector<std::string> hrefFailures; // linked documents: collected apart
    std::size_t found = 0;                 // distinct addresses the page needs
    std::size_t local = 0;                 // of them now in the attachment folder
    bool cancelled = false;
};

struct CaptureOptions
{
    std::string fileTypes;        // download types for linked documents
    std::size_t maxResources = 5000;
    int maxDepth = 8;             // style sheets importing style sheets
    std::size_t maxSheetBytes = 16u << 20;
};

// Localises the page's resources into attachDir (named attachName in links). The source
// address decides whether file:// resources may be read: only a page from a local file may.
CaptureReport CapturePageResources(CHtmlDocument& document, const std::string& source, const std::string& attachDir,
                                   const std::string& attachName, const CaptureFetcher& fetcher,
                                   const CaptureOptions& options);

// A plain file name for a download of the address: a new ID and the address's last letters,
// only letters, digits, '.', '-' and '_'.
std::string CaptureFileName(const std::string& address);

// The link to a file in the attachment folder, its name percent-encoded where needed.
std::string AttachmentLink(const std::string& attachName, const std::string& fileName);
