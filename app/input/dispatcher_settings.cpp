// The dispatcher's actions on the Settings page: tabs, the cycling rows and switches of the
// editing copies, the edition and sub-page selectors, and the logs folder. Every edit stays in
// the editing copies until SAVE (dispatcher_save.cpp).
#include "app/app.h"

#include "app/control_ids.h"
#include "app/input/setting_steps.h"
#include "app/pages/settings_controls.h"

#include <algorithm>

namespace lumenark {
namespace {

void toggle(bool& value) {
    value = !value;
}

// A switch stored as a number: 1 when it is 0, else 0.
template <typename Number> void toggleNumber(Number& value) {
    value = value == 0 ? 1 : 0;
}

} // namespace

void App::activateSettingsControl(int id) {
    switch (id) {
    case 200: // CRT AND SCANLINES
    case 201: // UPSCALING FILTER
    case 207: // COLORS
    case 208: // BRIGHTNESS
    case 209: // SCREEN / TV FRAME
    case 250: // GAME SYNC
    case 251: // HIGH REFRESH
    case 255: // SCALEFX
    case 276: // IMAGE SCALE
    case 277: // CAS ADAPTIVE SHARPENING
    case 278: // SMAA 1X
    case 279: // BILATERAL FILTER
    case 280: // GAME FULLSCREEN
    case 291: // HDR
    case 292: // PAPER WHITE
    case 293: // PEAK BRIGHTNESS
    case 294: // HDR HIGHLIGHTS
        stepVideoProfile(id);
        break;
    case 202: // LAUNCHER FPS LIMIT
    case 203: // LAUNCHER V-SYNC
    case 204: // REDUCE MOTION
    case 206: // LAUNCHER FULLSCREEN
    case 282: // the menu music's mute switch
        stepLauncherPreference(id);
        break;
    case 205: // AUDIO QUEUE
        editConfig_.AudioLatency = nextAudioLatency(editConfig_.AudioLatency);
        break;
    case settingsSaveControlId:
        saveSettings();
        break;
    case restoreDefaultsControlId:
        restoreDefaults();
        break;
    case settingsBackControlId:
        closeSettings();
        break;
    case 230: // OPEN LOGS
        openLogFolder(backend_.root() / "logs");
        break;
    case 245: // DEFAULT GAME VERSION
        switchDefaultVersion();
        break;
    case 260: // COMPUTER DIFFICULTY
    case 261: // COINAGE
    case 262: // FREE PLAY
    case 263: // BLOOD
    case 264: // VIOLENCE
        if (settingsOpen_ && settingsTab_ == SettingsTab::adjustments) {
            stepAdjustment(id, +1);
        }
        break;
    case 271: // RESET RANKING
        askRankingReset();
        break;
    case 272: // CONFIRM
        confirmRankingReset();
        break;
    case 273: // CANCEL
        rankingResetPending_ = false;
        statusShown_.clear();
        break;
    case 274: // the edition selector
        switchEditedEdition();
        break;
    case 275: // VIDEO CONTROLS
        switchVideoControls();
        break;
    case 290: // DISPLAY CONTROLS
        if (hasRemastered()) {
            toggle(displayControlsShown_);
        }
        break;
    case 390: // OPPOSITE DIRECTIONS (SOCD)
    case 391: // RUN-AHEAD
    case 392: // TRAINING MODE
        switchBindingOption(id);
        break;
    default:
        // 243, 244 only inform; 256, 270 and 281 are sliders, moved by dragging.
        if (std::find(bindingSlotIds().begin(), bindingSlotIds().end(), id) !=
            bindingSlotIds().end()) {
            startBindingCapture(id);
        }
        break;
    }
}

void App::chooseSettingsTab(int tab) {
    if (!settingsTabAvailable(static_cast<SettingsTab>(tab), gameSettingsLoaded_)) {
        return;
    }
    settingsTab_ = static_cast<SettingsTab>(tab);
    rankingResetPending_ = false;
    // A capture left running would take the next key or button on the new tab as the binding.
    if (captureId_ >= 0) {
        captureId_ = -1;
        statusShown_.clear();
    }
    placeFocus(0);
}

// The rows of the edited profile: the video and display rows of the edition being edited.
void App::stepVideoProfile(int id) {
    const bool remastered = hasRemastered();
    qxlauncher::VideoSettings& profile = editedProfile();
    switch (id) {
    case 200:
        profile.scanlines = nextScanlines(profile.scanlines, remastered);
        return;
    case 201:
        profile.filter = nextFilter(profile.filter, remastered);
        return;
    case 207:
        profile.color = (profile.color + 1) % 3;
        return;
    case 208:
        profile.brightness = nextBrightness(profile.brightness);
        return;
    case 209:
        // The older second-game package has one switch, the TV frame, on either profile; so has
        // the Original profile of the others.
        if ((selectedGame_ == 1 && !backend_.nativePackagePresent()) || !editedRemastered_) {
            toggle(profile.bezel);
        } else if (profile.widescreen) {
            // The Remastered screen: TV FRAME -> 4:3 -> WIDESCREEN -> TV FRAME.
            profile.widescreen = false;
            profile.bezel = true;
        } else if (profile.bezel) {
            profile.bezel = false;
        } else {
            profile.widescreen = true;
        }
        return;
    case 250:
        profile.sync = nextGameSync(profile.sync, remastered);
        return;
    case 292:
    case 293:
    case 294:
        if (!isControlEnabled(id)) {
            return;
        }
        if (id == 292) {
            profile.hdrpaperwhite = nextPaperWhite(profile.hdrpaperwhite);
        } else if (id == 293) {
            profile.hdrpeak = nextPeakBrightness(profile.hdrpeak);
        } else {
            profile.hdrhighlights = nextHighlights(profile.hdrhighlights);
        }
        return;
    default:
        break;
    }
    // The rest acts only when the game offers the Remastered edition.
    if (!remastered) {
        return;
    }
    switch (id) {
    case 251:
        toggle(profile.highrefresh);
        break;
    case 255:
        toggle(profile.scalefx);
        break;
    case 276:
        profile.scalemode = (profile.scalemode + 1) % 6;
        break;
    case 277:
        profile.cas = nextLevel(profile.cas);
        break;
    case 278:
        toggle(profile.smaa);
        break;
    case 279:
        profile.bilateral = nextLevel(profile.bilateral);
        break;
    case 280:
        toggle(profile.fullscreen);
        break;
    case 291:
        toggleNumber(profile.hdr);
        break;
    default:
        break;
    }
}

void App::stepLauncherPreference(int id) {
    switch (id) {
    case 202:
        edited_.FPS = nextLauncherFps(edited_.FPS);
        break;
    case 203:
        toggle(edited_.VSync);
        break;
    case 204:
        toggle(edited_.ReducedMotion);
        break;
    case 206:
        toggle(edited_.Fullscreen);
        break;
    case 282:
        if (settingsOpen_ && settingsTab_ == SettingsTab::launcher) {
            toggle(edited_.Muted);
        }
        break;
    default:
        break;
    }
}

void App::switchDefaultVersion() {
    toggle(editConfig_.Remastered);
    if (selectedGame_ != 2) {
        editedRemastered_ = editConfig_.Remastered;
    }
}

// A drag of the ScaleFX strength slider ends when its row may vanish or change profile.
void App::endSliderDrag() {
    if (pressedControl_ != scalefxStrengthControlId) {
        return;
    }
    pressedControl_ = -1;
    if (window_ != nullptr && window_->holdsMouseCapture()) {
        window_->releaseMouseCapture();
    }
}

void App::switchEditedEdition() {
    if (!hasRemastered()) {
        return;
    }
    endSliderDrag();
    const bool wasRemastered = editedRemastered_;
    toggle(editedRemastered_);
    // The default version follows the profile being edited, except back to Remastered without
    // the extended video options; the third game's edition is chosen on its cabinet.
    if (selectedGame_ != 2 && (extendedVideo_ || wasRemastered)) {
        editConfig_.Remastered = editedRemastered_;
    }
}

void App::switchVideoControls() {
    if (!hasRemastered()) {
        return;
    }
    endSliderDrag();
    toggle(editConfig_.VideoEffects);
}

void App::switchBindingOption(int id) {
    if (!settingsOpen_ || settingsTab_ != SettingsTab::controls) {
        return;
    }
    switch (id) {
    case 390:
        toggleNumber(editBindings_.socd);
        break;
    case 391:
        toggleNumber(editBindings_.runAhead);
        break;
    default:
        toggleNumber(editBindings_.trainingMode);
        break;
    }
}

} // namespace lumenark
