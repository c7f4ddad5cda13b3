#pragma once
// An HTTP server on 127.0.0.1 for download tests, with the routes most tests need:
// /file.gif (3000 bytes), /missing (404), /endless (a chunked body that never ends).
// Tests add their own routes before Start.

#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

class LocalServer
{
public:
    LocalServer()
    {
        server.Get("/file.gif", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(3000, 'g'), "image/gif");
        });
        server.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return sink.write(std::string(1024, 'e').data(), 1024);
            });
        });
    }
    ~LocalServer()
    {
        if (m_thread.joinable()) {
            server.stop();
            m_thread.join();
        }
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    void Start()
    {
        m_port = server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    httplib::Server server;

private:
    std::thread m_thread;
    int m_port = 0;
};
