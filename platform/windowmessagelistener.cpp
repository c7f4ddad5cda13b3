#include "windowmessagelistener.h"

#include "fileutil.h"
#include "windowmessage.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

CWindowMessageListener::CWindowMessageListener(QObject* parent) : QObject(parent) {}

CWindowMessageListener::~CWindowMessageListener()
{
    close();
}

void CWindowMessageListener::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
    m_fd = -1;
}

bool CWindowMessageListener::Listen(std::uint32_t handle)
{
    close();
    m_path = WindowSocketPath(handle);
    if (m_path.empty()) {
        m_error = "no private runtime folder for the window socket";
        return false;
    }
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0) {
        m_error = std::strerror(errno);
        return false;
    }
    const sockaddr_un addr = WindowSocketAddress(m_path);
    ::unlink(m_path.c_str()); // left by a program of this id that ended without cleaning up
    const mode_t old = ::umask(0077);
    const int rc = ::bind(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    ::umask(old);
    if (rc != 0) {
        m_error = ErrnoText(m_path, errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_handle = handle;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CWindowMessageListener::readPending);
    return true;
}

void CWindowMessageListener::readPending()
{
    // A bounded batch per wake-up: a flood of datagrams cannot starve the window, and the
    // rest wakes the notifier again.
    unsigned char buffer[64];
    for (int i = 0; i < 64; ++i) {
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_TRUNC);
        if (n < 0)
            return; // EAGAIN: drained
        const auto msg = WindowMessage::Decode(buffer, static_cast<std::size_t>(n));
        if (!msg || msg->handle != m_handle)
            continue;
        // Delivered like a posted message: from the event loop, never inside this read.
        QMetaObject::invokeMethod(
            this, [this, m = *msg] { emit messagePosted(m.message, m.wParam, m.lParam); }, Qt::QueuedConnection);
    }
}
