#pragma once
// Messages posted to another program's window. A window handle is a 32-bit id (the process
// id of the window's program); each program that takes part listens on its own socket in
// the per-user runtime folder. A message is one datagram of 16 bytes, little-endian:
// handle, message, wParam, lParam.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/un.h>

struct WindowMessage
{
    std::uint32_t handle = 0;
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::int32_t lParam = 0;

    static constexpr std::size_t kSize = 16;
    std::array<unsigned char, kSize> Encode() const;
    // Empty unless the datagram is exactly one message.
    static std::optional<WindowMessage> Decode(const void* data, std::size_t size);
};

// The socket path of the window with that handle; empty without a runtime folder.
std::string WindowSocketPath(std::uint32_t handle);

// The socket address of that path (cut to fit; WindowSocketPath never is too long).
struct sockaddr_un WindowSocketAddress(const std::string& path);

// The handle of this program's window.
std::uint32_t OwnWindowHandle();

// Posts without waiting. False when no such window listens or its queue is full.
bool PostWindowMessage(std::uint32_t handle, std::uint32_t message, std::uint32_t wParam,
                       std::int32_t lParam);
