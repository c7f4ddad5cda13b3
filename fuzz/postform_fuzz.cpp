// What a blog service, the settings file or a user can hand the posting tool: URLs, form
// and cookie texts, Set-Cookie headers and stored passwords. Nothing is read past the input,
// and each result keeps its promise.
#include "httpclient.h"
#include "password.h"
#include "postform.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::string scheme, user, password, host, object;
    int port = -1;
    ParseUrl(input, scheme, user, password, host, port, object);
    check(port >= 0 && port <= 65536 && !object.empty() && object[0] == '/');
    check(host.find('/') == std::string::npos);

    std::string site, path;
    if (SplitUrl(input, site, path))
        check(site + path == input && path[0] == '/' && site.size() >= 9);

    // Encoded text holds only the safe set, '+' and "%xx", and never more than three times
    // the input.
    const std::string encoded = UrlEncode(input);
    check(encoded.size() <= input.size() * 3);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '%') {
            check(i + 2 < encoded.size());
            check(std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
                  std::isxdigit(static_cast<unsigned char>(encoded[i + 2])));
            i += 2;
        } else {
            check(std::isalnum(static_cast<unsigned char>(c)) || std::strchr("!'()*-./:_~+", c));
        }
    }

    CHttpClient client;
    const int segments = ParsePostArguments(client, input);
    check(segments >= static_cast<int>(client.PostArguments().size()));
    for (const auto& a : client.PostArguments())
        check(a.name.find('=') == std::string::npos && a.name.find('&') == std::string::npos);
    std::string body(client.GetPostArgumentsLength() + 1, '\0');
    check(client.BuildPostArguments(body.data(), body.size()) == client.GetPostArgumentsLength());
    check(ParseCookies(client, input) >= static_cast<int>(client.Cookies().size()));

    const std::string cut = CookieCut(input);
    check(cut.empty() || (cut.back() == ' ' && input.compare(0, cut.size(), cut) == 0));

    // A stored password decodes to alphabet characters only, and what it decodes to is
    // stored again as the same beginning of the text.
    const std::string decoded = DecodePassword(input);
    check(IsStorablePassword(decoded) && decoded.size() <= input.size() / 2);
    check(DecodePassword(EncodePassword(decoded)) == decoded);
    return 0;
}
