#include "app/loop/music_volume.h"

namespace lumenark {

MusicTurn musicTurn(const MusicInputs& inputs) {
    if (inputs.gameRunning || inputs.closing || inputs.iconic) {
        return {0, !inputs.iconic};
    }
    if (!inputs.foreground || !inputs.hasPlayer) {
        return {0, true};
    }
    const qxlauncher::LauncherPreferences& preferences =
        inputs.settingsOpen && inputs.tab == SettingsTab::launcher ? inputs.edited : inputs.applied;
    return {preferences.Muted ? 0 : preferences.Volume, true};
}

} // namespace lumenark
