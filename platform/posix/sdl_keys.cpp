#include "platform/posix/sdl_keys.h"

#include <SDL.h>

#include <array>
#include <utility>

namespace platform::posix {
namespace {

struct KeyPair {
    SDL_Keycode sdl;
    int virtualKey;
};

constexpr std::array keyPairs{
    KeyPair{SDLK_BACKSPACE, 0x08},    KeyPair{SDLK_TAB, 0x09},
    KeyPair{SDLK_RETURN, 0x0D},       KeyPair{SDLK_KP_ENTER, 0x0D},
    KeyPair{SDLK_LSHIFT, 0x10},       KeyPair{SDLK_RSHIFT, 0x10},
    KeyPair{SDLK_LCTRL, 0x11},        KeyPair{SDLK_RCTRL, 0x11},
    KeyPair{SDLK_LALT, 0x12},         KeyPair{SDLK_RALT, 0x12},
    KeyPair{SDLK_PAUSE, 0x13},        KeyPair{SDLK_CAPSLOCK, 0x14},
    KeyPair{SDLK_ESCAPE, 0x1B},       KeyPair{SDLK_SPACE, 0x20},
    KeyPair{SDLK_PAGEUP, 0x21},       KeyPair{SDLK_PAGEDOWN, 0x22},
    KeyPair{SDLK_END, 0x23},          KeyPair{SDLK_HOME, 0x24},
    KeyPair{SDLK_LEFT, 0x25},         KeyPair{SDLK_UP, 0x26},
    KeyPair{SDLK_RIGHT, 0x27},        KeyPair{SDLK_DOWN, 0x28},
    KeyPair{SDLK_PRINTSCREEN, 0x2C},  KeyPair{SDLK_INSERT, 0x2D},
    KeyPair{SDLK_DELETE, 0x2E},       KeyPair{SDLK_LGUI, 0x5B},
    KeyPair{SDLK_RGUI, 0x5C},         KeyPair{SDLK_APPLICATION, 0x5D},
    KeyPair{SDLK_KP_0, 0x60},         KeyPair{SDLK_KP_MULTIPLY, 0x6A},
    KeyPair{SDLK_KP_PLUS, 0x6B},      KeyPair{SDLK_KP_MINUS, 0x6D},
    KeyPair{SDLK_KP_PERIOD, 0x6E},    KeyPair{SDLK_KP_DIVIDE, 0x6F},
    KeyPair{SDLK_NUMLOCKCLEAR, 0x90}, KeyPair{SDLK_SCROLLLOCK, 0x91},
    KeyPair{SDLK_SEMICOLON, 0xBA},    KeyPair{SDLK_EQUALS, 0xBB},
    KeyPair{SDLK_COMMA, 0xBC},        KeyPair{SDLK_MINUS, 0xBD},
    KeyPair{SDLK_PERIOD, 0xBE},       KeyPair{SDLK_SLASH, 0xBF},
    KeyPair{SDLK_BACKQUOTE, 0xC0},    KeyPair{SDLK_LEFTBRACKET, 0xDB},
    KeyPair{SDLK_BACKSLASH, 0xDC},    KeyPair{SDLK_RIGHTBRACKET, 0xDD},
    KeyPair{SDLK_QUOTE, 0xDE},
};

constexpr int firstFunctionKey = 0x70; // F1
constexpr int firstNumpadDigit = 0x60; // NUM 0

} // namespace

int virtualKeyOfSdlKey(std::int32_t keycode) {
    if (keycode >= SDLK_a && keycode <= SDLK_z) {
        return 'A' + (keycode - SDLK_a);
    }
    if (keycode >= SDLK_0 && keycode <= SDLK_9) {
        return '0' + (keycode - SDLK_0);
    }
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12) {
        return firstFunctionKey + (keycode - SDLK_F1);
    }
    if (keycode >= SDLK_F13 && keycode <= SDLK_F24) {
        return firstFunctionKey + 12 + (keycode - SDLK_F13);
    }
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9) {
        return firstNumpadDigit + 1 + (keycode - SDLK_KP_1);
    }
    for (const KeyPair& pair : keyPairs) {
        if (pair.sdl == keycode) {
            return pair.virtualKey;
        }
    }
    return 0;
}

bool isSystemKey(std::int32_t keycode, std::uint16_t modifiers) {
    if (keycode == SDLK_F10 || keycode == SDLK_LALT || keycode == SDLK_RALT) {
        return true;
    }
    return (modifiers & KMOD_ALT) != 0 && (modifiers & KMOD_CTRL) == 0;
}

} // namespace platform::posix
