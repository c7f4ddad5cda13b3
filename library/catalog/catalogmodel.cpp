#include "catalogmodel.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace {

QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

} // namespace

CCatalogModel::CCatalogModel(CCatalog& catalog, QObject* parent) : QAbstractItemModel(parent), m_catalog(catalog) {}

QIcon CCatalogModel::IconFor(Image normal, Image selected)
{
    static const QIcon images[] = {
        QIcon(QStringLiteral(":/quor/folder.svg")),  QIcon(QStringLiteral(":/quor/folder-open.svg")),
        QIcon(QStringLiteral(":/quor/article.svg")), QIcon(QStringLiteral(":/quor/article-new.svg")),
        QIcon(QStringLiteral(":/quor/recycle.svg")), QIcon(QStringLiteral(":/quor/recycle-open.svg"))};
    QIcon icon;
    for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
        icon.addPixmap(images[normal].pixmap(size), QIcon::Normal);
        icon.addPixmap(images[selected].pixmap(size), QIcon::Selected);
    }
    return icon;
}

const CCatalogModel::Children& CCatalogModel::childrenOf(CXmlNode node) const
{
    auto [it, added] = m_children.try_emplace(node.Raw());
    if (added) {
        Children& c = it->second;
        for (CXmlNode child = node.GetChild(0); child; child = child.GetNextSibling()) {
            c.rows.emplace(child.Raw(), static_cast<int>(c.nodes.size()));
            c.nodes.push_back(child);
        }
    }
    return it->second;
}

int CCatalogModel::rowOf(CXmlNode node) const
{
    const CXmlNode parent = node.GetParent();
    if (!parent || node == m_catalog.Root())
        return 0;
    const Children& c = childrenOf(parent);
    const auto it = c.rows.find(node.Raw());
    return it == c.rows.end() ? -1 : it->second;
}

void CCatalogModel::forget(CXmlNode parent) const
{
    m_children.erase(parent.Raw());
}

void CCatalogModel::forgetAll() const
{
    m_children.clear();
}

bool CCatalogModel::isSpecial(CXmlNode node) const
{
    return node == m_catalog.Root() || node == m_catalog.Recycle();
}

CXmlNode CCatalogModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? CXmlNode(static_cast<_xmlNode*>(index.internalPointer())) : CXmlNode();
}

QModelIndex CCatalogModel::IndexOf(CXmlNode node) const
{
    if (!node)
        return {};
    const int row = rowOf(node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, node.Raw());
}

QModelIndex CCatalogModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        const CXmlNode root = m_catalog.Root();
        return row == 0 && root ? createIndex(0, 0, root.Raw()) : QModelIndex();
    }
    const Children& c = childrenOf(NodeOf(parent));
    return row < static_cast<int>(c.nodes.size()) ? createIndex(row, 0, c.nodes[static_cast<std::size_t>(row)].Raw())
                                                  : QModelIndex();
}

QModelIndex CCatalogModel::parent(const QModelIndex& child) const
{
    const CXmlNode node = NodeOf(child);
    if (!node || node == m_catalog.Root())
        return {};
    return IndexOf(node.GetParent());
}

int CCatalogModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_catalog.Root() ? 1 : 0;
    return static_cast<int>(childrenOf(NodeOf(parent)).nodes.size());
}

int CCatalogModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QString CCatalogModel::ShownTitle(const std::string& title)
{
    if (title.size() <= kShownTitleBytes)
        return fromUtf8(title);
    std::size_t cut = kShownTitleBytes;
    while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80)
        --cut; // not inside a character
    return fromUtf8(title.substr(0, cut)) + QStringLiteral("\u2026");
}

QVariant CCatalogModel::data(const QModelIndex& index, int role) const
{
    const CXmlNode node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return ShownTitle(node.GetAttribute("COMMENT"));
    case Qt::DecorationRole: {
        static const QIcon folder = IconFor(ImageFolder, ImageFolderOpen);
        static const QIcon article = IconFor(ImageArticle, ImageArticle);
        static const QIcon recycle = IconFor(ImageRecycle, ImageRecycleOpen);
        if (node == m_catalog.Recycle())
            return recycle;
        return CCatalog::IsArticle(node) ? article : folder;
    }
    case Qt::ToolTipRole: {
        CatalogItemInfo info;
        if (!CCatalog::GetItemInfo(node, info))
            return {};
        return ShownTitle(info.title) + QLatin1Char('\n') + ShownTitle(info.source);
    }
    default:
        return {};
    }
}

bool CCatalogModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const CXmlNode node = NodeOf(index);
    const QString text = value.toString();
    // The special folders keep their names; an empty name changes nothing.
    if (role != Qt::EditRole || !node || isSpecial(node) || text.isEmpty())
        return false;
    if (text == ShownTitle(node.GetAttribute("COMMENT")))
        return true; // unchanged: a long title stays whole
    CXmlNode(node).SetAttribute("COMMENT", text.toStdString());
    emit dataChanged(index, index);
    emit catalogModified();
    return true;
}

Qt::ItemFlags CCatalogModel::flags(const QModelIndex& index) const
{
    const CXmlNode node = NodeOf(index);
    if (!node)
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDropEnabled;
    if (!isSpecial(node))
        f |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    return f;
}

bool CCatalogModel::Load(const std::string& path, std::string* error, bool* recycleAdded)
{
    std::vector<CXmlNode> all;
    if (m_catalog.Root())
        CCatalog::CollectItems(m_catalog.Root(), all);
    emit nodesAboutToBeRemoved(all); // a successful load replaces every element
    beginResetModel();
    const bool ok = m_catalog.Load(path, error, recycleAdded);
    forgetAll();
    endResetModel();
    return ok;
}

int CCatalogModel::Merge(const std::string& path, CCatalog::MergeFiles* files)
{
    beginResetModel();
    const int result = m_catalog.Merge(path, files);
    forgetAll();
    endResetModel();
    return result;
}

bool CCatalogModel::UnifyFolders()
{
    std::vector<CXmlNode> all;
    if (m_catalog.Root())
        CCatalog::CollectItems(m_catalog.Root(), all);
    emit nodesAboutToBeRemoved(all); // a pass may drop any of them
    beginResetModel();
    const bool again = m_catalog.UnifyFolders();
    forgetAll();
    endResetModel();
    return again;
}

QModelIndex CCatalogModel::AddItem(const QModelIndex& target, const QString& title, bool folder)
{
    const CXmlNode node = NodeOf(target);
    if (!node || !CCatalog::CanAdd(node))
        return {};
    // Last in a folder, or right after an article in its folder.
    const bool intoFolder = !CCatalog::IsArticle(node) || !node.GetParent();
    const QModelIndex parentIndex = intoFolder ? target : target.parent();
    const int row = intoFolder ? rowCount(target) : target.row() + 1;
    beginInsertRows(parentIndex, row, row);
    const CXmlNode added = m_catalog.AddItem(node, title.toStdString(), folder);
    forget(intoFolder ? node : node.GetParent());
    endInsertRows();
    return IndexOf(added);
}

void CCatalogModel::SetItemInfo(const QModelIndex& index, const CatalogItemInfo& info)
{
    const CXmlNode node = NodeOf(index);
    if (!node)
        return;
    CCatalog::SetItemInfo(node, info);
    emit dataChanged(index, index);
}

QModelIndex CCatalogModel::MoveItem(const QModelIndex& source, const QModelIndex& target)
{
    const CXmlNode src = NodeOf(source);
    const CXmlNode dst = NodeOf(target);
    if (!src || !dst || src == dst || isSpecial(src) || !CCatalog::CanMove(src, dst))
        return {};
    const CCatalog::Placement place = CCatalog::MovePlacement(dst);
    const QModelIndex sourceParent = source.parent();
    const QModelIndex destParent = IndexOf(place.parent);
    // The row the item takes, counted before it leaves its old place.
    int destRow = place.after ? rowOf(place.after) + 1 : 0;
    if (destParent == sourceParent && (destRow == source.row() || destRow == source.row() + 1)) {
        // Already there: the catalog still moves (nothing visible changes).
        m_catalog.MoveItem(src, dst);
        forget(place.parent);
        return IndexOf(src);
    }
    if (!beginMoveRows(sourceParent, source.row(), source.row(), destParent, destRow))
        return {};
    const CXmlNode oldParent = src.GetParent();
    m_catalog.MoveItem(src, dst);
    forget(oldParent);
    forget(place.parent);
    endMoveRows();
    return IndexOf(src);
}

bool CCatalogModel::RemoveItem(const QModelIndex& index, const std::function<bool(const std::string&)>& deleteFile)
{
    const CXmlNode node = NodeOf(index);
    if (!node || node == m_catalog.Root())
        return false;
    std::vector<CXmlNode> branch;
    CCatalog::CollectItems(node, branch);
    emit nodesAboutToBeRemoved(branch);
    // Files may go one by one and the removal stop half way: the view is told afresh.
    beginResetModel();
    const bool done = m_catalog.RemoveItem(node, deleteFile);
    forgetAll();
    endResetModel();
    return done;
}
