#pragma once
// A blog service on 127.0.0.1 that answers the posting tool's two forms the way the real
// one is expected to: the login checks its fields and sets the session cookies; the post
// needs those cookies and its fields in order, and answers a code page 936 page.

#include "localserver.h"

#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class FakeBlog
{
public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    struct Received
    {
        std::string path, cookie, contentType, body;
        Fields fields;
    };

    std::string user = "alice";
    std::string password = "s3cret_9";
    // When false the post's answer lacks the success text.
    std::atomic<bool> congratulate{true};

    FakeBlog()
    {
        // The login form: "/?login".
        m_server.server.Post("/", [this](const httplib::Request& req, httplib::Response& res,
                                         const httplib::ContentReader& content) {
            const Received r = record(req, content, m_logins);
            const Fields expected = {{"tpl", "sp"},
                                     {"tpl_reg", "sp"},
                                     {"u", "http%3A%2F%2Fblog.example%2F"},
                                     {"username", user},
                                     {"password", password},
                                     {"Submit", "+%B5%C7%C2%BC+"}};
            if (req.target != "/?login" || r.contentType != "application/x-www-form-urlencoded" || r.fields != expected) {
                res.set_header("Set-Cookie", "visitor=1; path=/");
                res.set_content("<html><body>wrong user name or password</body></html>", "text/html");
                return;
            }
            const std::string session = std::to_string(++m_sessions);
            res.set_header("Set-Cookie", "SID=" + session + "; path=/; HttpOnly");
            res.set_header("Set-Cookie", "auth=" + user + "; path=/");
            res.set_content("<html><!--STATUS OK--><body>welcome</body></html>", "text/html");
        });
        m_server.server.Post(R"(/([^/]+)/commit)", [this](const httplib::Request& req, httplib::Response& res,
                                                          const httplib::ContentReader& content) {
            const Received r = record(req, content, m_posts);
            const std::vector<std::string> order = {"ct",           "cm",          "spRefURL", "spBlogCatName",
                                                    "spIsCmtAllow", "spBlogPower", "spVcode",  "spVerifyKey",
                                                    "tj",           "spBlogTitle", "spBlogText"};
            std::vector<std::string> names;
            for (const auto& field : r.fields)
                names.push_back(field.first);
            const bool loggedIn = r.cookie.find("SID=") != std::string::npos &&
                                  r.cookie.find("auth=" + user) != std::string::npos;
            if (!loggedIn || names != order || req.matches[1] != user) {
                res.set_content("<html><body>please log in first</body></html>", "text/html");
                return;
            }
            // "Congratulations, your article is published" in code page 936.
            const std::string page = "<html><head><meta charset=\"gbk\"></head><body>" +
                                     std::string(congratulate ? "\xB9\xA7\xCF\xB2" : "") +
                                     "\xC4\xFA\xB5\xC4\xCE\xC4\xD5\xC2\xD2\xD1\xB7\xA2\xB1\xED</body></html>";
            res.set_content(page, "text/html; charset=gbk");
        });
        m_server.Start();
    }

    std::string LoginUrl() const { return m_server.Url("/?login"); }
    std::string PostUrl() const { return m_server.Url("/#USER#/commit"); }

    std::vector<Received> Logins()
    {
        std::lock_guard lock(m_mutex);
        return m_logins;
    }
    std::vector<Received> Posts()
    {
        std::lock_guard lock(m_mutex);
        return m_posts;
    }
    // The raw value of a field of a request, as it was on the wire.
    static std::string Field(const Received& r, const std::string& name)
    {
        for (const auto& field : r.fields)
            if (field.first == name)
                return field.second;
        return "<missing>";
    }

private:
    // Bodies are read through a content reader: the server's own form parsing stops at 8 KB.
    Received record(const httplib::Request& req, const httplib::ContentReader& content, std::vector<Received>& into)
    {
        Received r{req.path, req.get_header_value("Cookie"), req.get_header_value("Content-Type"), {}, {}};
        content([&](const char* data, std::size_t length) {
            r.body.append(data, length);
            return true;
        });
        for (std::size_t start = 0; start <= r.body.size() && !r.body.empty();) {
            const std::size_t end = std::min(r.body.find('&', start), r.body.size());
            const std::string segment = r.body.substr(start, end - start);
            const std::size_t eq = segment.find('=');
            r.fields.emplace_back(segment.substr(0, eq), eq == std::string::npos ? "" : segment.substr(eq + 1));
            start = end + 1;
        }
        std::lock_guard lock(m_mutex);
        into.push_back(r);
        return r;
    }

    LocalServer m_server;
    std::mutex m_mutex;
    std::vector<Received> m_logins, m_posts;
    std::atomic<int> m_sessions{0};
};
