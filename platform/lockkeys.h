#pragma once
// The keyboard's lock states (Caps, Num, Scroll Lock), as its indicators show them.

#include <optional>

struct LockKeys
{
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeys&) const = default;
};

// Empty where the window system does not tell (no X display).
std::optional<LockKeys> ReadLockKeys();
