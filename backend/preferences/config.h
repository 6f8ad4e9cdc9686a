#pragma once
// A game's preferences ("profile/launcher.ini" in the game's package folder): launcher-level
// values, the game's audio and content switches, and one video profile per edition.
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace qxlauncher {

// One edition's video profile. Defaults are the plain table defaults.
struct VideoSettings {
    std::int32_t scanlines = 0;
    std::int32_t filter = 0;
    std::int32_t sync = 1;
    std::int32_t color = 0;
    std::int32_t brightness = 100;
    std::int32_t scalefxamount = 100;
    std::int32_t scalemode = 0;
    std::int32_t cas = 0;
    std::int32_t bilateral = 0;
    std::int32_t hdr = 1;
    std::int32_t hdrpaperwhite = 0; // 0 means automatic
    std::int32_t hdrpeak = 0;       // 0 means automatic
    std::int32_t hdrhighlights = 0;
    bool scalefx = false;
    bool bezel = true;
    bool highrefresh = false;
    bool smaa = false;
    bool fullscreen = true;
    bool widescreen = false;

    friend bool operator==(const VideoSettings&, const VideoSettings&) = default;
};

struct VideoIntKey {
    const char* name;
    std::int32_t VideoSettings::*field;
    std::int32_t minimum;
    std::int32_t maximum;
};

struct VideoBoolKey {
    const char* name;
    bool VideoSettings::*field;
};

// These tables drive the writer, the reader and the validation alike.
inline constexpr std::array<VideoIntKey, 13> videoIntKeys{{
    {"scanlines", &VideoSettings::scanlines, 0, 9},
    {"filter", &VideoSettings::filter, 0, 3},
    {"sync", &VideoSettings::sync, 0, 2},
    {"color", &VideoSettings::color, 0, 2},
    {"brightness", &VideoSettings::brightness, 80, 120},
    {"scalefxamount", &VideoSettings::scalefxamount, 0, 100},
    {"scalemode", &VideoSettings::scalemode, 0, 5},
    {"cas", &VideoSettings::cas, 0, 100},
    {"bilateral", &VideoSettings::bilateral, 0, 100},
    {"hdr", &VideoSettings::hdr, 0, 1},
    {"hdrpaperwhite", &VideoSettings::hdrpaperwhite, 0, 480},
    {"hdrpeak", &VideoSettings::hdrpeak, 0, 10000},
    {"hdrhighlights", &VideoSettings::hdrhighlights, 0, 100},
}};

inline constexpr std::array<VideoBoolKey, 6> videoBoolKeys{{
    {"scalefx", &VideoSettings::scalefx},
    {"bezel", &VideoSettings::bezel},
    {"highrefresh", &VideoSettings::highrefresh},
    {"smaa", &VideoSettings::smaa},
    {"fullscreen", &VideoSettings::fullscreen},
    {"widescreen", &VideoSettings::widescreen},
}};

// 30, 60, 120 or 240 frames per second.
bool isFrameLimit(std::int32_t fps);

// Within the key's range and its extra rule (brightness in steps of 10; paper white and peak
// either automatic or at least 80 and 400).
bool videoIntAccepted(const VideoIntKey& key, std::int32_t value);

// Game kinds: 0, 1, 2 for the three games; the second game's native package counts as kind 0.
struct Config {
    std::int32_t FPS = 60;
    std::int32_t UIVolume = 0;
    std::int32_t GameVolume = 100;
    std::int32_t AudioLatency = 1;
    std::int32_t Engine = 1; // third game only: 1 Original, 2 Remastered
    bool Blood = true;
    bool Violence = true;
    bool CmosCoinage = false;
    bool Remastered = false;
    bool ReducedMotion = false;
    bool VSync = true;
    bool Fullscreen = true;
    bool VideoEffects = false;
    VideoSettings original;
    VideoSettings remastered;

    void setDefaults(int kind);
    // Repairs the record in place for the kind.
    void validate(int kind);

    friend bool operator==(const Config&, const Config&) = default;
};

// The defaults of one game kind.
Config defaultConfig(int gameKind);

// Sets one video key from its text. False when the value was refused and the fallback's value
// was stored; true for an accepted value and for a key that is no video key (ignored).
bool parseVideoKey(VideoSettings& profile, std::string_view key, std::string_view value,
                   const VideoSettings& fallback);

// The 19 video keys, one "key=value" line each, CR LF ended.
void writeVideoSection(std::string& output, const VideoSettings& profile);

// The whole file as written for the selected game (its section name, and Engine for the third).
std::string preferencesText(const Config& config, int game);

enum class PreferencesOutcome {
    accepted,
    qx3ValuesReplaced, // only the third game's video or engine values were refused
    valuesReplaced,
};

struct PreferencesRead {
    Config config;
    PreferencesOutcome outcome = PreferencesOutcome::accepted;
};

// Reads the file's text for the game id ("qx1", "qx2", "qx3") and kind. Fails for the file as a
// whole with "binary config", "section syntax", "key syntax" or "duplicate key".
PreferencesRead parsePreferencesText(std::string_view text, std::string_view gameId, int kind);

// The largest preferences file that is read.
inline constexpr std::uintmax_t preferencesFileCap = 8192;

// profile/launcher.ini of the game's package folder under the root.
std::filesystem::path preferencesFilePath(const std::filesystem::path& root, int game,
                                          bool qx2NativeSelected);

// What reading a preferences file gave: the validated record (the defaults when the file is
// missing, or dropped whole), the status sentence, and false when values were replaced.
struct PreferencesLoad {
    Config config;
    std::wstring status;
    bool accepted = false;
};

PreferencesLoad loadPreferencesFile(const std::filesystem::path& path, const std::string& gameId,
                                    int kind);

} // namespace qxlauncher
