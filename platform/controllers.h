#pragma once
// XInput controllers, loaded at run time: "xinput1_4.dll", else "xinput9_1_0.dll", from the
// system folder. The Linux build has SDL's game controllers stand in the four slots.
#include <cstdint>
#include <memory>

namespace platform {

// One slot's state, laid out as XINPUT_STATE.
struct ControllerState {
    std::uint32_t packetNumber = 0;
    std::uint16_t buttons = 0;
    std::uint8_t leftTrigger = 0;
    std::uint8_t rightTrigger = 0;
    std::int16_t thumbLX = 0;
    std::int16_t thumbLY = 0;
    std::int16_t thumbRX = 0;
    std::int16_t thumbRY = 0;
};

inline constexpr int controllerSlots = 4;

class Controllers {
public:
    virtual ~Controllers() = default;
    // XInputGetState for slot 0 to 3; false when the call failed (no controller there).
    virtual bool readState(int slot, ControllerState& state) = 0;
};

// Null when neither library nor its XInputGetState could be loaded (Linux: when SDL's game
// controllers cannot start); the launcher then runs without controllers.
std::unique_ptr<Controllers> loadControllers();

} // namespace platform
