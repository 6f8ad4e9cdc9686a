// SDL's keys as the Windows virtual-key codes the launcher stores, and the keys that Windows
// keeps for its system menu.
#include "platform/posix/sdl_keys.h"
#include "tests/support/case_names.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>

namespace {

using platform::posix::isSystemKey;
using platform::posix::virtualKeyOfSdlKey;

struct KeyCase {
    SDL_Keycode sdl;
    int virtualKey;
};

std::ostream& operator<<(std::ostream& stream, const KeyCase& c) {
    return stream << SDL_GetKeyName(c.sdl);
}

class SdlKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(SdlKeys, MapToTheVirtualKeyCode) {
    EXPECT_EQ(virtualKeyOfSdlKey(GetParam().sdl), GetParam().virtualKey);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SdlKeys,
    testing::Values(
        KeyCase{SDLK_a, 'A'}, KeyCase{SDLK_z, 'Z'}, KeyCase{SDLK_0, '0'}, KeyCase{SDLK_9, '9'},
        KeyCase{SDLK_F1, 0x70}, KeyCase{SDLK_F5, 0x74}, KeyCase{SDLK_F11, 0x7A},
        KeyCase{SDLK_F12, 0x7B}, KeyCase{SDLK_F13, 0x7C}, KeyCase{SDLK_F24, 0x87},
        KeyCase{SDLK_UP, 0x26}, KeyCase{SDLK_DOWN, 0x28}, KeyCase{SDLK_LEFT, 0x25},
        KeyCase{SDLK_RIGHT, 0x27}, KeyCase{SDLK_RETURN, 0x0D}, KeyCase{SDLK_KP_ENTER, 0x0D},
        KeyCase{SDLK_SPACE, 0x20}, KeyCase{SDLK_ESCAPE, 0x1B}, KeyCase{SDLK_TAB, 0x09},
        KeyCase{SDLK_PAGEUP, 0x21}, KeyCase{SDLK_PAGEDOWN, 0x22}, KeyCase{SDLK_BACKSPACE, 0x08},
        KeyCase{SDLK_DELETE, 0x2E}, KeyCase{SDLK_LSHIFT, 0x10}, KeyCase{SDLK_RSHIFT, 0x10},
        KeyCase{SDLK_RCTRL, 0x11}, KeyCase{SDLK_KP_0, 0x60}, KeyCase{SDLK_KP_1, 0x61},
        KeyCase{SDLK_KP_9, 0x69}, KeyCase{SDLK_KP_MULTIPLY, 0x6A}, KeyCase{SDLK_SEMICOLON, 0xBA},
        KeyCase{SDLK_EQUALS, 0xBB}, KeyCase{SDLK_COMMA, 0xBC}, KeyCase{SDLK_MINUS, 0xBD},
        KeyCase{SDLK_PERIOD, 0xBE}, KeyCase{SDLK_SLASH, 0xBF}, KeyCase{SDLK_BACKQUOTE, 0xC0},
        KeyCase{SDLK_LEFTBRACKET, 0xDB}, KeyCase{SDLK_BACKSLASH, 0xDC},
        KeyCase{SDLK_RIGHTBRACKET, 0xDD}, KeyCase{SDLK_QUOTE, 0xDE},
        // Keys without a code of their own are not handed on.
        KeyCase{SDLK_MUTE, 0}, KeyCase{SDLK_UNKNOWN, 0}),
    [](const auto& info) {
        // SDL's name of the key, and its code where the name holds more than words.
        const std::string text = SDL_GetKeyName(info.param.sdl);
        const bool words = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
            return c == ' ' || std::isalnum(static_cast<unsigned char>(c)) != 0;
        });
        const std::string name = "Key" + testsupport::caseNameFrom(text);
        return words ? name : name + "_" + std::to_string(info.param.sdl);
    });

TEST(SdlSystemKeys, AltF10AndKeysWithAltButNotCtrlBelongToTheSystemMenu) {
    EXPECT_TRUE(isSystemKey(SDLK_F10, KMOD_NONE));
    EXPECT_TRUE(isSystemKey(SDLK_LALT, KMOD_LALT));
    EXPECT_TRUE(isSystemKey(SDLK_RALT, KMOD_NONE));
    EXPECT_TRUE(isSystemKey(SDLK_x, KMOD_LALT));
    EXPECT_FALSE(isSystemKey(SDLK_x, KMOD_LALT | KMOD_LCTRL));
    EXPECT_FALSE(isSystemKey(SDLK_F11, KMOD_NONE));
    EXPECT_FALSE(isSystemKey(SDLK_a, KMOD_LSHIFT | KMOD_NUM));
}

} // namespace
