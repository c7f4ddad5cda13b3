#include "dockcaption.h"

#include "dockbarlayout.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

const QColor kActiveFill(10, 36, 106);
const QColor kGrey(128, 128, 128);
constexpr int kButtonSize = 13;

QFont captionFont()
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8.5);
    return font;
}

} // namespace

CDockCaption::CDockCaption(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFixedHeight(kHeight);
    setFont(captionFont());
}

void CDockCaption::SetText(const QString& text)
{
    if (text == m_text) return;
    m_text = text;
    update();
}

void CDockCaption::SetActive(bool active)
{
    if (active == m_bActive) return;
    m_bActive = active;
    update();
}

void CDockCaption::SetPinned(bool pinned)
{
    if (pinned == m_bPinned) return;
    m_bPinned = pinned;
    update();
}

QRect CDockCaption::Band() const
{
    return QRect(1, 1, width() - 2, 16);
}

QRect CDockCaption::CloseButtonRect() const
{
    const QRect band = Band();
    return QRect(band.x() + band.width() - 15, band.y() + 2, kButtonSize, kButtonSize);
}

QRect CDockCaption::PinButtonRect() const
{
    const QRect band = Band();
    return QRect(band.x() + band.width() - 32, band.y() + 2, kButtonSize, kButtonSize);
}

QSize CDockCaption::sizeHint() const
{
    return QSize(100, kHeight);
}

QSize CDockCaption::minimumSizeHint() const
{
    return QSize(40, kHeight);
}

CDockCaption::Button CDockCaption::buttonAt(const QPoint& pos) const
{
    if (CloseButtonRect().contains(pos)) return CloseButton;
    if (PinButtonRect().contains(pos)) return PinButton;
    return NoButton;
}

void CDockCaption::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    const QRect band = Band();
    if (m_bActive) {
        painter.fillRect(band, kActiveFill);
    } else {
        painter.setPen(kGrey);
        painter.drawRect(band.adjusted(0, 0, -1, -1));
    }

    const QFontMetrics metrics(font());
    const QString text = ShortenTitle(m_text, band.width() - 30, [&metrics](const QString& t) {
        return metrics.horizontalAdvance(t);
    });
    painter.setPen(m_bActive ? Qt::white : Qt::black);
    painter.drawText(QRect(band.x() + 4, band.y() + 2, band.width() - 4, band.height() - 2),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);

    const QRect close = CloseButtonRect();
    drawButtonFrame(painter, close, CloseButton);
    // A bold cross, 2 pixels in from the corner.
    painter.setPen(QPen(m_bActive ? Qt::white : kGrey, 1));
    for (int d = 0; d < 2; ++d) {
        painter.drawLine(close.x() + 3 + d, close.y() + 3, close.x() + 8 + d, close.y() + 8);
        painter.drawLine(close.x() + 8 + d, close.y() + 3, close.x() + 3 + d, close.y() + 8);
    }

    const QRect pin = PinButtonRect();
    drawButtonFrame(painter, pin, PinButton);
    drawPin(painter, pin);
}

void CDockCaption::drawButtonFrame(QPainter& painter, const QRect& rect, Button button) const
{
    if (m_hovered != button && m_pushed != button) return;
    const bool sunken = m_pushed == button && m_hovered == button;
    const QColor topLeft =
        sunken ? palette().color(QPalette::Dark) : palette().color(QPalette::Light);
    const QColor bottomRight =
        sunken ? palette().color(QPalette::Light) : palette().color(QPalette::Dark);
    const QRect r = rect.adjusted(0, 0, -1, -1);
    painter.setPen(topLeft);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottomRight);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void CDockCaption::drawPin(QPainter& painter, const QRect& rect) const
{
    painter.save();
    painter.translate(rect.topLeft());
    if (!m_bPinned) {
        // Lying on its side, the point to the left.
        painter.translate(0, kButtonSize - 1);
        painter.rotate(-90);
    }
    painter.setPen(m_bActive ? Qt::white : Qt::black);
    const QPoint head[] = {{4, 8}, {4, 3}, {8, 3}, {8, 8}};
    painter.drawPolyline(head, 4);
    painter.drawLine(7, 3, 7, 8);
    painter.drawLine(2, 8, 11, 8);
    painter.drawLine(6, 8, 6, 12);
    painter.restore();
}

void CDockCaption::setHovered(Button button)
{
    if (button == m_hovered) return;
    m_hovered = button;
    update();
}

void CDockCaption::mousePressEvent(QMouseEvent* event)
{
    const Button button = buttonAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) emit pressed();
    if (event->button() != Qt::LeftButton || button == NoButton) {
        event->ignore(); // the dock widget drags or floats the bar
        return;
    }
    m_pushed = button;
    update();
}

void CDockCaption::mouseMoveEvent(QMouseEvent* event)
{
    setHovered(buttonAt(event->position().toPoint()));
    if (m_pushed == NoButton) event->ignore();
}

void CDockCaption::mouseReleaseEvent(QMouseEvent* event)
{
    const Button pushed = m_pushed;
    if (pushed == NoButton || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pushed = NoButton;
    update();
    if (buttonAt(event->position().toPoint()) != pushed) return;
    if (pushed == CloseButton)
        emit closeClicked();
    else
        emit pinClicked();
}

void CDockCaption::leaveEvent(QEvent*)
{
    setHovered(NoButton);
}
