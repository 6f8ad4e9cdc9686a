#pragma once
// Starting the selected game: the switch word, the command lines of the session script and of
// the two native games, and the log each game writes to. The launch itself is
// `Backend::launchSelectedGame`.
#include "backend/preferences/config.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qxlauncher {

// Game 0 the first game, 1 the second game's native package, 2 the third game.
std::uint16_t dswWord(int game, bool blood, bool violence);

// The video block a launch uses: the remastered block when Remastered is asked.
const VideoSettings& launchVideo(const Config& config, bool remastered);

// Whether the video block asks for anything beyond the original picture.
bool presentationVideo(const VideoSettings& video);

struct SessionScriptLaunch {
    std::filesystem::path powerShell;
    std::filesystem::path script;
    std::filesystem::path projectRoot;
    bool firstGame = true;
    bool videoProfiles = false; // the first game's package declares video profiles
};

// The fixed head of every session-script command line: PowerShell run hidden on the script,
// with the project root.
std::vector<std::wstring> sessionScriptHead(const std::filesystem::path& powerShell,
                                            const std::filesystem::path& script,
                                            const std::filesystem::path& projectRoot);

std::vector<std::wstring> sessionScriptArguments(const SessionScriptLaunch& launch,
                                                 const Config& config);

std::vector<std::wstring> qx3NativeArguments(const std::filesystem::path& executable,
                                             const std::filesystem::path& romFolder,
                                             const std::filesystem::path& factorySeed,
                                             const std::filesystem::path& graphicsList,
                                             const std::filesystem::path& profileFolder,
                                             bool remastered, const Config& config);

std::vector<std::wstring> qx2NativeArguments(const std::filesystem::path& executable,
                                             const std::filesystem::path& romFolder,
                                             const std::filesystem::path& profileFolder,
                                             const Config& config);

// A path with every "/" turned into the system's separator ("\" on Windows), as the games are
// handed their executables.
std::wstring backslashPath(const std::filesystem::path& path);

} // namespace qxlauncher
