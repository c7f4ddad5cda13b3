#include "postsubmit.h"

#include "postform.h"

#include <array>

namespace {

constexpr std::size_t kReadChunk = 1024;
constexpr std::size_t kCookieBuffer = 10240;

std::string readBody(CHttpClient& client)
{
    std::string body;
    std::array<char, kReadChunk> chunk{};
    while (const std::size_t n = client.ReadResponse(chunk.data(), chunk.size()))
        body.append(chunk.data(), n);
    return body;
}

void collectCookies(CHttpClient& client, std::string& cookieText)
{
    std::array<char, kCookieBuffer> header{};
    for (int index = 0;; ++index) {
        header.fill('\0');
        const std::size_t n = client.QuerySetCookie(header.data(), header.size(), index);
        if (n == 0)
            break;
        cookieText += CookieCut(std::string_view(header.data(), n));
    }
}

bool holds(const std::string& response, std::string_view marker)
{
    return !response.empty() && response.find(marker) != std::string::npos;
}

} // namespace

bool SubmitLogin(const std::string& loginUrl, const std::string& body, std::string& cookieText, std::string_view marker,
                 const HttpOptions& options)
{
    std::string site, path;
    if (!SplitUrl(loginUrl, site, path))
        return false;
    std::string response;
    CHttpClient client;
    client.SetOptions(options);
    if (client.OpenUrl(site, nullptr, nullptr, USER_AGENT)) {
        ParsePostArguments(client, body);
        if (client.Request(path, REQUEST_POST))
            response = readBody(client);
        collectCookies(client, cookieText);
        client.Close();
    }
    return holds(response, marker);
}

PostOutcome SubmitArticle(const std::string& postUrl, const std::string& body, const std::string& cookieText,
                          std::string_view marker, const std::string& encodedText, std::string& response,
                          const HttpOptions& options)
{
    response.clear();
    std::string site, path;
    if (!SplitUrl(postUrl, site, path))
        return PostOutcome::BadAddress;
    CHttpClient client;
    client.SetOptions(options);
    if (client.OpenUrl(site, nullptr, nullptr, USER_AGENT)) {
        client.ClearCookies();
        ParseCookies(client, cookieText);
        ParsePostArguments(client, body);
        client.AddPostArgument(ARTICLE_FIELD, encodedText);
        if (client.Request(path, REQUEST_POST))
            response = readBody(client);
        client.Close();
    }
    return holds(response, marker) ? PostOutcome::Posted : PostOutcome::Failed;
}
