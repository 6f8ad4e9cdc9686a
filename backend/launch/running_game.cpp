// The running game in the backend: whether it still runs, its window, the close request, and
// the sentences of a game that runs or has ended.
#include "backend/backend.h"
#include "backend/launch/game_monitor.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/text.h"

namespace qxlauncher {

namespace {

// The exit code of a game whose real one cannot be read.
constexpr std::uint32_t gameExitCodeUnreadable = 31;
constexpr std::uint64_t windowSearchIntervalMs = 200;

} // namespace

RunningGameKind Backend::runningGameKind() const {
    return RunningGameKind{runningQx3Native, qx2NativePlayable, nativeRun,
                           nativeLiveTest,   selectedGame,      qx3Edition};
}

void Backend::adoptGame(platform::UniqueHandle process, std::uint32_t processId,
                        const std::filesystem::path& image, const GameStartKind& kind) {
    gameProcess = std::move(process);
    gamePid = processId;
    gameImagePath = image;
    runningQx3Native = kind.runningQx3Native;
    nativeRun = kind.nativeRun;
    nativeLiveTest = kind.nativeLiveTest;
    qx2NativePlayable = kind.qx2NativePlayable;
    closeRequested = false;
    foundWindow = nullptr;
    windowPid = 0;
    nextWindowSearchTick = 0;
    gameExitCode = gameStillActiveExitCode;
}

void Backend::findGameWindow() {
    if (!isGameRunning()) {
        return;
    }
    if (foundWindow != nullptr) {
        const std::optional<std::uint32_t> owner = platform::windowProcessId(foundWindow);
        if (owner && *owner == windowPid) {
            if (closeRequested) {
                platform::postWindowClose(foundWindow);
            }
            return;
        }
    }
    foundWindow = nullptr;
    windowPid = 0;
    const std::uint64_t now = platform::tickCountMilliseconds();
    if (now < nextWindowSearchTick) {
        return;
    }
    nextWindowSearchTick = now + windowSearchIntervalMs;
    const std::optional<std::vector<platform::ProcessEntry>> processes =
        platform::takeProcessSnapshot();
    if (!processes) {
        return;
    }
    const std::optional<FoundGameWindow> found = chooseGameWindow(
        *processes, platform::listTopLevelWindows(), platform::processImagePath, isSameGameImage,
        gamePid, platform::wideFromPath(gameImagePath), nativeRun);
    if (!found) {
        return;
    }
    foundWindow = found->window;
    windowPid = found->processId;
    if (closeRequested) {
        platform::postWindowClose(foundWindow);
    }
}

void Backend::pollRunningGame() {
    if (!isGameRunning()) {
        return;
    }
    if (!platform::hasChildEnded(gameProcess.get())) {
        findGameWindow();
        if (closeRequested) {
            status = L"Closing the game and saving its records and CMOS...";
        } else if (foundWindow != nullptr) {
            status = runningGameSentence(runningGameKind());
        }
        return;
    }
    const std::uint32_t exitCode =
        platform::childExitCode(gameProcess.get()).value_or(gameExitCodeUnreadable);
    gameProcess.reset();
    gamePid = 0;
    foundWindow = nullptr;
    gameImagePath.clear();
    closeRequested = false;
    gameExitCode = exitCode;
    status = closedGameSentence(runningGameKind(), exitCode);
}

void Backend::requestGameClose() {
    if (!isGameRunning()) {
        return;
    }
    closeRequested = true;
    findGameWindow();
    status = L"Closing the game and saving its records and CMOS...";
}

} // namespace qxlauncher
