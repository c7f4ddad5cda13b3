#pragma once
// Receives the messages other programs post to this program's window.

#include <QObject>

#include <cstdint>
#include <string>

class QSocketNotifier;

class CWindowMessageListener final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CWindowMessageListener)

public:
    explicit CWindowMessageListener(QObject* parent = nullptr);
    ~CWindowMessageListener() override;

    // Starts listening for the window with that handle; false (with the reason in
    // errorText) when the socket cannot be made.
    bool Listen(std::uint32_t handle);
    std::uint32_t Handle() const { return m_handle; }
    const std::string& ErrorText() const { return m_error; }

signals:
    void messagePosted(quint32 message, quint32 wParam, qint32 lParam);

private:
    void readPending();
    void close();

    int m_fd = -1;
    std::uint32_t m_handle = 0;
    std::string m_path;
    std::string m_error;
    QSocketNotifier* m_notifier = nullptr;
};
