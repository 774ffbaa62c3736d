#pragma once

#include <optional>

// The Caps Lock and Num Lock states as the keyboard shows them; nullopt
// where the platform cannot tell (anything but X11 with XKB).
struct LockKeys {
    bool caps = false;
    bool num = false;
};

std::optional<LockKeys> readLockKeys();
