#include "windowmessage.h"

#include "fileutil.h"
#include "runtimedir.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>


std::array<unsigned char, WindowMessage::kSize> WindowMessage::Encode() const
{
    std::array<unsigned char, kSize> out{};
    PutLe32(out.data(), handle);
    PutLe32(out.data() + 4, message);
    PutLe32(out.data() + 8, wParam);
    PutLe32(out.data() + 12, static_cast<std::uint32_t>(lParam));
    return out;
}

std::optional<WindowMessage> WindowMessage::Decode(const void* data, std::size_t size)
{
    if (size != kSize || data == nullptr)
        return std::nullopt;
    const auto* p = static_cast<const unsigned char*>(data);
    return WindowMessage{GetLe32(p), GetLe32(p + 4), GetLe32(p + 8), static_cast<std::int32_t>(GetLe32(p + 12))};
}

std::string WindowSocketPath(std::uint32_t handle)
{
    const std::string dir = QuorRuntimeDir();
    if (dir.empty())
        return {};
    std::string path = dir + "/window-" + std::to_string(handle) + ".sock";
    return path.size() < sizeof(sockaddr_un::sun_path) ? path : std::string();
}

sockaddr_un WindowSocketAddress(const std::string& path)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), std::min(path.size(), sizeof addr.sun_path - 1));
    return addr;
}

std::uint32_t OwnWindowHandle()
{
    return static_cast<std::uint32_t>(::getpid());
}

bool PostWindowMessage(std::uint32_t handle, std::uint32_t message, std::uint32_t wParam,
                       std::int32_t lParam)
{
    const std::string path = WindowSocketPath(handle);
    if (path.empty() || handle == 0)
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    const sockaddr_un addr = WindowSocketAddress(path);
    const auto bytes = WindowMessage{handle, message, wParam, lParam}.Encode();
    const ssize_t sent = ::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    ::close(fd);
    return sent == static_cast<ssize_t>(bytes.size());
}
