#pragma once
// The controller button mask shared by XInput, the HID reader and the control bindings: the
// XInput button bits, plus the two triggers above them and the extra HID buttons above those.
#include <cstdint>

namespace qxlauncher {

using PadButtons = std::uint32_t;

namespace PadButton {
inline constexpr PadButtons dpadUp = 0x0001;
inline constexpr PadButtons dpadDown = 0x0002;
inline constexpr PadButtons dpadLeft = 0x0004;
inline constexpr PadButtons dpadRight = 0x0008;
inline constexpr PadButtons start = 0x0010;
inline constexpr PadButtons back = 0x0020;
inline constexpr PadButtons leftThumb = 0x0040;
inline constexpr PadButtons rightThumb = 0x0080;
inline constexpr PadButtons leftShoulder = 0x0100;
inline constexpr PadButtons rightShoulder = 0x0200;
inline constexpr PadButtons a = 0x1000;
inline constexpr PadButtons b = 0x2000;
inline constexpr PadButtons x = 0x4000;
inline constexpr PadButtons y = 0x8000;
inline constexpr PadButtons leftTrigger = 0x10000;
inline constexpr PadButtons rightTrigger = 0x20000;
// HID buttons 11 to 24 sit at bits 18 to 31.
inline constexpr int firstExtraHidButton = 11;
inline constexpr int lastExtraHidButton = 24;
inline constexpr int firstExtraHidBit = 18;
// An XInput trigger value from which the trigger counts as pressed.
inline constexpr int triggerThreshold = 128;
} // namespace PadButton

// The mask of HID button n (1-based); 0 for a button without a place in the mask.
constexpr PadButtons hidButtonMask(int button) {
    switch (button) {
    case 1:
        return PadButton::x;
    case 2:
        return PadButton::a;
    case 3:
        return PadButton::b;
    case 4:
        return PadButton::y;
    case 5:
        return PadButton::leftShoulder;
    case 6:
        return PadButton::rightShoulder;
    case 7:
        return PadButton::leftTrigger;
    case 8:
        return PadButton::rightTrigger;
    case 9:
        return PadButton::back;
    case 10:
        return PadButton::start;
    default:
        if (button >= PadButton::firstExtraHidButton && button <= PadButton::lastExtraHidButton) {
            return PadButtons{1} << (PadButton::firstExtraHidBit + button -
                                     PadButton::firstExtraHidButton);
        }
        return 0;
    }
}

} // namespace qxlauncher
