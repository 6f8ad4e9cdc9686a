#pragma once
// The one object through which the launcher does the collection's work without a window.
#include "backend/cmos/adjustments.h"
#include "backend/game_table.h"
#include "backend/launch/game_monitor.h"
#include "backend/preferences/config.h"
#include "backend/setup/setup_pipeline.h"
#include "backend/startup_context.h"
#include "platform/clock.h"
#include "platform/handle.h"

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace qxlauncher {

class Backend {
public:
    explicit Backend(const StartupContext& context);
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;
    ~Backend();

    const std::wstring& statusText() const { return status; }
    const std::filesystem::path& root() const { return projectRoot; }

    // The third game's edition: 1 original, 2 remastered. Refused while a game runs.
    bool selectQx3Edition(std::int32_t edition);
    std::int32_t qx3EditionSelected() const { return qx3Edition; }
    int selectedGameKind() const { return selectedGame; }
    bool isGameRunningHandle() const { return isGameRunning(); }
    std::uint32_t lastExitCode() const { return gameExitCode; }
    bool setupQueueEmpty() const { return setupQueue.empty(); }

    // Setup pipeline: the queue and job states, the runner, progress, receipts and report.
    bool requestSetup(unsigned game, bool verifyOnly);
    bool enqueueSetup(int game, bool verifyOnly);
    void cancelSetup();
    void recheckRequirements();
    void pumpSetup();
    bool isSetupBusy();
    void finishSetupJob(std::uint32_t exitCode);
    void startSetupJob(const SetupQueueEntry& entry);
    void readSetupProgress(int game);
    void completeRequirementsCheck();
    std::wstring stepMessageText(int game) const;
    std::wstring stepHintText(int game) const;
    bool hasValidBuild(int game) const;
    std::filesystem::path latestBuildDirectory(int game) const;
    void refreshBuildSeconds(int game);
    std::wstring setupReport(int game) const;
    const SetupJob& setupJob(int game) const { return jobs.at(static_cast<std::size_t>(game)); }
    const ToolProbe& toolProbe() const { return tools; }
    bool setupProcessRunning() const { return setupProcess.get() != nullptr; }
    bool ownershipConfirmed() const { return acknowledged; }
    // End of the setup pipeline.

    // Per-game preferences and the setup choices kept in setup.cfg.
    bool loadPreferences(bool withAdjustments);
    bool selectGame(int game, bool withAdjustments);
    // The selected game's preferences as loaded (the launcher edits a copy and may put one back).
    Config& currentConfig() { return config; }
    const Config& currentConfig() const { return config; }
    bool savePreferences();
    bool resetPreferences();
    bool setQx3Engine(std::int32_t edition);
    bool saveSetupConfig();
    void loadSetupConfig();
    bool setAcknowledged(bool value);
    bool setRomFolder(int game, const std::filesystem::path& folder);
    bool nativePackagePresent() const;
    bool loadAdjustments(bool load);
    // End of the preferences.

    // Operator adjustments of the selected game, kept in its CMOS image.
    bool adjustmentsAvailable() const;
    bool adjustmentsOffered() const;
    const GameAdjustments& loadedAdjustments() const { return adjustments; }
    std::wstring coinageLabel(const GameAdjustments& choice) const;
    bool saveAll(const Config& next, const GameAdjustments& chosen);
    bool resetRanking();
    // End of the operator adjustments.

    // Game launch.
    bool launchSelectedGame();
    bool launchQx3Native();
    bool launchQx2Native(const std::filesystem::path& manifestPath);
    // End of the game launch.

    // Running-game monitor.
    bool isGameRunning() const { return gameProcess.get() != nullptr; }
    void pollRunningGame();
    void findGameWindow();
    void requestGameClose();
    platform::WindowHandle gameWindow() const { return foundWindow; }
    RunningGameKind runningGameKind() const;
    // End of the running-game monitor.

    // Native packages: availability, and the CMOS image and ROM folder of the selected game.
    bool isGameAvailable(int game) const;
    std::filesystem::path cmosPath(bool verify) const;
    std::filesystem::path romFolder() const;
    bool extendedVideoAvailable() const;
    // End of the native packages.

private:
    Config config;
    GameAdjustments adjustments;
    std::int32_t qx3Edition = 1;
    bool runningQx3Native = false;
    std::filesystem::path projectRoot;
    std::filesystem::path gameImagePath;
    std::wstring status;
    platform::UniqueHandle gameProcess;
    platform::UniqueHandle setupProcess;
    platform::UniqueHandle setupJobObject;
    std::deque<SetupQueueEntry> setupQueue;
    SetupQueueEntry runningEntry;
    // When the running entry's process started, as the file system stamped its log.
    std::uint64_t setupStarted = 0;
    std::array<SetupJob, gameCount> jobs{};
    ToolProbe tools;
    std::wstring pythonCommand;
    std::uint64_t pythonCandidateIndex = 0;
    bool cancelRequested = false;
    bool acknowledged = false;
    std::uint64_t nextProgressTick = 0;
    // The clock of the 250 ms progress-read rule; tests step it by hand.
    std::function<std::uint64_t()> setupTickClock = platform::tickCountMilliseconds;
    std::uint32_t gamePid = 0;
    std::uint32_t gameExitCode = 0;
    std::uint32_t windowPid = 0;
    std::uint64_t nextWindowSearchTick = 0;
    bool closeRequested = false;
    bool nativeRun = false;
    bool nativeLiveTest = false;
    bool qx2NativePlayable = false;
    std::int32_t selectedGame = 0;
    bool adjustmentsLoaded = false;
    bool qx2NativeSelected = false;
    std::filesystem::path loadedCmosPath;
    std::string cmosImage;
    std::string programImage;
    std::vector<std::wstring> coinageLabels;
    std::string cmosSha256;
    platform::WindowHandle foundWindow = nullptr;

    // A started game becomes the running one: its process, the image whose window is the
    // game's, and how it was started. Every launch ends here.
    void adoptGame(platform::UniqueHandle process, std::uint32_t processId,
                   const std::filesystem::path& image, const GameStartKind& kind);
    // A started setup process and its job object become the running entry's; `started` is its
    // start as a file time (0: any receipt counts as written during the job).
    void adoptSetupProcess(platform::UniqueHandle process, platform::UniqueHandle job,
                           const SetupQueueEntry& entry, std::uint64_t started = 0);
    // A valid build of the game whose receipt was written since the running job started.
    bool builtDuringSetupJob(int game) const;
    // The games still waiting leave the queue as cancelled; a waiting requirements check stays.
    void cancelWaitingGames();

    // Tests stage and read the fields through this one class (tests/support/backend_probe.h);
    // the product defines none.
    friend class BackendProbe;
};

} // namespace qxlauncher
