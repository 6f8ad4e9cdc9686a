// SDL's game controllers in the four XInput slots, driven through SDL's virtual controllers:
// the state in XInput's layout, slots kept while attached, freed slots taken again.
#include "platform/controllers.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <deque>
#include <memory>

namespace {

using platform::ControllerState;

class SdlControllers : public testing::Test {
protected:
    void SetUp() override {
        // No real pads in the way: only the virtual ones of the test are counted.
        SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
        controllers_ = platform::loadControllers();
        ASSERT_NE(controllers_, nullptr) << SDL_GetError();
        for (int slot = 0; slot < platform::controllerSlots; ++slot) {
            ControllerState state;
            if (controllers_->readState(slot, state)) {
                GTEST_SKIP() << "a real game controller is attached";
            }
        }
    }
    void TearDown() override {
        for (Pad& pad : pads_) {
            detach(pad);
        }
        controllers_.reset();
    }

    struct Pad {
        int index = -1;
        SDL_Joystick* joystick = nullptr;
    };

    // A virtual controller with SDL's own button and axis order.
    Pad& attach() {
        Pad pad;
        pad.index =
            SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                      SDL_CONTROLLER_BUTTON_MAX, 0);
        pad.joystick = pad.index < 0 ? nullptr : SDL_JoystickOpen(pad.index);
        EXPECT_NE(pad.joystick, nullptr) << SDL_GetError();
        pads_.push_back(pad);
        return pads_.back();
    }
    static void detach(Pad& pad) {
        if (pad.joystick != nullptr) {
            const SDL_JoystickID instance = SDL_JoystickInstanceID(pad.joystick);
            SDL_JoystickClose(pad.joystick);
            pad.joystick = nullptr;
            for (int device = 0; device < SDL_NumJoysticks(); ++device) {
                if (SDL_JoystickGetDeviceInstanceID(device) == instance) {
                    SDL_JoystickDetachVirtual(device);
                    break;
                }
            }
        }
    }
    bool read(int slot, ControllerState& state) { return controllers_->readState(slot, state); }

    std::unique_ptr<platform::Controllers> controllers_;
    std::deque<Pad> pads_; // references stay valid as pads are added
};

TEST_F(SdlControllers, TheStateIsLaidOutAsXInputs) {
    Pad& pad = attach();
    ControllerState state;
    ASSERT_TRUE(read(0, state));
    EXPECT_EQ(state.buttons, 0);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_A, 1);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_DPAD_UP, 1);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_LEFTSHOULDER, 1);
    SDL_JoystickSetVirtualButton(pad.joystick, SDL_CONTROLLER_BUTTON_START, 1);
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTX, 32767);
    // SDL's stick points down where XInput's points up.
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_LEFTY, -32768);
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_RIGHTY, 20000);
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_TRIGGERLEFT, 32767);
    // A virtual trigger runs over the whole axis: its middle is half pressed.
    SDL_JoystickSetVirtualAxis(pad.joystick, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 0);
    ControllerState pressed;
    ASSERT_TRUE(read(0, pressed));
    EXPECT_EQ(pressed.buttons, 0x1000 | 0x0001 | 0x0100 | 0x0010);
    EXPECT_EQ(pressed.thumbLX, 32767);
    EXPECT_EQ(pressed.thumbLY, 32767);
    EXPECT_EQ(pressed.thumbRY, -20000);
    EXPECT_EQ(pressed.leftTrigger, 255);
    EXPECT_EQ(pressed.rightTrigger, 127);
    // The packet number changes with the state and only then.
    EXPECT_NE(pressed.packetNumber, state.packetNumber);
    ControllerState again;
    ASSERT_TRUE(read(0, again));
    EXPECT_EQ(again.packetNumber, pressed.packetNumber);
    EXPECT_FALSE(read(1, again));
}

TEST_F(SdlControllers, AControllerKeepsItsSlotAndANewOneTakesTheFirstFree) {
    Pad& first = attach();
    ControllerState state;
    ASSERT_TRUE(read(0, state));
    Pad& second = attach();
    SDL_JoystickSetVirtualButton(second.joystick, SDL_CONTROLLER_BUTTON_B, 1);
    ASSERT_TRUE(read(1, state));
    EXPECT_EQ(state.buttons, 0x2000);
    detach(first);
    EXPECT_FALSE(read(0, state));
    ASSERT_TRUE(read(1, state));
    EXPECT_EQ(state.buttons, 0x2000);
    Pad& third = attach();
    SDL_JoystickSetVirtualButton(third.joystick, SDL_CONTROLLER_BUTTON_Y, 1);
    ASSERT_TRUE(read(0, state));
    EXPECT_EQ(state.buttons, 0x8000);
}

TEST_F(SdlControllers, SlotsOutsideTheFourAreNeverConnected) {
    attach();
    ControllerState state;
    EXPECT_FALSE(read(-1, state));
    EXPECT_FALSE(read(4, state));
}

} // namespace
