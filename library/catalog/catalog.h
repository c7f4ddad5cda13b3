#pragma once
// The catalog: a tree of folders (DIR) and articles (ARTICLE) in one XML document. The DOM is
// the model: these operations change it directly; the tree view shows its elements.

#include "xmldocument.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct CatalogItemInfo
{
    std::string title;  // COMMENT
    std::string id;     // ID
    std::string file;   // FILE
    std::string source; // SOURCE
    std::string date;   // DATE
};

class CCatalog
{
public:
    static constexpr const char* ROOT_TITLE = "CATALOG";
    static constexpr const char* RECYCLE_TITLE = "RECYCLE";

    CCatalog();

    // Reads the catalog. On failure (unreadable, not XML, no root, nested too deep, a root that
    // is not a DIR...) the catalog in memory is unchanged and error says which file and why. A
    // ROOTDIR of more than 3 characters becomes the data folder. A catalog without a recycle folder
    // gets one appended to its root in memory, and recycleAdded says so.
    bool Load(const std::string& path, std::string* error, bool* recycleAdded = nullptr);

    // Backups, then the new file, then the mirror in the data folder:
    // path.bak -> path.bak2, path -> path.bak, path -> <data>/QuorCatalog.xml.bak.<stamp>,
    // ROOTDIR = data folder (when longer than 3), write path (whole, then renamed over it),
    // path -> <data>/QuorCatalog.xml. False with the reason in error when path was not written
    // (also when no catalog was loaded: nothing is then copied).
    bool Save(const std::string& path, std::string* error = nullptr);

    // The article files a merge brought along.
    struct MergeFiles
    {
        int copied = 0;
        std::vector<std::string> failed; // "path: reason"
    };
    // Appends the other catalog's top-level entries to the root, last one first. When that
    // catalog's data folder (its ROOTDIR) is another existing folder, the article files and
    // attachment folders that ours lacks are copied in first, never over a file we have.
    // -1 (nothing changed) when the file cannot be loaded, else 1.
    int Merge(const std::string& path, MergeFiles* files = nullptr);

    // Folds folders of the same path into the first of them and drops articles whose ID
    // already stands at the same path. Folders and articles never match each other, and an
    // article without an ID matches nothing. One pass does it all: moved elements keep their
    // identity, so it always returns false (kept for callers that loop).
    bool UnifyFolders();

    CXmlNode Root() const;
    CXmlNode Recycle() const { return m_recycle; }
    bool IsRoot(CXmlNode node) const { return node == Root(); }
    // Anything but a DIR.
    static bool IsArticle(CXmlNode node);
    static bool IsInBranch(CXmlNode node, CXmlNode branch);

    // A folder (folder = true) or an article titled title: last in a target folder, or right
    // after a target article in its folder. None when CanAdd(target) is false.
    CXmlNode AddItem(CXmlNode target, const std::string& title, bool folder);
    // The new item would not nest deeper than a catalog file may (kMaxXmlDepth).
    static bool CanAdd(CXmlNode target);

    // COMMENT, ID, FILE, SOURCE, DATE in this order; true for an article.
    static bool GetItemInfo(CXmlNode node, CatalogItemInfo& info);
    static void SetItemInfo(CXmlNode node, const CatalogItemInfo& info);

    // Where MoveItem puts src: after a target article in its folder; into a target folder
    // right after its first child (first when it is empty). after is none for "first".
    struct Placement
    {
        CXmlNode parent;
        CXmlNode after;
    };
    static Placement MovePlacement(CXmlNode target);
    // Moves src (and its branch). Refused (false, nothing changed) for the root, for a
    // target inside src's own branch, for src itself, and when the branch would nest deeper
    // than a catalog file may. When src already stands where it would go (right after
    // itself), nothing changes and the result is true.
    bool MoveItem(CXmlNode src, CXmlNode target);
    // MoveItem(src, target) would not be refused.
    static bool CanMove(CXmlNode src, CXmlNode target);

    // Removes the item and its branch, children first. With deleteFile, each item whose FILE
    // names a file (not a folder marker) is handed to it first as ResolveArticleFile(FILE),
    // empty when the file is missing; when it returns false the removal stops there and
    // returns false (what was removed stays removed). The root is never removed. When the
    // recycle folder goes, Recycle() becomes the next item titled RECYCLE, or none.
    bool RemoveItem(CXmlNode node,
                    const std::function<bool(const std::string& path)>& deleteFile = {});

    // The first item whose ID equals id exactly (ids of 2 characters or less find nothing).
    CXmlNode FindById(const std::string& id) const;
    // "/CATALOG/Notes/080101120000123": folders by title, articles by ID, outermost first.
    static std::string GetItemPath(CXmlNode node);
    // The item and every item below it, pre-order.
    static void CollectItems(CXmlNode from, std::vector<CXmlNode>& items);

    CXmlDocument& Document() { return m_doc; }
    const CXmlDocument& Document() const { return m_doc; }

private:
    CXmlNode findRecycle() const;

    CXmlDocument m_doc;
    CXmlNode m_recycle;
};
