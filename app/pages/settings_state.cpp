// What the Settings page shows for the App's state: its control list, the regions and the focus
// list taken from it, and the enabled rule.
#include "app/app.h"

#include <algorithm>

namespace lumenark {

SettingsState App::settingsState() const {
    SettingsState state;
    state.tab = settingsTab_;
    state.gameSettingsLoaded = gameSettingsLoaded_;
    state.game = selectedGame_;
    state.remasteredOffered = hasRemastered();
    state.extendedVideo = extendedVideo_;
    state.editedRemastered = editedRemastered_;
    state.displayHdrShown = displayControlsShown_;
    state.rankingResetPending = rankingResetPending_;
    state.captureId = captureId_;
    state.adjustmentsAvailable = backend_.adjustmentsAvailable();
    state.adjustmentsOffered = backend_.adjustmentsOffered();
    state.config = editConfig_;
    state.adjustments = editAdjustments_;
    // The row shows the preset's text; free play has a row of its own.
    qxlauncher::GameAdjustments coinage = editAdjustments_;
    coinage.freePlay = false;
    state.coinageText = backend_.coinageLabel(coinage);
    state.launcher = edited_;
    state.bindings = editBindings_;
    state.keyName = [this](std::uint8_t code) { return desktop().keyName(code); };
    return state;
}

std::vector<SettingsControl> App::settingsControlList() const {
    return lumenark::settingsControlList(settingsState());
}

void App::appendSettingsRegions(std::vector<HitRegion>& regions) const {
    const float shift = settingsShift(designWidth());
    for (const SettingsControl& control : settingsControlList()) {
        regions.push_back({control.id, control.rect.x + shift, control.rect.y, control.rect.width,
                           control.rect.height, control.enabled});
    }
}

std::vector<int> App::settingsFocusOrder() const {
    return settingsFocusList(settingsControlList());
}

bool App::isControlEnabled(int id) const {
    return settingsControlEnabled(settingsState(), id);
}

int App::connectedControllerCount() const {
    return controllerSlots_.connectedCount();
}

} // namespace lumenark
