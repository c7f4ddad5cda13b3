#include "catalogtree.h"

#include "codepage.h"
#include "commandids.h"
#include "dragrules.h"
#include "fileutil.h"
#include "htmltext.h"
#include "lasterror.h"
#include "messagebox.h"
#include "shellfileop.h"
#include "storage.h"

#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

#include <unordered_set>

namespace {

const QString kDragFormat = QStringLiteral("application/x-quor-catalog-item");

struct MenuEntry
{
    const char* text;
    int id; // 0: separator
};

// The context menu, in order.
// Marked for the translation tools; tr() translates them when the menu is built.
constexpr MenuEntry kContextMenu[] = {
    {QT_TRANSLATE_NOOP("CCatalogTree", "编辑\t(&E)"), ID_ARTICLE_EDIT},
    {QT_TRANSLATE_NOOP("CCatalogTree", "新建空文章\t(&N)"), ID_ARTICLE_NEW},
    {QT_TRANSLATE_NOOP("CCatalogTree", "新建文件夹\t(&F)"), ID_FOLDER_NEW},
    {QT_TRANSLATE_NOOP("CCatalogTree", "插入剪贴版内容\t(&P)"), ID_EDIT_PASTE},
    {QT_TRANSLATE_NOOP("CCatalogTree", "从网址建立文档\t(&U)"), ID_ARTICLE_FROM_URL},
    {QT_TRANSLATE_NOOP("CCatalogTree", "导入文件\t(&M)"), ID_ARTICLE_IMPORT},
    {QT_TRANSLATE_NOOP("CCatalogTree", "删除\t(&D)"), ID_ITEM_DELETE},
    {nullptr, 0},
    {QT_TRANSLATE_NOOP("CCatalogTree", "下载关联文件\t(&L)"), ID_ARTICLE_DOWNLOAD_LINKS},
    {nullptr, 0},
    {QT_TRANSLATE_NOOP("CCatalogTree", "查看详细信息\t(&I)"), ID_ITEM_DETAILS},
    {QT_TRANSLATE_NOOP("CCatalogTree", "贴到Marvu空间\t(&B)"), ID_ARTICLE_POST},
};

} // namespace

CCatalogTree::CCatalogTree(CCatalogModel* model, QWidget* parent)
    : QTreeView(parent), m_model(model), m_clock([] { return Clock::now(); }), m_hoverTimer(new QTimer(this)),
      m_scrollTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("CatalogTree"));
    setModel(model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setAutoScroll(false); // scrolling while dragging follows our own rule
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    header()->setStretchLastSection(true);
    m_lastSave = m_clock();

    m_hoverTimer->setSingleShot(true);
    m_hoverTimer->setInterval(dragrules::kHoverMs);
    connect(m_hoverTimer, &QTimer::timeout, this, &CCatalogTree::onHoverTimeout);
    m_scrollTimer->setInterval(dragrules::kScrollTickMs);
    connect(m_scrollTimer, &QTimer::timeout, this, &CCatalogTree::onScrollTick);

    connect(model, &CCatalogModel::catalogModified, this, &CCatalogTree::markModified);
    connect(model, &CCatalogModel::nodesAboutToBeRemoved, this, &CCatalogTree::forgetRemoved);
    // A reset (removal, merge, load) keeps the folders that stay open.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        m_open.clear();
        std::unordered_set<const void*> gone;
        for (const CXmlNode& node : m_gone)
            gone.insert(node.Raw());
        std::vector<CXmlNode> all;
        if (Catalog().Root())
            CCatalog::CollectItems(Catalog().Root(), all);
        for (const CXmlNode& node : all)
            if (!gone.count(node.Raw()) && isExpanded(m_model->IndexOf(node)))
                m_open.push_back(node);
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        expand(m_model->index(0, 0));
        for (const CXmlNode& node : m_open)
            expand(m_model->IndexOf(node));
        m_open.clear();
        m_gone.clear();
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    emit sendCommand(ID_ARTICLE_SHOW);
            });
}

CXmlNode CCatalogTree::SelectedNode() const
{
    return m_model->NodeOf(currentIndex());
}

void CCatalogTree::SelectNode(CXmlNode node)
{
    const QModelIndex index = m_model->IndexOf(node);
    if (!index.isValid())
        return;
    scrollTo(index);
    setCurrentIndex(index);
}

void CCatalogTree::markModified()
{
    emit postCommand(ID_CATALOG_MODIFIED);
}

void CCatalogTree::forgetRemoved(const std::vector<CXmlNode>& nodes)
{
    m_gone.insert(m_gone.end(), nodes.begin(), nodes.end());
    // Search results that are about to go must never be used again.
    std::unordered_set<const void*> gone;
    for (const CXmlNode& node : nodes)
        gone.insert(node.Raw());
    std::erase_if(m_items, [&](const CXmlNode& node) { return gone.count(node.Raw()) != 0; });
    if (gone.count(m_hLastFound.Raw()))
        m_hLastFound = CXmlNode();
}

bool CCatalogTree::LoadCatalog(const std::string& path, std::string* error)
{
    m_lastSave = m_clock();
    m_items.clear();
    m_hLastFound = CXmlNode();
    // A recycle folder the file lacks is added in memory; the next save writes it.
    return m_model->Load(path, error, nullptr);
}

bool CCatalogTree::SaveCatalog(const std::string& path, std::string* error)
{
    return Catalog().Save(path, error);
}

int CCatalogTree::MergeCatalog(const std::string& path, CCatalog::MergeFiles* files)
{
    m_lastSave = m_clock();
    m_items.clear();
    m_hLastFound = CXmlNode();
    return m_model->Merge(path, files);
}

QModelIndex CCatalogTree::AddItem(const QModelIndex& target, const QString& title, bool folder)
{
    const QModelIndex added = m_model->AddItem(target, title, folder);
    const auto now = m_clock();
    if (now - m_lastSave > std::chrono::minutes(5) || m_lastSave - now > std::chrono::minutes(5)) {
        emit postCommand(ID_FILE_SAVE);
        emit messageText(QStringLiteral("Auto Saved."));
        m_lastSave = now;
    }
    return added;
}

bool CCatalogTree::DeleteSelected()
{
    const QModelIndex selected = currentIndex();
    const CXmlNode node = m_model->NodeOf(selected);
    if (!node)
        return false;
    if (node == Catalog().Root() || node == Catalog().Recycle()) {
        ShowMessageBox(this, tr("特殊文件夹不能删除！"), QString(), MsgButtons::Ok);
        return false;
    }
    if (CCatalog::IsInBranch(Catalog().Recycle(), node)) {
        ShowMessageBox(this, tr("这个文件夹里有回收站，不能删除。"), QString(), MsgButtons::Ok);
        return false;
    }
    // The selection goes to a neighbour, as it does when an item leaves a tree: a second
    // Delete must not find the item again, now in the recycle folder.
    const QModelIndex sibling = selected.sibling(selected.row() + 1, 0);
    const QPersistentModelIndex next =
        sibling.isValid() ? sibling : selected.row() > 0 ? selected.sibling(selected.row() - 1, 0) : selected.parent();
    if (CCatalog::IsInBranch(node, Catalog().Recycle())) {
        // Already in the recycle folder: gone for good, its article files to the trash,
        // after one confirmation for the whole branch.
        std::vector<CXmlNode> branch;
        CCatalog::CollectItems(node, branch);
        int files = 0;
        for (const CXmlNode& item : branch) {
            CatalogItemInfo info;
            CCatalog::GetItemInfo(item, info);
            files += !ResolveArticleFile(info.file).empty();
        }
        const QString title = QString::fromStdString(node.GetAttribute("COMMENT"));
        const QString question = files == 0 ? tr("确实要永久删除“%1”吗？").arg(title)
                                            : tr("确实要永久删除“%1”，并把它的 %2 个文章文件放入回收站吗？").arg(title).arg(files);
        if (ShowMessageBox(this, question, tr("删除"), MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
            return false;
        const bool done = m_model->RemoveItem(selected, [](const std::string& path) { return TrashArticleFile(path); });
        markModified();
        if (!done)
            ShowMessageBox(this, tr("有文章文件不能放入回收站，删除停止：\n%1").arg(QString::fromStdString(LastErrorText())),
                           tr("删除"), MsgButtons::Ok, MsgIcon::Warning);
        if (next.isValid())
            setCurrentIndex(next);
        setFocus();
        return done;
    }
    const QModelIndex moved = m_model->MoveItem(selected, m_model->IndexOf(Catalog().Recycle()));
    if (!moved.isValid())
        return false;
    markModified();
    if (next.isValid())
        setCurrentIndex(next);
    return true;
}

CXmlNode CCatalogTree::FindNext(const std::string& keyword, CXmlNode start, bool inText)
{
    if (!start) {
        m_items.clear();
        if (Catalog().Root())
            CCatalog::CollectItems(Catalog().Root(), m_items);
        start = Catalog().Root();
    }
    const auto at = std::find(m_items.begin(), m_items.end(), start);
    if (at == m_items.end())
        return {};
    for (auto it = at + 1; it != m_items.end(); ++it) {
        const CXmlNode node = *it;
        CatalogItemInfo info;
        CCatalog::GetItemInfo(node, info);
        const ItemMatch match = MatchCatalogItem(info.title, info.file, keyword, inText, [&] {
            emit messageText(tr("搜索：") + QString::fromStdString(info.title));
        });
        if (match == ItemMatch::Unreadable)
            return {}; // a file that is there but cannot be read ends the search
        if (match != ItemMatch::None)
            return node;
    }
    return {};
}

void CCatalogTree::mousePressEvent(QMouseEvent* event)
{
    m_lastPress = m_clock();
    QTreeView::mousePressEvent(event);
}

void CCatalogTree::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit sendCommand(ID_ARTICLE_EDIT);
    QTreeView::mouseDoubleClickEvent(event);
}

void CCatalogTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete)
        emit postCommand(ID_ITEM_DELETE);
    else if (event->key() == Qt::Key_F3)
        emit postCommand(ID_FIND_NEXT);
    else if (event->key() == Qt::Key_F && (event->modifiers() & Qt::ControlModifier))
        emit postCommand(ID_FIND);
    else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState &&
             currentIndex().isValid()) {
        edit(currentIndex());
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CCatalogTree::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        return; // beside the items: no menu
    setCurrentIndex(index);
    QMenu menu(this);
    for (const auto& entry : kContextMenu) {
        if (!entry.text) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(tr(entry.text));
        action->setEnabled(!m_isEnabled || m_isEnabled(entry.id));
        connect(action, &QAction::triggered, this, [this, id = entry.id] { emit sendCommand(id); });
    }
    menu.exec(event->globalPos());
}

void CCatalogTree::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    const CXmlNode node = m_model->NodeOf(index);
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(m_clock() - m_lastPress).count();
    if (!node || !dragrules::IsDragStart(since) || node == Catalog().Root() || node == Catalog().Recycle())
        return;
    m_dragged = index;
    m_dropTarget = QPersistentModelIndex();
    m_bDragging = true;
    m_scrollTicks = 0;
    m_scrollTimer->start();

    auto* drag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kDragFormat, QByteArray());
    drag->setMimeData(data);
    const QRect rect = visualRect(index);
    drag->setPixmap(viewport()->grab(rect));
    drag->setHotSpot(QPoint(8, 8));
    drag->exec(Qt::MoveAction);

    m_scrollTimer->stop();
    m_hoverTimer->stop();
    m_bDragging = false;
    setDropTarget({});
    m_dragged = QPersistentModelIndex();
}

void CCatalogTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_bDragging && event->mimeData()->hasFormat(kDragFormat))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CCatalogTree::dragMoveEvent(QDragMoveEvent* event)
{
    m_hoverTimer->start();
    m_lastPoint = event->position().toPoint();
    if (!m_bDragging) {
        event->ignore();
        return;
    }
    const QModelIndex over = indexAt(m_lastPoint);
    if (over.isValid())
        setDropTarget(over);
    if (!dragrules::IsInDropArea(m_lastPoint.x(), viewport()->rect().left()))
        m_dropTarget = QPersistentModelIndex(); // the highlight stays where it was
    event->acceptProposedAction();
}

void CCatalogTree::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
}

void CCatalogTree::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    m_scrollTimer->stop();
    const QModelIndex target = m_dropTarget;
    const QModelIndex dragged = m_dragged;
    m_bDragging = false;
    setDropTarget({});
    if (!target.isValid() || target == dragged)
        return;
    expand(target);
    const QModelIndex moved = m_model->MoveItem(dragged, target);
    if (moved.isValid()) {
        markModified();
        setCurrentIndex(moved);
    }
}

void CCatalogTree::setDropTarget(const QModelIndex& index)
{
    if (m_dropTarget == index)
        return;
    m_dropTarget = index;
    viewport()->update();
}

void CCatalogTree::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    if (m_bDragging && index == m_dropTarget) {
        QColor highlight = palette().color(QPalette::Highlight);
        highlight.setAlpha(90);
        painter->fillRect(option.rect, highlight);
    }
}

void CCatalogTree::onHoverTimeout()
{
    if (!m_bDragging)
        return;
    const QModelIndex over = indexAt(m_lastPoint);
    if (over.isValid()) {
        setCurrentIndex(over);
        expand(over);
    }
}

void CCatalogTree::onScrollTick()
{
    ++m_scrollTicks;
    const QPoint cursor = viewport()->mapFromGlobal(QCursor::pos());
    const QRect area = viewport()->rect();
    const dragrules::Scroll scroll = dragrules::ScrollFor(cursor.y(), area.top(), area.bottom());
    if (!dragrules::ScrollsOnTick(scroll, m_scrollTicks))
        return;
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + scroll.direction);
    // The item now at that edge receives the drop.
    const int y = scroll.direction < 0 ? area.top() + 1 : area.bottom() - 1;
    setDropTarget(indexAt(QPoint(area.left() + dragrules::kLeftMargin + 1, y)));
}
