#pragma once
// quor-capture --search: the catalog's items whose title or article text holds a word, found
// by the very test Quor's find in texts makes (MatchCatalogItem), on several threads.

#include "catalog.h"

#include <cstdio>
#include <string>
#include <vector>

struct SearchHit
{
    std::string folder; // the folders above it, as FolderPathOf writes them
    std::string title;
    std::string file;   // the article file; its FILE value when that is missing; "" for a folder
};

struct SearchResult
{
    std::vector<SearchHit> hits;         // in catalog order
    std::vector<std::string> unreadable; // article files that are there but could not be read
};

// Every item below the root that Quor's find in texts would stop at, in turn.
SearchResult SearchCatalog(const CCatalog& catalog, const std::string& keyword, unsigned threads = 0);

// One line: folder, title and file separated by tabs, control characters made blanks.
std::string SearchHitLine(const SearchHit& hit);

// Loads the catalog and prints the hits on out: 0 when some were found, 1 when none, 2 when
// the catalog or an article could not be read.
int RunSearchCommand(const std::string& catalogPath, const std::string& keyword, std::FILE* out);
