#include "postsubmit.h"

#include "codepage.h"
#include "fakeblog.h"
#include "postform.h"
#include "rawserver.h"

#include <gtest/gtest.h>

namespace {

std::string loginBody(const std::string& user, const std::string& password)
{
    return ReplaceAll(ReplaceAll(LOGIN_TEMPLATE, "#USER#", user), "#PASS#", password);
}

std::string postBody(const std::string& title, const std::string& user)
{
    return ReplaceAll(ReplaceAll(POST_TEMPLATE, "#TITLE#", UrlEncode(title)), "#USER#", user);
}

std::string postUrl(const FakeBlog& blog, const std::string& user)
{
    return ReplaceAll(blog.PostUrl(), "#USER#", user);
}

bool login(const FakeBlog& blog, const std::string& password, std::string& cookies)
{
    return SubmitLogin(blog.LoginUrl(), loginBody(blog.user, password), cookies, LOGIN_MARKER);
}

// A short article titled "t" from the blog's user.
PostOutcome post(const FakeBlog& blog, const std::string& cookies, std::string& response)
{
    return SubmitArticle(postUrl(blog, blog.user), postBody("t", blog.user), cookies, POST_MARKER, "x", response);
}

} // namespace

TEST(Submit, LoginCollectsCookiesAndThePostCarriesThemWithTheArticle)
{
    FakeBlog blog;
    std::string cookies;
    ASSERT_TRUE(login(blog, blog.password, cookies));
    EXPECT_EQ(cookies, "SID=1; auth=alice; ");

    std::string article = "<p>Hello & \xC4\xE3\xBA\xC3</p>\r\n";
    for (int i = 0; i < 12; ++i)
        article += article; // 90 KB: larger than what form parsers like to take
    std::string response;
    EXPECT_EQ(SubmitArticle(postUrl(blog, "alice"), postBody(Utf8ToCp936("a b&c 你"), "alice"), cookies, POST_MARKER,
                            UrlEncode(article), response),
              PostOutcome::Posted);
    EXPECT_NE(response.find("\xB9\xA7\xCF\xB2"), std::string::npos);

    const auto posts = blog.Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].path, "/alice/commit");
    EXPECT_EQ(posts[0].contentType, "application/x-www-form-urlencoded");
    EXPECT_EQ(FakeBlog::Field(posts[0], "spBlogTitle"), "a+b%26c+%c4%e3");
    std::string encoded;
    for (int i = 0; i < 4096; ++i)
        encoded += "%3cp%3eHello+%26+%c4%e3%ba%c3%3c/p%3e%0d%0a";
    EXPECT_EQ(FakeBlog::Field(posts[0], "spBlogText"), encoded);
    EXPECT_EQ(FakeBlog::Field(posts[0], "spBlogCatName"), "%C4%AC%C8%CF%B7%D6%C0%E0");
    EXPECT_EQ(posts[0].fields.back().first, "spBlogText");
}

TEST(Submit, EveryLoginExtendsTheCookieTextAndTheLatestSessionIsSent)
{
    FakeBlog blog;
    std::string cookies;
    ASSERT_TRUE(login(blog, blog.password, cookies));
    ASSERT_TRUE(login(blog, blog.password, cookies));
    EXPECT_EQ(cookies, "SID=1; auth=alice; SID=2; auth=alice; ");

    std::string response;
    EXPECT_EQ(post(blog, cookies, response), PostOutcome::Posted);
    ASSERT_EQ(blog.Posts().size(), 1u);
    EXPECT_NE(blog.Posts()[0].cookie.find("SID=2"), std::string::npos);
    EXPECT_EQ(blog.Posts()[0].cookie.find("SID=1"), std::string::npos);
}

TEST(Submit, RefusedPostsAndAnswersWithoutTheSuccessTextFailWithTheirText)
{
    FakeBlog blog;
    std::string cookies, response;
    // A wrong password: the login fails, and the post without a session is refused.
    EXPECT_FALSE(login(blog, "wrong", cookies));
    EXPECT_EQ(cookies, "visitor=1; ");
    EXPECT_EQ(post(blog, cookies, response), PostOutcome::Failed);
    EXPECT_NE(response.find("please log in first"), std::string::npos);

    blog.congratulate = false;
    cookies.clear();
    ASSERT_TRUE(login(blog, blog.password, cookies));
    EXPECT_EQ(post(blog, cookies, response), PostOutcome::Failed);
    EXPECT_NE(response.find("<html>"), std::string::npos);
}

TEST(Submit, AddressesWithoutPathSendNothing)
{
    FakeBlog blog;
    std::string cookies = "keep; ";
    EXPECT_FALSE(SubmitLogin("http://127.0.0.1", "a=b", cookies, LOGIN_MARKER));
    EXPECT_EQ(cookies, "keep; ");
    std::string response = "old";
    EXPECT_EQ(SubmitArticle("http://x", "a=b", cookies, POST_MARKER, "x", response), PostOutcome::BadAddress);
    EXPECT_EQ(response, "");
    EXPECT_TRUE(blog.Logins().empty());
}

TEST(Submit, ACookieTooLongForItsBufferEndsTheCollection)
{
    RawServer server([](int fd, const std::string&) {
        RawServer::Send(fd, "HTTP/1.0 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: big=" + std::string(20 * 1024, 'c') +
                                "; path=/\r\nSet-Cookie: d=4; path=/\r\n\r\n<!--STATUS OK-->");
    });
    std::string cookies;
    EXPECT_TRUE(SubmitLogin(server.Url("/?login"), "a=b", cookies, LOGIN_MARKER));
    EXPECT_EQ(cookies, "a=1; ");
}
