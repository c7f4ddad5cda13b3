#pragma once
// Fetching the files a page links to into the article's attachment folder, and pointing the
// links at the local copies. How a file is fetched (disk, browser cache, network) is given
// by the caller.

#include <functional>
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
};

// Cleans the address, fetches it, and copies the file into attachDir (a file of that name
// already there is reused). True when the address has become the local link
// attachName + "/" + name.
bool LocalizeLink(const std::string& attachDir, const std::string& attachName, std::string& address,
                  std::vector<std::string>& failures, const FetchUrlFunction& fetch);

// Every HREF of a configured file type, PARAM movie VALUE, SRC and BACKGROUND of the page.
LocalizeResult LocalizeLinks(CHtmlDocument& document, const std::string& base, const std::string& attachDir,
                             const std::string& attachName, const FetchUrlFunction& fetch);

// Whether an HREF's file type is one the user has the program download.
bool IsDownloadType(const std::string& link, const std::string& fileTypes);
