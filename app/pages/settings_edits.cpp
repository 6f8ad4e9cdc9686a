// The Settings page's direct edits: dragging its three sliders and stepping the operator
// adjustments. Everything stays in the editing copies until SAVE.
#include "app/app.h"

#include <algorithm>
#include <cmath>

namespace lumenark {
namespace {

constexpr float sliderLeft = 969.0f;

// The level under x (from the slider's left edge) on a slider this wide: to the nearest whole
// percent, halves away from zero, within 0 to 100.
std::int32_t sliderLevel(double x, double width) {
    return static_cast<std::int32_t>(std::clamp(std::lround(x * 100.0 / width), 0L, 100L));
}

// value + delta within 1 to count, wrapping around at both ends.
std::int32_t wrapStep(std::int32_t value, int delta, std::int32_t count) {
    return ((value - 1 + delta) % count + count) % count + 1;
}

} // namespace

void App::dragSlider() {
    if (!settingsOpen_) {
        return;
    }
    const double x = static_cast<double>(cursorX_) - sliderLeft - settingsShift(designWidth());
    switch (pressedControl_) {
    case scalefxStrengthControlId:
        if (settingsTab_ == SettingsTab::video && editConfig_.VideoEffects && hasRemastered() &&
            editedProfile().scalefx) {
            editedProfile().scalefxamount = sliderLevel(x, 260);
        }
        break;
    case gameVolumeControlId:
        if (settingsTab_ == SettingsTab::utilities && hasRemastered()) {
            editConfig_.GameVolume = sliderLevel(x, 260);
        }
        break;
    case menuVolumeControlId:
        if (settingsTab_ == SettingsTab::launcher) {
            edited_.Volume = sliderLevel(x, 166);
        }
        break;
    default:
        break;
    }
}

void App::stepAdjustment(int id, int delta) {
    if (id == 263 || id == 264) {
        if (backend_.adjustmentsOffered()) {
            bool& dipSwitch = id == 263 ? editConfig_.Blood : editConfig_.Violence;
            dipSwitch = !dipSwitch;
        }
        return;
    }
    if (!backend_.adjustmentsAvailable()) {
        return;
    }
    switch (id) {
    case 260:
        editAdjustments_.difficulty = wrapStep(editAdjustments_.difficulty, delta, 5);
        break;
    case 261:
    case 262:
        // The first game's coinage is the launcher's to write only once it took it over; until
        // then an edit starts from the first preset.
        if (selectedGame_ == 0 && !editConfig_.CmosCoinage) {
            editAdjustments_.coinagePreset = 1;
            editAdjustments_.freePlay = false;
            editAdjustments_.customCoinage = false;
        }
        editConfig_.CmosCoinage = true;
        if (id == 261) {
            editAdjustments_.customCoinage = false;
            editAdjustments_.coinagePreset =
                wrapStep(editAdjustments_.coinagePreset, delta, qxlauncher::coinagePresetCount);
        } else {
            editAdjustments_.freePlay = !editAdjustments_.freePlay;
        }
        break;
    default:
        break;
    }
}

} // namespace lumenark
