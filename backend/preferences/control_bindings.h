#pragma once
// The control bindings: a key code and a pad mask per slot of both players, and three switches,
// with the text form that controls.cfg stores and the games are handed.
#include "shared/pad_buttons.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qxlauncher {

// Slots 0 to 11 of player 1, then slots 0 to 11 of player 2.
inline constexpr int slotsPerPlayer = 12;
inline constexpr int bindingSlotCount = 2 * slotsPerPlayer;
// The four direction slots come from the d-pad or stick; their pad masks are always 0.
inline constexpr int directionSlots = 4;

inline constexpr std::array<std::string_view, slotsPerPlayer> controlSlotNames{
    "UP",        "DOWN",      "LEFT",     "RIGHT",     "HIGH PUNCH", "BLOCK",
    "HIGH KICK", "LOW PUNCH", "LOW KICK", "RUN (QX3)", "COIN",       "START"};

struct ControlBindings {
    // Windows virtual-key codes.
    std::array<std::uint8_t, bindingSlotCount> keyCodes{0x26, 0x28, 0x25, 0x27, 'A', 'S', 'D', 'Z',
                                                        'X',  'C',  '5',  '1',  'I', 'K', 'J', 'L',
                                                        'F',  'G',  'H',  'V',  'B', 'N', '6', '2'};
    std::array<PadButtons, bindingSlotCount> padMasks{
        0, 0, 0, 0, 0x4000, 0x20200, 0x8000, 0x1000, 0x2000, 0x10100, 0x20, 0x10,
        0, 0, 0, 0, 0x4000, 0x20200, 0x8000, 0x1000, 0x2000, 0x10100, 0x20, 0x10};
    // Stored and handed to the games: opposite directions (SOCD), run-ahead, training mode.
    std::uint32_t socd = 0;
    std::uint32_t runAhead = 0;
    std::uint32_t trainingMode = 0;

    friend bool operator==(const ControlBindings&, const ControlBindings&) = default;
};

// 24 key codes and 24 pad masks in lower-case hexadecimal, then the three switches in decimal,
// comma-separated. The games get the same text.
std::string formatControls(const ControlBindings& bindings);
// False, leaving `bindings` untouched, for any malformed text. Texts with 48 or 49 commas (fewer
// switches) are still read.
bool parseControls(std::string_view text, ControlBindings& bindings);

} // namespace qxlauncher
