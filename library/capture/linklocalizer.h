#pragma once
// Fetching the files a page links to into the article's attachment folder, and pointing the
// links at the local copies. How a file is fetched (disk, browser cache, network) is given
// by the caller.

#include "pagecapture.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

class CHtmlDocument;

// Fetches one address: true with localFile naming an existing local copy. A failed
// download adds its address to failures.
using FetchUrlFunction =
    std::function<bool(const std::string& address, std::string& localFile, std::vector<std::string>& failures)>;

struct LocalizeResult
{
    std::vector<std::string> failures;     // pictures, style sheets, movies: reported to the user
    std::vector<std::string> hrefFailures; // linked documents: collected apart, not reported
    std::size_t found = 0;                 // addresses the page needs
    std::size_t local = 0;                 // of them now local
    bool cancelled = false;
};

// Cleans the address, fetches it, and copies the file into attachDir (a file of that name
// already there is reused). True when the address has become the local link
// attachName + "/" + name.
bool LocalizeLink(const std::string& attachDir, const std::string& attachName, std::string& address,
                  std::vector<std::string>& failures, const FetchUrlFunction& fetch);

// Every HREF of a configured file type and everything the page embeds (see pagecapture.h),
// each address asked of fetch in turn.
LocalizeResult LocalizeLinks(CHtmlDocument& document, const std::string& base, const std::string& attachDir,
                             const std::string& attachName, const FetchUrlFunction& fetch);
// The same with downloads in concurrent rounds.
LocalizeResult LocalizeLinks(CHtmlDocument& document, const std::string& base, const std::string& attachDir,
                             const std::string& attachName, const CaptureFetcher& fetcher);

// The browser cache: the path of an existing local copy of the address, or "" for none.
using CacheLookup = std::function<std::string(const std::string& address)>;
// Downloads the address to path (the download dialog); true when it finished, with path
// renamed when the server named the file.
using DownloadFunction = std::function<bool(const std::string& address, std::string& path)>;

// What each address was downloaded to in this run ("" after a failure, which is tried again).
extern std::map<std::string, std::string> g_downloaded;

// Downloads once per run: an address downloaded before gives the same file.
bool DownloadToFile(const std::string& address, std::string& path, const DownloadFunction& download);

// A local copy of the address: a file:// address from disk, an http(s) address from the
// browser cache or else downloaded into folder under a new name. A failed download adds
// the address to failures; other schemes fail without an entry.
bool FetchUrlFile(const std::string& address, std::string& localFile, std::vector<std::string>& failures,
                  const std::string& folder, const CacheLookup& cache, const DownloadFunction& download);

// The single link of a Ctrl-click in the article view: as LocalizeLink, but every click
// downloads afresh (the run's memory of downloads is neither read nor written).
bool ForceLocalizeLink(const std::string& attachDir, const std::string& attachName, std::string& address,
                       std::vector<std::string>& failures, const CacheLookup& cache, const DownloadFunction& download);

// The name a download of the address gets in folder: a new ID and the address's tail,
// without separators, so that it stays in the folder.
std::string DownloadName(const std::string& address, const std::string& folder, bool firstSlashStep = true);

// The message for the pictures, style sheets and movies that could not be fetched
// ("Download Files Fail:\r\n" and each, one a line), or "" when all came.
std::string LocalizeFailureText(const LocalizeResult& result);
inline constexpr const char LOCALIZE_SUCCESS_TEXT[] = "DownLoad All files succeeded.";

// Whether an HREF's file type is one the user has the program download.
bool IsDownloadType(const std::string& link, const std::string& fileTypes);
