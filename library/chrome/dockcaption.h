#pragma once
// The caption band of a docked page bar: the current page's title, a close button and a
// pin button. Presses elsewhere on it are left to the dock widget, which drags the bar.

#include <QWidget>

class CDockCaption final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDockCaption)

public:
    static constexpr int kHeight = 20;

    explicit CDockCaption(QWidget* parent = nullptr);

    void SetText(const QString& text);
    QString Text() const { return m_text; }
    void SetActive(bool active);
    bool IsActive() const { return m_bActive; }
    // The pin stands upright while pinned and lies on its side while the bar hides itself.
    void SetPinned(bool pinned);

    QRect Band() const;
    QRect CloseButtonRect() const;
    QRect PinButtonRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void closeClicked();
    void pinClicked();
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    enum Button { NoButton, CloseButton, PinButton };
    Button buttonAt(const QPoint& pos) const;
    void drawButtonFrame(QPainter& painter, const QRect& rect, Button button) const;
    void drawPin(QPainter& painter, const QRect& rect) const;
    void setHovered(Button button);

    QString m_text;
    bool m_bActive = false;
    bool m_bPinned = true;
    Button m_hovered = NoButton;
    Button m_pushed = NoButton;
};
