#include "catalog.h"

#include "appglobals.h"
#include "codepage.h"
#include "defaultcatalog.h"
#include "fileutil.h"
#include "storage.h"

#include <filesystem>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr char kDir[] = "DIR";
constexpr char kArticle[] = "ARTICLE";
constexpr const char* kInfoNames[] = {"COMMENT", "ID", "FILE", "SOURCE", "DATE"};

// The element after cur in document order, staying inside top's branch.
CXmlNode NextItem(CXmlNode cur, CXmlNode top)
{
    if (CXmlNode child = cur.GetChild(0)) return child;
    while (cur && !(cur == top)) {
        if (CXmlNode next = cur.GetNextSibling()) return next;
        cur = cur.GetParent();
    }
    return {};
}

// Byte for byte; a missing source leaves the target as it is. Errors are not reported.
void CopyFileQuietly(const std::string& from, const std::string& to)
{
    std::string bytes;
    if (ReadFileBytes(from, bytes, nullptr, kMaxXmlFileBytes)) WriteFileAtomically(to, bytes);
}

// What unifying compares: the kinds and names of the item and the folders above it.
// Folders go by title, articles by ID; an article without an ID is like no other.
std::string UnifyKey(CXmlNode node)
{
    std::vector<std::string> parts;
    for (CXmlNode n = node; n; n = n.GetParent()) {
        if (!CCatalog::IsArticle(n)) {
            parts.push_back('D' + n.GetAttribute("COMMENT"));
            continue;
        }
        const std::string id = n.GetAttribute("ID");
        parts.push_back(id.empty() ? 'U' + std::to_string(reinterpret_cast<std::uintptr_t>(n.Raw())) : 'A' + id);
    }
    std::string key;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        key += *it;
        key += '\0'; // no XML text holds a NUL, so no title can imitate two parts
    }
    return key;
}

namespace fs = std::filesystem;

// Copies what a folder holds into another, file by file, never over an existing one and
// never through a link. Failures are listed.
void CopyTreeKeeping(const fs::path& from, const fs::path& to, CCatalog::MergeFiles& report)
{
    std::error_code ec;
    fs::create_directories(to, ec);
    for (auto it = fs::recursive_directory_iterator(from, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::file_status st = it->symlink_status(ec);
        const fs::path target = to / it->path().lexically_relative(from);
        if (fs::is_directory(st)) {
            fs::create_directories(target, ec);
        } else if (fs::is_regular_file(st) && !fs::exists(fs::symlink_status(target, ec))) {
            if (!fs::copy_file(it->path(), target, fs::copy_options::skip_existing, ec) || ec)
                report.failed.push_back(target.string() + ": " + ec.message());
        }
        ec.clear();
    }
}

// The article files and attachment folders of the items below top that our data folder
// lacks, copied from the data folder they came with.
void CopyArticleFiles(const std::string& theirs, CXmlNode top, CCatalog::MergeFiles& report)
{
    const std::string ours = g_szDataFolder;
    std::error_code ec;
    if (theirs.size() <= 3 || theirs.front() != '/' || !fs::is_directory(theirs, ec) || fs::equivalent(theirs, ours, ec))
        return;
    for (CXmlNode n = top; n; n = NextItem(n, top)) {
        const std::string file = n.GetAttribute("FILE");
        const std::string source = CCatalog::IsArticle(n) ? ResolveArticleFileIn(theirs, file) : std::string();
        if (source.empty() || !ResolveArticleFile(file).empty())
            continue;
        // Into the day folder when it came from one, else flat, as it stood.
        const fs::path from(source);
        const std::string day = file.substr(0, 6);
        const fs::path folder = from.parent_path().filename() == day ? fs::path(ours) / day : fs::path(ours);
        const fs::path target = folder / from.filename();
        fs::create_directories(folder, ec);
        if (fs::exists(fs::symlink_status(target, ec)))
            continue;
        if (!fs::copy_file(from, target, fs::copy_options::skip_existing, ec) || ec) {
            report.failed.push_back(target.string() + ": " + ec.message());
            ec.clear();
            continue;
        }
        ++report.copied;
        const std::string id = n.GetAttribute("ID");
        const fs::path attach = from.parent_path() / (id + "_files");
        if (IsPlainFileName(id + "_files") && fs::is_directory(fs::symlink_status(attach, ec)))
            CopyTreeKeeping(attach, folder / (id + "_files"), report);
    }
}

} // namespace

CCatalog::CCatalog() = default;

CXmlNode CCatalog::Root() const
{
    return m_doc.GetRoot();
}

bool CCatalog::IsArticle(CXmlNode node)
{
    return node && node.GetName() != kDir;
}

bool CCatalog::IsInBranch(CXmlNode node, CXmlNode branch)
{
    if (!branch) return false;
    for (CXmlNode n = node; n; n = n.GetParent())
        if (n == branch) return true;
    return false;
}

CXmlNode CCatalog::findRecycle() const
{
    const CXmlNode root = Root();
    for (CXmlNode n = root; n; n = NextItem(n, root))
        if (n.AttributeIs("COMMENT", RECYCLE_TITLE)) return n;
    return {};
}

bool CCatalog::Load(const std::string& path, std::string* error, bool* recycleAdded)
{
    if (recycleAdded) *recycleAdded = false;
    CXmlDocument doc;
    if (!doc.Load(path, error)) return false;
    if (doc.GetRoot().GetName() != kDir) {
        if (error) *error = path + ": not a catalog (the root element is not DIR)";
        return false;
    }
    const std::string rootDir = doc.GetRoot().GetAttribute("ROOTDIR");
    if (Cp936Length(rootDir) > 3 && SetDataFolder(rootDir)) MakeFolders(g_szDataFolder);
    m_doc.Swap(doc);
    // Saves killed half-way leave their new files behind; nobody will finish them.
    RemoveStaleTempFiles(path);
    RemoveStaleTempFiles(g_szDataFolder.str() + "/" + DEFAULT_CATALOG_NAME);
    m_recycle = findRecycle();
    if (!m_recycle) {
        m_recycle = AddItem(Root(), RECYCLE_TITLE, true);
        if (recycleAdded) *recycleAdded = true;
    }
    return true;
}

bool CCatalog::Save(const std::string& path, std::string* error)
{
    CXmlNode root = Root();
    if (!root) {
        if (error) *error = path + ": no catalog loaded";
        return false;
    }
    const std::string stamp = MakeArticleId();
    const std::string data = g_szDataFolder;
    const std::string mirror = data + "/" + DEFAULT_CATALOG_NAME;
    if (Cp936Length(data) > 3) root.SetAttribute("ROOTDIR", data);
    // The new file is written whole first; only when it is safely on disk are the backups
    // turned (.bak the previous save, .bak2 the one before) and the new file put in place.
    // A save that fails leaves the catalog and every backup as they were.
    const bool saved = WriteFileAtomically(path, m_doc.SaveToString(), error, [&] {
        CopyFileQuietly(path + ".bak", path + ".bak2");
        CopyFileQuietly(path, path + ".bak");
        CopyFileQuietly(path, mirror + ".bak." + stamp);
    });
    if (saved)
        CopyFileQuietly(path, mirror);
    return saved;
}

int CCatalog::Merge(const std::string& path, MergeFiles* files)
{
    CXmlNode root = Root();
    if (!root) return -1;
    CXmlDocument other;
    if (!other.Load(path) || other.GetRoot().GetName() != kDir) return -1;
    MergeFiles report;
    CopyArticleFiles(other.GetRoot().GetAttribute("ROOTDIR"), other.GetRoot(), report);
    if (files) *files = std::move(report);
    std::vector<CXmlNode> entries;
    for (CXmlNode n = other.GetRoot().GetChild(0); n; n = n.GetNextSibling())
        entries.push_back(n);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        root.InsertAfter(CXmlNode(), *it);
    m_recycle = findRecycle();
    return 1;
}

bool CCatalog::UnifyFolders()
{
    const CXmlNode root = Root();
    if (!root) return false;
    std::vector<CXmlNode> items;
    CollectItems(root, items);
    std::unordered_set<const void*> keep{root.Raw()};
    std::unordered_map<std::string, CXmlNode> paths;
    for (const CXmlNode& t : items) {
        const std::string p = UnifyKey(t);
        if (t == root) {
            paths[p] = t;
            continue;
        }
        if (paths.count(p) != 0) continue; // a duplicate: it goes at the end
        const CXmlNode v = t.GetParent();
        const auto twin = paths.find(UnifyKey(v));
        // The parent is itself a duplicate: the item moves into the first of that path.
        if (twin != paths.end() && !(twin->second == v) && MoveItem(t, twin->second)) {
            paths[p] = t;
            keep.insert(t.Raw());
            // The moved branch keeps its paths and its place in the list: go on.
            continue;
        }
        paths[p] = t;
        keep.insert(t.Raw());
    }
    items.clear();
    CollectItems(root, items);
    for (auto it = items.rbegin(); it != items.rend(); ++it)
        if (keep.count(it->Raw()) == 0) RemoveItem(*it);
    return false;
}

bool CCatalog::CanAdd(CXmlNode target)
{
    if (!target) return false;
    const bool intoTarget = !IsArticle(target) || !target.GetParent();
    const int parentDepth = intoTarget ? target.GetDepth() : target.GetDepth() - 1;
    return parentDepth + 1 <= kMaxXmlDepth;
}

CXmlNode CCatalog::AddItem(CXmlNode target, const std::string& title, bool folder)
{
    if (!CanAdd(target)) return {};
    const char* tag = folder ? kDir : kArticle;
    CXmlNode node;
    if (!IsArticle(target) || !target.GetParent())
        node = target.CreateChildAfter(CXmlNode(), tag);
    else
        node = target.GetParent().CreateChildAfter(target, tag);
    node.SetAttribute("COMMENT", title);
    return node;
}

bool CCatalog::GetItemInfo(CXmlNode node, CatalogItemInfo& info)
{
    info.title = node.GetAttribute(kInfoNames[0]);
    info.id = node.GetAttribute(kInfoNames[1]);
    info.file = node.GetAttribute(kInfoNames[2]);
    info.source = node.GetAttribute(kInfoNames[3]);
    info.date = node.GetAttribute(kInfoNames[4]);
    return IsArticle(node);
}

void CCatalog::SetItemInfo(CXmlNode node, const CatalogItemInfo& info)
{
    if (!node) return;
    // Taken out and put back, so that the five stand last and in this order.
    for (const char* name : kInfoNames)
        node.RemoveAttribute(name);
    const std::string* values[] = {&info.title, &info.id, &info.file, &info.source, &info.date};
    for (std::size_t i = 0; i < std::size(kInfoNames); ++i)
        node.SetAttribute(kInfoNames[i], *values[i]);
}

CCatalog::Placement CCatalog::MovePlacement(CXmlNode target)
{
    if (!target) return {};
    if (IsArticle(target)) return {target.GetParent(), target};
    return {target, target.GetChild(0)};
}

bool CCatalog::CanMove(CXmlNode src, CXmlNode target)
{
    if (!src || !target || src == target || !src.GetParent() || IsInBranch(target, src))
        return false;
    const Placement place = MovePlacement(target);
    if (!place.parent || IsInBranch(place.parent, src)) return false;
    // Not deeper than it stands now, or the branch still fits.
    const int newDepth = place.parent.GetDepth() + 1;
    return newDepth <= src.GetDepth() || newDepth + src.GetHeight() <= kMaxXmlDepth;
}

bool CCatalog::MoveItem(CXmlNode src, CXmlNode target)
{
    if (!CanMove(src, target)) return false;
    Placement place = MovePlacement(target);
    if (place.after == src) return true;
    return place.parent.InsertAfter(place.after, src);
}

bool CCatalog::RemoveItem(CXmlNode node,
                          const std::function<bool(const std::string& path)>& deleteFile)
{
    if (!node || !node.GetParent()) return false;
    bool done = true;
    bool recycleGone = false;
    // Children first, deepest first, without recursion.
    CXmlNode cur = node;
    for (;;) {
        while (CXmlNode child = cur.GetChild(0))
            cur = child;
        if (deleteFile) {
            const std::string file = cur.GetAttribute("FILE");
            if (!IsFolderFile(file) && !deleteFile(ResolveArticleFile(file))) {
                done = false;
                break;
            }
        }
        const CXmlNode parent = cur.GetParent();
        const bool last = cur == node;
        if (cur == m_recycle) recycleGone = true;
        cur.Delete();
        if (last) break;
        cur = parent;
    }
    if (recycleGone) m_recycle = findRecycle();
    return done;
}

CXmlNode CCatalog::FindById(const std::string& id) const
{
    if (Cp936Length(id) <= 2) return {};
    const CXmlNode root = Root();
    for (CXmlNode n = root; n; n = NextItem(n, root))
        if (n.AttributeIs("ID", id)) return n;
    return {};
}

std::string CCatalog::GetItemPath(CXmlNode node)
{
    std::vector<std::string> parts;
    for (CXmlNode n = node; n; n = n.GetParent())
        parts.push_back(n.GetAttribute(IsArticle(n) ? "ID" : "COMMENT"));
    std::string path;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        path += '/';
        path += *it;
    }
    return path;
}

void CCatalog::CollectItems(CXmlNode from, std::vector<CXmlNode>& items)
{
    for (CXmlNode n = from; n; n = NextItem(n, from))
        items.push_back(n);
}
