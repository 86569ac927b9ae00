// The names of the Windows virtual-key codes: one table for the scenario
// loader, which reads keys by their programming names, and for the settings
// checker, which tells a player which key a code is.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// The virtual-key code of a key name, case-insensitive and with or without
// "VK_": "NUMPAD3", "LBUTTON", "F5", "A", "7", "0x63". -1 for a name it does
// not know.
int KeyCodeFromName(const std::string& name);

// The key as a player finds it on the keyboard ("numeric keypad 3", "F2",
// "key A"); empty for a code no key has.
std::string KeyLabel(int32_t code);

}  // namespace sim
