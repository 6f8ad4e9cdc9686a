#pragma once
// The one way in for tests to the backend's private state. Each operation stages one state that
// the public operations reach only through real processes, files or time (a running game, a
// running setup, a job in any state, the queue, the requirements result, the interpreter
// command, the selected game, the status line), or reads a field that no public operation shows.
// The product defines no probe.
#include "backend/backend.h"
#include "platform/child_process.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

namespace qxlauncher {

class BackendProbe {
public:
    // The status line as if an operation had left this sentence (or none).
    static void stageStatus(Backend& backend, std::wstring sentence) {
        backend.status = std::move(sentence);
    }

    // --- The selected game and its preferences ---

    static Config& config(Backend& backend) { return backend.config; }

    // Selects a game without loading anything; `qx2Native` as if the second game's native
    // installation had been found when its preferences were loaded.
    static void stageSelectedGame(Backend& backend, int game, bool qx2Native = false) {
        backend.selectedGame = game;
        backend.qx2NativeSelected = qx2Native;
    }
    static bool qx2NativeSelected(const Backend& backend) { return backend.qx2NativeSelected; }

    // The third game's edition as it is, without the refusals of selectQx3Edition.
    static void stageQx3Edition(Backend& backend, std::int32_t edition) {
        backend.qx3Edition = edition;
    }

    // --- The setup pipeline ---

    static bool& acknowledged(Backend& backend) { return backend.acknowledged; }
    static SetupJob& setupJob(Backend& backend, int game) {
        return backend.jobs.at(static_cast<std::size_t>(game));
    }
    static ToolProbe& tools(Backend& backend) { return backend.tools; }
    static std::deque<SetupQueueEntry>& setupQueue(Backend& backend) { return backend.setupQueue; }
    static std::wstring& pythonCommand(Backend& backend) { return backend.pythonCommand; }

    // The clock of the 250 ms progress-read rule, so that a test steps time by hand.
    static void stageSetupTickClock(Backend& backend, std::function<std::uint64_t()> clock) {
        backend.setupTickClock = std::move(clock);
    }

    // A started child becomes the running setup process of `entry` (the requirements check
    // unless another is given), as the queue leaves it; the backend owns it from here on.
    static void adoptSetup(Backend& backend, platform::StartedChild& child,
                           const SetupQueueEntry& entry = {}) {
        backend.adoptSetupProcess(std::move(child.process), std::move(child.job), entry);
    }

    // Whether the running setup process has ended, asked without pumping the queue: what the
    // next pump will find.
    static bool setupProcessEnded(const Backend& backend) {
        return backend.setupProcess.get() != nullptr &&
               platform::hasChildEnded(backend.setupProcess.get());
    }

    // --- The running game ---

    // A game counts as running without a process behind it (a handle value that is never
    // closed), for the refusals that a running game causes. Not for polling.
    static void stageRunningGame(Backend& backend) {
        backend.gameProcess.reset(platform::invalidHandleValue());
    }
    static void clearRunningGame(Backend& backend) { backend.gameProcess.reset(); }

    // A started child becomes the running game as a launch leaves it; the backend owns it from
    // here on.
    static void adoptGame(Backend& backend, platform::StartedChild& child,
                          const std::filesystem::path& image = {}, const GameStartKind& kind = {}) {
        backend.adoptGame(std::move(child.process), child.processId, image, kind);
    }

    // The running game's window as if the monitor had found it.
    static void stageGameWindow(Backend& backend, platform::WindowHandle window,
                                std::uint32_t processId) {
        backend.foundWindow = window;
        backend.windowPid = processId;
    }

    static const std::filesystem::path& gameImagePath(const Backend& backend) {
        return backend.gameImagePath;
    }
    static std::uint32_t gamePid(const Backend& backend) { return backend.gamePid; }
    static bool nativeRun(const Backend& backend) { return backend.nativeRun; }
    static bool runningQx3Native(const Backend& backend) { return backend.runningQx3Native; }
    static bool qx2NativePlayable(const Backend& backend) { return backend.qx2NativePlayable; }
};

// A game counts as running for the length of a scope (BackendProbe::stageRunningGame).
class RunningGameScope {
public:
    explicit RunningGameScope(Backend& backend) : backend_(backend) {
        BackendProbe::stageRunningGame(backend_);
    }
    RunningGameScope(const RunningGameScope&) = delete;
    RunningGameScope& operator=(const RunningGameScope&) = delete;
    ~RunningGameScope() { BackendProbe::clearRunningGame(backend_); }

private:
    Backend& backend_;
};

} // namespace qxlauncher
