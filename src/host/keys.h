// The keyboard and mouse as the platform reports them.
#pragma once

#include <cstdint>

// Current state of a virtual key; bit 15 set means the key is down now.
int16_t KeyState(int virtualKey);

// True while bit 15 of the key's state is set.
inline bool IsKeyDown(int virtualKey) {
    return (static_cast<uint16_t>(KeyState(virtualKey)) & 0x8000u) != 0;
}
