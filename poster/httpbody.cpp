// The bodies of the client's POST requests, built from its argument list.
#include "httpclient.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kPlainPartEstimate = 8192;
constexpr std::size_t kFilePartEstimate = 6144;

std::size_t fileSize(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
}

// A name or file name inside double quotes: what would end it or the line is escaped.
std::string quoted(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '"')
            out += "%22";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out;
}

// The bytes of a regular file, as many as it had when opened; false when it is none.
bool appendFile(const std::string& path, std::string& body)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    char chunk[1024];
    for (auto left = static_cast<std::size_t>(st.st_size); left > 0;) {
        const ssize_t n = ::read(fd, chunk, std::min(left, sizeof chunk));
        if (n <= 0)
            break;
        body.append(chunk, static_cast<std::size_t>(n));
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
    return true;
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
        body.append("--").append(boundary).append("\r\nContent-Disposition: form-data; name=\"").append(quoted(a.name));
        if (!a.isFile) {
            body.append("\"\r\n\r\n").append(a.value).append("\r\n");
            continue;
        }
        body.append("\"; filename=\"").append(quoted(a.value)).append("\"\r\n\r\n");
        if (appendFile(a.value, body))
            body.append("\r\n");
    }
    body.append("--").append(boundary).append("--\r\n");
    return body.size();
}
