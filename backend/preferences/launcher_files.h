#pragma once
// The launcher's own files in "build/native/launcher-profile": launcher.cfg, the older
// menu-audio.cfg, controls.cfg, and setup.cfg (read and written by the backend itself).
#include "backend/preferences/control_bindings.h"

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

struct LauncherPreferences {
    std::int32_t FPS = 60;     // 30, 60, 120 or 240
    std::int32_t Volume = 100; // menu music, 0 to 100
    bool VSync = true;
    bool ReducedMotion = false;
    bool Fullscreen = true;
    bool Muted = false;

    friend bool operator==(const LauncherPreferences&, const LauncherPreferences&) = default;
};

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

// The text of launcher.cfg (`full`) or of the older menu-audio.cfg; FPS, VSync, ReducedMotion and
// Fullscreen come from the game preferences when the file does not hold them.
// "invalid launcher preference: <key>", "invalid launcher FPS", "unexpected launcher preference".
LauncherPreferences readLauncherFile(const std::string& text, const Config& config, bool full);

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

} // namespace qxlauncher
