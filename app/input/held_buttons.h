#pragma once
// The controller buttons held at one moment, as the binding capture counts them: on every
// connected XInput slot its buttons, with a trigger from 128 on as its PadButton bit, and the
// buttons of every HID pad.
#include "platform/controllers.h"
#include "presentation/hid_input.h"
#include "shared/pad_buttons.h"

#include <span>

namespace lumenark {

// XInput's buttons of one slot's state, with the two trigger bits.
qxlauncher::PadButtons xinputButtons(const platform::ControllerState& state);

qxlauncher::PadButtons heldPadButtons(std::span<const platform::ControllerState> states,
                                      std::span<const bool> connected,
                                      std::span<const HidPadState> hidPads);

} // namespace lumenark
