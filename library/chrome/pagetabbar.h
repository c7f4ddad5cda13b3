#pragma once
// The tabs along the bottom of a page bar, one a page, at the widths LayoutTabs gives.
// Dragging a tab along the strip reorders the pages; dragging it out of the strip's band
// asks for the page itself to be dragged.

#include <QTabBar>

#include <vector>

class CPageTabBar final : public QTabBar
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CPageTabBar)

public:
    static constexpr int kHeight = 25;
    // The band the pointer may wander in while it moves a tab: the bottom 32 pixels of the
    // bar's page area, the tab bar sitting 6 pixels in from its sides and 1 from its bottom.
    static constexpr int kBandHeight = 32;
    static constexpr int kSideMargin = 6;

    explicit CPageTabBar(QWidget* parent = nullptr);

    QRect DragBand() const;
    // The widths the tabs take now.
    std::vector<int> TabAdvances() const;

signals:
    void pageDragRequested(int index);

protected:
    QSize tabSizeHint(int index) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_bMovingTab = false;
};
