#include "backend/preferences/config.h"
#include "backend/files/failure_log.h"
#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/game_table.h"
#include "backend/preferences/collection_paths.h"

#include <map>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qxlauncher {

namespace {

constexpr std::array<const char*, gameCount> gameSectionNames{"[QX1]", "[QX2]", "[QX3]"};

bool readSwitch(std::string_view text, bool& value) {
    std::int32_t number = 0;
    if (!tryParseInt(text, number) || (number != 0 && number != 1)) {
        return false;
    }
    value = number == 1;
    return true;
}

// An integer accepted by `accept`, else `refused` is stored; false when refused.
template <typename Accept>
bool readInteger(std::string_view text, std::int32_t& value, std::int32_t refused, Accept accept) {
    std::int32_t number = 0;
    if (tryParseInt(text, number) && accept(number)) {
        value = number;
        return true;
    }
    value = refused;
    return false;
}

bool inRange(std::int32_t value, std::int32_t minimum, std::int32_t maximum) {
    return value >= minimum && value <= maximum;
}

void appendLine(std::string& output, std::string_view key, std::int32_t value) {
    output.append(key).append("=").append(std::to_string(value)).append("\r\n");
}

void appendLine(std::string& output, std::string_view key, bool value) {
    appendLine(output, key, value ? 1 : 0);
}

using SectionValues = std::map<std::string, std::string>;

// What the reader gathers before the video profiles are put together.
struct PreferencesReader {
    std::string_view gameId;
    int kind = 0;
    Config working;
    std::vector<std::pair<std::string, std::string>> flatKeys; // in file order
    SectionValues videoOriginal;
    SectionValues videoRemastered;
    SectionValues videoPreview;
    bool previewSeen = false;
    bool otherRefused = false;
    bool qx3Refused = false;

    bool thirdGame() const { return kind == 2; }

    void refuse(bool qx3Value) { (thirdGame() && qx3Value ? qx3Refused : otherRefused) = true; }

    void readLauncherKey(const std::string& key, const std::string& value) {
        bool accepted = true;
        if (key == "fps") {
            accepted = readInteger(value, working.FPS, 60, isFrameLimit);
        } else if (key == "uivolume") {
            accepted = readInteger(value, working.UIVolume, 0,
                                   [](std::int32_t v) { return inRange(v, 0, 100); });
        } else if (key == "vsync") {
            accepted = readSwitch(value, working.VSync);
        } else if (key == "reducedmotion") {
            accepted = readSwitch(value, working.ReducedMotion);
        } else if (key == "fullscreen") {
            accepted = readSwitch(value, working.Fullscreen);
        } else if (key == "videoeffects") {
            accepted = readSwitch(value, working.VideoEffects);
        }
        if (!accepted) {
            refuse(false);
        }
    }

    void readGameKey(const std::string& key, const std::string& value) {
        bool accepted = true;
        bool qx3Value = false;
        if (key == "gamevolume") {
            accepted = readInteger(value, working.GameVolume, 100,
                                   [](std::int32_t v) { return inRange(v, 0, 100); });
        } else if (key == "blood") {
            accepted = readSwitch(value, working.Blood);
        } else if (key == "violence") {
            accepted = readSwitch(value, working.Violence);
        } else if (key == "cmoscoinage") {
            accepted = readSwitch(value, working.CmosCoinage);
        } else if (key == "remastered") {
            accepted = readSwitch(value, working.Remastered);
        } else if (key == "audiolatency") {
            accepted = readInteger(value, working.AudioLatency, 1,
                                   [](std::int32_t v) { return v == 1 || v == 2; });
        } else if (key == "engine" && thirdGame()) {
            accepted = readInteger(value, working.Engine, 1,
                                   [](std::int32_t v) { return inRange(v, 0, 2); });
            qx3Value = true;
        } else if (key == "fullscreen") {
            // The game's own fullscreen lives in its video profiles.
        } else {
            flatKeys.emplace_back(key, value);
        }
        if (!accepted) {
            refuse(qx3Value);
        }
    }

    void readLine(const std::string& section, const std::string& key, const std::string& value) {
        if (section == "launcher") {
            readLauncherKey(key, value);
        } else if (section == gameId) {
            readGameKey(key, value);
        } else if (section == "video.original") {
            videoOriginal.emplace(key, value);
        } else if (section == "video.remastered") {
            videoRemastered.emplace(key, value);
        } else if (section == "video.preview.remastered" && thirdGame()) {
            videoPreview.emplace(key, value);
        }
    }

    VideoSettings flatProfile() {
        const VideoSettings plain;
        VideoSettings flat;
        if (kind == 0 && gameId == "qx2") {
            flat.fullscreen = working.Fullscreen;
        }
        for (const auto& [key, value] : flatKeys) {
            if (!parseVideoKey(flat, key, value, plain)) {
                refuse(true);
            }
        }
        return flat;
    }

    void applySection(VideoSettings& profile, const SectionValues& values,
                      const VideoSettings& fallback) {
        for (const auto& [key, value] : values) {
            if (!parseVideoKey(profile, key, value, fallback)) {
                refuse(true);
            }
        }
    }

    // The preview section stands in for the Remastered profile; only "fullscreen" is kept from
    // the two ordinary sections.
    void applyPreviewRule() {
        const auto keepFullscreenOnly = [](SectionValues& values) {
            std::erase_if(values, [](const auto& entry) { return entry.first != "fullscreen"; });
        };
        keepFullscreenOnly(videoOriginal);
        keepFullscreenOnly(videoRemastered);
        videoRemastered.insert(videoPreview.begin(), videoPreview.end());
    }

    PreferencesRead finish() {
        const VideoSettings flat = flatProfile();
        const Config defaults = defaultConfig(kind);
        if (thirdGame()) {
            working.original = defaults.original;
            working.remastered = defaults.remastered;
            if (previewSeen) {
                applyPreviewRule();
            }
        } else {
            working.original = flat;
            working.remastered = flat;
        }
        applySection(working.original, videoOriginal, defaults.original);
        applySection(working.remastered, videoRemastered, defaults.remastered);
        working.validate(kind);
        PreferencesRead result{working, PreferencesOutcome::accepted};
        if (otherRefused) {
            result.outcome = PreferencesOutcome::valuesReplaced;
        } else if (qx3Refused) {
            result.outcome = PreferencesOutcome::qx3ValuesReplaced;
        }
        return result;
    }
};

std::filesystem::path packageFolder(int game, bool qx2NativeSelected) {
    switch (game) {
    case 0:
        return qx1BuildDir;
    case 1:
        return qx2NativeSelected ? qx2NativeBuildDir : qx2ArcadeBuildDir;
    default:
        return qx3NativeBuildDir;
    }
}

} // namespace

bool isFrameLimit(std::int32_t fps) {
    return fps == 30 || fps == 60 || fps == 120 || fps == 240;
}

bool videoIntAccepted(const VideoIntKey& key, std::int32_t value) {
    if (!inRange(value, key.minimum, key.maximum)) {
        return false;
    }
    if (key.field == &VideoSettings::brightness) {
        return value % 10 == 0;
    }
    if (key.field == &VideoSettings::hdrpaperwhite) {
        return value == 0 || value >= 80;
    }
    if (key.field == &VideoSettings::hdrpeak) {
        return value == 0 || value >= 400;
    }
    return true;
}

void Config::setDefaults(int kind) {
    *this = Config{};
    if (kind == 2) {
        remastered.scanlines = 4;
        remastered.scalefx = true;
    }
}

Config defaultConfig(int gameKind) {
    Config config;
    config.setDefaults(gameKind);
    return config;
}

void Config::validate(int kind) {
    if (static_cast<std::uint32_t>(GameVolume) > 100) {
        GameVolume = 100;
    }
    if (!isFrameLimit(FPS)) {
        FPS = 60;
    }
    original.hdrhighlights = 0;
    original.widescreen = false;
    if (AudioLatency != 1 && AudioLatency != 2) {
        AudioLatency = 1;
    }
    UIVolume = 0;
    if (kind == 1 || kind == 2) {
        Remastered = false;
    }
    if (kind == 1) {
        VideoEffects = false;
        Engine = 1;
    } else if (kind == 2) {
        Engine = Engine == 2 ? 2 : 1;
    } else {
        Engine = 1;
    }
    const Config defaults = defaultConfig(kind);
    const auto repair = [kind](VideoSettings& profile, const VideoSettings& fallback) {
        for (const VideoIntKey& key : videoIntKeys) {
            if (!videoIntAccepted(key, profile.*key.field)) {
                profile.*key.field = fallback.*key.field;
            }
        }
        if (kind == 1) {
            // The older second-game package knows fewer video effects.
            profile.scalefx = false;
            profile.highrefresh = false;
            if (profile.scanlines > 3) {
                profile.scanlines = 0;
            }
            if (profile.filter > 1) {
                profile.filter = 0;
            }
            if (profile.sync == 1) {
                profile.sync = 2;
            }
        }
    };
    repair(original, defaults.original);
    repair(remastered, defaults.remastered);
}

bool parseVideoKey(VideoSettings& profile, std::string_view key, std::string_view value,
                   const VideoSettings& fallback) {
    for (const VideoIntKey& row : videoIntKeys) {
        if (key == row.name) {
            std::int32_t number = 0;
            if (tryParseInt(value, number) && videoIntAccepted(row, number)) {
                profile.*row.field = number;
                return true;
            }
            profile.*row.field = fallback.*row.field;
            return false;
        }
    }
    for (const VideoBoolKey& row : videoBoolKeys) {
        if (key == row.name) {
            if (readSwitch(value, profile.*row.field)) {
                return true;
            }
            profile.*row.field = fallback.*row.field;
            return false;
        }
    }
    return true;
}

void writeVideoSection(std::string& output, const VideoSettings& profile) {
    for (const VideoIntKey& row : videoIntKeys) {
        appendLine(output, row.name, profile.*row.field);
    }
    for (const VideoBoolKey& row : videoBoolKeys) {
        appendLine(output, row.name, profile.*row.field);
    }
}

std::string preferencesText(const Config& config, int game) {
    std::string text = "[Launcher]\r\n";
    appendLine(text, "FPS", config.FPS);
    appendLine(text, "VSync", config.VSync);
    appendLine(text, "ReducedMotion", config.ReducedMotion);
    appendLine(text, "UIVolume", config.UIVolume);
    appendLine(text, "Fullscreen", config.Fullscreen);
    appendLine(text, "VideoEffects", config.VideoEffects);
    text.append(gameSectionNames.at(static_cast<std::size_t>(game))).append("\r\n");
    appendLine(text, "Remastered", config.Remastered);
    if (game == 2) {
        appendLine(text, "Engine", config.Engine);
    }
    appendLine(text, "GameVolume", config.GameVolume);
    appendLine(text, "Blood", config.Blood);
    appendLine(text, "Violence", config.Violence);
    appendLine(text, "CmosCoinage", config.CmosCoinage);
    appendLine(text, "AudioLatency", config.AudioLatency);
    text.append("\r\n[Video.Original]\r\n");
    writeVideoSection(text, config.original);
    text.append("\r\n[Video.Remastered]\r\n");
    writeVideoSection(text, config.remastered);
    return text;
}

PreferencesRead parsePreferencesText(std::string_view text, std::string_view gameId, int kind) {
    if (text.find('\0') != std::string_view::npos) {
        throw std::runtime_error("binary config");
    }
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    PreferencesReader reader{gameId, kind, defaultConfig(kind)};
    std::string section;
    bool sectionSeen = false;
    std::set<std::pair<std::string, std::string>> seenKeys;
    forEachContentLine(text, [&](const std::string& line) {
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 2) {
                throw std::runtime_error("section syntax");
            }
            section = lowerAscii(trim(std::string_view(line).substr(1, line.size() - 2)));
            sectionSeen = true;
            if (section == "video.preview.remastered") {
                reader.previewSeen = reader.thirdGame();
            }
            return;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || !sectionSeen) {
            throw std::runtime_error("key syntax");
        }
        std::string key = lowerAscii(trim(std::string_view(line).substr(0, equals)));
        std::string value = trim(std::string_view(line).substr(equals + 1));
        if (!seenKeys.emplace(section, key).second) {
            throw std::runtime_error("duplicate key");
        }
        reader.readLine(section, key, value);
    });
    return reader.finish();
}

std::filesystem::path preferencesFilePath(const std::filesystem::path& root, int game,
                                          bool qx2NativeSelected) {
    return root / packageFolder(game, qx2NativeSelected) / "profile/launcher.ini";
}

PreferencesLoad loadPreferencesFile(const std::filesystem::path& path, const std::string& gameId,
                                    int kind) {
    PreferencesLoad load{defaultConfig(kind), L"", false};
    load.config.validate(kind);
    try {
        requireUnlinkedPath(path);
        if (!std::filesystem::exists(path)) {
            load.status = L"Default preferences loaded.";
            load.accepted = true;
            return load;
        }
        const PreferencesRead read =
            parsePreferencesText(readFileCapped(path, preferencesFileCap), gameId, kind);
        load.config = read.config;
        switch (read.outcome) {
        case PreferencesOutcome::accepted:
            load.status = L"Preferences loaded.";
            load.accepted = true;
            return load;
        case PreferencesOutcome::qx3ValuesReplaced:
            load.status = L"Preferences loaded; invalid QX3 values were replaced by the defaults.";
            load.accepted = true;
            return load;
        case PreferencesOutcome::valuesReplaced:
            break;
        }
        load.status = L"Invalid values were replaced by the defaults.";
        return load;
    } catch (const std::exception&) {
        load.config = defaultConfig(kind);
        load.config.validate(kind);
        load.status = L"The settings file is invalid or unreadable; using safe defaults.";
        return load;
    }
}

} // namespace qxlauncher
