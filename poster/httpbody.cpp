// The bodies of the client's POST requests, built from its argument list.
#include "httpclient.h"

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr std::size_t kPlainPartEstimate = 8192;
constexpr std::size_t kFilePartEstimate = 6144;

std::size_t fileSize(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
}

} // namespace

std::size_t CHttpClient::GetPostArgumentsLength() const
{
    if (m_postArguments.empty())
        return 0;
    std::size_t length = 0;
    for (const PostArgument& a : m_postArguments)
        length += a.name.size() + a.value.size() + 2;
    return length - 1;
}

std::size_t CHttpClient::BuildPostArguments(char* buffer, std::size_t size) const
{
    const std::size_t length = GetPostArgumentsLength();
    if (length == 0 || length >= size)
        return 0;
    char* out = buffer;
    for (const PostArgument& a : m_postArguments) {
        if (out != buffer)
            *out++ = '&';
        std::memcpy(out, a.name.data(), a.name.size());
        out += a.name.size();
        *out++ = '=';
        std::memcpy(out, a.value.data(), a.value.size());
        out += a.value.size();
    }
    *out = '\0';
    return length;
}

std::size_t CHttpClient::GetMultipartBufferSize() const
{
    std::size_t size = 0;
    for (const PostArgument& a : m_postArguments)
        size += a.isFile ? fileSize(a.value) + kFilePartEstimate : kPlainPartEstimate;
    return size;
}

std::size_t CHttpClient::BuildMultipartBody(std::string& body, std::string_view boundary) const
{
    if (!body.empty())
        return 0;
    body.reserve(GetMultipartBufferSize() + boundary.size() + 6);
    for (const PostArgument& a : m_postArguments) {
        body.append("--").append(boundary).append("\r\nContent-Disposition: form-data; name=\"").append(a.name);
        if (!a.isFile) {
            body.append("\"\r\n\r\n").append(a.value).append("\r\n");
            continue;
        }
        body.append("\"; filename=\"").append(a.value).append("\"\r\n\r\n");
        std::FILE* file = std::fopen(a.value.c_str(), "rb");
        if (!file)
            continue; // the header alone
        char chunk[1024];
        while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file))
            body.append(chunk, n);
        std::fclose(file);
        body.append("\r\n");
    }
    body.append("--").append(boundary).append("--\r\n");
    return body.size();
}
