// The posting tool's costs on a large article: percent-encoding against libcurl's own
// encoder, and a whole post to a local server against a bare libcurl POST of the same body,
// in the same run.
#include "codepage.h"
#include "httpclient.h"
#include "postform.h"
#include "postsubmit.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// A code page 936 article: Chinese text in HTML.
std::string article(std::size_t bytes)
{
    const std::string paragraph = Utf8ToCp936("<p>中文网页收藏与整理，发表文章到博客。Quor & Tolvane, 2026.</p>\r\n");
    std::string s;
    while (s.size() < bytes)
        s += paragraph;
    return s;
}

void BM_UrlEncode(benchmark::State& state)
{
    const std::string text = article(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(UrlEncode(text));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_CurlEscape(benchmark::State& state)
{
    const std::string text = article(static_cast<std::size_t>(state.range(0)));
    CURL* curl = curl_easy_init();
    for (auto _ : state) {
        char* escaped = curl_easy_escape(curl, text.data(), static_cast<int>(text.size()));
        benchmark::DoNotOptimize(escaped);
        curl_free(escaped);
    }
    curl_easy_cleanup(curl);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

class Server
{
public:
    Server()
    {
        // Read through a content reader: the server's own form parsing stops at 8 KB.
        m_server.Post("/u/commit", [](const httplib::Request&, httplib::Response& res, const httplib::ContentReader& content) {
            std::size_t received = 0;
            content([&](const char*, std::size_t length) {
                received += length;
                return true;
            });
            res.set_content(received > 0 ? "<html>\xB9\xA7\xCF\xB2</html>" : "empty", "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~Server()
    {
        m_server.stop();
        m_thread.join();
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/u/commit"; }

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

void BM_SubmitArticle(benchmark::State& state)
{
    Server server;
    const std::string encoded = UrlEncode(article(static_cast<std::size_t>(state.range(0))));
    const std::string body = ReplaceAll(POST_TEMPLATE, "#TITLE#", "t");
    std::string response;
    for (auto _ : state)
        if (SubmitArticle(server.Url(), body, "SID=1; auth=u; ", POST_MARKER, encoded, response) != PostOutcome::Posted)
            state.SkipWithError(("not posted: " + response.substr(0, 200)).c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * encoded.size()));
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* into)
{
    static_cast<std::string*>(into)->append(data, size * count);
    return size * count;
}

void BM_BareCurlPost(benchmark::State& state)
{
    Server server;
    const std::string body = ReplaceAll(POST_TEMPLATE, "#TITLE#", "t") + "&spBlogText=" +
                             UrlEncode(article(static_cast<std::size_t>(state.range(0))));
    for (auto _ : state) {
        std::string response;
        CURL* curl = curl_easy_init();
        curl_easy_setopt(curl, CURLOPT_URL, server.Url().c_str());
        curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
        curl_easy_setopt(curl, CURLOPT_COOKIE, "SID=1; auth=u");
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
        if (curl_easy_perform(curl) != CURLE_OK)
            state.SkipWithError("not posted");
        curl_easy_cleanup(curl);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}

} // namespace

BENCHMARK(BM_UrlEncode)->Arg(64 << 10)->Arg(4 << 20);
BENCHMARK(BM_CurlEscape)->Arg(64 << 10)->Arg(4 << 20);
BENCHMARK(BM_SubmitArticle)->Arg(64 << 10)->Arg(4 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareCurlPost)->Arg(64 << 10)->Arg(4 << 20)->Unit(benchmark::kMillisecond);
