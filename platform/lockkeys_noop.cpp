#include "lockkeys.h"

std::optional<LockKeys> ReadLockKeys()
{
    return std::nullopt;
}
