#include "app/loop/backend_tick.h"

namespace lumenark {
namespace {

// The shown status follows the backend while a setup runs and once more when it ends; user
// actions set it directly elsewhere.
void followStatus(bool busy, TickState& state, TickHost& host) {
    const std::wstring status = host.backendStatus();
    if (status == state.lastStatusSeen) {
        if (state.setupBusyAtLastTick && !busy) {
            state.nextPoll = 0;
        }
        return;
    }
    state.lastStatusSeen = status;
    if (busy) {
        host.showStatus(status);
    } else if (state.setupBusyAtLastTick) {
        host.showStatus(status);
        state.nextPoll = 0;
    }
}

} // namespace

bool runBackendTick(std::uint64_t now, bool closing, TickState& state, TickHost& host) {
    if (now < state.nextTick) {
        return false;
    }
    state.nextTick = now + backendTickMilliseconds;
    const bool wasRunning = host.isGameRunning();
    host.pollRunningGame();
    const bool busy = host.isSetupBusy();
    host.refreshBuilds();
    followStatus(busy, state, host);
    state.setupBusyAtLastTick = busy;
    if (host.pollPending()) {
        host.collectPoll();
    }
    const bool running = host.isGameRunning();
    if (!running && !host.pollPending() && now >= state.nextPoll) {
        host.startPoll();
        state.nextPoll = now + backgroundPollMilliseconds;
    }
    if (wasRunning && !running) {
        host.restoreLauncher();
        state.minimisedForGame = false;
        host.showStatus(host.backendStatus());
        host.logEvent("game-return exit=" + std::to_string(host.lastExitCode()));
        if (closing) {
            host.destroyWindow();
        }
    }
    if (running && host.gameWindowKnown() && !state.minimisedForGame && !closing) {
        state.minimisedForGame = true;
        host.stepAsideForGame();
    }
    if (closing && running) {
        host.requestGameClose();
    }
    return true;
}

} // namespace lumenark
