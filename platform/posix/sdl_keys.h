#pragma once
// SDL's keys in the launcher's key space, the Windows virtual-key codes (controls.cfg stores
// them), as the stand-in window hands them to its owner.
#include <cstdint>

namespace platform::posix {

// The virtual-key code of an SDL key code; 0 for a key without one.
int virtualKeyOfSdlKey(std::int32_t keycode);

// Keys that Windows gives the system menu instead of the window's key handling: Alt, F10, and any
// key pressed with Alt but without Ctrl (SDL key modifiers).
bool isSystemKey(std::int32_t keycode, std::uint16_t modifiers);

} // namespace platform::posix
