#pragma once
// What the menu music plays at on a main-loop turn, and whether the turn draws a frame.
#include "app/navigation.h"
#include "backend/preferences/launcher_files.h"

namespace lumenark {

struct MusicInputs {
    bool gameRunning = false;
    bool closing = false;
    bool iconic = false;
    bool foreground = false;
    bool hasPlayer = false;
    bool settingsOpen = false;
    SettingsTab tab = SettingsTab::video;
    qxlauncher::LauncherPreferences applied;
    qxlauncher::LauncherPreferences edited;
};

struct MusicTurn {
    int volume = 0; // 0 to 100, handed to the player's tick
    bool drawFrame = false;
};

// Silent while a game runs, while closing, while minimised and in the background; otherwise the
// launcher volume unless muted, from the edited preferences while Settings shows LAUNCHER.
MusicTurn musicTurn(const MusicInputs& inputs);

} // namespace lumenark
