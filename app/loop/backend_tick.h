#pragma once
// The main loop's 200-ms tick: the running game, the setup queue, the build receipts, the status
// line, the background poll, and the launcher stepping aside for a game and coming back. The
// decisions are here; the host carries them out on the backend, the App and the window.
#include <cstdint>
#include <string>

namespace lumenark {

inline constexpr std::uint64_t backendTickMilliseconds = 200;
inline constexpr std::uint64_t backgroundPollMilliseconds = 10000;

class TickHost {
public:
    // The backend.
    virtual bool isGameRunning() = 0;
    virtual void pollRunningGame() = 0;
    // Pumps the setup queue; whether a setup runs or waits.
    virtual bool isSetupBusy() = 0;
    virtual std::wstring backendStatus() = 0;
    virtual std::uint32_t lastExitCode() = 0;
    virtual bool gameWindowKnown() = 0;
    virtual void requestGameClose() = 0;
    // The App.
    virtual void refreshBuilds() = 0;
    virtual void showStatus(const std::wstring& text) = 0;
    virtual bool pollPending() = 0;
    // Takes a finished poll's verdict (its error comes out here); false while it still runs.
    virtual bool collectPoll() = 0;
    // Starts the background poll and refreshes the extended-video flag.
    virtual void startPoll() = 0;
    // The window: restore and bring the launcher forward; minimise it and bring the game's
    // window forward; destroy it.
    virtual void restoreLauncher() = 0;
    virtual void stepAsideForGame() = 0;
    virtual void destroyWindow() = 0;
    virtual void logEvent(const std::string& event) = 0;

protected:
    ~TickHost() = default;
};

// The loop's own tick state (the App keeps it).
struct TickState {
    std::uint64_t nextTick = 0; // milliseconds of the tick count
    std::uint64_t nextPoll = 0; // 0: due at once
    bool setupBusyAtLastTick = false;
    std::wstring lastStatusSeen;
    bool minimisedForGame = false;
};

// Runs the tick when it is due at `now` (milliseconds); true when it ran.
bool runBackendTick(std::uint64_t now, bool closing, TickState& state, TickHost& host);

} // namespace lumenark
