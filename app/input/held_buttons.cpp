#include "app/input/held_buttons.h"

#include <algorithm>

namespace lumenark {

qxlauncher::PadButtons xinputButtons(const platform::ControllerState& state) {
    qxlauncher::PadButtons buttons = state.buttons;
    if (state.leftTrigger >= qxlauncher::PadButton::triggerThreshold) {
        buttons |= qxlauncher::PadButton::leftTrigger;
    }
    if (state.rightTrigger >= qxlauncher::PadButton::triggerThreshold) {
        buttons |= qxlauncher::PadButton::rightTrigger;
    }
    return buttons;
}

qxlauncher::PadButtons heldPadButtons(std::span<const platform::ControllerState> states,
                                      std::span<const bool> connected,
                                      std::span<const HidPadState> hidPads) {
    qxlauncher::PadButtons held = 0;
    const std::size_t slots = std::min(states.size(), connected.size());
    for (std::size_t slot = 0; slot < slots; ++slot) {
        if (connected[slot]) {
            held |= xinputButtons(states[slot]);
        }
    }
    for (const HidPadState pad : hidPads) {
        // The low half holds the buttons, the high half the directions.
        held |= static_cast<qxlauncher::PadButtons>(pad & 0xFFFFFFFFu);
    }
    return held;
}

} // namespace lumenark
