#pragma once
// The one object through which the launcher does the collection's work without a window.
#include "backend/adjustments.h"
#include "backend/config.h"
#include "backend/game_table.h"
#include "backend/setup_pipeline.h"
#include "backend/startup_context.h"
#include "platform/handle.h"

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
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
    bool isGameRunningHandle() const { return gameProcess != nullptr; }
    std::uint32_t lastExitCode() const { return gameExitCode; }
    bool setupQueueEmpty() const { return setupQueue.empty(); }

private:
    Config config;
    GameAdjustments adjustments;
    std::int32_t qx3Edition = 1;
    bool runningQx3Native = false;
    std::filesystem::path projectRoot;
    std::filesystem::path gameImagePath;
    std::wstring status;
    platform::NativeHandle gameProcess = nullptr;
    platform::NativeHandle setupProcess = nullptr;
    platform::NativeHandle setupJobObject = nullptr;
    std::deque<SetupQueueEntry> setupQueue;
    SetupQueueEntry runningEntry;
    std::array<SetupJob, gameCount> jobs{};
    ToolProbe tools;
    std::wstring pythonCommand;
    std::uint64_t pythonCandidateIndex = 0;
    bool cancelRequested = false;
    bool acknowledged = false;
    std::uint64_t nextProgressTick = 0;
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

    // Tests reach the fields through this class; the product defines none.
    friend class BackendTestAccess;
};

} // namespace qxlauncher
