#pragma once
// One page becoming an article: cleaned, its links made absolute (for a capture), everything
// it needs made local, written back; and the title the article takes.

#include "downloadqueue.h"
#include "linklocalizer.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

struct ProcessedPage
{
    std::string html;
    LocalizeResult result;
    bool localised = true; // false when there was no attachment folder to fetch into
};

// Cleans the page, resolves its links against source when resolve is set (a new capture),
// and localises its resources into attachDir.
ProcessedPage ProcessArticlePage(std::string page, const std::string& source, bool resolve, const std::string& attachDir,
                                 const std::string& attachName, const CaptureFetcher& fetcher);

// The page's TITLE; when that is shorter than 2 bytes, the first line of its visible text
// (the last line break within its first 10 bytes ends a short first line), at most 50 bytes
// of code page 936, cut on a character boundary. "New Article" when both are empty. UTF-8.
std::string ArticleTitle(const std::string& html);
std::string TitleFromText(const std::string& text);

// Runs one round of a capture's downloads through the queue, which keeps its connections
// and its count of files between rounds. False when abort was set.
bool RunDownloadRound(CDownloadQueue& queue, std::vector<DownloadRequest>& requests,
                      const std::function<void(const CDownloadQueue::Progress&)>& onProgress,
                      const std::atomic<bool>& abort);
