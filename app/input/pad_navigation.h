#pragma once
// Menu navigation with a controller: the pad's buttons and left stick as navigation flags, the
// arming that ignores what was held when the launcher became active, and the auto-repeat of a
// held direction.
#include "platform/controllers.h"

#include <array>
#include <cstdint>

namespace lumenark {

// The controllers are read at most this often.
inline constexpr std::uint64_t controllerPollMilliseconds = 4;
// A held direction repeats after this long, then at this interval.
inline constexpr std::uint64_t padRepeatDelayMilliseconds = 350;
inline constexpr std::uint64_t padRepeatIntervalMilliseconds = 90;
// The left stick counts as a direction beyond this deflection.
inline constexpr int stickDirectionThreshold = 18000;

// The direction bits of the navigation flags, the same as the d-pad's buttons.
inline constexpr std::uint32_t padDirections = 0xF;
// Set as the last flags when nothing held may count as a new press (after a binding capture).
inline constexpr std::uint32_t padEverythingHeld = 0xFFFF;

// The pad's XInput buttons plus the left stick as directions (left 0x4, right 0x8, up 0x1,
// down 0x2).
std::uint32_t navigationFlags(const platform::ControllerState& state);

// Which key each navigation button stands for, in the order they are handed on.
struct PadKey {
    std::uint32_t mask;
    int virtualKey;
};
extern const std::array<PadKey, 6> padNavigationMap;

// Arming and auto-repeat over the navigation flags of successive polls.
struct PadNavigation {
    bool armed = false;
    std::uint32_t last = 0;
    std::uint32_t held = 0;
    std::uint64_t repeatDeadline = 0;

    // What is pressed anew in this poll, with a held direction added when it repeats. Until it
    // is armed nothing counts; it arms in a poll in which nothing is held.
    std::uint32_t step(std::uint32_t flags, std::uint64_t now);
    // Focus loss, an inactive window: everything held must be released before anything counts.
    void disarm() {
        armed = false;
        last = 0;
    }
};

} // namespace lumenark
