// Key names shared by both desktops: the fallback label, and the English names the Linux build
// shows where Windows asks the keyboard layout.
#include "platform/desktop.h"

#include <array>
#include <cstdio>
#include <utility>

namespace platform {
namespace {

struct NamedKey {
    std::uint8_t code;
    const wchar_t* name;
};

// Codes whose name is not their own character.
constexpr std::array namedKeys{
    NamedKey{0x08, L"BACKSPACE"},
    NamedKey{0x09, L"TAB"},
    NamedKey{0x0C, L"NUM 5"},
    NamedKey{0x0D, L"ENTER"},
    NamedKey{0x10, L"SHIFT"},
    NamedKey{0x11, L"CTRL"},
    NamedKey{0x12, L"ALT"},
    NamedKey{0x13, L"PAUSE"},
    NamedKey{0x14, L"CAPS LOCK"},
    NamedKey{0x1B, L"ESC"},
    NamedKey{0x20, L"SPACE"},
    NamedKey{0x21, L"PAGE UP"},
    NamedKey{0x22, L"PAGE DOWN"},
    NamedKey{0x23, L"END"},
    NamedKey{0x24, L"HOME"},
    NamedKey{0x25, L"LEFT"},
    NamedKey{0x26, L"UP"},
    NamedKey{0x27, L"RIGHT"},
    NamedKey{0x28, L"DOWN"},
    NamedKey{0x2C, L"PRNT SCRN"},
    NamedKey{0x2D, L"INSERT"},
    NamedKey{0x2E, L"DELETE"},
    NamedKey{0x5B, L"LEFT WINDOWS"},
    NamedKey{0x5C, L"RIGHT WINDOWS"},
    NamedKey{0x5D, L"APPLICATION"},
    NamedKey{0x6A, L"NUM *"},
    NamedKey{0x6B, L"NUM +"},
    NamedKey{0x6D, L"NUM -"},
    NamedKey{0x6E, L"NUM DEL"},
    NamedKey{0x6F, L"NUM /"},
    NamedKey{0x90, L"NUM LOCK"},
    NamedKey{0x91, L"SCROLL LOCK"},
    NamedKey{0xA0, L"SHIFT"},
    NamedKey{0xA1, L"RIGHT SHIFT"},
    NamedKey{0xA2, L"CTRL"},
    NamedKey{0xA3, L"RIGHT CTRL"},
    NamedKey{0xA4, L"ALT"},
    NamedKey{0xA5, L"RIGHT ALT"},
    NamedKey{0xBA, L";"},
    NamedKey{0xBB, L"="},
    NamedKey{0xBC, L","},
    NamedKey{0xBD, L"-"},
    NamedKey{0xBE, L"."},
    NamedKey{0xBF, L"/"},
    NamedKey{0xC0, L"`"},
    NamedKey{0xDB, L"["},
    NamedKey{0xDC, L"\\"},
    NamedKey{0xDD, L"]"},
    NamedKey{0xDE, L"'"},
    NamedKey{0xE2, L"\\"},
};

constexpr std::uint8_t firstNumpadDigit = 0x60;
constexpr std::uint8_t firstFunctionKey = 0x70;
constexpr int functionKeys = 24;

} // namespace

std::wstring keyCodeLabel(std::uint8_t virtualKey) {
    wchar_t text[8];
    std::swprintf(text, std::size(text), L"KEY %02X", static_cast<unsigned>(virtualKey));
    return text;
}

std::wstring tableKeyName(std::uint8_t virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        return std::wstring(1, static_cast<wchar_t>(virtualKey));
    }
    if (virtualKey >= firstNumpadDigit && virtualKey < firstNumpadDigit + 10) {
        return L"NUM " +
               std::wstring(1, static_cast<wchar_t>(L'0' + virtualKey - firstNumpadDigit));
    }
    if (virtualKey >= firstFunctionKey && virtualKey < firstFunctionKey + functionKeys) {
        return L"F" + std::to_wstring(virtualKey - firstFunctionKey + 1);
    }
    for (const NamedKey& key : namedKeys) {
        if (key.code == virtualKey) {
            return key.name;
        }
    }
    return keyCodeLabel(virtualKey);
}

} // namespace platform
