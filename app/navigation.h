#pragma once

namespace lumenark {

enum class NavSection : int { overview = 0, romSetup = 1, build = 2, play = 3, legal = 4 };

enum class SettingsTab : int {
    video = 0,
    audio = 1,
    display = 2,
    launcher = 3,
    adjustments = 4,
    utilities = 5,
    controls = 6,
};

} // namespace lumenark
