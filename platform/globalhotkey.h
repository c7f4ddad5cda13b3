#pragma once
// The Super+V hot key, grabbed for the whole desktop. Where it cannot be had (another
// program owns it, or no X server), Register returns false and nothing else changes.

#include <QAbstractNativeEventFilter>
#include <QObject>

class CGlobalHotKey final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CGlobalHotKey)

public:
    explicit CGlobalHotKey(QObject* parent = nullptr);
    ~CGlobalHotKey() override;

    bool Register();
    void Unregister();
    bool IsRegistered() const { return m_keycode != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void activated();

private:
    unsigned m_keycode = 0;
    unsigned m_root = 0;
};
