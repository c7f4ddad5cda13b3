#include "autohidestrip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kHoverDelayMs = 250;
constexpr int kIconSize = 16;
constexpr int kGap = 4;

} // namespace

CAutoHideStrip::CAutoHideStrip(QWidget* parent) : QWidget(parent), m_hoverTimer(new QTimer(this))
{
    m_hoverTimer->setSingleShot(true);
    m_hoverTimer->setInterval(kHoverDelayMs);
    connect(m_hoverTimer, &QTimer::timeout, this, &CAutoHideStrip::hovered);
    setAttribute(Qt::WA_Hover);
    SetOrientation(Qt::Vertical);
}

void CAutoHideStrip::SetItems(std::vector<Item> items)
{
    m_items = std::move(items);
    update();
}

void CAutoHideStrip::SetOrientation(Qt::Orientation orientation)
{
    m_orientation = orientation;
    if (orientation == Qt::Vertical) {
        setMinimumSize(kThickness, 0);
        setMaximumSize(kThickness, QWIDGETSIZE_MAX);
    } else {
        setMinimumSize(0, kThickness);
        setMaximumSize(QWIDGETSIZE_MAX, kThickness);
    }
    update();
}

int CAutoHideStrip::itemLength(const Item& item) const
{
    return kGap + kIconSize + kGap + fontMetrics().horizontalAdvance(item.title) + 2 * kGap;
}

QRect CAutoHideStrip::ItemRect(int index) const
{
    int start = 2;
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        const int length = itemLength(m_items[static_cast<std::size_t>(i)]);
        if (i == index)
            return m_orientation == Qt::Vertical ? QRect(1, start, width() - 2, length)
                                                 : QRect(start, 1, length, height() - 2);
        start += length + 2;
    }
    return {};
}

QSize CAutoHideStrip::sizeHint() const
{
    return QSize(kThickness, kThickness);
}

QSize CAutoHideStrip::minimumSizeHint() const
{
    return QSize(kThickness, kThickness);
}

void CAutoHideStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    for (int i = 0; i < static_cast<int>(m_items.size()); ++i) {
        const Item& item = m_items[static_cast<std::size_t>(i)];
        const QRect r = ItemRect(i);
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
        const bool vertical = m_orientation == Qt::Vertical;
        const int thickness = vertical ? r.width() : r.height();
        const int across = (thickness - kIconSize) / 2;
        if (!item.icon.isNull())
            item.icon.paint(&painter,
                            vertical ? QRect(r.x() + across, r.y() + kGap, kIconSize, kIconSize)
                                     : QRect(r.x() + kGap, r.y() + across, kIconSize, kIconSize));
        painter.save();
        // Along a vertical strip the title reads from top to bottom.
        painter.translate(r.topLeft());
        if (vertical) {
            painter.translate(r.width(), 0);
            painter.rotate(90);
        }
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(QRect(2 * kGap + kIconSize, 0,
                               fontMetrics().horizontalAdvance(item.title) + kGap, thickness),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.title);
        painter.restore();
    }
}

void CAutoHideStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    m_hoverTimer->stop();
    int index = -1;
    for (int i = 0; i < static_cast<int>(m_items.size()) && index < 0; ++i)
        if (ItemRect(i).contains(event->position().toPoint())) index = i;
    emit clicked(index);
}

void CAutoHideStrip::enterEvent(QEnterEvent*)
{
    m_hoverTimer->start();
}

void CAutoHideStrip::leaveEvent(QEvent*)
{
    m_hoverTimer->stop();
}
