#include "windowmessage.h"
#include "windowmessagelistener.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

struct Received
{
    quint32 message;
    quint32 wParam;
    qint32 lParam;
};

void pumpUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool sendRaw(const std::string& path, const void* data, std::size_t size)
{
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const bool ok = ::sendto(fd, data, size, 0, reinterpret_cast<sockaddr*>(&addr), sizeof addr) ==
                    static_cast<ssize_t>(size);
    ::close(fd);
    return ok;
}

} // namespace

TEST(WindowMessageListener, DeliversPostedMessagesAndDropsMalformedOnes)
{
    CWindowMessageListener listener;
    ASSERT_TRUE(listener.Listen(4242)) << listener.ErrorText();
    std::vector<Received> got;
    QObject::connect(&listener, &CWindowMessageListener::messagePosted,
                     [&](quint32 m, quint32 w, qint32 l) { got.push_back({m, w, l}); });

    const std::string path = WindowSocketPath(4242);
    const std::string junk(7, 'x');
    ASSERT_TRUE(sendRaw(path, junk.data(), junk.size()));
    const std::string big(4000, 'y');
    ASSERT_TRUE(sendRaw(path, big.data(), big.size()));
    const auto wrongWindow = WindowMessage{4243, 1, 1, 1}.Encode();
    ASSERT_TRUE(sendRaw(path, wrongWindow.data(), wrongWindow.size()));

    ASSERT_TRUE(PostWindowMessage(4242, 0x463, 1, 7));
    ASSERT_TRUE(PostWindowMessage(4242, 0x463, 2, 49));
    pumpUntil([&] { return got.size() >= 2; });

    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, 0x463u);
    EXPECT_EQ(got[0].wParam, 1u);
    EXPECT_EQ(got[0].lParam, 7);
    EXPECT_EQ(got[1].wParam, 2u);
    EXPECT_EQ(got[1].lParam, 49);
}

TEST(WindowMessageListener, SocketGoesWhenTheListenerEnds)
{
    std::string path;
    {
        CWindowMessageListener listener;
        ASSERT_TRUE(listener.Listen(777));
        path = WindowSocketPath(777);
        EXPECT_EQ(::access(path.c_str(), F_OK), 0);
    }
    EXPECT_NE(::access(path.c_str(), F_OK), 0);
    EXPECT_FALSE(PostWindowMessage(777, 1, 0, 0));
}
