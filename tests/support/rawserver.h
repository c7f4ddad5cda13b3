#pragma once
// A TCP server on 127.0.0.1 that keeps every request exactly as its bytes came in, and
// answers each with what the test's handler writes to the socket.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

class RawServer;

// The address of a port on 127.0.0.1 that was just closed: connections to it are refused.
std::string RefusingSite();

class RawServer
{
public:
    // Writes the answer to fd; the connection is closed when it returns.
    using Handler = std::function<void(int fd, const std::string& request)>;

    explicit RawServer(Handler handler) : m_handler(std::move(handler))
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(m_listen, 8) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            std::abort();
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~RawServer()
    {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return m_port; }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    std::vector<std::string> Requests()
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    bool Stopping() const { return m_stop; }

    static bool Send(int fd, const std::string& bytes)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    void serve()
    {
        while (!m_stop) {
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                break;
            const std::string request = readRequest(fd);
            {
                std::lock_guard lock(m_mutex);
                m_requests.push_back(request);
            }
            m_handler(fd, request);
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }

    // The head, then as many body bytes as its Content-Length says.
    static std::string readRequest(int fd)
    {
        std::string data;
        char chunk[4096];
        std::size_t want = std::string::npos;
        while (want == std::string::npos || data.size() < want) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            data.append(chunk, static_cast<std::size_t>(n));
            const std::size_t end = data.find("\r\n\r\n");
            if (want == std::string::npos && end != std::string::npos) {
                std::size_t length = 0;
                for (std::size_t at = data.find("\r\n"); at < end; at = data.find("\r\n", at + 2))
                    if (strncasecmp(data.c_str() + at + 2, "Content-Length:", 15) == 0)
                        length = std::strtoul(data.c_str() + at + 17, nullptr, 10);
                want = end + 4 + length;
            }
        }
        return data;
    }

    Handler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

inline std::string RefusingSite()
{
    int port = 0;
    {
        RawServer gone([](int, const std::string&) {});
        port = gone.Port();
    }
    return "http://127.0.0.1:" + std::to_string(port);
}
