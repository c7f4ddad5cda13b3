#include "httpclient.h"

#include "localserver.h"
#include "rawserver.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace {

struct Parsed
{
    std::string scheme, user, password, host;
    int port;
    std::string object;
    bool operator==(const Parsed&) const = default;
};

Parsed parse(std::string_view url)
{
    Parsed p{"?", "?", "?", "?", -1, "?"};
    ParseUrl(url, p.scheme, p.user, p.password, p.host, p.port, p.object);
    return p;
}

std::ostream& operator<<(std::ostream& os, const Parsed& p)
{
    return os << p.scheme << "|" << p.user << "|" << p.password << "|" << p.host << "|" << p.port << "|" << p.object;
}

const char kOkAnswer[] = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello";

// Reads the whole body; 0-length reads end it.
std::string readAll(CHttpClient& client, std::size_t chunk = 1024)
{
    std::string body;
    std::vector<char> buffer(chunk);
    while (const std::size_t n = client.ReadResponse(buffer.data(), buffer.size()))
        body.append(buffer.data(), n);
    return body;
}

// The header lines of a request, without its request line.
std::set<std::string> headerLines(const std::string& request)
{
    std::set<std::string> lines;
    const std::size_t end = request.find("\r\n\r\n");
    for (std::size_t at = request.find("\r\n"); at < end;) {
        const std::size_t next = request.find("\r\n", at + 2);
        lines.insert(request.substr(at + 2, next - at - 2));
        at = next;
    }
    return lines;
}

std::string bodyOf(const std::string& request)
{
    return request.substr(request.find("\r\n\r\n") + 4);
}

HttpOptions quick()
{
    HttpOptions options;
    options.connectSeconds = 2;
    options.stallSeconds = 1;
    options.totalSeconds = 4;
    return options;
}

std::string certificate()
{
    return std::string(QUOR_TEST_DATA) + "/selfsigned.crt";
}

} // namespace

TEST(ParseUrl, TakesSchemeCredentialsHostPortAndObject)
{
    EXPECT_EQ(parse("https://host/path?q=1"), (Parsed{"https", "", "", "host", 443, "/path?q=1"}));
    EXPECT_EQ(parse("host:8080/x"), (Parsed{"http", "", "", "host", 8080, "/x"}));
    EXPECT_EQ(parse("http://host"), (Parsed{"http", "", "", "host", 80, "/"}));
    EXPECT_EQ(parse("ftp://u:p@host/f"), (Parsed{"ftp", "u", "p", "host", 21, "/f"}));
    EXPECT_EQ(parse("http://u@host/"), (Parsed{"http", "", "", "host", 80, "/"}));
    EXPECT_EQ(parse("http://host:abc/"), (Parsed{"http", "", "", "host", 0, "/"}));
    EXPECT_EQ(parse("HTTP://host/"), (Parsed{"HTTP", "", "", "host", 80, "/"}));
    EXPECT_EQ(parse("http://host:99999999999999/"), (Parsed{"http", "", "", "host", 65536, "/"}));
    EXPECT_EQ(parse(""), (Parsed{"http", "", "", "", 80, "/"}));
    EXPECT_EQ(parse("http:/"), (Parsed{"http", "", "", "", 80, "/"}));
    EXPECT_EQ(parse("http://[::1]:8080/x"), (Parsed{"http", "", "", "[::1]", 8080, "/x"}));
    EXPECT_EQ(parse("https://[fe80::1]/"), (Parsed{"https", "", "", "[fe80::1]", 443, "/"}));
    // An '@' in the path does not move the connection to another host.
    EXPECT_EQ(parse("http://blog.example/me@mail.example/commit"),
              (Parsed{"http", "", "", "blog.example", 80, "/me@mail.example/commit"}));
}

TEST(OpenUrl, KnowsThreeSchemesByTheirCaseSensitivePrefix)
{
    CHttpClient https;
    ASSERT_TRUE(https.OpenUrl("https://host:8443/x", nullptr, nullptr, "agent"));
    EXPECT_EQ(https.Scheme(), SCHEME_HTTPS);
    EXPECT_EQ(https.Port(), 8443);
    EXPECT_EQ(https.ObjectPath(), "/x");

    CHttpClient defaulted;
    ASSERT_TRUE(defaulted.OpenUrl("http://host:abc/", nullptr, nullptr, "agent"));
    EXPECT_EQ(defaulted.Port(), 80);

    for (const char* url : {"HTTP://host/", "gopher://host/", "http://host:70000/", "http:///nohost", "http://a b/"}) {
        CHttpClient client;
        EXPECT_FALSE(client.OpenUrl(url, nullptr, nullptr, "agent")) << url;
        EXPECT_EQ(client.LastTrace(), "connect failed...") << url;
    }

    // An FTP connection opens but carries no HTTP request.
    CHttpClient ftp;
    ASSERT_TRUE(ftp.OpenUrl("ftp://u:p@host/f", nullptr, nullptr, "agent"));
    EXPECT_EQ(ftp.Port(), 21);
    EXPECT_FALSE(ftp.Request("/f", REQUEST_GET));
    EXPECT_EQ(ftp.LastTrace(), "request failed...");
    ftp.Close();
}

TEST(HttpClient, CallsOutOfOrderFailQuietly)
{
    CHttpClient client;
    EXPECT_FALSE(client.Request("/", REQUEST_POST));
    EXPECT_EQ(client.LastTrace(), "handle not opened...");
    char buffer[16];
    EXPECT_EQ(client.ReadResponse(buffer, sizeof buffer), 0u);
    EXPECT_EQ(client.LastTrace(), "connection failed...");
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 0), 0u);
    EXPECT_EQ(client.LastTrace(), "query cookie failed...");
    ASSERT_TRUE(client.OpenUrl("http://127.0.0.1/", nullptr, nullptr, "agent"));
    EXPECT_FALSE(client.Request("/", 7));
    client.Close();
    client.Close();
}

TEST(FormBody, JoinsArgumentsInOrderWithNothingEncoded)
{
    CHttpClient client;
    EXPECT_EQ(client.GetPostArgumentsLength(), 0u);
    char buffer[64];
    EXPECT_EQ(client.BuildPostArguments(buffer, sizeof buffer), 0u);

    client.AddPostArgument("tpl", "sp");
    client.AddPostArgument("u", "x");
    EXPECT_EQ(client.GetPostArgumentsLength(), 10u);
    EXPECT_EQ(client.BuildPostArguments(buffer, sizeof buffer), 10u);
    EXPECT_STREQ(buffer, "tpl=sp&u=x");
    // The body and its closing zero must fit.
    char small[10] = "unchanged";
    EXPECT_EQ(client.BuildPostArguments(small, sizeof small), 0u);
    EXPECT_STREQ(small, "unchanged");
    char exact[11];
    EXPECT_EQ(client.BuildPostArguments(exact, sizeof exact), 10u);
    EXPECT_STREQ(exact, "tpl=sp&u=x");
}

TEST(MultipartBody, LaysOutPlainAndFileParts)
{
    CHttpClient client;
    client.AddPostArgument("n", "v");
    std::string body;
    EXPECT_EQ(client.BuildMultipartBody(body, MULTIPART_BOUNDARY), 121u);
    EXPECT_EQ(body, "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
                    "Content-Disposition: form-data; name=\"n\"\r\n\r\n"
                    "v\r\n"
                    "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n");
    EXPECT_EQ(client.GetMultipartBufferSize(), 8192u);
    // A body that is already there is not built over.
    EXPECT_EQ(client.BuildMultipartBody(body, MULTIPART_BOUNDARY), 0u);

    TestFolder folder;
    const std::string file = folder.file("a.txt");
    ASSERT_TRUE(WriteFile(file, std::string(3000, 'z')));
    CHttpClient files;
    files.AddPostArgument("f", file, true);
    files.AddPostArgument("gone", folder.file("missing.txt"), true);
    EXPECT_EQ(files.GetMultipartBufferSize(), 3000u + 6144 + 6144);
    std::string parts;
    files.BuildMultipartBody(parts, "B");
    EXPECT_EQ(parts, "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"" + file + "\"\r\n\r\n" +
                         std::string(3000, 'z') + "\r\n" +
                         "--B\r\nContent-Disposition: form-data; name=\"gone\"; filename=\"" +
                         folder.file("missing.txt") + "\"\r\n\r\n" + "--B--\r\n");
    CHttpClient none;
    std::string empty;
    EXPECT_EQ(none.BuildMultipartBody(empty, "B"), 7u);
}

TEST(HttpWire, FormPostCarriesTheFixedTextsAndTheCookiesOfItsAddress)
{
    RawServer server([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl("http://127.0.0.1:" + std::to_string(server.Port()), nullptr, nullptr,
                               "Mozilla/4.0 (compatible; )"));
    client.AddCookie("a", "1");
    client.AddCookie("b", "x y");
    client.AddPostArgument("tpl", "sp");
    client.AddPostArgument("u", "x");
    ASSERT_TRUE(client.Request("/path?q=1", REQUEST_POST));
    EXPECT_EQ(client.ObjectPath(), "/path?q=1");
    EXPECT_EQ(readAll(client, 2), "hello");
    client.Close();

    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "POST /path?q=1 HTTP/1.0");
    EXPECT_EQ(headerLines(request), (std::set<std::string>{"Host: 127.0.0.1:" + std::to_string(server.Port()),
                                                           "Accept: */*", "User-Agent: Mozilla/4.0 (compatible; )",
                                                           "Cookie: a=1; b=x y",
                                                           "Content-Type: application/x-www-form-urlencoded",
                                                           "Content-Length: 10"}));
    EXPECT_EQ(bodyOf(request), "tpl=sp&u=x");
}

TEST(HttpWire, MultipartPostAndGetAsTheServerSeesThem)
{
    RawServer server([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    client.AddPostArgument("n", "v");
    ASSERT_TRUE(client.Request("/upload", REQUEST_POST_MULTIPART));
    EXPECT_EQ(readAll(client), "hello");
    client.Close();

    CHttpClient get;
    ASSERT_TRUE(get.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    ASSERT_TRUE(get.Request("/page", REQUEST_GET, "http://referrer.example/"));
    EXPECT_EQ(readAll(get), "hello");
    get.Close();

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "POST /upload HTTP/1.0");
    EXPECT_NE(requests[0].find("\r\nContent-Type: multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"),
              std::string::npos);
    EXPECT_NE(requests[0].find("\r\nContent-Length: 121\r\n"), std::string::npos);
    EXPECT_EQ(bodyOf(requests[0]).size(), 121u);
    EXPECT_EQ(requests[1].substr(0, requests[1].find("\r\n")), "GET /page HTTP/1.0");
    EXPECT_NE(requests[1].find("\r\nReferer: http://referrer.example/\r\n"), std::string::npos);
}

TEST(HttpWire, AnObjectCannotBreakTheRequestLine)
{
    RawServer server([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    ASSERT_TRUE(client.Request("/a b\r\nX-Injected: 1#frag\xC4", REQUEST_POST));
    readAll(client);
    client.Close();
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "POST /a%20b%0D%0AX-Injected:%201%23frag%C4 HTTP/1.0");
}

TEST(HttpClient, ReadsTheResponseInChunksAndItsSetCookiesByIndex)
{
    const std::string big(40000, 'b');
    RawServer server([&](int fd, const std::string&) {
        RawServer::Send(fd, "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1; path=/\r\nset-cookie:b=2\r\nSet-Cookie: " +
                                std::string(20000, 'c') + "\r\nSet-Cookie: d=4\r\nContent-Length: " +
                                std::to_string(big.size()) + "\r\n\r\n" + big);
    });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    ASSERT_TRUE(client.Request("/", REQUEST_POST)); // any status is an answer
    EXPECT_EQ(readAll(client, 1024), big);

    char buffer[10240] = {};
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 0), 11u);
    EXPECT_STREQ(buffer, "a=1; path=/");
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 1), 3u);
    EXPECT_STREQ(buffer, "b=2");
    // Longer than the buffer: no cookie, and the caller stops there.
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 2), 0u);
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 3), 3u);
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 4), 0u);
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, -1), 0u);
    char tiny[3];
    EXPECT_EQ(client.QuerySetCookie(tiny, sizeof tiny, 1), 0u);
    client.Close();
}

TEST(HttpClient, PostAnsweredByRedirectIsSentAndItsAnswerIsTheResponse)
{
    RawServer elsewhere([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    RawServer server([&](int fd, const std::string&) {
        RawServer::Send(fd, "HTTP/1.1 302 Found\r\nLocation: " + elsewhere.Url("/next") +
                                "\r\nSet-Cookie: moved=1; path=/\r\nContent-Length: 6\r\n\r\nmoved!");
    });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    client.AddPostArgument("a", "b");
    ASSERT_TRUE(client.Request("/form", REQUEST_POST));
    EXPECT_EQ(readAll(client), "moved!");
    char buffer[64];
    EXPECT_EQ(client.QuerySetCookie(buffer, sizeof buffer, 0), 15u);
    EXPECT_STREQ(buffer, "moved=1; path=/");
    client.Close();
    EXPECT_TRUE(elsewhere.Requests().empty());
}

TEST(HttpClient, GetFollowsRedirectsButCookiesStayWithTheirHost)
{
    // Another name for the same machine is another host to the cookies.
    RawServer elsewhere([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    RawServer server([&](int fd, const std::string&) {
        RawServer::Send(fd, "HTTP/1.1 302 Found\r\nLocation: http://localhost:" + std::to_string(elsewhere.Port()) +
                                "/next\r\nContent-Length: 0\r\n\r\n");
    });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    client.AddCookie("secret", "1");
    ASSERT_TRUE(client.Request("/start", REQUEST_GET));
    EXPECT_EQ(readAll(client), "hello");
    client.Close();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("\r\nCookie: secret=1\r\n"), std::string::npos);
    ASSERT_EQ(elsewhere.Requests().size(), 1u);
    EXPECT_EQ(elsewhere.Requests()[0].find("Cookie:"), std::string::npos);
}

TEST(HttpClient, CookiesThatCannotBeSentEndTheRequest)
{
    RawServer server([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"", "1"}, {"a;b", "1"}, {"a b", "1"}, {"a", "x; admin=1"}, {"a", "x\r\nX-Injected: 1"}}) {
        CHttpClient client;
        ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
        client.AddCookie(name, value);
        EXPECT_FALSE(client.Request("/", REQUEST_POST));
        EXPECT_EQ(client.LastTrace(), "add cookie failed...");
        client.Close();
    }
    EXPECT_TRUE(server.Requests().empty());
}

TEST(HttpClient, UnreachableServersEndInFailureWithinTheTimeLimits)
{
    // A port nobody listens on.
    CHttpClient refused;
    refused.SetOptions(quick());
    ASSERT_TRUE(refused.OpenUrl(RefusingSite() + "/", nullptr, nullptr, "agent"));
    EXPECT_FALSE(refused.Request("/", REQUEST_POST));
    EXPECT_EQ(refused.LastTrace(), "request failed...");
    refused.Close();

    CHttpClient unknown;
    unknown.SetOptions(quick());
    ASSERT_TRUE(unknown.OpenUrl("http://no-such-host.invalid/", nullptr, nullptr, "agent"));
    EXPECT_FALSE(unknown.Request("/", REQUEST_POST));
    unknown.Close();

    // Accepts, reads the request, never answers.
    RawServer silent([](int, const std::string&) { std::this_thread::sleep_for(std::chrono::seconds(3)); });
    CHttpClient waiting;
    waiting.SetOptions(quick());
    ASSERT_TRUE(waiting.OpenUrl(silent.Url("/"), nullptr, nullptr, "agent"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(waiting.Request("/", REQUEST_POST));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    waiting.Close();
}

TEST(HttpClient, ASilentServerIsGivenUpOnTheStallLimitAfterALargePostToo)
{
    // Takes a 24 MB post whole, then says nothing. A rule that averages the speed over the
    // upload as well gives up only seconds later than the limit.
    std::chrono::steady_clock::time_point received;
    RawServer silent([&](int, const std::string&) {
        received = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(8));
    });
    HttpOptions options;
    options.stallSeconds = 2;
    options.totalSeconds = 60;
    CHttpClient client;
    client.SetOptions(options);
    ASSERT_TRUE(client.OpenUrl(silent.Url("/"), nullptr, nullptr, "agent"));
    client.AddPostArgument("article", std::string(24 << 20, 'a'));
    EXPECT_FALSE(client.Request("/", REQUEST_POST));
    const auto waited = std::chrono::steady_clock::now() - received;
    EXPECT_GE(waited, std::chrono::milliseconds(1900));
    EXPECT_LT(waited, std::chrono::milliseconds(3500));
    EXPECT_NE(client.LastTrace().find("request failed"), std::string::npos);
    client.Close();
}

TEST(HttpClient, EndlessHugeAndFloodingAnswersAreCutOff)
{
    LocalServer server;
    server.server.Post("/huge", [](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(std::size_t(50) << 20, "text/html",
                                 [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     const std::string block(std::min<std::size_t>(length, 65536), 'h');
                                     (void)offset;
                                     return sink.write(block.data(), block.size());
                                 });
    });
    server.server.Post("/endless", [](const httplib::Request&, httplib::Response& res) {
        res.set_chunked_content_provider("text/html", [](std::size_t, httplib::DataSink& sink) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return sink.write("more ", 5);
        });
    });
    server.server.Post("/flood", [](const httplib::Request&, httplib::Response& res) {
        for (int i = 0; i < 40; ++i)
            res.set_header("X-Flood-" + std::to_string(i), std::string(8000, 'f'));
        res.set_content("flooded", "text/html");
    });
    server.Start();

    CHttpClient huge; // the default limits
    ASSERT_TRUE(huge.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    ASSERT_TRUE(huge.Request("/huge", REQUEST_POST));
    const std::string body = readAll(huge, 65536);
    EXPECT_LE(body.size(), HttpOptions().maxResponseBytes);
    EXPECT_GT(body.size(), 0u);
    EXPECT_EQ(huge.LastTrace(), "response failed...");
    huge.Close();

    CHttpClient endless;
    endless.SetOptions(quick());
    ASSERT_TRUE(endless.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    ASSERT_TRUE(endless.Request("/endless", REQUEST_POST));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readAll(endless).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(endless.LastTrace(), "response failed...");
    endless.Close();

    CHttpClient flood;
    ASSERT_TRUE(flood.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    EXPECT_FALSE(flood.Request("/flood", REQUEST_POST));
    flood.Close();
}

TEST(HttpClient, TlsIsVerified)
{
    LocalTlsServer server(certificate().c_str(), (std::string(QUOR_TEST_DATA) + "/selfsigned.key").c_str());
    server.server.Post("/secure", [](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Set-Cookie", "s=1; Secure");
        res.set_content("secret " + req.body, "text/html");
    });
    server.Start();

    CHttpClient untrusted;
    untrusted.SetOptions(quick());
    ASSERT_TRUE(untrusted.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    untrusted.AddPostArgument("a", "b");
    EXPECT_FALSE(untrusted.Request("/secure", REQUEST_POST));
    untrusted.Close();

    HttpOptions trusting = quick();
    trusting.caFile = certificate();
    CHttpClient trusted;
    trusted.SetOptions(trusting);
    ASSERT_TRUE(trusted.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    EXPECT_EQ(trusted.Scheme(), SCHEME_HTTPS);
    trusted.AddPostArgument("a", "b");
    ASSERT_TRUE(trusted.Request("/secure", REQUEST_POST));
    EXPECT_EQ(readAll(trusted), "secret a=b");
    trusted.Close();
}

TEST(HttpClient, MultipartFailureIsShownToTheUser)
{
    int shown = 0;
    CHttpClient client;
    client.SetOptions(quick());
    client.SetErrorReporter([&] { ++shown; });
    ASSERT_TRUE(client.OpenUrl(RefusingSite(), nullptr, nullptr, "agent"));
    client.AddPostArgument("n", "v");
    EXPECT_FALSE(client.Request("/", REQUEST_POST_MULTIPART));
    EXPECT_EQ(client.LastTrace(), "request failed");
    EXPECT_EQ(shown, 1);
    client.Close();
}

TEST(HttpClient, AClientOpenedAgainKeepsNothingOfTheLastHost)
{
    RawServer first([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    RawServer second([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl("http://u:p@127.0.0.1:" + std::to_string(first.Port()) + "/", nullptr, nullptr, "agent"));
    client.AddCookie("a", "1");
    ASSERT_TRUE(client.Request("/", REQUEST_GET));
    ASSERT_TRUE(client.OpenUrl(second.Url("/"), nullptr, nullptr, "agent"));
    EXPECT_TRUE(client.Cookies().empty());
    ASSERT_TRUE(client.Request("/", REQUEST_GET));
    EXPECT_EQ(readAll(client), "hello");
    client.Close();

    ASSERT_EQ(first.Requests().size(), 1u);
    EXPECT_EQ(headerLines(first.Requests()[0]).count("Authorization: Basic dTpw"), 1u);
    ASSERT_EQ(second.Requests().size(), 1u);
    EXPECT_EQ(headerLines(second.Requests()[0]),
              (std::set<std::string>{"Host: 127.0.0.1:" + std::to_string(second.Port()), "Accept: */*", "User-Agent: agent"}));
}

TEST(HttpClient, EveryCookieIsSentHoweverLargeAndTheLatestValueOfANameWins)
{
    RawServer server([](int fd, const std::string&) { RawServer::Send(fd, kOkAnswer); });
    CHttpClient client;
    ASSERT_TRUE(client.OpenUrl(server.Url("/"), nullptr, nullptr, "agent"));
    std::string expected = "Cookie: SID=2";
    client.AddCookie("SID", "1");
    for (const char* name : {"__Secure-a", "__Host-b", "big"}) {
        client.AddCookie(name, std::string(4000, 'v'));
        expected += std::string("; ") + name + "=" + std::string(4000, 'v');
    }
    client.AddCookie("SID", "2");
    ASSERT_TRUE(client.Request("/", REQUEST_POST));
    client.Close();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(headerLines(server.Requests()[0]).count(expected), 1u);
}

TEST(MultipartBody, NamesCannotEndTheirQuotesAndOnlyRegularFilesAreRead)
{
    TestFolder folder;
    CHttpClient client;
    client.AddPostArgument("a\"b\r\nX: 1", "v");
    client.AddPostArgument("dir", folder.path(), true);
    std::string body;
    client.BuildMultipartBody(body, "B");
    EXPECT_EQ(body, "--B\r\nContent-Disposition: form-data; name=\"a%22b%0D%0AX: 1\"\r\n\r\nv\r\n"
                    "--B\r\nContent-Disposition: form-data; name=\"dir\"; filename=\"" +
                        folder.path() + "\"\r\n\r\n--B--\r\n");
}
