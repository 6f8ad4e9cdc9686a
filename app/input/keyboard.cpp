// The keyboard: a running binding capture takes the keys first; then the keys of every page
// (F11, Esc, PgUp and PgDn, Tab), then those of the Settings page, the Play page or the other
// sections. The controllers' navigation buttons arrive here as keys too.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/input/focus_follow.h"
#include "app/input/virtual_keys.h"
#include "app/pages/settings_controls.h"
#include "app/ui_event_log.h"

#include <algorithm>

namespace lumenark {
namespace {

constexpr int sliderKeyStep = 5;

bool isArrow(int key) {
    return key == vk::left || key == vk::right;
}

bool isActivationKey(int key) {
    return key == vk::enter || key == vk::space;
}

bool isOperatorAdjustment(int id) {
    return id >= 260 && id <= 264;
}

// The rows whose value steps forward with either arrow.
bool isSteppingControl(int id) {
    return (id >= 200 && id <= 209) || id == 245 || id == 250 || id == 251 || id == 255 ||
           (id >= 274 && id <= 280) || (id >= 290 && id <= 294);
}

// position + step within 0 to count - 1, wrapping around at both ends.
int wrapPosition(int position, int step, int count) {
    return ((position + step) % count + count) % count;
}

int clampPosition(int position, int count) {
    return std::clamp(position, 0, count - 1);
}

void nudge(std::int32_t& level, int delta) {
    level = std::clamp(level + delta, 0, 100);
}

} // namespace

void App::onKeyDown(int key) {
    inputSeen_ = true;
    settleFocus();
    if (captureId_ >= 0) {
        captureKey(key);
        return;
    }
    switch (key) {
    case vk::f11:
        setFullscreen(!fullscreen_);
        return;
    case vk::escape:
        escapeKey();
        return;
    case vk::pageUp:
        cycleSection(-1);
        return;
    case vk::pageDown:
        cycleSection(1);
        return;
    case vk::tab:
        moveFocus(wrapPosition(focusPosition_, 1, static_cast<int>(focusOrder().size())));
        return;
    default:
        break;
    }
    if (settingsOpen_) {
        settingsKey(key);
    } else if (section_ == NavSection::play) {
        playKey(key);
    } else {
        sectionKey(key);
    }
}

void App::captureKey(int key) {
    const BindingSlot slot = bindingSlotOf(captureId_);
    if (key == vk::escape) {
        statusShown_ = L"Unchanged.";
        captureId_ = -1;
        return;
    }
    if (slot.kind != 0) {
        // A controller button is being captured: the pad poll ends it.
        return;
    }
    if (key == vk::processKey) {
        // Not a key of the keyboard: an input method hid which one it was.
        return;
    }
    if (key == vk::f5 || key == vk::f7) {
        // The games keep these for their save states.
        statusShown_ = L"F5/F7 save and load the game state.";
        return;
    }
    editBindings_.keyCodes.at(slot.bindingIndex()) = static_cast<std::uint8_t>(key);
    statusShown_ = L"Key set. Use SAVE to apply.";
    captureId_ = -1;
}

void App::escapeKey() {
    if (fullscreen_) {
        setFullscreen(false);
        logUiEvent(backend_.root(), "fullscreen-exit-escape");
    } else if (settingsOpen_) {
        closeSettings();
    } else {
        requestClose();
    }
}

void App::cycleSection(int step) {
    const int current = settingsOpen_ ? settingsNavigationId : sectionNavigationId(section_);
    const int count = static_cast<int>(navigationOrder.size());
    int index =
        static_cast<int>(std::find(navigationOrder.begin(), navigationOrder.end(), current) -
                         navigationOrder.begin());
    const bool settingsUnavailable = closing_ || backend_.isGameRunning();
    for (int steps = 0; steps < count; ++steps) {
        index = wrapPosition(index, step, count);
        if (navigationOrder.at(static_cast<std::size_t>(index)) != settingsNavigationId ||
            !settingsUnavailable) {
            break;
        }
    }
    activate(navigationOrder.at(static_cast<std::size_t>(index)));
}

void App::settingsKey(int key) {
    const std::vector<int> order = focusOrder();
    const int count = static_cast<int>(order.size());
    if (key == vk::up || key == vk::down) {
        moveFocus(wrapPosition(focusPosition_, key == vk::down ? 1 : -1, count));
    }
    moveFocus(clampPosition(focusPosition_, count));
    const int focused = order.at(static_cast<std::size_t>(focusPosition_));
    const int delta = key == vk::right ? 1 : -1;
    if (isArrow(key) && focused == scalefxStrengthControlId) {
        nudge(editedProfile().scalefxamount, sliderKeyStep * delta);
    } else if (isArrow(key) && focused == gameVolumeControlId) {
        nudge(editConfig_.GameVolume, sliderKeyStep * delta);
    } else if (isArrow(key) && focused == menuVolumeControlId) {
        nudge(edited_.Volume, sliderKeyStep * delta);
    } else if (isArrow(key) && settingsTab_ == SettingsTab::adjustments &&
               isOperatorAdjustment(focused)) {
        stepAdjustment(focused, delta);
    } else if (isActivationKey(key) || (isArrow(key) && isSteppingControl(focused))) {
        activate(focused);
    } else if (key >= '1' && key < '1' + settingsTabCount) {
        chooseSettingsTab(key - '1');
    }
}

void App::playKey(int key) {
    // By control: PLAY is a stop only while a cabinet is loaded (it is drawn only then), so the
    // positions after the cabinets depend on it.
    const std::vector<int> order = focusOrder();
    const int focused = focusedControlAtPosition(order);
    const auto hasStop = [&](int id) {
        return std::find(order.begin(), order.end(), id) != order.end();
    };
    const auto focusOn = [&](int id) {
        moveFocus(static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin()));
    };
    constexpr int cabinets = qxlauncher::gameCount;
    const bool onCabinet = focusPosition_ >= 0 && focusPosition_ < cabinets;
    const bool onButtons = focused == playControlId || focused == settingsNavigationId;
    // PLAY when it is a stop, else SETTINGS.
    const int lowerButton = hasStop(playControlId) ? playControlId : settingsNavigationId;
    switch (key) {
    case vk::left:
    case vk::right:
        if (onCabinet) {
            moveFocus(wrapPosition(focusPosition_, key == vk::right ? 1 : -1, cabinets));
        } else if (onButtons) {
            focusOn(focused == settingsNavigationId ? lowerButton : settingsNavigationId);
        }
        break;
    case vk::up:
        if (onCabinet) {
            focusOn(settingsNavigationId);
        } else if (onButtons) {
            moveFocus(std::max(loadedGame_, 0));
        }
        break;
    case vk::down:
        focusOn(focused == playControlId ? settingsNavigationId : lowerButton);
        break;
    case vk::enter:
    case vk::space:
        if (focused >= 0) {
            activate(focused);
        }
        break;
    case 'L':
        activate(gameLogFolderControlId);
        break;
    case 'S':
        openSettings();
        break;
    default:
        break;
    }
}

void App::sectionKey(int key) {
    const std::vector<int> order = focusOrder();
    const int count = static_cast<int>(order.size());
    const bool onNoControl = focusPosition_ == noFocusPosition;
    if (!onNoControl) {
        moveFocus(clampPosition(focusPosition_, count));
    }
    if (isActivationKey(key)) {
        if (!onNoControl) {
            activate(order.at(static_cast<std::size_t>(focusPosition_)));
        }
    } else if (key == vk::left || key == vk::up) {
        // From no control, as if the focus stood just past the list's ends: back to the last.
        moveFocus(onNoControl ? count - 1 : wrapPosition(focusPosition_, -1, count));
    } else if (key == vk::right || key == vk::down) {
        moveFocus(onNoControl ? 0 : wrapPosition(focusPosition_, 1, count));
    } else if (key == 'S') {
        openSettings();
    }
}

} // namespace lumenark
