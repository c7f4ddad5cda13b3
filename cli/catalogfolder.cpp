#include "catalogfolder.h"

#include <algorithm>

namespace {

std::string escaped(const std::string& title)
{
    std::string out;
    for (char c : title) {
        if (c == '/' || c == '\\')
            out += '\\';
        out += c;
    }
    return out;
}

// The first child of folder titled title: a folder before an article.
CXmlNode childTitled(CXmlNode folder, const std::string& title, bool& isArticle)
{
    CXmlNode article;
    for (CXmlNode child = folder.GetChild(0); child; child = child.GetNextSibling()) {
        if (!child.AttributeIs("COMMENT", title))
            continue;
        if (!CCatalog::IsArticle(child))
            return child;
        if (!article)
            article = child;
    }
    isArticle = static_cast<bool>(article);
    return article;
}

} // namespace

bool SplitFolderPath(const std::string& path, std::vector<std::string>& titles, std::string& error)
{
    titles.clear();
    std::string title;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            error = "the folder path holds a control character";
            return false;
        }
        if (c == '\\' && i + 1 < path.size() && (path[i + 1] == '/' || path[i + 1] == '\\')) {
            title += path[++i];
        } else if (c == '/') {
            if (!title.empty())
                titles.push_back(title);
            title.clear();
        } else {
            title += c;
        }
    }
    if (!title.empty())
        titles.push_back(title);
    return true;
}

std::string JoinFolderPath(const std::vector<std::string>& titles)
{
    std::string path;
    for (const std::string& title : titles) {
        path += '/';
        path += escaped(title);
    }
    return path.empty() ? "/" : path;
}

std::string FolderPathOf(CXmlNode item)
{
    std::vector<std::string> titles;
    for (CXmlNode folder = item.GetParent(); folder && folder.GetParent(); folder = folder.GetParent())
        titles.push_back(folder.GetAttribute("COMMENT"));
    std::reverse(titles.begin(), titles.end());
    return JoinFolderPath(titles);
}

CXmlNode MakeFolderPath(CCatalog& catalog, const std::vector<std::string>& titles, std::string& error)
{
    CXmlNode folder = catalog.Root();
    if (!folder) {
        error = "the catalog has no root";
        return {};
    }
    std::size_t found = 0;
    std::string walked;
    for (; found < titles.size(); ++found) {
        bool isArticle = false;
        const CXmlNode child = childTitled(folder, titles[found], isArticle);
        walked += '/';
        walked += escaped(titles[found]);
        if (isArticle) {
            error = "the folder path goes through an article: " + walked;
            return {};
        }
        if (!child)
            break;
        folder = child;
    }
    // The new folders and the article below them must stay within the depth a catalog file
    // may have; checked before anything changes.
    const std::size_t levels = titles.size() - found + 1;
    if (static_cast<std::size_t>(folder.GetDepth()) + levels > static_cast<std::size_t>(kMaxXmlDepth)) {
        error = "the folder path nests deeper than a catalog may";
        return {};
    }
    for (; found < titles.size(); ++found) {
        folder = catalog.AddItem(folder, titles[found], true);
        if (!folder) {
            error = "the folder could not be added";
            return {};
        }
    }
    return folder;
}
