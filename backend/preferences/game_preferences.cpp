// The selected game's preferences in the backend: selecting and loading a game, saving and
// resetting its preferences file, and the third game's engine choice.
#include "backend/backend.h"
#include "backend/files/failure_log.h"
#include "backend/files/file_safety.h"
#include "backend/preferences/config.h"

#include <stdexcept>

namespace qxlauncher {

bool Backend::loadPreferences(bool withAdjustments) {
    qx2NativeSelected = selectedGame == 1 && nativePackagePresent();
    const int kind = qx2NativeSelected ? 0 : selectedGame;
    const PreferencesLoad load =
        loadPreferencesFile(preferencesFilePath(projectRoot, selectedGame, qx2NativeSelected),
                            gameIdNarrow(selectedGame), kind);
    config = load.config;
    status = load.status;
    loadAdjustments(withAdjustments);
    if (selectedGame == 2 && !isGameRunning()) {
        qx3Edition = config.Engine;
    }
    return load.accepted;
}

bool Backend::selectGame(int game, bool withAdjustments) {
    if (isGameRunning() || !isGameKind(game)) {
        return false;
    }
    if (game == selectedGame) {
        return true;
    }
    selectedGame = game;
    // A repaired or dropped file still leaves a validated record for the game, so the game
    // counts as selected whatever the load reported.
    loadPreferences(withAdjustments);
    return true;
}

bool Backend::savePreferences() {
    if (isGameRunning()) {
        status = L"Close the game before saving preferences.";
        return false;
    }
    try {
        int kind = selectedGame;
        const bool nativeNow = selectedGame == 1 && nativePackagePresent();
        if (nativeNow != qx2NativeSelected) {
            throw std::runtime_error("selected installation changed; reload Settings");
        }
        if (nativeNow) {
            kind = 0;
        }
        config.validate(kind);
        atomicReplaceFile(preferencesFilePath(projectRoot, selectedGame, qx2NativeSelected),
                          preferencesText(config, selectedGame));
        status = L"Preferences saved.";
        return true;
    } catch (const std::exception& error) {
        logAbsorbedFailure("preferences save failed: ", error.what());
        status = L"Could not save the preferences; check access to the profile folder.";
        return false;
    }
}

bool Backend::resetPreferences() {
    if (isGameRunning()) {
        status = L"Close the game before saving preferences.";
        return false;
    }
    const Config loaded = config;
    config.setDefaults(selectedGame);
    if (savePreferences()) {
        return true;
    }
    config = loaded;
    return false;
}

bool Backend::setQx3Engine(std::int32_t edition) {
    if (selectedGame != 2 || isGameRunning()) {
        return false;
    }
    if (edition != 1 && edition != 2) {
        status = L"QX3 is unavailable: build it again on the Build page.";
        return false;
    }
    const Config savedConfig = config;
    const std::int32_t savedEdition = qx3Edition;
    config.Engine = edition;
    qx3Edition = edition;
    if (savePreferences()) {
        return true;
    }
    config = savedConfig;
    qx3Edition = savedEdition;
    return false;
}

} // namespace qxlauncher
