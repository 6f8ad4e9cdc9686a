// The main loop over a message queue whose waits step a fake clock: frames per second, the grid
// of frame times, the waits, the ready and close lines.
#include "app/loop/main_loop.h"

#include "app/loop/frame_pacer.h"
#include "backend/preferences/collection_paths.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_probe.h"
#include "tests/app/recording_music.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::FakeClock;
using apptest::FakeWindow;

struct RecordedWait {
    bool withTimer = false;
    std::uint32_t timeout = 0;
    std::uint64_t at100ns = 0; // when the wait began
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
        waits.push_back({withTimer, timeout, clock_.now100ns});
        std::uint64_t end = clock_.now100ns + std::uint64_t{timeout} * 10000;
        if (withTimer) {
            end = std::min(end, timerDue_);
        }
        clock_.now100ns = std::max(end, clock_.now100ns);
        if (afterWait) {
            afterWait();
        }
    }

    int dispatches = 0;
    // What happens while the loop waits, once the clock has moved.
    std::function<void()> afterWait;
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
    SteppedMessages run(double seconds, std::function<void()> afterWait = {}) {
        const std::uint64_t start = fixture_.clock->now100ns;
        SteppedMessages messages(*fixture_.clock,
                                 start + static_cast<std::uint64_t>(seconds * ticksPerSecond));
        messages.afterWait = std::move(afterWait);
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

// --- The menu music through the loop ---

// Where the system has no Media Foundation (the N editions of Windows without their media pack),
// the decoder cannot start: the launcher says why and runs on without music.
TEST_F(MainLoop, WithoutMediaFoundationTheLauncherRunsSilent) {
    testsupport::writeSineWav(fixture_.root() / "custom_audio/launcher/menu.wav",
                              testsupport::SineWav{});
    fixture_.music.openDecoder =
        [](const std::filesystem::path&) -> std::unique_ptr<platform::AudioFileDecoder> {
        throw std::runtime_error("Media Foundation");
    };
    app_ = fixture_.makeApp();
    app_->attachWindow(&window_);
    app_->startMenuMusic();
    EXPECT_EQ(app_->music(), nullptr);
    run(1.0);
    EXPECT_EQ(frameTimes_.size(), 60u);
    const auto events = fixture_.uiEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], "menu-music unavailable: Media Foundation");
    EXPECT_TRUE(events[1].starts_with("launcher-ready ms="));
    EXPECT_EQ(events[2], "launcher-close frames=60");
}

// The full gain of a volume of 100.
constexpr float fullGain = 1.386f;

class MainLoopMusic : public MainLoop {
protected:
    void SetUp() override {
        MainLoop::SetUp();
        stageMusic();
    }
    // A new player for the App on the recording voice.
    void stageMusic() {
        AppProbe::stageMusic(*app_, apptest::recordedMenuMusic(fixture_.root() / "menu.wav",
                                                               fixture_.clock, voice_));
    }
    std::uint64_t nowMilliseconds() const { return fixture_.clock->tickMilliseconds(); }
    // The gains set from this instant on, with their times.
    std::vector<apptest::VoiceEvent> volumesFrom(std::uint64_t milliseconds) const {
        std::vector<apptest::VoiceEvent> found;
        for (const apptest::VoiceEvent& event : voice_->events) {
            if (event.what == "volume" && event.milliseconds >= milliseconds) {
                found.push_back(event);
            }
        }
        return found;
    }

    std::shared_ptr<apptest::VoiceLog> voice_ = std::make_shared<apptest::VoiceLog>();
};

struct MusicVolumeCase {
    const char* name;
    const char* launcherConfig; // nullptr: the defaults
    bool foreground;
    void (*stage)(App&);
    float gain; // 0: the voice never starts
};

void PrintTo(const MusicVolumeCase& c, std::ostream* out) {
    *out << c.name;
}

void noMusicStage(App&) {}

// Settings open on a tab, with an edited volume of 20 that is not saved.
void editVolumeOn(App& app, SettingsTab tab) {
    app.openSettings();
    AppProbe::stageSettingsTab(app, tab);
    AppProbe::editedPreferences(app).Volume = 20;
}

const MusicVolumeCase musicVolumeCases[] = {
    {"TheDefaultVolume", nullptr, true, noMusicStage, fullGain},
    {"HalfTheVolume", "Volume=50\nMuted=0\nFPS=60\nVSync=1\nReducedMotion=0\nFullscreen=0\n", true,
     noMusicStage, fullGain / 2},
    {"Muted", "Volume=100\nMuted=1\nFPS=60\nVSync=1\nReducedMotion=0\nFullscreen=0\n", true,
     noMusicStage, 0},
    {"InTheBackground", nullptr, false, noMusicStage, 0},
    {"TheEditedVolumeOnTheLauncherTab", nullptr, true,
     [](App& app) { editVolumeOn(app, SettingsTab::launcher); }, fullGain / 5},
    {"TheSavedVolumeOnAnotherTab", nullptr, true,
     [](App& app) { editVolumeOn(app, SettingsTab::controls); }, fullGain},
};

class LoopMusicVolume : public MainLoopMusic,
                        public testing::WithParamInterface<MusicVolumeCase> {};

TEST_P(LoopMusicVolume, TheLoopTicksThePlayerWithTheWantedVolume) {
    const MusicVolumeCase& c = GetParam();
    if (c.launcherConfig != nullptr) {
        testsupport::writeFile(fixture_.root() / qxlauncher::launcherConfigPath, c.launcherConfig);
        app_ = fixture_.makeApp();
        app_->attachWindow(&window_);
        stageMusic();
    }
    window_.inForeground = c.foreground;
    c.stage(*app_);
    run(1.0);
    EXPECT_EQ(voice_->count("start"), c.gain > 0 ? 1u : 0u);
    EXPECT_NEAR(voice_->lastVolume(), c.gain, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Preferences, LoopMusicVolume, testing::ValuesIn(musicVolumeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct FadeCase {
    const char* name;
    void (*leave)(App&, FakeWindow&);
    bool withTimer;
    std::uint32_t timeoutAfter;
};

void PrintTo(const FadeCase& c, std::ostream* out) {
    *out << c.name;
}

const FadeCase fadeCases[] = {
    {"Minimised", [](App&, FakeWindow& window) { window.minimised = true; }, false, 200},
    {"InTheBackground",
     [](App& app, FakeWindow& window) {
         window.inForeground = false;
         app.onActivateApp(false);
     },
     true, 100},
};

class LoopMusicFade : public MainLoopMusic, public testing::WithParamInterface<FadeCase> {};

TEST_P(LoopMusicFade, TheLoopWaitsFourMillisecondsUntilTheMusicIsSilent) {
    const FadeCase& c = GetParam();
    const std::uint64_t start = nowMilliseconds();
    std::uint64_t left = 0;
    const SteppedMessages messages = run(1.5, [&] {
        if (left == 0 && nowMilliseconds() >= start + 600) {
            left = nowMilliseconds();
            // Playing at the full level by now.
            EXPECT_NEAR(voice_->lastVolume(), fullGain, 1e-4);
            c.leave(*app_, window_);
        }
    });
    ASSERT_NE(left, 0u);
    // A full fade-out takes 160 ms; then the voice stops.
    ASSERT_EQ(voice_->count("stop"), 1u);
    const std::uint64_t stopped = voice_->events.back().milliseconds;
    EXPECT_GE(stopped, left + 160);
    EXPECT_LE(stopped, left + 170);
    std::size_t fading = 0;
    for (const RecordedWait& wait : messages.waits) {
        const std::uint64_t at = wait.at100ns / 10000;
        if (at < left) {
            continue;
        }
        EXPECT_EQ(wait.withTimer, c.withTimer) << at - left << " ms after leaving";
        EXPECT_EQ(wait.timeout, at < stopped ? 4u : c.timeoutAfter)
            << at - left << " ms after leaving";
        fading += at < stopped ? 1 : 0;
    }
    // The fade is followed in short steps, not in one long wait.
    EXPECT_GE(fading, 160u / 4);
}

INSTANTIATE_TEST_SUITE_P(Leaving, LoopMusicFade, testing::ValuesIn(fadeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainLoopMusic, ChoosingACabinetDucksTheMusicFor320Milliseconds) {
    testsupport::writeBuildReceipt(fixture_.root(), "qx1", "executable of qx1");
    fixture_.pollGames = [](const qxlauncher::StartupContext&) {
        return GameFlags{true, true, true};
    };
    app_ = fixture_.makeApp();
    app_->attachWindow(&window_);
    stageMusic();
    const std::uint64_t start = nowMilliseconds();
    std::uint64_t chosen = 0;
    run(1.5, [&] {
        if (chosen == 0 && nowMilliseconds() >= start + 600) {
            chosen = nowMilliseconds();
            EXPECT_NEAR(voice_->lastVolume(), fullGain, 1e-4);
            app_->selectGame(0);
        }
    });
    ASSERT_NE(chosen, 0u);
    ASSERT_EQ(fixture_.desktop->played.size(), 1u);
    const float ducked = fullGain * 0.6f;
    std::uint64_t reachedDuck = 0;
    std::uint64_t backToFull = 0;
    for (const apptest::VoiceEvent& event : volumesFrom(chosen)) {
        const std::uint64_t after = event.milliseconds - chosen;
        EXPECT_GE(event.volume, ducked - 1e-4f) << after << " ms after the choice";
        if (reachedDuck == 0 && std::fabs(event.volume - ducked) < 1e-4f) {
            reachedDuck = after;
        }
        if (after >= 26 + 4 && after < 320) {
            EXPECT_NEAR(event.volume, ducked, 1e-4) << after << " ms after the choice";
        }
        if (backToFull == 0 && reachedDuck != 0 && std::fabs(event.volume - fullGain) < 1e-4f) {
            backToFull = after;
        }
    }
    // Down within 26 ms (one 4-ms turn late at most), held until 320 ms, back 220 ms later.
    EXPECT_GE(reachedDuck, 24u);
    EXPECT_LE(reachedDuck, 30u);
    EXPECT_GE(backToFull, 320u + 216);
    EXPECT_LE(backToFull, 320u + 228);
    EXPECT_NEAR(voice_->lastVolume(), fullGain, 1e-4);
}

} // namespace
} // namespace lumenark
