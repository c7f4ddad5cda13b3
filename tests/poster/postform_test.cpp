#include "postform.h"

#include "httpclient.h"

#include <gtest/gtest.h>

using Pairs = std::vector<std::pair<std::string, std::string>>;

namespace {

Pairs arguments(std::string_view text, int* segments = nullptr)
{
    CHttpClient client;
    const int n = ParsePostArguments(client, text);
    if (segments)
        *segments = n;
    Pairs pairs;
    for (const auto& a : client.PostArguments())
        pairs.emplace_back(a.name, a.value);
    return pairs;
}

Pairs cookies(std::string_view text)
{
    CHttpClient client;
    ParseCookies(client, text);
    Pairs pairs;
    for (const auto& c : client.Cookies())
        pairs.emplace_back(c.name, c.value);
    return pairs;
}

} // namespace

TEST(UrlEncode, KeepsTheSafeSetAndEncodesEveryOtherByteInLowerCase)
{
    EXPECT_EQ(UrlEncode("a b&c"), "a+b%26c");
    EXPECT_EQ(UrlEncode("AZaz09!'()*-./:_~"), "AZaz09!'()*-./:_~");
    EXPECT_EQ(UrlEncode("\"#$%&+,;<=>?@[\\]^{|}`"),
              "%22%23%24%25%26%2b%2c%3b%3c%3d%3e%3f%40%5b%5c%5d%5e%7b%7c%7d%60");
    EXPECT_EQ(UrlEncode("\x01\x0f\x7f\r\n"), "%01%0f%7f%0d%0a");
    EXPECT_EQ(UrlEncode("\xC4\xE3\xBA\xC3"), "%c4%e3%ba%c3"); // 你好 in code page 936
    EXPECT_EQ(UrlEncode(std::string("before\0after", 12)), "before");
    EXPECT_EQ(UrlEncode(""), "");
}

TEST(SplitUrl, SplitsAtTheFirstSlashFromIndexNine)
{
    std::string site, path;
    ASSERT_TRUE(SplitUrl("https://login.blog.example/?login", site, path));
    EXPECT_EQ(site, "https://login.blog.example");
    EXPECT_EQ(path, "/?login");
    ASSERT_TRUE(SplitUrl("http://127.0.0.1:8080/alice/commit", site, path));
    EXPECT_EQ(site, "http://127.0.0.1:8080");
    EXPECT_EQ(path, "/alice/commit");
    EXPECT_FALSE(SplitUrl("http://blog.example", site, path));
    EXPECT_FALSE(SplitUrl("http://a", site, path));
    EXPECT_FALSE(SplitUrl("", site, path));
    // A host shorter than the scheme's slashes: the first slash from index 9 on.
    ASSERT_TRUE(SplitUrl("http://a/b/c", site, path));
    EXPECT_EQ(site, "http://a/b");
    EXPECT_EQ(path, "/c");
}

TEST(ParsePostArguments, CutsSegmentsAndTrimsNamesAndValues)
{
    int segments = 0;
    EXPECT_EQ(arguments("  tpl=sp&&  u= x ;; & =skip&noequals&name = v", &segments),
              (Pairs{{"tpl", "sp"}, {"u", "x"}, {"name", "v"}}));
    EXPECT_EQ(segments, 5);
    EXPECT_EQ(arguments("spVcode=&spVerifyKey=&tj=+%B7%A2+"),
              (Pairs{{"spVcode", ""}, {"spVerifyKey", ""}, {"tj", "+%B7%A2+"}}));
    EXPECT_EQ(arguments("   "), Pairs{});
    // A password with '&' as typed: what follows is a segment of its own.
    EXPECT_EQ(arguments("username=al&password=pa&ss&x=pa&rt=2"),
              (Pairs{{"username", "al"}, {"password", "pa"}, {"x", "pa"}, {"rt", "2"}}));
}

TEST(ParsePostArguments, TemplatesGiveTheirFieldsInOrder)
{
    const Pairs login = arguments(ReplaceAll(ReplaceAll(LOGIN_TEMPLATE, "#USER#", "alice"), "#PASS#", "pw"));
    EXPECT_EQ(login, (Pairs{{"tpl", "sp"},
                            {"tpl_reg", "sp"},
                            {"u", "http%3A%2F%2Fblog.example%2F"},
                            {"username", "alice"},
                            {"password", "pw"},
                            {"Submit", "+%B5%C7%C2%BC+"}}));
    const Pairs post = arguments(ReplaceAll(POST_TEMPLATE, "#TITLE#", "t"));
    ASSERT_EQ(post.size(), 10u);
    EXPECT_EQ(post[3], (std::pair<std::string, std::string>("spBlogCatName", "%C4%AC%C8%CF%B7%D6%C0%E0")));
    EXPECT_EQ(post[8], (std::pair<std::string, std::string>("tj", "+%B7%A2%B1%ED%CE%C4%D5%C2+")));
    EXPECT_EQ(post[9], (std::pair<std::string, std::string>("spBlogTitle", "t")));
}

TEST(ParseCookies, SegmentsEndAtBlanks)
{
    EXPECT_EQ(cookies("a=1; b=2; "), (Pairs{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(cookies("  SID=x;   SID=y; =z; flag; "), (Pairs{{"SID", "x"}, {"SID", "y"}}));
    EXPECT_EQ(cookies("x=1;y=2; "), (Pairs{{"x", "1;y=2"}}));
    EXPECT_EQ(cookies(""), Pairs{});
}

TEST(CookieCut, KeepsTheHeaderUpToItsFirstBlank)
{
    EXPECT_EQ(CookieCut("name=value; path=/"), "name=value; ");
    EXPECT_EQ(CookieCut("a=1; "), "a=1; ");
    EXPECT_EQ(CookieCut("novalue"), "");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceAndNeverItsOwnInsertion)
{
    EXPECT_EQ(ReplaceAll("/#USER#/x/#USER#", "#USER#", "bob"), "/bob/x/bob");
    EXPECT_EQ(ReplaceAll("#USER#", "#USER#", "#USER##USER#"), "#USER##USER#");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}
