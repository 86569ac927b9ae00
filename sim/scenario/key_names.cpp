#include "sim/scenario/key_names.h"

#include <algorithm>
#include <cctype>

namespace sim {

namespace {

struct NamedKey {
    int32_t code;
    const char* name;   // the programming name, without "VK_"
    const char* label;  // as a player knows it
};

// The keys without a run of numbered neighbours; digits, letters, the keypad
// digits and the function keys follow from their ranges below.
const NamedKey NamedKeys[] = {
    {0x01, "LBUTTON", "left mouse button"},
    {0x02, "RBUTTON", "right mouse button"},
    {0x04, "MBUTTON", "middle mouse button"},
    {0x08, "BACK", "Backspace"},
    {0x09, "TAB", "Tab"},
    {0x0C, "CLEAR", "Clear"},
    {0x0D, "RETURN", "Enter"},
    {0x10, "SHIFT", "Shift"},
    {0x11, "CONTROL", "Ctrl"},
    {0x12, "MENU", "Alt"},
    {0x13, "PAUSE", "Pause"},
    {0x14, "CAPITAL", "Caps Lock"},
    {0x1B, "ESCAPE", "Esc"},
    {0x20, "SPACE", "Space"},
    {0x21, "PRIOR", "Page Up"},
    {0x22, "NEXT", "Page Down"},
    {0x23, "END", "End"},
    {0x24, "HOME", "Home"},
    {0x25, "LEFT", "Left arrow"},
    {0x26, "UP", "Up arrow"},
    {0x27, "RIGHT", "Right arrow"},
    {0x28, "DOWN", "Down arrow"},
    {0x2C, "SNAPSHOT", "Print Screen"},
    {0x2D, "INSERT", "Insert"},
    {0x2E, "DELETE", "Delete"},
    {0x5B, "LWIN", "left Windows key"},
    {0x5C, "RWIN", "right Windows key"},
    {0x5D, "APPS", "Menu"},
    {0x6A, "MULTIPLY", "numeric keypad *"},
    {0x6B, "ADD", "numeric keypad +"},
    {0x6D, "SUBTRACT", "numeric keypad -"},
    {0x6E, "DECIMAL", "numeric keypad ."},
    {0x6F, "DIVIDE", "numeric keypad /"},
    {0x90, "NUMLOCK", "Num Lock"},
    {0x91, "SCROLL", "Scroll Lock"},
    {0xA0, "LSHIFT", "left Shift"},
    {0xA1, "RSHIFT", "right Shift"},
    {0xA2, "LCONTROL", "left Ctrl"},
    {0xA3, "RCONTROL", "right Ctrl"},
    {0xA4, "LMENU", "left Alt"},
    {0xA5, "RMENU", "right Alt"},
    {0xBA, "OEM_1", ";"},
    {0xBB, "OEM_PLUS", "="},
    {0xBC, "OEM_COMMA", ","},
    {0xBD, "OEM_MINUS", "-"},
    {0xBE, "OEM_PERIOD", "."},
    {0xBF, "OEM_2", "/"},
    {0xC0, "OEM_3", "`"},
    {0xDB, "OEM_4", "["},
    {0xDC, "OEM_5", "\\"},
    {0xDD, "OEM_6", "]"},
    {0xDE, "OEM_7", "'"},
};

const int32_t FirstDigitKey = 0x30;
const int32_t FirstLetterKey = 0x41;
const int32_t FirstKeypadDigit = 0x60;
const int32_t FirstFunctionKey = 0x70;
const int FunctionKeyCount = 24;

bool AllOf(const std::string& text, size_t from, int (*test)(int)) {
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

}  // namespace

int KeyCodeFromName(const std::string& rawName) {
    std::string name;
    for (char c : rawName) {
        name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    }
    if (name.rfind("VK_", 0) == 0) {
        name = name.substr(3);
    }
    for (const NamedKey& key : NamedKeys) {
        if (name == key.name) {
            return key.code;
        }
    }
    if (name.size() == 7 && name.rfind("NUMPAD", 0) == 0 && AllOf(name, 6, isdigit)) {
        return FirstKeypadDigit + (name[6] - '0');
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F' && AllOf(name, 1, isdigit)) {
        const int n = std::stoi(name.substr(1));
        return n >= 1 && n <= FunctionKeyCount ? FirstFunctionKey + n - 1 : -1;
    }
    if (name.size() == 1 && (std::isdigit(static_cast<unsigned char>(name[0])) ||
                             std::isupper(static_cast<unsigned char>(name[0])))) {
        return name[0];
    }
    if (name.size() > 2 && name.size() <= 4 && name.rfind("0X", 0) == 0 &&
        AllOf(name, 2, isxdigit)) {
        const int code = std::stoi(name.substr(2), nullptr, 16);
        return code >= 1 && code <= 255 ? code : -1;
    }
    return -1;
}

std::string KeyLabel(int32_t code) {
    if (code >= FirstDigitKey && code <= FirstDigitKey + 9) {
        return std::string("key ") + char('0' + code - FirstDigitKey);
    }
    if (code >= FirstLetterKey && code <= FirstLetterKey + 25) {
        return std::string("key ") + char('A' + code - FirstLetterKey);
    }
    if (code >= FirstKeypadDigit && code <= FirstKeypadDigit + 9) {
        return "numeric keypad " + std::to_string(code - FirstKeypadDigit);
    }
    if (code >= FirstFunctionKey && code < FirstFunctionKey + FunctionKeyCount) {
        return "F" + std::to_string(code - FirstFunctionKey + 1);
    }
    for (const NamedKey& key : NamedKeys) {
        if (key.code == code) {
            return key.label;
        }
    }
    return "";
}

}  // namespace sim
