#pragma once
// A transfer's header, body and progress callbacks: the static members onHeader, onBody and
// onProgress of one sink type, each given the same sink object.

#include <curl/curl.h>

template <typename Sink> void SetTransferCallbacks(CURL* curl, Sink& sink)
{
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &Sink::onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Sink::onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &Sink::onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
}
