#include "backend/launch/game_launch.h"

#include "backend/backend.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/files/utf8_text.h"
#include "backend/launch/command_line.h"
#include "backend/launch/game_environment.h"
#include "backend/packages/hashing.h"
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/launcher_files.h"
#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "platform/system_folder.h"
#include "platform/text.h"

#include <array>
#include <optional>
#include <regex>
#include <stdexcept>
#include <string_view>

namespace qxlauncher {

namespace {

constexpr std::uint16_t bloodBit = 0x4000;
constexpr std::uint16_t violenceBit = 0x8000;
constexpr std::array<std::uint16_t, 3> dswBase{16127, 15485, 15741};

constexpr std::array<std::wstring_view, 3> syncNames{L"vsync", L"vrr", L"immediate"};
constexpr std::array<std::wstring_view, 3> colorNames{L"original", L"vivid", L"warm"};
constexpr std::array<std::wstring_view, 3> latencyNames{L"low", L"balanced", L"safe"};

template <std::size_t N>
std::wstring named(const std::array<std::wstring_view, N>& names, std::int32_t value) {
    if (value < 0 || static_cast<std::size_t>(value) >= N) {
        throw std::runtime_error("game video value");
    }
    return std::wstring(names[static_cast<std::size_t>(value)]);
}

const CrtPresetRow& crtRow(const VideoSettings& video) {
    if (video.scanlines < 0 || static_cast<std::size_t>(video.scanlines) >= CrtPreset.size()) {
        throw std::runtime_error("game video value");
    }
    return CrtPreset[static_cast<std::size_t>(video.scanlines)];
}

std::wstring flag(bool on) {
    return on ? L"1" : L"0";
}

void addSwitchWord(std::vector<std::wstring>& arguments, int game, const Config& config) {
    if (!(config.Blood && config.Violence)) {
        arguments.push_back(L"--dsw-word");
        arguments.push_back(std::to_wstring(dswWord(game, config.Blood, config.Violence)));
    }
}

// The first game's package without video profiles plays only the original picture path.
bool needsVideoProfiles(const VideoSettings& video) {
    return video.filter > 1 || video.scalemode != 0 || video.cas != 0 || video.bilateral != 0 ||
           video.smaa || !video.fullscreen;
}

bool declaresVideoProfiles(const std::string& manifest) {
    static const std::regex pattern(R"re("video_profiles"\s*:\s*1\s*[,}])re",
                                    std::regex::ECMAScript);
    return std::regex_search(manifest, pattern);
}

// The log (created or truncated) for both output streams, and the null device as input.
struct GameStreams {
    platform::UniqueHandle log;
    platform::UniqueHandle input;
};

GameStreams openGameStreams(const std::filesystem::path& log, const char* label) {
    requireUnlinkedPath(log);
    std::filesystem::create_directories(log.parent_path());
    requireUnlinkedPath(log);
    GameStreams streams{platform::openChildLogFile(log), platform::openChildNullInput()};
    if (!streams.log.valid() || !streams.input.valid()) {
        throw std::runtime_error(label);
    }
    return streams;
}

platform::StartedChild startGame(const std::filesystem::path& program,
                                 const std::vector<std::wstring>& arguments,
                                 std::optional<std::wstring> environment,
                                 const std::filesystem::path& folder, const GameStreams& streams,
                                 bool hidden) {
    platform::ChildProcessRequest request;
    request.application = program;
    request.commandLine = quotedCommandLine(arguments);
    request.environmentBlock = std::move(environment);
    request.workingFolder = folder;
    request.standardInput = streams.input.get();
    request.standardOutput = streams.log.get();
    request.standardError = streams.log.get();
    request.hideWindow = hidden;
    return platform::startChildProcess(request);
}

void createUnlinkedFolder(const std::filesystem::path& folder) {
    requireUnlinkedPath(folder);
    std::filesystem::create_directories(folder);
    requireUnlinkedPath(folder);
}

// What the session-script launch needs from the backend.
struct SessionScriptRequest {
    std::filesystem::path root;
    int game = 0;
    const Config* config = nullptr;
    ControlBindings bindings;
};

struct SessionScriptStart {
    bool videoProfileRefused = false;
    platform::StartedChild child;
    std::filesystem::path gameImage;
};

std::filesystem::path sessionGameExecutable(const std::filesystem::path& root,
                                            const std::filesystem::path& package, int game) {
    std::filesystem::path executable;
    bool named = true;
    if (game == 0) {
        executable = root / package / "product/qx5-native-audio.exe";
    } else {
        const std::string text =
            trim(readFileCapped(root / package / "product/engine-path.txt", 4096));
        named = !holdsNul(text);
        executable = pathFromUtf8(text);
    }
    executable = executable.lexically_normal();
    if (!named || !platform::isFullyQualifiedPath(executable) ||
        !isRegularUnlinkedFile(executable)) {
        throw std::runtime_error("game executable");
    }
    return platform::pathFromWide(backslashPath(executable));
}

SessionScriptStart startSessionScript(const SessionScriptRequest& request) {
    const Config& config = *request.config;
    const bool firstGame = request.game == 0;
    const VideoSettings& video = launchVideo(config, config.Remastered);
    requireUnlinkedPath(request.root);
    const std::filesystem::path& package = firstGame ? qx1BuildDir : qx2ArcadeBuildDir;
    const std::filesystem::path script = request.root / package / "product/session.ps1";
    requireUnlinkedPath(script);

    SessionScriptStart start;
    start.gameImage = sessionGameExecutable(request.root, package, request.game);

    const std::optional<std::filesystem::path> system = platform::systemFolder();
    if (!system) {
        throw std::runtime_error("system directory");
    }
    const std::filesystem::path powerShell = *system / "WindowsPowerShell/v1.0/powershell.exe";

    bool videoProfiles = false;
    if (firstGame) {
        videoProfiles =
            declaresVideoProfiles(readFileCapped(script.parent_path() / "manifest.json", 65536));
        if (!videoProfiles && needsVideoProfiles(video)) {
            start.videoProfileRefused = true;
            return start;
        }
    }
    const std::vector<std::wstring> arguments = sessionScriptArguments(
        {powerShell, script, request.root, firstGame, videoProfiles}, config);

    const std::filesystem::path log = firstGame
                                          ? request.root / "logs/temporaria-8/launcher-latest.log"
                                          : request.root / "logs/qx2-v1" / "launcher-latest.log";
    const GameStreams streams = openGameStreams(log, "startup log");

    std::optional<std::wstring> environment;
    if (firstGame) {
        const bool widescreen = config.Remastered && video.widescreen;
        environment = buildGameEnvironment(
            config, video, {}, videoProfiles, false, customBezelPath(request.root, 0),
            request.bindings,
            widescreen ? std::optional<std::wstring>(L"QX1_WIDESCREEN") : std::nullopt);
    }
    start.child =
        startGame(powerShell, arguments, std::move(environment), request.root, streams, true);
    if (!start.child.started()) {
        throw std::runtime_error("start session");
    }
    return start;
}

} // namespace

std::uint16_t dswWord(int game, bool blood, bool violence) {
    std::uint16_t word = dswBase.at(static_cast<std::size_t>(game));
    if (blood) {
        word |= bloodBit;
    }
    if (violence) {
        word |= violenceBit;
    }
    return word;
}

const VideoSettings& launchVideo(const Config& config, bool remastered) {
    return remastered ? config.remastered : config.original;
}

bool presentationVideo(const VideoSettings& video) {
    return video.scanlines != 0 || video.filter != 0 ||
           (video.scalefx && video.scalefxamount > 0) || video.scalemode != 0 || video.cas != 0 ||
           video.bilateral != 0 || video.smaa;
}

std::vector<std::wstring> sessionScriptHead(const std::filesystem::path& powerShell,
                                            const std::filesystem::path& script,
                                            const std::filesystem::path& projectRoot) {
    return {platform::wideFromPath(powerShell),
            L"-NoLogo",
            L"-NoProfile",
            L"-NonInteractive",
            L"-ExecutionPolicy",
            L"Bypass",
            L"-WindowStyle",
            L"Hidden",
            L"-File",
            platform::wideFromPath(script),
            L"-ProjectRoot",
            platform::wideFromPath(projectRoot)};
}

std::vector<std::wstring> sessionScriptArguments(const SessionScriptLaunch& launch,
                                                 const Config& config) {
    const VideoSettings& video = launchVideo(config, config.Remastered);
    const CrtPresetRow& crt = crtRow(video);
    std::vector<std::wstring> arguments =
        sessionScriptHead(launch.powerShell, launch.script, launch.projectRoot);
    arguments.insert(arguments.end(),
                     {
                         L"-WindowFrames", L"0",
                         L"-GameMode",     config.Remastered ? L"remastered" : L"original",
                         L"-VisualMode",   presentationVideo(video) ? L"presentation" : L"original",
                         L"-Scanlines",    std::wstring(crt.strength),
                         L"-Filter",       named(filterNames, video.filter),
                         L"-CrtPreset",    std::wstring(crt.preset),
                         L"-SyncMode",     named(syncNames, video.sync),
                         L"-ColorMode",    named(colorNames, video.color),
                         L"-Brightness",   std::to_wstring(video.brightness),
                         L"-Bezel",        flag(video.bezel),
                         L"-HighRefresh",  flag(video.highrefresh),
                         L"-AudioLatency", named(latencyNames, config.AudioLatency),
                     });
    if (launch.firstGame) {
        const std::vector<std::wstring> firstGameArguments{
            L"-ScaleFX",     video.scalefx ? std::to_wstring(video.scalefxamount) : L"0",
            L"-GameVolume",  std::to_wstring(config.GameVolume),
            L"-DswWord",     std::to_wstring(dswWord(0, config.Blood, config.Violence)),
            L"-CmosCoinage", flag(config.CmosCoinage),
        };
        arguments.insert(arguments.end(), firstGameArguments.begin(), firstGameArguments.end());
        if (launch.videoProfiles) {
            const std::vector<std::wstring> profileArguments{
                L"-ScaleMode",
                std::to_wstring(video.scalemode),
                L"-Cas",
                std::to_wstring(video.cas),
                L"-Bilateral",
                std::to_wstring(video.bilateral),
                L"-Smaa",
                flag(video.smaa),
                L"-GameFullscreen",
                flag(video.fullscreen),
            };
            arguments.insert(arguments.end(), profileArguments.begin(), profileArguments.end());
        }
    }
    return arguments;
}

std::vector<std::wstring> qx3NativeArguments(const std::filesystem::path& executable,
                                             const std::filesystem::path& romFolder,
                                             const std::filesystem::path& factorySeed,
                                             const std::filesystem::path& graphicsList,
                                             const std::filesystem::path& profileFolder,
                                             bool remastered, const Config& config) {
    std::vector<std::wstring> arguments{platform::wideFromPath(executable),
                                        platform::wideFromPath(romFolder),
                                        platform::wideFromPath(factorySeed),
                                        platform::wideFromPath(graphicsList),
                                        L"--window",
                                        L"--audio",
                                        L"--edition",
                                        remastered ? L"remastered" : L"original",
                                        L"--cmos-profile",
                                        platform::wideFromPath(profileFolder)};
    addSwitchWord(arguments, 2, config);
    return arguments;
}

std::vector<std::wstring> qx2NativeArguments(const std::filesystem::path& executable,
                                             const std::filesystem::path& romFolder,
                                             const std::filesystem::path& profileFolder,
                                             const Config& config) {
    std::vector<std::wstring> arguments{platform::wideFromPath(executable),
                                        platform::wideFromPath(romFolder),
                                        L"--window",
                                        L"--audio",
                                        L"--host-controls",
                                        L"--through",
                                        L"cmos-live",
                                        L"--profile",
                                        platform::wideFromPath(profileFolder)};
    addSwitchWord(arguments, 1, config);
    return arguments;
}

std::wstring backslashPath(const std::filesystem::path& path) {
    std::wstring text = platform::wideFromPath(path);
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = static_cast<wchar_t>(std::filesystem::path::preferred_separator);
        }
    }
    return text;
}

bool Backend::launchSelectedGame() {
    clearFileHashCache();
    pollRunningGame();
    if (isGameRunning()) {
        status = L"A game is still running.";
        return false;
    }
    pumpSetup();
    if (setupProcessRunning() || !setupQueue.empty()) {
        status = L"Wait for the build to finish before playing.";
        return false;
    }
    const bool nativePresent = selectedGame == 1 && isQx2NativePackagePresent(projectRoot);
    if (selectedGame == 1 && nativePresent != qx2NativeSelected) {
        status = L"The installation changed. Reopen Settings before playing.";
        return false;
    }
    gameImagePath.clear();
    nativeRun = false;
    nativeLiveTest = false;
    qx2NativePlayable = false;
    runningQx3Native = false;
    if (selectedGame == 2) {
        return launchQx3Native();
    }
    if (nativePresent) {
        return launchQx2Native(nativePackageIniPath(projectRoot));
    }
    if (!isGameAvailable(selectedGame)) {
        status = L"Game unavailable: build it again on the Build page.";
        gameExitCode = 2;
        return false;
    }
    if (config.Remastered && !extendedVideoAvailable()) {
        status = L"The Remastered edition is not available for this game.";
        gameExitCode = 2;
        return false;
    }
    config.validate(selectedGame);
    try {
        SessionScriptStart start =
            startSessionScript({projectRoot, selectedGame, &config, loadControls(*this)});
        if (start.videoProfileRefused) {
            status = L"Build QX1 again to use this video profile.";
            gameExitCode = 13;
            return false;
        }
        adoptGame(std::move(start.child.process), start.child.processId, start.gameImage, {});
        status = L"Starting the game; checking its files...";
        return true;
    } catch (...) {
        const std::uint32_t error = platform::lastSystemError();
        gameExitCode = error != 0 ? error : platform::errorGenFailure;
        status = selectedGame == 0 ? L"The game could not start; the Logs button opens its log."
                                   : std::wstring(L"The game could not start; details in ") +
                                         L"logs/qx2-v1" + L"/launcher-latest.log.";
        return false;
    }
}

bool Backend::launchQx3Native() {
    try {
        clearFileHashCache();
        const Qx3NativePackage package = loadQx3NativeManifest(projectRoot);
        Config copy = config;
        copy.validate(2);
        const bool remastered = qx3Edition == 2;
        const VideoSettings& video = launchVideo(copy, remastered);
        std::wstring environment = buildGameEnvironment(
            copy, video, {}, true, false, customBezelPath(projectRoot, 2), loadControls(*this),
            remastered && video.widescreen ? std::optional<std::wstring>(L"QX3_WIDESCREEN")
                                           : std::nullopt);
        const std::filesystem::path executable =
            platform::pathFromWide(backslashPath(package.executable));
        // Checked before it is made and again after, so no link can slip in between.
        createUnlinkedFolder(package.profileDirectory);
        const GameStreams streams = openGameStreams(
            projectRoot / "logs/qx3-native" / "launcher-latest.log", "QX3 native log");
        const std::vector<std::wstring> arguments =
            qx3NativeArguments(executable, package.romDirectory, package.factorySeed,
                               package.graphicsList, package.profileDirectory, remastered, copy);
        platform::StartedChild child = startGame(executable, arguments, std::move(environment),
                                                 package.packageDirectory, streams, false);
        if (!child.started()) {
            throw std::runtime_error("QX3 native CreateProcess failed: " +
                                     std::to_string(child.error));
        }
        adoptGame(std::move(child.process), child.processId, executable,
                  {.nativeRun = true, .runningQx3Native = true});
        status = remastered ? L"QX3 started: Remastered." : L"QX3 started: Original.";
        return true;
    } catch (const std::exception& error) {
        gameExitCode = 13;
        status =
            L"QX3 refused: " + utf8ToWide(error.what()) + L". Build QX3 again on the Build page.";
        return false;
    }
}

bool Backend::launchQx2Native(const std::filesystem::path& manifestPath) {
    clearFileHashCache();
    pollRunningGame();
    if (isGameRunning()) {
        status = L"A game is still running.";
        return false;
    }
    const Config saved = config;
    gameImagePath.clear();
    nativeRun = false;
    nativeLiveTest = false;
    qx2NativePlayable = false;
    runningQx3Native = false;
    try {
        const Qx2NativePackage package = loadQx2NativeManifest(projectRoot, manifestPath, true);
        if (!package.playable) {
            throw std::runtime_error("Pacote nativo invalido; verifique a instalacao.");
        }
        Config copy = config;
        copy.validate(0);
        const bool remastered = copy.Remastered;
        const VideoSettings& video = launchVideo(copy, remastered);
        if (!package.extendedVideo && (video.filter > 1 || video.scalemode != 0 || video.cas != 0 ||
                                       video.bilateral != 0 || video.smaa)) {
            throw std::runtime_error(
                "Atualize o pacote nativo do QX2 para usar os novos filtros e modos de escala.");
        }
        std::wstring environment = buildGameEnvironment(
            copy, video, projectRoot / "custom_audio" / "qx2", package.extendedVideo,
            !package.graphicsValidated, customBezelPath(projectRoot, 1), loadControls(*this),
            remastered && video.widescreen ? std::optional<std::wstring>(L"QX2_WIDESCREEN")
                                           : std::nullopt);
        const std::filesystem::path executable =
            platform::pathFromWide(backslashPath(package.executable));
        ensureProfile(package.profileDirectory, package.factorySeed);
        const GameStreams streams = openGameStreams(
            package.packageDirectory / "logs/native-experiment-latest.log", "native session log");
        const std::vector<std::wstring> arguments =
            qx2NativeArguments(executable, package.romDirectory, package.profileDirectory, copy);
        platform::StartedChild child = startGame(executable, arguments, std::move(environment),
                                                 package.packageDirectory, streams, false);
        if (!child.started()) {
            throw std::runtime_error("native prebuilt CreateProcess failed: " +
                                     std::to_string(child.error));
        }
        adoptGame(std::move(child.process), child.processId, executable,
                  {.nativeRun = true,
                   .nativeLiveTest = package.liveExecution,
                   .qx2NativePlayable = package.playable});
        status = std::wstring(L"QUARRIX II") + L" nativo iniciado.";
        return true;
    } catch (const std::exception& error) {
        config = saved;
        gameExitCode = 13;
        status = L"Native test refused: " + utf8ToWide(error.what());
        return false;
    }
}

} // namespace qxlauncher
