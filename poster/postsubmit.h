#pragma once
// The two exchanges with the blog service: the login, which extends the cookie text, and
// the post of an article. Each uses a client of its own for one request.

#include "httpclient.h"

#include <string>
#include <string_view>

// True when the login's answer holds the marker. Every Set-Cookie of the answer adds its
// cut to cookieText, whatever the outcome.
bool SubmitLogin(const std::string& loginUrl, const std::string& body, std::string& cookieText, std::string_view marker,
                 const HttpOptions& options = {});

enum class PostOutcome
{
    Posted,     // the answer holds the marker
    Failed,     // no answer, or one without the marker: response holds what came back
    BadAddress, // the post URL has no path; nothing was sent
};

// Posts the form with the cookies, the encoded article text as its last field.
PostOutcome SubmitArticle(const std::string& postUrl, const std::string& body, const std::string& cookieText,
                          std::string_view marker, const std::string& encodedText, std::string& response,
                          const HttpOptions& options = {});
