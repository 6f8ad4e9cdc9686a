// Settings' SAVE and RESTORE DEFAULTS, the start of a binding capture and the ranking reset.
// SAVE writes what the tab edits; RESTORE DEFAULTS changes the editing copies only.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/input/held_buttons.h"
#include "app/ui_event_log.h"
#include "platform/text.h"
#include "presentation/hid_input.h"

#include <string>

namespace lumenark {

void App::saveSettings() {
    if (!settingsOpen_) {
        return;
    }
    if (settingsTab_ == SettingsTab::launcher) {
        if (qxlauncher::saveLauncherPreferences(backend_, edited_)) {
            applied_ = edited_;
            setFullscreen(edited_.Fullscreen);
            statusShown_ = L"Launcher preferences saved.";
            logUiEvent(backend_.root(), "launcher-settings-saved");
        } else {
            statusShown_ = L"Could not save the launcher preferences.";
        }
        return;
    }
    bool gameSaved = true;
    if (gameSettingsLoaded_) {
        gameSaved = backend_.saveAll(editConfig_, editAdjustments_);
        if (gameSaved) {
            editConfig_ = backend_.currentConfig();
            editAdjustments_ = backend_.loadedAdjustments();
            // The third game's edition is its engine, not this switch.
            if (selectedGame_ < 2) {
                remasteredChoice_.at(static_cast<std::size_t>(selectedGame_)) =
                    backend_.currentConfig().Remastered;
            }
            logUiEvent(backend_.root(), "settings-saved");
        }
        statusShown_ = backend_.statusText();
    }
    if (settingsTab_ == SettingsTab::controls) {
        const bool controlsSaved = qxlauncher::saveControls(backend_, editBindings_);
        const wchar_t* controlsSentence =
            controlsSaved ? L"Controls saved for every game." : L"Could not save the controls.";
        // When either save failed the line says what became of both, the game's first: the
        // player must take neither a refused edit as saved nor a saved one as lost.
        if (gameSettingsLoaded_ && !(gameSaved && controlsSaved)) {
            statusShown_ += L" ";
            statusShown_ += controlsSentence;
        } else {
            statusShown_ = controlsSentence;
        }
        captureId_ = -1;
    }
}

void App::restoreDefaults() {
    if (!settingsOpen_) {
        return;
    }
    switch (settingsTab_) {
    case SettingsTab::controls:
        editBindings_ = qxlauncher::ControlBindings{};
        captureId_ = -1;
        restoreGameDefaults();
        break;
    case SettingsTab::launcher:
        // FPS 60, volume 100, V-Sync on, reduced motion off, fullscreen on, not muted.
        edited_ = qxlauncher::LauncherPreferences{};
        statusShown_ = L"Launcher defaults restored on screen. Use SAVE to apply.";
        break;
    case SettingsTab::video:
    case SettingsTab::display:
        restoreVideoProfile();
        break;
    case SettingsTab::audio:
    case SettingsTab::adjustments:
    case SettingsTab::utilities:
        restoreGameDefaults();
        break;
    }
}

// The game's own settings but its engine, its video-effects switch and both profiles; and its
// adjustments.
void App::restoreGameDefaults() {
    qxlauncher::Config restored;
    restored.Engine = editConfig_.Engine;
    restored.VideoEffects = editConfig_.VideoEffects;
    restored.original = editConfig_.original;
    restored.remastered = editConfig_.remastered;
    editConfig_ = restored;
    editAdjustments_ = backend_.adjustmentsAvailable() ? qxlauncher::GameAdjustments{}
                                                       : backend_.loadedAdjustments();
    rankingResetPending_ = false;
    statusShown_ = L"Defaults restored on screen. Use SAVE to apply.";
}

// The edited profile only; the other keeps its values.
void App::restoreVideoProfile() {
    qxlauncher::VideoSettings restored;
    if (selectedGame_ == 2 && editedRemastered_) {
        restored.scanlines = 4;
        restored.scalefx = true;
    }
    if (!hasRemastered()) {
        restored.sync = 2;
    }
    editedProfile() = restored;
    statusShown_ = L"Video profile restored on screen. Use SAVE to apply.";
}

// --- The binding capture --------------------------------------------------------------------

void App::startBindingCapture(int id) {
    if (!settingsOpen_ || settingsTab_ != SettingsTab::controls) {
        return;
    }
    const BindingSlot slot = bindingSlotOf(id);
    captureId_ = id;
    // Only a button that is not held now can become the binding.
    captureBaseline_ = heldControllerButtons();
    statusShown_ = std::wstring(L"Press ") + (slot.kind == 0 ? L"a key" : L"a controller button") +
                   L" for P" + std::to_wstring(slot.player + 1) + L" " +
                   platform::wideFromUtf8(
                       qxlauncher::controlSlotNames.at(static_cast<std::size_t>(slot.slot))) +
                   L". Esc cancels.";
}

qxlauncher::PadButtons App::heldControllerButtons() const {
    const std::vector<HidPadState> hidPads =
        services_.hidSnapshot ? services_.hidSnapshot() : std::vector<HidPadState>{};
    return heldPadButtons(controllerSlots_.states, controllerSlots_.connected, hidPads);
}

// --- The ranking reset ----------------------------------------------------------------------

void App::askRankingReset() {
    if (!settingsOpen_ || settingsTab_ != SettingsTab::utilities ||
        !backend_.adjustmentsAvailable()) {
        return;
    }
    rankingResetPending_ = true;
    statusShown_ = L"Reset the saved ranking? This is immediate and cannot be undone.";
}

// The reset writes the CMOS image at once, whatever SAVE does later.
void App::confirmRankingReset() {
    if (!settingsOpen_ || settingsTab_ != SettingsTab::utilities || !rankingResetPending_) {
        return;
    }
    backend_.resetRanking();
    rankingResetPending_ = false;
    statusShown_ = backend_.statusText();
}

} // namespace lumenark
