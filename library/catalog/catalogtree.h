#pragma once
// The catalog as a tree the user arranges: label editing, drag and drop with hover-expand
// and auto-scroll, the context menu, keys, and the search in titles and article texts.
// Commands go to the main frame through sendCommand (at once) and postCommand (queued).

#include "catalogmodel.h"

#include <QPersistentModelIndex>
#include <QTreeView>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class QTimer;

class CCatalogTree final : public QTreeView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CCatalogTree)

public:
    using Clock = std::chrono::steady_clock;

    explicit CCatalogTree(CCatalogModel* model, QWidget* parent = nullptr);

    CCatalogModel* CatalogModel() const { return m_model; }
    CCatalog& Catalog() const { return m_model->Catalog(); }
    CXmlNode SelectedNode() const;
    bool IsEditingLabel() const { return state() == EditingState; }
    void SelectNode(CXmlNode node);

    // The catalog operations with their side effects in the tree.
    bool LoadCatalog(const std::string& path, std::string* error);
    bool SaveCatalog(const std::string& path, std::string* error);
    int MergeCatalog(const std::string& path, CCatalog::MergeFiles* files = nullptr);
    // A new item; more than five minutes after the last load or auto-save, asks for a save.
    QModelIndex AddItem(const QModelIndex& target, const QString& title, bool folder);
    bool DeleteSelected();
    CXmlNode FindNext(const std::string& keyword, CXmlNode start, bool inText);

    bool m_bFindInText = false;
    CXmlNode m_hLastFound;

    // Which context-menu commands can be chosen now.
    void SetCommandEnabled(std::function<bool(int)> isEnabled) { m_isEnabled = std::move(isEnabled); }
    void SetClock(std::function<Clock::time_point()> clock) { m_clock = std::move(clock); }

signals:
    void sendCommand(int id);
    void postCommand(int id);
    void messageText(const QString& text);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void onHoverTimeout();
    void onScrollTick();
    void setDropTarget(const QModelIndex& index);
    void forgetRemoved(const std::vector<CXmlNode>& nodes);
    void markModified();

    CCatalogModel* m_model;
    std::function<bool(int)> m_isEnabled;
    std::function<Clock::time_point()> m_clock;
    Clock::time_point m_lastPress;
    Clock::time_point m_lastSave;
    bool m_bDragging = false;
    QPersistentModelIndex m_dragged;
    QPersistentModelIndex m_dropTarget;
    QTimer* m_hoverTimer;
    QTimer* m_scrollTimer;
    QPoint m_lastPoint;
    long long m_scrollTicks = 0;
    std::vector<CXmlNode> m_items; // the last search from the top
    std::vector<CXmlNode> m_gone;  // items announced to leave with the next reset
    std::vector<CXmlNode> m_open;  // folders open before a reset
};
