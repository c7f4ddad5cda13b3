#pragma once
// An HTTP or HTTPS server on 127.0.0.1 for network tests, with the routes most tests need:
// /file.gif (3000 bytes), /img/photo.jpg, /missing (404), /endless (a chunked body that never
// ends), and hostile ones: /loop (redirects to itself), /evil (a Content-Disposition name
// with "../"), /named (a plain one), /bigheader (a 512 KB header), /reset (the connection
// drops mid-body).
// Tests add their own routes before Start.

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>
#include <utility>

template <class Server>
class BasicLocalServer
{
public:
    // Arguments go to the server (an HTTPS server takes its certificate and key files).
    template <class... Args>
    explicit BasicLocalServer(Args&&... args) : server(std::forward<Args>(args)...)
    {
        server.Get("/file.gif", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3000, 'g'), "image/gif");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        server.Get("/img/photo.jpg", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("photo", "image/jpeg");
        });
        server.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
        server.Get("/evil", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition", "attachment; filename=\"../../x.txt\"");
            res.set_content("evil", "text/plain");
        });
        server.Get("/named", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Content-Disposition", "attachment; filename=report.pdf");
            res.set_content("pdf", "application/pdf");
        });
        server.Get("/bigheader", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Flood", std::string(512 * 1024, 'h'));
            res.set_content("x", "text/plain");
        });
        server.Get("/reset", [](const httplib::Request&, httplib::Response& res) {
            res.set_content_provider(100000, "application/zip", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                if (offset >= 2000)
                    return false; // the connection drops mid-body
                sink.write(std::string(1000, 'r').data(), 1000);
                return true;
            });
        });
        server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return sink.write(std::string(1024, 'e').data(), 1024);
            });
        });
    }
    ~BasicLocalServer()
    {
        if (m_thread.joinable()) {
            server.stop();
            m_thread.join();
        }
    }
    BasicLocalServer(const BasicLocalServer&) = delete;
    BasicLocalServer& operator=(const BasicLocalServer&) = delete;

    void Start()
    {
        m_port = server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    int Port() const { return m_port; }
    std::string Url(const std::string& path) const
    {
        return std::string(std::is_same_v<Server, httplib::Server> ? "http" : "https") + "://127.0.0.1:" +
               std::to_string(m_port) + path;
    }

    Server server;

private:
    std::thread m_thread;
    int m_port = 0;
};

using LocalServer = BasicLocalServer<httplib::Server>;
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
using LocalTlsServer = BasicLocalServer<httplib::SSLServer>;
#endif
