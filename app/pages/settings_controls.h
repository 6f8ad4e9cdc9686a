#pragma once
// The Settings page's controls for one state: the tabs, the rows of the current tab and the
// three buttons at the bottom, each with its id, rectangle, text, look and enabled flag. The page
// draws this list and the hit list takes its regions from it, so the two cannot drift apart.
#include "app/control_ids.h"
#include "app/navigation.h"
#include "backend/cmos/adjustments.h"
#include "backend/preferences/config.h"
#include "backend/preferences/launcher_files.h"
#include "presentation/renderer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumenark {

// The page is laid out for the design width 1536 and centred in wider ones.
inline float settingsShift(float designWidth) {
    return (designWidth - 1536.0f) / 2.0f;
}

enum class SettingsControlStyle {
    button,     // a plain or primary button
    row,        // a row: title and description on the left, its value button on the right
    sliderRow,  // a row whose control is a slider showing a level of 0 to 100
    compactRow, // a low row under the CONTROLS grid: title, description and a low button
};

struct SettingsControl {
    int id = -1;
    RectF rect;         // before the centring shift
    std::wstring label; // the button's text (a row's value)
    SettingsControlStyle style = SettingsControlStyle::button;
    bool enabled = true;
    bool primary = false;
    float fontSize = 15.0f;
    // Rows: the row's top, title and description.
    float rowY = 0.0f;
    std::wstring title;
    std::wstring description;
    int level = 0; // sliders
};

// What the page shows, read from the App's state.
struct SettingsState {
    SettingsTab tab = SettingsTab::launcher;
    bool gameSettingsLoaded = false;
    int game = 0;
    bool remasteredOffered = false; // App::hasRemastered
    bool extendedVideo = false;     // the backend offers the extended video options
    bool editedRemastered = false;  // the video and display rows edit the Remastered profile
    bool displayHdrShown = false;   // the DISPLAY tab shows its HDR rows
    bool rankingResetPending = false;
    int captureId = -1;
    bool adjustmentsAvailable = false;
    bool adjustmentsOffered = false;
    qxlauncher::Config config;
    qxlauncher::GameAdjustments adjustments;
    std::wstring coinageText; // the COINAGE row's value
    qxlauncher::LauncherPreferences launcher;
    qxlauncher::ControlBindings bindings;
    // The name a key cell shows for a virtual-key code.
    std::function<std::wstring(std::uint8_t)> keyName;

    const qxlauncher::VideoSettings& profile() const {
        return editedRemastered ? config.remastered : config.original;
    }
};

// LAUNCHER and CONTROLS need no game; the other tabs need the game settings loaded.
inline bool settingsTabAvailable(SettingsTab tab, bool gameSettingsLoaded) {
    return tab == SettingsTab::launcher || tab == SettingsTab::controls || gameSettingsLoaded;
}

// The enabled rule of a Settings control (every id not named by it is enabled).
bool settingsControlEnabled(const SettingsState& state, int id);

// The controls of the page in hit-list order: tabs, the current tab's rows, BACK, RESTORE
// DEFAULTS, SAVE.
std::vector<SettingsControl> settingsControlList(const SettingsState& state);

// The focus list: the current tab's enabled controls in list order, then SAVE, RESTORE DEFAULTS
// and BACK.
std::vector<int> settingsFocusList(const std::vector<SettingsControl>& controls);

// Control ids of the page that more than one file names.
inline constexpr int firstTabControlId = 220;
inline constexpr int settingsTabCount = 7;
inline constexpr int scalefxStrengthControlId = 256;
inline constexpr int gameVolumeControlId = 270;
inline constexpr int menuVolumeControlId = 281;

} // namespace lumenark
