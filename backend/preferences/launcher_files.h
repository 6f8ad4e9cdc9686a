#pragma once
// The launcher's own files in "build/native/launcher-profile" (launcher.cfg, the older
// menu-audio.cfg, controls.cfg, setup.cfg), the control bindings and the collection's fixed paths.
#include "shared/pad_buttons.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qxlauncher {

class Backend;
struct Config;

// Fixed paths relative to the project root.
extern const std::filesystem::path qx1BuildDir;
extern const std::filesystem::path qx2ArcadeBuildDir;
extern const std::filesystem::path qx2NativeBuildDir;
extern const std::filesystem::path qx3NativeBuildDir;
extern const std::filesystem::path menuAudioConfigPath;
extern const std::filesystem::path launcherConfigPath;
extern const std::filesystem::path controlsConfigPath;
extern const std::filesystem::path setupConfigPath;

struct LauncherPreferences {
    std::int32_t FPS = 60;     // 30, 60, 120 or 240
    std::int32_t Volume = 100; // menu music, 0 to 100
    bool VSync = true;
    bool ReducedMotion = false;
    bool Fullscreen = true;
    bool Muted = false;

    friend bool operator==(const LauncherPreferences&, const LauncherPreferences&) = default;
};

// Slots 0 to 11 of player 1, then slots 0 to 11 of player 2.
inline constexpr int slotsPerPlayer = 12;
inline constexpr int bindingSlotCount = 2 * slotsPerPlayer;
// The four direction slots come from the d-pad or stick; their pad masks are always 0.
inline constexpr int directionSlots = 4;

inline constexpr std::array<std::string_view, slotsPerPlayer> controlSlotNames{
    "UP",        "DOWN",      "LEFT",     "RIGHT",     "HIGH PUNCH", "BLOCK",
    "HIGH KICK", "LOW PUNCH", "LOW KICK", "RUN (QX3)", "COIN",       "START"};

struct ControlBindings {
    // Windows virtual-key codes.
    std::array<std::uint8_t, bindingSlotCount> keyCodes{0x26, 0x28, 0x25, 0x27, 'A', 'S', 'D', 'Z',
                                                        'X',  'C',  '5',  '1',  'I', 'K', 'J', 'L',
                                                        'F',  'G',  'H',  'V',  'B', 'N', '6', '2'};
    std::array<PadButtons, bindingSlotCount> padMasks{
        0, 0, 0, 0, 0x4000, 0x20200, 0x8000, 0x1000, 0x2000, 0x10100, 0x20, 0x10,
        0, 0, 0, 0, 0x4000, 0x20200, 0x8000, 0x1000, 0x2000, 0x10100, 0x20, 0x10};
    // Stored and handed to the games: opposite directions (SOCD), run-ahead, training mode.
    std::uint32_t socd = 0;
    std::uint32_t runAhead = 0;
    std::uint32_t trainingMode = 0;

    friend bool operator==(const ControlBindings&, const ControlBindings&) = default;
};

// 24 key codes and 24 pad masks in lower-case hexadecimal, then the three switches in decimal,
// comma-separated. The games get the same text.
std::string formatControls(const ControlBindings& bindings);
// False, leaving `bindings` untouched, for any malformed text. Texts with 48 or 49 commas (fewer
// switches) are still read.
bool parseControls(std::string_view text, ControlBindings& bindings);

// The whitespace-separated tokens of launcher.cfg or menu-audio.cfg, taken in order.
class LauncherTokens {
public:
    explicit LauncherTokens(std::string_view text);
    std::optional<std::string> next();
    bool exhausted() const { return index_ >= tokens_.size(); }

private:
    std::vector<std::string> tokens_;
    std::size_t index_ = 0;
};

// The next token as "key=value" with a whole integer within the range, else
// "invalid launcher preference: <key>".
std::int32_t readLauncherPreference(LauncherTokens& tokens, std::string_view key,
                                    std::int32_t minimum, std::int32_t maximum);

// launcher.cfg. False without writing for an FPS other than 30, 60, 120, 240 or a volume
// outside 0 to 100; a failed write is logged and gives false.
bool saveLauncherPreferences(const Backend& backend, const LauncherPreferences& preferences);
std::string launcherPreferencesText(const LauncherPreferences& preferences);
// launcher.cfg, else menu-audio.cfg, else the defaults; FPS, VSync, ReducedMotion and Fullscreen
// default to the game preferences given. Never fails.
LauncherPreferences loadLauncherPreferences(const Backend& backend, const Config& config);

// controls.cfg. A failed write is logged and gives false.
bool saveControls(const Backend& backend, const ControlBindings& bindings);
// The stored bindings, or the full defaults when the file is missing or refused. Never fails.
ControlBindings loadControls(const Backend& backend);

// The game id of the game table, one byte per UTF-16 unit.
std::string gameIdNarrow(int game);

} // namespace qxlauncher
