// The Linux stand-in of XInput: SDL's game controllers in the four user slots. A controller keeps
// its slot while it stays attached; a new one takes the first free slot. The state is laid out as
// XInput's: its button bits, triggers 0 to 255 and sticks with y pointing up.
#include "platform/controllers.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <utility>

namespace platform {
namespace {

struct ButtonBit {
    SDL_GameControllerButton button;
    std::uint16_t bit;
};

constexpr std::array buttonBits{
    ButtonBit{SDL_CONTROLLER_BUTTON_DPAD_UP, 0x0001},
    ButtonBit{SDL_CONTROLLER_BUTTON_DPAD_DOWN, 0x0002},
    ButtonBit{SDL_CONTROLLER_BUTTON_DPAD_LEFT, 0x0004},
    ButtonBit{SDL_CONTROLLER_BUTTON_DPAD_RIGHT, 0x0008},
    ButtonBit{SDL_CONTROLLER_BUTTON_START, 0x0010},
    ButtonBit{SDL_CONTROLLER_BUTTON_BACK, 0x0020},
    ButtonBit{SDL_CONTROLLER_BUTTON_LEFTSTICK, 0x0040},
    ButtonBit{SDL_CONTROLLER_BUTTON_RIGHTSTICK, 0x0080},
    ButtonBit{SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 0x0100},
    ButtonBit{SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, 0x0200},
    ButtonBit{SDL_CONTROLLER_BUTTON_A, 0x1000},
    ButtonBit{SDL_CONTROLLER_BUTTON_B, 0x2000},
    ButtonBit{SDL_CONTROLLER_BUTTON_X, 0x4000},
    ButtonBit{SDL_CONTROLLER_BUTTON_Y, 0x8000},
};

// SDL's triggers run 0 to 32767, XInput's 0 to 255.
std::uint8_t triggerValue(Sint16 axis) {
    return static_cast<std::uint8_t>(std::clamp<int>(axis, 0, 32767) * 255 / 32767);
}

// SDL's y axes point down, XInput's up.
std::int16_t upwards(Sint16 axis) {
    return static_cast<std::int16_t>(std::clamp(-static_cast<int>(axis), -32768, 32767));
}

ControllerState stateOf(SDL_GameController* controller) {
    ControllerState state;
    for (const ButtonBit& entry : buttonBits) {
        if (SDL_GameControllerGetButton(controller, entry.button) != 0) {
            state.buttons = static_cast<std::uint16_t>(state.buttons | entry.bit);
        }
    }
    state.leftTrigger =
        triggerValue(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
    state.rightTrigger =
        triggerValue(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
    state.thumbLX = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX);
    state.thumbLY = upwards(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY));
    state.thumbRX = SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTX);
    state.thumbRY = upwards(SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_RIGHTY));
    return state;
}

bool sameInput(const ControllerState& a, const ControllerState& b) {
    return a.buttons == b.buttons && a.leftTrigger == b.leftTrigger &&
           a.rightTrigger == b.rightTrigger && a.thumbLX == b.thumbLX && a.thumbLY == b.thumbLY &&
           a.thumbRX == b.thumbRX && a.thumbRY == b.thumbRY;
}

class SdlControllers final : public Controllers {
public:
    SdlControllers() = default;
    SdlControllers(const SdlControllers&) = delete;
    SdlControllers& operator=(const SdlControllers&) = delete;
    ~SdlControllers() override {
        for (Slot& slot : slots_) {
            release(slot);
        }
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    }

    bool readState(int index, ControllerState& state) override {
        if (index < 0 || index >= controllerSlots) {
            return false;
        }
        // Reads the devices and notices controllers coming and going.
        SDL_GameControllerUpdate();
        attachNewControllers();
        Slot& slot = slots_[static_cast<std::size_t>(index)];
        if (slot.controller == nullptr) {
            return false;
        }
        ControllerState now = stateOf(slot.controller);
        // XInput's packet number changes whenever the state does.
        if (!sameInput(now, slot.last)) {
            ++slot.packet;
        }
        now.packetNumber = slot.packet;
        slot.last = now;
        state = now;
        return true;
    }

private:
    struct Slot {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID instance = -1;
        std::uint32_t packet = 0;
        ControllerState last;
    };

    static void release(Slot& slot) {
        if (slot.controller != nullptr) {
            SDL_GameControllerClose(slot.controller);
        }
        slot = Slot{};
    }

    bool held(SDL_JoystickID instance) const {
        return std::any_of(slots_.begin(), slots_.end(),
                           [&](const Slot& slot) { return slot.instance == instance; });
    }

    void attachNewControllers() {
        for (Slot& slot : slots_) {
            if (slot.controller != nullptr && !SDL_GameControllerGetAttached(slot.controller)) {
                release(slot);
            }
        }
        const int devices = SDL_NumJoysticks();
        for (int device = 0; device < devices; ++device) {
            if (!SDL_IsGameController(device) || held(SDL_JoystickGetDeviceInstanceID(device))) {
                continue;
            }
            const auto free = std::find_if(slots_.begin(), slots_.end(), [](const Slot& slot) {
                return slot.controller == nullptr;
            });
            if (free == slots_.end()) {
                return;
            }
            if (SDL_GameController* controller = SDL_GameControllerOpen(device)) {
                free->controller = controller;
                free->instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
            }
        }
    }

    std::array<Slot, controllerSlots> slots_{};
};

} // namespace

// Null when SDL's game controllers cannot start.
std::unique_ptr<Controllers> loadControllers() {
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        return nullptr;
    }
    return std::make_unique<SdlControllers>();
}

} // namespace platform
