// The controllers: at most every 4 ms while the window is active, the four XInput slots are read;
// a running capture of a controller button takes the first new press of any pad (HID pads
// included); otherwise the first connected pad navigates the menus as keys, with arming and
// auto-repeat.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/input/focus_follow.h"
#include "app/input/virtual_keys.h"
#include "app/pages/settings_controls.h"

#include <exception>

namespace lumenark {

namespace PadButton = qxlauncher::PadButton;

void App::pollControllers() {
    // The main loop calls this outside the window procedure, so an error of an action that a pad
    // triggered is caught here the way the procedure catches one of a message.
    try {
        readControllers();
    } catch (const std::exception& error) {
        onMessageError(error.what());
    }
}

void App::readControllers() {
    if (!active_) {
        padNavigation_.disarm();
        return;
    }
    const std::uint64_t now = services_.tickMilliseconds();
    if (now < controllerPollDue_) {
        return;
    }
    controllerPollDue_ = now + controllerPollMilliseconds;
    controllerSlots_.poll(controllers_.get(), now);
    if (captureId_ >= 0 && bindingSlotOf(captureId_).kind == 1) {
        captureButton();
        return;
    }
    const int slot = controllerSlots_.firstConnected();
    if (slot < 0) {
        padNavigation_.disarm();
        padNavigation_.held = 0;
        return;
    }
    padNavigate(padNavigation_.step(
        navigationFlags(controllerSlots_.states.at(static_cast<std::size_t>(slot))), now));
}

void App::captureButton() {
    const qxlauncher::PadButtons buttons = heldControllerButtons();
    const qxlauncher::PadButtons pressed = buttons & ~captureBaseline_;
    captureBaseline_ = buttons;
    if (pressed == 0) {
        return;
    }
    editBindings_.padMasks.at(bindingSlotOf(captureId_).bindingIndex()) = pressed & (~pressed + 1);
    captureId_ = -1;
    statusShown_ = L"Button set. Use SAVE to apply.";
    // The button just bound is still held: it must not navigate when it is released.
    padNavigation_.last = padEverythingHeld;
}

void App::padNavigate(std::uint32_t pressed) {
    if (pressed == 0) {
        return;
    }
    if ((pressed & PadButton::b) != 0) {
        if (settingsOpen_) {
            closeSettings();
        }
        return;
    }
    // A direction from no control (as last seen, or once the list has changed under it) places
    // the focus where no frame has ringed it yet: an A or START of the same poll does not act.
    const bool wasOnNoControl = focusPosition_ == noFocusPosition;
    settleFocus();
    const bool placing =
        (wasOnNoControl || focusPosition_ == noFocusPosition) && (pressed & padDirections) != 0;
    for (const PadKey& row : padNavigationMap) {
        if ((pressed & row.mask) != 0 && !(placing && row.virtualKey == vk::enter)) {
            onKeyDown(row.virtualKey);
        }
    }
    const bool forward = (pressed & PadButton::rightShoulder) != 0;
    if (!forward && (pressed & PadButton::leftShoulder) == 0) {
        return;
    }
    if (!settingsOpen_) {
        cycleSection(forward ? 1 : -1);
        return;
    }
    // One step only: an unavailable neighbour leaves the tab as it is.
    chooseSettingsTab((static_cast<int>(settingsTab_) + (forward ? 1 : settingsTabCount - 1)) %
                      settingsTabCount);
}

} // namespace lumenark
