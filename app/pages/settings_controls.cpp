#include "app/pages/settings_controls.h"

#include "app/control_ids.h"
#include "app/ui/text_layout.h"

#include <array>
#include <string_view>

namespace lumenark {
namespace {

using qxlauncher::VideoSettings;

constexpr float rowX = 969.0f;
constexpr float rowWidth = 260.0f;
constexpr float rowHeight = 54.0f;

constexpr std::array<std::wstring_view, settingsTabCount> tabNames{
    L"VIDEO", L"AUDIO", L"DISPLAY", L"LAUNCHER", L"ADJUSTMENTS", L"UTILITIES", L"CONTROLS"};
constexpr std::array<std::wstring_view, 6> scaleModeNames{L"FIT 4:3",      L"INTEGER / AUTO",
                                                          L"INTEGER / 2X", L"INTEGER / 3X",
                                                          L"INTEGER / 4X", L"INTEGER LINES 4:3"};
constexpr std::array<std::wstring_view, 4> filterNames{L"SHARP PIXELS", L"BILINEAR",
                                                       L"SHARP BILINEAR", L"BICUBIC"};
constexpr std::array<std::wstring_view, 10> scanlineNames{
    L"OFF",      L"LIGHT / 25%", L"MEDIUM / 50%", L"STRONG / 75%", L"BVM / 1080p",
    L"BVM / 4K", L"BVM / SOFT",  L"CRT / ENERGY", L"PVM / SOFT",   L"CRT / PHOSPHOR"};
constexpr std::array<std::wstring_view, 3> colorNames{L"ORIGINAL", L"VIVID", L"WARM"};
constexpr std::array<std::wstring_view, 3> syncNames{L"V-SYNC", L"VRR / ADAPTIVE", L"IMMEDIATE"};
constexpr std::array<std::wstring_view, 3> latencyNames{L"LOW / 40 ms", L"BALANCED",
                                                        L"SAFE / 140 ms"};
constexpr std::array<std::wstring_view, 5> difficultyNames{L"VERY EASY", L"EASY", L"MEDIUM",
                                                           L"HARD", L"VERY HARD"};

// The name of a value, or the value itself when a stored file holds one the page has no name for.
template <std::size_t N>
std::wstring named(const std::array<std::wstring_view, N>& names, std::int32_t value,
                   std::int32_t first = 0) {
    const std::int32_t index = value - first;
    if (index >= 0 && static_cast<std::size_t>(index) < N) {
        return std::wstring(names[static_cast<std::size_t>(index)]);
    }
    return std::to_wstring(value);
}

std::wstring onOff(bool on) {
    return on ? L"ON" : L"OFF";
}

std::wstring percent(std::int32_t value) {
    return std::to_wstring(value) + L"%";
}

std::wstring percentOrOff(std::int32_t value) {
    return value == 0 ? std::wstring(L"OFF") : percent(value);
}

std::wstring nitsOrAuto(std::int32_t value) {
    return value == 0 ? std::wstring(L"AUTO") : std::to_wstring(value) + L" NITS";
}

// Builds one tab's rows on top of the list.
class RowList {
public:
    RowList(const SettingsState& state, std::vector<SettingsControl>& out)
        : state_(state), out_(out) {}

    // A row with its value button at x 969, 260 x 54; enabled by the page's rule unless given.
    void row(int id, float y, std::wstring_view title, std::wstring label,
             std::wstring_view description) {
        row(id, y, title, std::move(label), description, settingsControlEnabled(state_, id));
    }
    void row(int id, float y, std::wstring_view title, std::wstring label,
             std::wstring_view description, bool enabled) {
        SettingsControl& control = add(id, {rowX, y, rowWidth, rowHeight}, std::move(label),
                                       SettingsControlStyle::row, enabled);
        control.rowY = y;
        control.title = title;
        control.description = description;
    }
    void slider(int id, RectF rect, std::wstring_view title, std::int32_t level,
                std::wstring_view description, bool enabled) {
        SettingsControl& control =
            add(id, rect, percent(level), SettingsControlStyle::sliderRow, enabled);
        control.rowY = rect.y;
        control.title = title;
        control.description = description;
        control.level = level;
    }
    void compact(int id, float y, std::wstring_view title, std::wstring label,
                 std::wstring_view description) {
        SettingsControl& control = add(id, {rowX, y, rowWidth, 28}, std::move(label),
                                       SettingsControlStyle::compactRow, true);
        control.fontSize = 12;
        control.rowY = y;
        control.title = title;
        control.description = description;
    }
    SettingsControl& button(int id, RectF rect, std::wstring label, bool enabled, bool primary,
                            float fontSize) {
        SettingsControl& control =
            add(id, rect, std::move(label), SettingsControlStyle::button, enabled);
        control.primary = primary;
        control.fontSize = fontSize;
        return control;
    }

private:
    SettingsControl& add(int id, RectF rect, std::wstring label, SettingsControlStyle style,
                         bool enabled) {
        SettingsControl& control = out_.emplace_back();
        control.id = id;
        control.rect = rect;
        control.label = std::move(label);
        control.style = style;
        control.enabled = enabled;
        return control;
    }

    const SettingsState& state_;
    std::vector<SettingsControl>& out_;
};

float rowAt(float top, float step, int index) {
    return top + step * static_cast<float>(index);
}

std::wstring editionText(const SettingsState& state) {
    return state.editedRemastered ? L"REMASTERED" : L"ORIGINAL ARCADE";
}

void videoRows(const SettingsState& state, RowList& rows) {
    const VideoSettings& profile = state.profile();
    const auto y = [](int index) { return rowAt(350, 60, index); };
    rows.row(274, y(0), L"VIDEO PROFILE", editionText(state),
             state.game == 2
                 ? L"Choose which profile to edit. The edition is chosen on the cabinet."
                 : L"Choose which profile to edit. The game version is set on the Audio tab.");
    rows.row(275, y(1), L"VIDEO CONTROLS",
             state.config.VideoEffects ? L"EFFECTS" : L"SCALING AND CRT",
             L"Switch between scaling and additional filters.");
    if (state.config.VideoEffects) {
        rows.row(255, y(2), L"SCALEFX", onOff(profile.scalefx), L"Edge reconstruction at 3x.");
        rows.slider(scalefxStrengthControlId, {rowX, y(3), rowWidth, rowHeight},
                    L"SCALEFX STRENGTH", profile.scalefxamount, L"",
                    settingsControlEnabled(state, scalefxStrengthControlId));
        rows.row(277, y(4), L"CAS ADAPTIVE SHARPENING", percentOrOff(profile.cas),
                 L"Brings out detail in the game image.");
        rows.row(278, y(5), L"SMAA 1X", onOff(profile.smaa),
                 L"Smooths diagonals and high-contrast edges.");
        rows.row(279, y(6), L"BILATERAL FILTER", percentOrOff(profile.bilateral),
                 L"Smooths nearby colors in the frame, sprites included.");
        return;
    }
    rows.row(276, y(2), L"IMAGE SCALE", named(scaleModeNames, profile.scalemode),
             L"Integer scaling uses the largest factor that fits when the choice does not.");
    rows.row(201, y(3), L"UPSCALING FILTER", named(filterNames, profile.filter),
             L"How the image is sampled to the output resolution.");
    rows.row(200, y(4), L"CRT AND SCANLINES", named(scanlineNames, profile.scanlines),
             L"Choose the beam, mask and lines of the arcade monitor.");
    rows.row(207, y(5), L"COLORS", named(colorNames, profile.color),
             L"Optional output adjustment.");
    rows.row(208, y(6), L"BRIGHTNESS", percent(profile.brightness),
             L"100% uses the original output gain.");
}

void audioRows(const SettingsState& state, RowList& rows) {
    const bool versionEnabled = state.extendedVideo || state.config.Remastered;
    if (state.game == 2) {
        rows.row(245, 350, L"AUDIO OF THIS GAME", L"ORIGINAL ARCADE",
                 L"Remastered: the arcade's own sound, mastered in stereo.", versionEnabled);
    } else {
        rows.row(245, 350, L"DEFAULT GAME VERSION",
                 state.config.Remastered ? L"REMASTERED" : L"ORIGINAL ARCADE",
                 L"Choose and SAVE to always start in this version.", versionEnabled);
    }
    rows.row(205, 420, L"AUDIO QUEUE", named(latencyNames, state.config.AudioLatency),
             L"Balanced: 60 ms, longer after an audio dropout. Safe: 140 ms.", true);
    rows.row(243, 490, L"ARCADE VOICES AND EFFECTS", L"ORIGINAL",
             L"Voices, hits and effects preserved in both versions.", false);
    rows.row(244, 560, L"AUDIO RESERVE", state.config.AudioLatency == 2 ? L"140 ms" : L"60 ms",
             L"Margin against system delays; no sample is dropped.", false);
}

void screenRow(const SettingsState& state, RowList& rows, float y) {
    const VideoSettings& profile = state.profile();
    if (state.editedRemastered) {
        rows.row(209, y, L"SCREEN",
                 profile.widescreen ? L"WIDESCREEN"
                 : profile.bezel    ? L"TV FRAME"
                                    : L"4:3",
                 L"Widescreen shows the arena beyond the arcade's 4:3, without the TV frame.");
        return;
    }
    rows.row(209, y, L"TV FRAME", onOff(profile.bezel),
             L"CRT television around the game. Your own: custom_bezel/<game>/bezel.png.");
}

void displayRows(const SettingsState& state, RowList& rows) {
    const VideoSettings& profile = state.profile();
    const auto y = [](int index) { return rowAt(350, 60, index); };
    const std::wstring hdr = profile.hdr != 0 ? L"AUTO" : L"OFF";
    rows.row(274, y(0), L"VIDEO PROFILE", editionText(state),
             L"Choose which display profile to edit.");
    rows.row(290, y(1), L"DISPLAY CONTROLS", state.displayHdrShown ? L"HDR" : L"SYNC AND WINDOW",
             L"Switch between sync and window options and the HDR brightness.");
    if (state.displayHdrShown) {
        rows.row(291, y(2), L"HDR", hdr,
                 L"HDR10 when Windows HDR is on for this monitor; SDR otherwise.");
        rows.row(292, y(3), L"PAPER WHITE", nitsOrAuto(profile.hdrpaperwhite),
                 L"Brightness of the game's white. Auto follows Windows SDR content brightness.");
        rows.row(293, y(4), L"PEAK BRIGHTNESS", nitsOrAuto(profile.hdrpeak),
                 L"Brightest level of the highlights. Auto reads the monitor.");
        rows.row(294, y(5), L"HDR HIGHLIGHTS", percentOrOff(profile.hdrhighlights),
                 state.editedRemastered
                     ? L"Expands bright colors toward the peak; dark and mid tones stay."
                     : L"Remastered profile only. The Original keeps the SDR image.");
        return;
    }
    rows.row(250, y(2), L"GAME SYNC", named(syncNames, profile.sync),
             L"VRR needs G-Sync / FreeSync on in the monitor and the driver.");
    rows.row(251, y(3), L"HIGH REFRESH",
             state.remasteredOffered ? onOff(profile.highrefresh) : L"UNAVAILABLE",
             L"Shows the original frames again at the desktop refresh rate.");
    screenRow(state, rows, y(4));
    rows.row(280, y(5), L"GAME FULLSCREEN", profile.fullscreen ? L"ON" : L"WINDOW",
             L"Window mode when this version starts.");
    rows.row(291, y(6), L"HDR", hdr,
             L"HDR10 when Windows HDR is on; brightness on DISPLAY CONTROLS > HDR.");
}

void launcherRows(const SettingsState& state, RowList& rows) {
    const qxlauncher::LauncherPreferences& launcher = state.launcher;
    const auto y = [](int index) { return rowAt(350, 70, index); };
    rows.row(202, y(0), L"LAUNCHER FPS LIMIT", std::to_wstring(launcher.FPS) + L" FPS",
             L"Unfocused: 2 FPS (10 while building). Minimized: paused.", true);
    rows.row(203, y(1), L"LAUNCHER V-SYNC", onOff(launcher.VSync),
             L"Syncs the launcher with the monitor.", true);
    rows.row(204, y(2), L"REDUCE MOTION", onOff(launcher.ReducedMotion),
             L"Turns off fire, fog, particles and the opening fade.", true);
    rows.row(206, y(3), L"LAUNCHER FULLSCREEN", launcher.Fullscreen ? L"ON" : L"WINDOW",
             L"Starts fullscreen. Esc returns to a window; F11 toggles.", true);
    rows.row(230, y(4), L"OPEN LOGS", L"TEST LOGS", L"Opens the collection's logs folder.", true);
    rows.slider(menuVolumeControlId, {rowX, 700, 166, rowHeight}, L"MENU MUSIC VOLUME",
                launcher.Volume,
                L"Adjusts only the launcher track (custom_audio/launcher/menu.wav). SAVE to keep "
                L"it.",
                true);
    rows.button(282, {1145, 700, 84, rowHeight}, launcher.Muted ? L"UNMUTE" : L"MUTE", true,
                launcher.Muted, 15);
}

void adjustmentRows(const SettingsState& state, RowList& rows) {
    const auto y = [](int index) { return rowAt(350, 70, index); };
    const bool available = state.adjustmentsAvailable;
    const bool offered = state.adjustmentsOffered;
    rows.row(260, y(0), L"COMPUTER DIFFICULTY",
             named(difficultyNames, state.adjustments.difficulty, 1),
             L"The arcade's native AI level.", available);
    rows.row(261, y(1), L"COINAGE", state.coinageText,
             L"Preset / credits to start / continue. Original bonuses and minimums.", available);
    rows.row(262, y(2), L"FREE PLAY", onOff(state.adjustments.freePlay),
             L"Start without coins through the game's own setting.", available);
    rows.row(263, y(3), L"BLOOD", onOff(state.config.Blood),
             L"The cabinet's original blood DIP switch.", offered);
    rows.row(264, y(4), L"VIOLENCE", onOff(state.config.Violence),
             L"The cabinet's original violence DIP switch.", offered);
}

void utilityRows(const SettingsState& state, RowList& rows) {
    rows.slider(gameVolumeControlId, {rowX, 350, rowWidth, rowHeight}, L"VOLUME ADJUST",
                state.config.GameVolume,
                state.remasteredOffered
                    ? L"Software volume of this game's music, voices and effects."
                    : L"Per-game control available on the native engine.",
                state.remasteredOffered);
    rows.row(271, 420, L"RESET RANKING", L"RESET HIGH SCORES",
             L"Resets the records through the original routine; keeps the adjustments.",
             state.adjustmentsAvailable);
    if (state.rankingResetPending) {
        rows.button(272, {rowX, 520, 125, rowHeight}, L"CONFIRM", true, true, 15);
        rows.button(273, {1104, 520, 125, rowHeight}, L"CANCEL", true, false, 15);
    }
}

void controlRows(const SettingsState& state, RowList& rows) {
    const qxlauncher::ControlBindings& bindings = state.bindings;
    for (const int id : bindingSlotIds()) {
        const int player = (id - 300) / 50;
        const int kind = (id - 300 - 50 * player) / 25;
        const int slot = id - bindingSlotId(player, kind, 0);
        const int column = kind + 2 * player;
        const auto index = static_cast<std::size_t>(player * qxlauncher::slotsPerPlayer + slot);
        const bool capturing = id == state.captureId;
        std::wstring label = capturing   ? std::wstring(L"PRESS...")
                             : kind == 0 ? state.keyName(bindings.keyCodes[index])
                                         : controllerBindingName(bindings.padMasks[index]);
        rows.button(
            id,
            {560 + 170 * static_cast<float>(column), 368 + 27 * static_cast<float>(slot), 160, 26},
            std::move(label), true, capturing, 12);
    }
    rows.compact(390, 698, L"OPPOSITE DIRECTIONS (SOCD)",
                 bindings.socd == 0 ? L"NEUTRAL" : L"LAST INPUT WINS",
                 L"An arcade lever cannot hold both: neutral is the original.");
    rows.compact(391, 730, L"RUN-AHEAD", bindings.runAhead == 0 ? L"OFF" : L"1 FRAME",
                 L"Shows the next frame: one frame less input lag. Off is the arcade.");
    rows.compact(392, 762, L"TRAINING MODE", bindings.trainingMode == 0 ? L"OFF" : L"ON",
                 L"Shows each player's inputs and the game's hit boxes over the image.");
}

bool isBottomButton(int id) {
    return id == settingsSaveControlId || id == restoreDefaultsControlId ||
           id == settingsBackControlId;
}

bool isTab(int id) {
    return id >= firstTabControlId && id < firstTabControlId + settingsTabCount;
}

} // namespace

bool settingsControlEnabled(const SettingsState& state, int id) {
    const bool remastered = state.remasteredOffered;
    const VideoSettings& profile = state.profile();
    switch (id) {
    case 251:
    case 255:
    case 274:
    case 275:
    case 276:
    case 277:
    case 278:
    case 279:
    case 280:
    case 290:
    case 291:
        return remastered;
    case scalefxStrengthControlId:
        return remastered && profile.scalefx;
    case 292:
    case 293:
        return remastered && profile.hdr != 0;
    case 294:
        return remastered && profile.hdr != 0 && state.editedRemastered;
    default:
        return true;
    }
}

std::vector<SettingsControl> settingsControlList(const SettingsState& state) {
    std::vector<SettingsControl> controls;
    RowList rows(state, controls);
    const int current = static_cast<int>(state.tab);
    for (int tab = 0; tab < settingsTabCount; ++tab) {
        rows.button(firstTabControlId + tab, {300 + 134 * static_cast<float>(tab), 294, 134, 40},
                    std::wstring(tabNames[static_cast<std::size_t>(tab)]),
                    settingsTabAvailable(static_cast<SettingsTab>(tab), state.gameSettingsLoaded),
                    tab == current, 13);
    }
    switch (state.tab) {
    case SettingsTab::video:
        videoRows(state, rows);
        break;
    case SettingsTab::audio:
        audioRows(state, rows);
        break;
    case SettingsTab::display:
        displayRows(state, rows);
        break;
    case SettingsTab::launcher:
        launcherRows(state, rows);
        break;
    case SettingsTab::adjustments:
        adjustmentRows(state, rows);
        break;
    case SettingsTab::utilities:
        utilityRows(state, rows);
        break;
    case SettingsTab::controls:
        controlRows(state, rows);
        break;
    }
    rows.button(settingsBackControlId, {300, 810, 190, 50}, L"BACK", true, false, 14);
    rows.button(restoreDefaultsControlId, {510, 810, 240, 50}, L"RESTORE DEFAULTS", true, false,
                13);
    rows.button(settingsSaveControlId, {1000, 810, 235, 50}, L"SAVE", true, true, 16);
    return controls;
}

std::vector<int> settingsFocusList(const std::vector<SettingsControl>& controls) {
    std::vector<int> order;
    for (const SettingsControl& control : controls) {
        if (control.enabled && !isTab(control.id) && !isBottomButton(control.id)) {
            order.push_back(control.id);
        }
    }
    order.insert(order.end(),
                 {settingsSaveControlId, restoreDefaultsControlId, settingsBackControlId});
    return order;
}

} // namespace lumenark
