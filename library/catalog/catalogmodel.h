#pragma once
// The catalog as the tree view sees it: every item is an element of the catalog's document.
// Every change of the catalog made through here is announced to the views.

#include "catalog.h"

#include <QAbstractItemModel>
#include <QIcon>

#include <unordered_map>
#include <vector>

class CCatalogModel final : public QAbstractItemModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatalogModel)

public:
    explicit CCatalogModel(CCatalog& catalog, QObject* parent = nullptr);

    // Item images: closed and open folder, article, new article, recycle bin.
    enum Image { ImageFolder = 0, ImageFolderOpen = 1, ImageArticle = 2, ImageArticleNew = 3, ImageRecycle = 4,
                 ImageRecycleOpen = 5 };
    static QIcon IconFor(Image normal, Image selected);

    // Titles are shown (and edited) cut to this many bytes with "…"; the file keeps them whole.
    static constexpr std::size_t kShownTitleBytes = 1024;
    static QString ShownTitle(const std::string& title);

    CXmlNode NodeOf(const QModelIndex& index) const;
    QModelIndex IndexOf(CXmlNode node) const;
    CCatalog& Catalog() { return m_catalog; }

    // The catalog operations, announced to the views.
    bool Load(const std::string& path, std::string* error, bool* recycleAdded);
    int Merge(const std::string& path, CCatalog::MergeFiles* files = nullptr);
    bool UnifyFolders();
    QModelIndex AddItem(const QModelIndex& target, const QString& title, bool folder);
    void SetItemInfo(const QModelIndex& index, const CatalogItemInfo& info);
    QModelIndex MoveItem(const QModelIndex& source, const QModelIndex& target);
    bool RemoveItem(const QModelIndex& index, const std::function<bool(const std::string&)>& deleteFile = {});

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // The catalog was changed from the view itself (a label edit).
    void catalogModified();
    // These items are about to leave the catalog.
    void nodesAboutToBeRemoved(const std::vector<CXmlNode>& nodes);

private:
    // Element children of a folder, kept until that folder changes: large folders are not
    // walked again for every row the view asks for.
    struct Children
    {
        std::vector<CXmlNode> nodes;
        std::unordered_map<const void*, int> rows;
    };
    const Children& childrenOf(CXmlNode node) const;
    int rowOf(CXmlNode node) const;
    void forget(CXmlNode parent) const;
    void forgetAll() const;
    bool isSpecial(CXmlNode node) const;

    CCatalog& m_catalog;
    mutable std::unordered_map<const void*, Children> m_children;
};
