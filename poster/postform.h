#pragma once
// The blog service's two forms: their templates, and the text handling around them.
// Everything here is code page 936 bytes.

#include <string>
#include <string_view>

class CHttpClient;

// Hosts under .example, so that nothing is posted anywhere by accident.
inline constexpr char DEFAULT_LOGIN_URL[] = "https://login.blog.example/?login";
inline constexpr char DEFAULT_POST_URL[] = "http://blog.example/#USER#/commit";
inline constexpr char LOGIN_TEMPLATE[] =
    "tpl=sp&tpl_reg=sp&u=http%3A%2F%2Fblog.example%2F&username=#USER#&password=#PASS#&Submit=+%B5%C7%C2%BC+";
inline constexpr char POST_TEMPLATE[] =
    "ct=1&cm=1&spRefURL=http%3A%2F%2Fblog.example%2F&spBlogCatName=%C4%AC%C8%CF%B7%D6%C0%E0&spIsCmtAllow=1"
    "&spBlogPower=0&spVcode=&spVerifyKey=&tj=+%B7%A2%B1%ED%CE%C4%D5%C2+&spBlogTitle=#TITLE#";
inline constexpr char LOGIN_MARKER[] = "<!--STATUS OK-->";
inline constexpr char POST_MARKER[] = "\xB9\xA7\xCF\xB2"; // 恭喜
inline constexpr char USER_AGENT[] = "Mozilla/4.0 (compatible; )";
inline constexpr char ARTICLE_FIELD[] = "spBlogText";

// Percent-encodes byte by byte up to the first zero byte: a blank becomes '+', letters,
// digits and !'()*-./:_~ stay, everything else becomes %xx in lower case.
std::string UrlEncode(std::string_view text);

// The site ("scheme://host:port") and the path of a URL, split at the first '/' from index
// 9 on. False when there is none.
bool SplitUrl(std::string_view url, std::string& site, std::string& path);

// Every occurrence of placeholder replaced by value.
std::string ReplaceAll(std::string text, std::string_view placeholder, std::string_view value);

// Loads "name=value&name=value" into the client's post arguments; the number of non-empty
// segments seen, those without a name included.
int ParsePostArguments(CHttpClient& client, std::string_view text);
// Loads "name=value; name=value; " into the client's cookies.
int ParseCookies(CHttpClient& client, std::string_view text);

// What a Set-Cookie header adds to the cookie text: its text up to and including the first
// blank ("a=1; path=/" gives "a=1; "); nothing when it has no blank.
std::string CookieCut(std::string_view header);
