// The main loop over a message queue whose waits step a fake clock: frames per second, the grid
// of frame times, the waits, the ready and close lines.
#include "app/loop/main_loop.h"

#include "app/loop/frame_pacer.h"
#include "backend/preferences/collection_paths.h"
#include "tests/app/app_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::FakeClock;
using apptest::FakeWindow;

struct RecordedWait {
    bool withTimer = false;
    std::uint32_t timeout = 0;
};

// Ends the loop when the clock reaches `until`; a wait moves the clock to the timer's deadline or
// the timeout, whichever comes first.
class SteppedMessages final : public platform::MessageLoop {
public:
    SteppedMessages(FakeClock& clock, std::uint64_t until) : clock_(clock), until_(until) {}

    bool dispatchPending() override {
        ++dispatches;
        return clock_.now100ns < until_;
    }
    void setTimer(std::uint64_t dueIn100ns) override { timerDue_ = clock_.now100ns + dueIn100ns; }
    void wait(bool withTimer, std::uint32_t timeout) override {
        waits.push_back({withTimer, timeout});
        std::uint64_t end = clock_.now100ns + std::uint64_t{timeout} * 10000;
        if (withTimer) {
            end = std::min(end, timerDue_);
        }
        clock_.now100ns = std::max(end, clock_.now100ns);
    }

    int dispatches = 0;
    std::vector<RecordedWait> waits;

private:
    FakeClock& clock_;
    std::uint64_t until_;
    std::uint64_t timerDue_ = 0;
};

class MainLoop : public testing::Test {
protected:
    void SetUp() override {
        app_ = fixture_.makeApp();
        app_->attachWindow(&window_);
        fixture_.device->afterFrame = [this](std::size_t) {
            frameTimes_.push_back(fixture_.clock->now100ns);
        };
    }

    // Runs the loop for this many seconds of the fake clock.
    SteppedMessages run(double seconds) {
        const std::uint64_t start = fixture_.clock->now100ns;
        SteppedMessages messages(*fixture_.clock,
                                 start + static_cast<std::uint64_t>(seconds * ticksPerSecond));
        runMainLoop(*app_, messages, StartTimes{start - 2000000, start - 1000000, start});
        return messages;
    }

    std::size_t countEvents(const std::string& prefix) const {
        const auto events = fixture_.uiEvents();
        return static_cast<std::size_t>(
            std::count_if(events.begin(), events.end(),
                          [&](const std::string& e) { return e.starts_with(prefix); }));
    }

    AppFixture fixture_;
    FakeWindow window_;
    std::unique_ptr<App> app_;
    std::vector<std::uint64_t> frameTimes_;
};

TEST_F(MainLoop, DrawsAtTheFpsLimitWhileActiveAndAlwaysWaits) {
    const SteppedMessages messages = run(1.0);
    EXPECT_EQ(frameTimes_.size(), 60u);
    // Every turn but the last ended in a wait on the timer and the queue, 4 ms at most.
    EXPECT_EQ(messages.waits.size(), static_cast<std::size_t>(messages.dispatches - 1));
    for (const RecordedWait& wait : messages.waits) {
        EXPECT_TRUE(wait.withTimer);
        EXPECT_EQ(wait.timeout, 4u);
    }
    EXPECT_EQ(countEvents("launcher-ready ms="), 1u);
    EXPECT_EQ(fixture_.uiEvents().back(), "launcher-close frames=60");
}

TEST_F(MainLoop, TheLimitOfThePreferencesPacesTheFrames) {
    testsupport::writeFile(fixture_.root() / qxlauncher::launcherConfigPath,
                           "Volume=100\nMuted=0\nFPS=30\nVSync=1\nReducedMotion=0\nFullscreen=0\n");
    app_ = fixture_.makeApp();
    app_->attachWindow(&window_);
    ASSERT_EQ(app_->appliedPreferences().FPS, 30);
    run(2.0);
    EXPECT_EQ(frameTimes_.size(), 60u);
}

TEST_F(MainLoop, InactiveTwoFramesASecondWithLongerWaits) {
    app_->onActivateApp(false);
    const SteppedMessages messages = run(2.0);
    EXPECT_EQ(frameTimes_.size(), 4u);
    for (const RecordedWait& wait : messages.waits) {
        EXPECT_EQ(wait.timeout, 100u);
    }
}

TEST_F(MainLoop, AFocusChangeDrawsAtOnce) {
    app_->onActivateApp(false);
    fixture_.device->afterFrame = [this](std::size_t) {
        frameTimes_.push_back(fixture_.clock->now100ns);
        if (frameTimes_.size() == 1) {
            // Activated 0.2 s later: after one 4-ms wait the next turn draws, long before the
            // half second of the inactive interval.
            fixture_.clock->advanceMilliseconds(200);
            app_->onActivateApp(true);
        }
    };
    run(1.0);
    ASSERT_GE(frameTimes_.size(), 2u);
    EXPECT_EQ(frameTimes_[1], frameTimes_[0] + 2040000);
}

TEST_F(MainLoop, MinimisedDrawsNothingAndWaitsOnTheQueueOnly) {
    window_.minimised = true;
    const SteppedMessages messages = run(1.0);
    EXPECT_TRUE(frameTimes_.empty());
    ASSERT_FALSE(messages.waits.empty());
    for (const RecordedWait& wait : messages.waits) {
        EXPECT_FALSE(wait.withTimer);
        EXPECT_EQ(wait.timeout, 200u);
    }
    EXPECT_EQ(countEvents("launcher-ready"), 0u);
    EXPECT_EQ(fixture_.uiEvents().back(), "launcher-close frames=0");
}

TEST_F(MainLoop, ASlowFrameSkipsTheSlotsItMissed) {
    const std::uint64_t c = frameInterval(true, 60, false);
    fixture_.device->afterFrame = [&](std::size_t count) {
        frameTimes_.push_back(fixture_.clock->now100ns);
        if (count == 2) {
            fixture_.clock->now100ns += 3 * c + c / 2; // the second frame took 3.5 intervals
        }
    };
    run(0.2);
    ASSERT_GE(frameTimes_.size(), 3u);
    const std::uint64_t first = frameTimes_[0];
    EXPECT_EQ(frameTimes_[1], first + c);
    // Due at 2c, seen at 4.5c: drawn at once, and the next one at the grid point 5c.
    EXPECT_EQ(frameTimes_[2], first + c + 3 * c + c / 2);
    ASSERT_GE(frameTimes_.size(), 4u);
    EXPECT_EQ(frameTimes_[3], first + 5 * c);
}

TEST_F(MainLoop, AClosedWindowEndsTheLoop) {
    fixture_.device->afterFrame = [this](std::size_t count) {
        if (count == 3) {
            app_->requestClose();
        }
    };
    run(10.0);
    EXPECT_EQ(window_.calls.back(), "destroy");
    EXPECT_EQ(fixture_.uiEvents().back(), "launcher-close frames=3");
}

} // namespace
} // namespace lumenark
