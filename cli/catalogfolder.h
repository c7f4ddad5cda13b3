#pragma once
// Folder paths of a catalog as the command line writes them: "/A/B" is folder B in folder A
// right under the root; a '/' or '\' inside a title is written "\/" or "\\".

#include "catalog.h"

#include <string>
#include <vector>

// The titles of a path; empty titles are dropped ("" and "/" are the root). False with the
// reason in error for a path with control characters.
bool SplitFolderPath(const std::string& path, std::vector<std::string>& titles, std::string& error);
// The path of those titles.
std::string JoinFolderPath(const std::vector<std::string>& titles);
// The path of the folders above an item, below the root: "/" for an item right under it.
std::string FolderPathOf(CXmlNode item);

// The folder at that path, made where it is missing (the first folder of a title at each
// level is taken). None, with the reason in error and the catalog unchanged, when a title on
// the path is an article, or when the folder or an article in it would nest too deep.
CXmlNode MakeFolderPath(CCatalog& catalog, const std::vector<std::string>& titles, std::string& error);
