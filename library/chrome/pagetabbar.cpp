#include "pagetabbar.h"

#include "dockbarlayout.h"

#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionTab>

namespace {

const QColor kGrey(128, 128, 128);

// Draws the tabs the bar's way; everything else is left to the application's style.
class CPageTabStyle final : public QProxyStyle
{
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
        if (element != CE_TabBarTab || !tab) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The tab's own rectangle starts 2 pixels down and leaves its last column as the gap
        // to the next tab.
        const QRect r = tab->rect;
        const QRect own(r.x(), r.y() + 2, r.width() - 1, r.height() - 2);
        const int gap = r.x() + r.width() - 1;
        const bool current = tab->state & State_Selected;
        if (current) {
            const QRect fill = own.adjusted(0, 0, 0, -2);
            painter->fillRect(fill, tab->palette.button());
            painter->setPen(tab->palette.color(QPalette::Shadow));
            painter->drawLine(fill.left(), fill.bottom() + 1, gap, fill.bottom() + 1);
            painter->drawLine(gap, fill.top(), gap, fill.bottom() + 1);
        } else {
            painter->setPen(kGrey);
            painter->drawLine(gap, own.top() + 3, gap, own.bottom() - 4);
        }

        QRect content = own.adjusted(5, 1, -2, 0);
        if (content.width() > 16 && !tab->icon.isNull()) {
            tab->icon.paint(painter, QRect(content.x(), content.y() + 4, 16, 16));
            // Room for the icon is 18 pixels of the tab's width.
            content.setLeft(content.left() + 18);
        }
        content.setTop(content.top() + 2);
        const QFontMetrics metrics = tab->fontMetrics;
        const QString text = ShortenTitle(tab->text, content.width(), [&metrics](const QString& t) {
            return metrics.horizontalAdvance(t);
        });
        painter->setPen(current ? QColor(Qt::black) : kGrey);
        painter->drawText(content, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override
    {
        switch (metric) {
        case PM_TabBarTabOverlap:
        case PM_TabBarTabShiftHorizontal:
        case PM_TabBarTabShiftVertical:
        case PM_TabBarBaseOverlap:
            return 0;
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_TabBar_Alignment) return Qt::AlignLeft;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

CPageTabBar::CPageTabBar(QWidget* parent) : QTabBar(parent)
{
    auto* style = new CPageTabStyle;
    style->setParent(this);
    setStyle(style);
    setMovable(true);
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(kHeight);
}

QRect CPageTabBar::DragBand() const
{
    return QRect(-kSideMargin, kHeight + 1 - kBandHeight, width() + 2 * kSideMargin, kBandHeight);
}

std::vector<int> CPageTabBar::TabAdvances() const
{
    std::vector<int> widths;
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < count(); ++i)
        widths.push_back(TabWidth(metrics.horizontalAdvance(tabText(i)), !tabIcon(i).isNull()));
    return LayoutTabs(widths, width());
}

QSize CPageTabBar::tabSizeHint(int index) const
{
    const std::vector<int> advances = TabAdvances();
    if (index < 0 || index >= static_cast<int>(advances.size())) return QSize(0, kHeight);
    return QSize(advances[static_cast<std::size_t>(index)], kHeight);
}

void CPageTabBar::mousePressEvent(QMouseEvent* event)
{
    QTabBar::mousePressEvent(event);
    m_bMovingTab = event->button() == Qt::LeftButton && tabAt(event->position().toPoint()) >= 0;
}

void CPageTabBar::mouseMoveEvent(QMouseEvent* event)
{
    if (m_bMovingTab && (event->buttons() & Qt::LeftButton) && count() > 1 &&
        !DragBand().contains(event->position().toPoint())) {
        m_bMovingTab = false;
        // The tab settles back into the strip before its page leaves.
        QMouseEvent release(QEvent::MouseButtonRelease, event->position(), event->scenePosition(),
                            event->globalPosition(), Qt::LeftButton, Qt::NoButton,
                            event->modifiers());
        QTabBar::mouseReleaseEvent(&release);
        emit pageDragRequested(currentIndex());
        return;
    }
    QTabBar::mouseMoveEvent(event);
}

void CPageTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    m_bMovingTab = false;
    QTabBar::mouseReleaseEvent(event);
}
