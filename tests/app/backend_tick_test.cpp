// The 200-ms tick's steps over a host that records what the tick asks of the backend, the App
// and the window.
#include "app/loop/backend_tick.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace lumenark {
namespace {

class FakeHost final : public TickHost {
public:
    bool isGameRunning() override { return running; }
    void pollRunningGame() override {
        calls.push_back("poll-game");
        if (endsOnPoll) {
            running = false;
        }
    }
    bool isSetupBusy() override {
        calls.push_back("pump");
        return busy;
    }
    std::wstring backendStatus() override { return status; }
    std::uint32_t lastExitCode() override { return exitCode; }
    bool gameWindowKnown() override { return windowKnown; }
    void requestGameClose() override { calls.push_back("close-game"); }
    void refreshBuilds() override { calls.push_back("receipts"); }
    void showStatus(const std::wstring& text) override { shown.push_back(text); }
    bool pollPending() override { return pending; }
    bool collectPoll() override {
        calls.push_back("collect");
        if (!pollFinished) {
            return false;
        }
        pending = false;
        return true;
    }
    void startPoll() override {
        calls.push_back("start-poll");
        pending = true;
    }
    void restoreLauncher() override { calls.push_back("restore"); }
    void stepAsideForGame() override { calls.push_back("step-aside"); }
    void destroyWindow() override { calls.push_back("destroy"); }
    void logEvent(const std::string& event) override { events.push_back(event); }

    bool contains(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    bool running = false;
    bool endsOnPoll = false;
    bool busy = false;
    std::wstring status = L"idle";
    std::uint32_t exitCode = 0;
    bool windowKnown = false;
    bool pending = false;
    bool pollFinished = false;
    std::vector<std::string> calls;
    std::vector<std::wstring> shown;
    std::vector<std::string> events;
};

TEST(BackendTick, RunsEvery200MillisecondsInItsOrder) {
    FakeHost host;
    TickState state;
    state.nextPoll = 50000;
    EXPECT_TRUE(runBackendTick(1000, false, state, host));
    EXPECT_EQ(state.nextTick, 1200u);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"poll-game", "pump", "receipts"}));
    EXPECT_FALSE(runBackendTick(1199, false, state, host));
    EXPECT_EQ(host.calls.size(), 3u);
    EXPECT_TRUE(runBackendTick(1200, false, state, host));
}

TEST(BackendTick, TheFirstTickStartsThePollAndTheNextComesTenSecondsLater) {
    FakeHost host;
    TickState state;
    runBackendTick(5000, false, state, host);
    EXPECT_TRUE(host.contains("start-poll"));
    EXPECT_EQ(state.nextPoll, 15000u);
    host.calls.clear();
    host.pollFinished = true;
    runBackendTick(5200, false, state, host);
    EXPECT_TRUE(host.contains("collect"));
    EXPECT_FALSE(host.contains("start-poll"));
    host.calls.clear();
    runBackendTick(15000, false, state, host);
    EXPECT_TRUE(host.contains("start-poll"));
}

TEST(BackendTick, OnePollAtATimeAndNoneWhileAGameRuns) {
    FakeHost host;
    TickState state;
    host.pending = true;
    runBackendTick(5000, false, state, host);
    EXPECT_FALSE(host.contains("start-poll"));
    host.pending = false;
    host.running = true;
    runBackendTick(5200, false, state, host);
    EXPECT_FALSE(host.contains("start-poll"));
}

TEST(BackendTick, TheShownStatusFollowsTheBackendWhileASetupRunsAndOnceWhenItEnds) {
    FakeHost host;
    TickState state;
    state.nextPoll = 99999;
    host.status = L"a choice of the user";
    runBackendTick(0, false, state, host);
    EXPECT_TRUE(host.shown.empty()); // idle: the user's own sentences stay
    host.busy = true;
    host.status = L"Quarrix: generating C++";
    runBackendTick(200, false, state, host);
    EXPECT_EQ(host.shown, (std::vector<std::wstring>{L"Quarrix: generating C++"}));
    runBackendTick(400, false, state, host); // same text: nothing new
    EXPECT_EQ(host.shown.size(), 1u);
    host.busy = false;
    host.status = L"Quarrix: ready to play.";
    runBackendTick(600, false, state, host);
    EXPECT_EQ(host.shown.back(), L"Quarrix: ready to play.");
    // The build ended: the poll is due at once.
    EXPECT_TRUE(host.contains("start-poll"));
    EXPECT_EQ(state.nextPoll, 10600u);
}

TEST(BackendTick, ASetupEndingWithTheSameSentenceStillMakesThePollDue) {
    FakeHost host;
    TickState state;
    state.nextPoll = 99999;
    host.busy = true;
    host.status = L"Quarrix: ready to play.";
    runBackendTick(0, false, state, host);
    host.pending = true; // a poll still runs: the next one waits for it
    host.busy = false;
    runBackendTick(200, false, state, host);
    EXPECT_EQ(state.nextPoll, 0u);
    EXPECT_FALSE(host.contains("start-poll"));
    host.pollFinished = true;
    runBackendTick(400, false, state, host);
    EXPECT_TRUE(host.contains("start-poll"));
}

TEST(BackendTick, ARunningGameWithAWindowSendsTheLauncherAsideOnce) {
    FakeHost host;
    TickState state;
    state.nextPoll = 99999;
    host.running = true;
    runBackendTick(0, false, state, host);
    EXPECT_FALSE(host.contains("step-aside")); // its window is not known yet
    host.windowKnown = true;
    runBackendTick(200, false, state, host);
    EXPECT_TRUE(state.minimisedForGame);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "step-aside"), 1);
    runBackendTick(400, false, state, host);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "step-aside"), 1);
}

TEST(BackendTick, AnEndedGameBringsTheLauncherBack) {
    FakeHost host;
    TickState state;
    state.nextPoll = 99999;
    state.minimisedForGame = true;
    host.running = true;
    host.endsOnPoll = true;
    host.exitCode = 3;
    host.status = L"The game closed with an error; the Logs button opens its log.";
    runBackendTick(0, false, state, host);
    EXPECT_TRUE(host.contains("restore"));
    EXPECT_FALSE(state.minimisedForGame);
    EXPECT_EQ(host.shown.back(), host.status);
    EXPECT_EQ(host.events, (std::vector<std::string>{"game-return exit=3"}));
    EXPECT_FALSE(host.contains("destroy"));
}

TEST(BackendTick, WhileClosingTheGameIsAskedAgainAndItsEndClosesTheLauncher) {
    FakeHost host;
    TickState state;
    state.nextPoll = 99999;
    host.running = true;
    host.windowKnown = true;
    runBackendTick(0, true, state, host);
    EXPECT_TRUE(host.contains("close-game"));
    EXPECT_FALSE(host.contains("step-aside")); // closing: the launcher stays in view
    host.endsOnPoll = true;
    host.calls.clear();
    runBackendTick(200, true, state, host);
    EXPECT_TRUE(host.contains("restore"));
    EXPECT_TRUE(host.contains("destroy"));
    EXPECT_FALSE(host.contains("close-game"));
    EXPECT_EQ(host.events, (std::vector<std::string>{"game-return exit=0"}));
}

} // namespace
} // namespace lumenark
