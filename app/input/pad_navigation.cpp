#include "app/input/pad_navigation.h"

#include "app/input/virtual_keys.h"
#include "shared/pad_buttons.h"

namespace lumenark {

namespace PadButton = qxlauncher::PadButton;

const std::array<PadKey, 6> padNavigationMap{{
    {PadButton::dpadLeft, vk::left},
    {PadButton::dpadRight, vk::right},
    {PadButton::dpadUp, vk::up},
    {PadButton::dpadDown, vk::down},
    {PadButton::a | PadButton::start, vk::enter},
    {PadButton::y, 'S'},
}};

std::uint32_t navigationFlags(const platform::ControllerState& state) {
    std::uint32_t flags = state.buttons;
    if (state.thumbLX < -stickDirectionThreshold) {
        flags |= PadButton::dpadLeft;
    }
    if (state.thumbLX > stickDirectionThreshold) {
        flags |= PadButton::dpadRight;
    }
    if (state.thumbLY > stickDirectionThreshold) {
        flags |= PadButton::dpadUp;
    }
    if (state.thumbLY < -stickDirectionThreshold) {
        flags |= PadButton::dpadDown;
    }
    return flags;
}

std::uint32_t PadNavigation::step(std::uint32_t flags, std::uint64_t now) {
    if (!armed) {
        last = flags;
        held = 0;
        armed = flags == 0;
        return 0;
    }
    std::uint32_t pressed = flags & ~last;
    last = flags;
    const std::uint32_t directions = flags & padDirections;
    if (directions != held) {
        held = directions;
        repeatDeadline = now + padRepeatDelayMilliseconds;
    } else if (directions != 0 && now >= repeatDeadline) {
        repeatDeadline = now + padRepeatIntervalMilliseconds;
        pressed |= directions;
    }
    return pressed;
}

} // namespace lumenark
