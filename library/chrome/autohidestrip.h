#pragma once
// What is left of a page bar that hides itself: a narrow strip at the window's edge with a
// button for each page. Hovering the strip or clicking a page brings the bar out.

#include <QIcon>
#include <QWidget>

#include <vector>

class QTimer;

class CAutoHideStrip final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CAutoHideStrip)

public:
    static constexpr int kThickness = 24;

    explicit CAutoHideStrip(QWidget* parent = nullptr);

    struct Item
    {
        QIcon icon;
        QString title;
    };
    void SetItems(std::vector<Item> items);
    // Vertical along the left and right edges, horizontal along the top and bottom.
    void SetOrientation(Qt::Orientation orientation);
    Qt::Orientation Orientation() const { return m_orientation; }
    // The item's place along the strip.
    QRect ItemRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void hovered();
    void clicked(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int itemLength(const Item& item) const;

    std::vector<Item> m_items;
    Qt::Orientation m_orientation = Qt::Vertical;
    QTimer* m_hoverTimer;
};
