// Choosing a cabinet on the Play page, opening Settings, and the state of a capture frame.
#include "app/app.h"

#include "app/click_sound.h"
#include "app/ui_event_log.h"

#include <algorithm>
#include <string>

namespace lumenark {
namespace {

constexpr const wchar_t* gameUnavailableText =
    L"Game unavailable: build it on the Build page first.";
constexpr const wchar_t* usePlayText = L" selected. Use PLAY to start.";

} // namespace

void App::selectGame(int game) {
    if (backend_.isGameRunning() || settingsOpen_ || !qxlauncher::isGameKind(game)) {
        return;
    }
    if (game == selectedGame_ && game == loadedGame_) {
        switchEdition(game);
        return;
    }
    selectOtherGame(game);
}

// The selected and loaded game chosen again: its edition switches.
void App::switchEdition(int game) {
    const bool ready = ready_[static_cast<std::size_t>(game)];
    if (game == 2 && ready) {
        const std::int32_t engine = 3 - backend_.currentConfig().Engine;
        if (!backend_.setQx3Engine(engine)) {
            statusShown_ = backend_.statusText();
            return;
        }
        editConfig_ = backend_.currentConfig();
        statusShown_ =
            std::wstring(engine == 2 ? L"NATIVE  /  REMASTERED" : L"NATIVE  /  ORIGINAL") +
            usePlayText;
        logUiEvent(backend_.root(), "qx3-engine " + std::to_string(engine));
        return;
    }
    if (closing_ || !ready) {
        statusShown_ = gameUnavailableText;
        return;
    }
    extendedVideo_ = backend_.extendedVideoAvailable();
    qxlauncher::Config& config = backend_.currentConfig();
    if (!extendedVideo_ && !config.Remastered) {
        statusShown_ = L"Original Arcade: the remastered version is unavailable.";
        return;
    }
    const qxlauncher::Config before = config;
    config.Remastered = !config.Remastered;
    if (!backend_.savePreferences()) {
        statusShown_ = backend_.statusText();
        backend_.currentConfig() = before;
        return;
    }
    editConfig_ = backend_.currentConfig();
    const bool remastered = editConfig_.Remastered;
    remasteredChoice_.at(static_cast<std::size_t>(game)) = remastered;
    statusShown_ = remastered ? L"Remastered selected. Use PLAY to start."
                              : L"Original Arcade selected. Use PLAY to start.";
    logUiEvent(backend_.root(), remastered ? "mode-remastered" : "mode-original");
}

void App::selectOtherGame(int game) {
    const qxlauncher::Config saved = backend_.currentConfig();
    if (!backend_.selectGame(game, false)) {
        statusShown_ = backend_.statusText();
        backend_.currentConfig() = saved;
        backend_.selectGame(std::max(loadedGame_, 0), false);
        return;
    }
    editConfig_ = backend_.currentConfig();
    extendedVideo_ = backend_.extendedVideoAvailable();
    if (game < 2) {
        remasteredChoice_[static_cast<std::size_t>(game)] = editConfig_.Remastered;
    }
    selectedGame_ = game;
    loadedGame_ = game;
    section_ = NavSection::play;
    placeFocus(game);
    const bool playable =
        !closing_ && !backend_.isGameRunning() && ready_[static_cast<std::size_t>(game)];
    if (playable) {
        if (music_ != nullptr && music_->playing()) {
            music_->setDuckUntil(services_.tickMilliseconds() + clickDuckMilliseconds);
        }
        services_.desktop->playSound(clickSoundImage());
    }
    statusShown_ = playable ? L"" : gameUnavailableText;
    logUiEvent(backend_.root(), "game-select " + std::to_string(game));
}

void App::openSettings() {
    if (closing_ || backend_.isGameRunning()) {
        return;
    }
    const auto game = static_cast<std::size_t>(selectedGame_);
    if (selectedGame_ == loadedGame_ && ready_[game] && backend_.selectGame(selectedGame_, true)) {
        gameSettingsLoaded_ = true;
        backend_.loadPreferences(true);
        extendedVideo_ = backend_.extendedVideoAvailable();
        editConfig_ = backend_.currentConfig();
        editAdjustments_ = backend_.loadedAdjustments();
        editedRemastered_ = selectedGame_ == 2 ? editConfig_.Engine == 2 : editConfig_.Remastered;
    } else {
        // LAUNCHER and CONTROLS are the tabs that need no game.
        gameSettingsLoaded_ = false;
        settingsTab_ = SettingsTab::launcher;
    }
    edited_ = applied_;
    editBindings_ = qxlauncher::loadControls(backend_);
    captureId_ = -1;
    settingsOpen_ = true;
    rankingResetPending_ = false;
    placeFocus(0);
    statusShown_.clear();
    logUiEvent(backend_.root(), "settings-open");
}

void App::prepareCapture(bool settingsOpen, SettingsTab tab, std::optional<NavSection> section) {
    applied_.ReducedMotion = true;
    settingsOpen_ = settingsOpen;
    settingsTab_ = tab;
    if (section) {
        section_ = *section;
    }
    // The focus stays where it is in the captured state's list.
    placeFocus(focusPosition_);
    statusShown_.clear();
}

} // namespace lumenark
