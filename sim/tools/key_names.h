// Names of Windows virtual-key codes, as a player finds them on the keyboard.
#pragma once

#include <cstdint>
#include <string>

namespace tools {

inline std::string KeyName(int32_t code) {
    struct Named {
        int32_t code;
        const char* name;
    };
    static const Named named[] = {
        {0x01, "left mouse button"},
        {0x02, "right mouse button"},
        {0x04, "middle mouse button"},
        {0x08, "Backspace"},
        {0x09, "Tab"},
        {0x0C, "Clear"},
        {0x0D, "Enter"},
        {0x10, "Shift"},
        {0x11, "Ctrl"},
        {0x12, "Alt"},
        {0x13, "Pause"},
        {0x14, "Caps Lock"},
        {0x1B, "Esc"},
        {0x20, "Space"},
        {0x21, "Page Up"},
        {0x22, "Page Down"},
        {0x23, "End"},
        {0x24, "Home"},
        {0x25, "Left arrow"},
        {0x26, "Up arrow"},
        {0x27, "Right arrow"},
        {0x28, "Down arrow"},
        {0x2C, "Print Screen"},
        {0x2D, "Insert"},
        {0x2E, "Delete"},
        {0x5B, "left Windows key"},
        {0x5C, "right Windows key"},
        {0x5D, "Menu"},
        {0x6A, "numeric keypad *"},
        {0x6B, "numeric keypad +"},
        {0x6D, "numeric keypad -"},
        {0x6E, "numeric keypad ."},
        {0x6F, "numeric keypad /"},
        {0x90, "Num Lock"},
        {0x91, "Scroll Lock"},
        {0xA0, "left Shift"},
        {0xA1, "right Shift"},
        {0xA2, "left Ctrl"},
        {0xA3, "right Ctrl"},
        {0xA4, "left Alt"},
        {0xA5, "right Alt"},
        {0xBA, ";"},
        {0xBB, "="},
        {0xBC, ","},
        {0xBD, "-"},
        {0xBE, "."},
        {0xBF, "/"},
        {0xC0, "`"},
        {0xDB, "["},
        {0xDC, "\\"},
        {0xDD, "]"},
        {0xDE, "'"},
    };
    if (code >= 0x30 && code <= 0x39) {
        return std::string("key ") + char('0' + code - 0x30);
    }
    if (code >= 0x41 && code <= 0x5A) {
        return std::string("key ") + char('A' + code - 0x41);
    }
    if (code >= 0x60 && code <= 0x69) {
        return "numeric keypad " + std::to_string(code - 0x60);
    }
    if (code >= 0x70 && code <= 0x87) {
        return "F" + std::to_string(code - 0x70 + 1);
    }
    for (const Named& n : named) {
        if (n.code == code) {
            return n.name;
        }
    }
    return "";
}

}  // namespace tools
