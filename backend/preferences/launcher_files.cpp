#include "backend/preferences/launcher_files.h"
#include "backend/backend.h"
#include "backend/files/failure_log.h"
#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/files/utf8_text.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/config.h"
#include "platform/files.h"

#include <algorithm>
#include <stdexcept>

namespace qxlauncher {

namespace {

constexpr std::uintmax_t launcherFileCap = 256;
constexpr std::uintmax_t controlsFileCap = 4096;
constexpr std::uintmax_t setupFileCap = 65536;
constexpr std::string_view controlsPrefix = "Controls=";

bool isTokenSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// setup.cfg's reader cuts its lines at line feeds, trims each one and takes only a fully
// qualified path without a NUL: a folder whose line would not give it back would be read as
// another folder, or as none.
bool readsBackFromSetupConfig(const std::filesystem::path& folder) {
    const std::string text = utf8FromPath(folder);
    if (text.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos ||
        trim(text) != text) {
        return false;
    }
    return platform::isFullyQualifiedPath(folder) && pathFromUtf8(text) == folder;
}

} // namespace

LauncherPreferences readLauncherFile(const std::string& text, const Config& config, bool full) {
    LauncherTokens tokens(text);
    LauncherPreferences result;
    result.FPS = config.FPS;
    result.VSync = config.VSync;
    result.ReducedMotion = config.ReducedMotion;
    result.Fullscreen = config.Fullscreen;
    result.Volume = readLauncherPreference(tokens, "Volume=", 0, 100);
    result.Muted = readLauncherPreference(tokens, "Muted=", 0, 1) == 1;
    if (full) {
        result.FPS = readLauncherPreference(tokens, "FPS=", 30, 240);
        if (!isFrameLimit(result.FPS)) {
            throw std::runtime_error("invalid launcher FPS");
        }
        result.VSync = readLauncherPreference(tokens, "VSync=", 0, 1) == 1;
        result.ReducedMotion = readLauncherPreference(tokens, "ReducedMotion=", 0, 1) == 1;
        result.Fullscreen = readLauncherPreference(tokens, "Fullscreen=", 0, 1) == 1;
    }
    if (!tokens.exhausted()) {
        throw std::runtime_error("unexpected launcher preference");
    }
    return result;
}

namespace {

void appendSwitchLine(std::string& text, std::string_view key, std::int32_t value) {
    text.append(key).append(std::to_string(value)).append("\r\n");
}

} // namespace

LauncherTokens::LauncherTokens(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && isTokenSeparator(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !isTokenSeparator(text[at])) {
            ++at;
        }
        if (at > start) {
            tokens_.emplace_back(text.substr(start, at - start));
        }
    }
}

std::optional<std::string> LauncherTokens::next() {
    if (exhausted()) {
        return std::nullopt;
    }
    return tokens_[index_++];
}

std::int32_t readLauncherPreference(LauncherTokens& tokens, std::string_view key,
                                    std::int32_t minimum, std::int32_t maximum) {
    const std::optional<std::string> token = tokens.next();
    std::int32_t value = 0;
    if (!token || std::string_view(*token).substr(0, key.size()) != key ||
        !tryParseInt(std::string_view(*token).substr(key.size()), value) || value < minimum ||
        value > maximum) {
        throw std::runtime_error("invalid launcher preference: " + std::string(key));
    }
    return value;
}

std::string launcherPreferencesText(const LauncherPreferences& preferences) {
    std::string text;
    appendSwitchLine(text, "Volume=", preferences.Volume);
    appendSwitchLine(text, "Muted=", preferences.Muted ? 1 : 0);
    appendSwitchLine(text, "FPS=", preferences.FPS);
    appendSwitchLine(text, "VSync=", preferences.VSync ? 1 : 0);
    appendSwitchLine(text, "ReducedMotion=", preferences.ReducedMotion ? 1 : 0);
    appendSwitchLine(text, "Fullscreen=", preferences.Fullscreen ? 1 : 0);
    return text;
}

bool saveLauncherPreferences(const Backend& backend, const LauncherPreferences& preferences) {
    if (!isFrameLimit(preferences.FPS) || static_cast<std::uint32_t>(preferences.Volume) > 100) {
        return false;
    }
    try {
        atomicReplaceFile(backend.root() / launcherConfigPath,
                          launcherPreferencesText(preferences));
        return true;
    } catch (const std::exception& error) {
        logAbsorbedFailure("launcher preferences save failed: ", error.what());
        return false;
    }
}

LauncherPreferences loadLauncherPreferences(const Backend& backend, const Config& config) {
    const std::array<std::pair<const std::filesystem::path*, bool>, 2> files{
        {{&launcherConfigPath, true}, {&menuAudioConfigPath, false}}};
    for (const auto& [relative, full] : files) {
        try {
            const std::filesystem::path path = backend.root() / *relative;
            requireUnlinkedPath(path);
            if (!std::filesystem::exists(std::filesystem::status(path))) {
                continue;
            }
            return readLauncherFile(readFileCapped(path, launcherFileCap), config, full);
        } catch (const std::exception& error) {
            logAbsorbedFailure("launcher preferences load failed: ", error.what());
        }
    }
    LauncherPreferences defaults;
    defaults.FPS = config.FPS;
    defaults.VSync = config.VSync;
    defaults.ReducedMotion = config.ReducedMotion;
    defaults.Fullscreen = config.Fullscreen;
    defaults.Volume = 100;
    defaults.Muted = false;
    return defaults;
}

bool saveControls(const Backend& backend, const ControlBindings& bindings) {
    try {
        atomicReplaceFile(backend.root() / controlsConfigPath,
                          std::string(controlsPrefix) + formatControls(bindings) + "\r\n");
        return true;
    } catch (const std::exception& error) {
        logAbsorbedFailure("controls save failed: ", error.what());
        return false;
    }
}

ControlBindings loadControls(const Backend& backend) {
    ControlBindings bindings;
    try {
        const std::filesystem::path path = backend.root() / controlsConfigPath;
        requireUnlinkedPath(path);
        if (!std::filesystem::exists(std::filesystem::status(path))) {
            return bindings;
        }
        std::string text = readFileCapped(path, controlsFileCap);
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
            text.pop_back();
        }
        if (std::string_view(text).substr(0, controlsPrefix.size()) != controlsPrefix ||
            !parseControls(std::string_view(text).substr(controlsPrefix.size()), bindings)) {
            throw std::runtime_error("invalid controls");
        }
        return bindings;
    } catch (const std::exception& error) {
        logAbsorbedFailure("controls load failed: ", error.what());
        return ControlBindings{};
    }
}

bool Backend::saveSetupConfig() {
    // A folder that cannot be written as UTF-8 fails here, outside the guard.
    std::string text;
    if (acknowledged) {
        text += "acknowledged=1\n";
    }
    for (int game = 0; game < gameCount; ++game) {
        const std::filesystem::path& folder = jobs[static_cast<std::size_t>(game)].romFolder;
        if (!folder.empty()) {
            text += gameIdNarrow(game) + "=" + utf8FromPath(folder) + "\n";
        }
    }
    try {
        atomicReplaceFile(projectRoot / setupConfigPath, text);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void Backend::loadSetupConfig() {
    const std::filesystem::path path = projectRoot / setupConfigPath;
    if (!isRegularUnlinkedFile(path)) {
        return;
    }
    const std::string text = readFileCapped(path, setupFileCap);
    for (const std::string_view rawLine : splitAt(text, '\n')) {
        const std::string line = trim(rawLine);
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        if (line == "acknowledged=1") {
            acknowledged = true;
            continue;
        }
        const std::string_view key = std::string_view(line).substr(0, equals);
        for (int game = 0; game < gameCount; ++game) {
            if (key != gameIdNarrow(game)) {
                continue;
            }
            const std::string_view value = std::string_view(line).substr(equals + 1);
            std::filesystem::path folder = pathFromUtf8(value);
            if (!holdsNul(value) && platform::isFullyQualifiedPath(folder)) {
                jobs[static_cast<std::size_t>(game)].romFolder = std::move(folder);
            }
        }
    }
}

bool Backend::setAcknowledged(bool value) {
    const bool previous = acknowledged;
    acknowledged = value;
    bool saved = false;
    try {
        saved = saveSetupConfig();
    } catch (const std::exception&) {
        saved = false;
    }
    if (saved) {
        // The games still waiting were queued with the confirmation; without it none starts.
        // The job already running started with it and may finish.
        if (!value) {
            cancelWaitingGames();
        }
        return true;
    }
    acknowledged = previous;
    status = L"Could not save the confirmation.";
    return false;
}

bool Backend::setRomFolder(int game, const std::filesystem::path& folder) {
    if (!isGameKind(game)) {
        return false;
    }
    SetupJob& job = jobs[static_cast<std::size_t>(game)];
    if (job.queued || job.running) {
        status = L"Wait for this game's setup to finish.";
        return false;
    }
    const SetupJob previous = job;
    try {
        // A NUL goes first: making the path absolute would already cut the name there.
        if (folder.native().find(std::filesystem::path::value_type{}) != std::string::npos) {
            throw std::runtime_error("ROM folder");
        }
        const std::filesystem::path normal = std::filesystem::absolute(folder).lexically_normal();
        if (!readsBackFromSetupConfig(normal)) {
            throw std::runtime_error("ROM folder");
        }
        requireUnlinkedPath(normal);
        if (!std::filesystem::is_directory(std::filesystem::status(normal))) {
            throw std::runtime_error("ROM folder");
        }
        if (normal != job.romFolder) {
            job.romFolder = normal;
            job.verified = false;
            job.reportFiles.clear();
            job.reportChecks.clear();
            job.program.clear();
        }
        if (!saveSetupConfig()) {
            throw std::runtime_error("setup folders not saved");
        }
        return true;
    } catch (const std::exception& error) {
        // The backend keeps what setup.cfg holds.
        job = previous;
        status = L"Folder refused: " + utf8ToWide(error.what());
        return false;
    }
}

} // namespace qxlauncher
