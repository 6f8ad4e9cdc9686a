// The launcher window of the system (user32 on Windows, SDL2 on Linux) with its class, message
// loop, frame timer and tick, drawing through a recording device: a few frames, then a close
// request posted to the window as another program would.
#include "app/app.h"
#include "app/loop/main_loop.h"
#include "app/loop/window_placement.h"
#include "app/modes/entry_point.h"
#include "platform/clock.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "platform/process_snapshot.h"
#include "tests/app/app_fixture.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace lumenark {
namespace {

class WindowSession : public testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        // Without a display SDL's dummy driver stands in; SDL_VIDEODRIVER chooses another.
        if (!platform::environmentVariable(L"SDL_VIDEODRIVER")) {
            driver_ =
                std::make_unique<testsupport::ScopedEnvironment>(L"SDL_VIDEODRIVER", L"dummy");
        }
        desktop_ = std::make_unique<testsupport::ScopedEnvironment>(
            L"LUMENARK_DESKTOP_DIR", (fixture_.root() / "desktop").wstring());
#endif
        fixture_.systemClocks = true;
        fixture_.pollGames = [this](const qxlauncher::StartupContext&) {
            ++polls_;
            return GameFlags{};
        };
        times_.t0 = platform::monotonic100ns();
        app_ = fixture_.makeApp();
        platform::WindowRequest request;
        request.rect = launcherWindowRect(platform::workArea(), false);
        request.windowClass = launcherWindowClass;
        request.title = launcherWindowTitle;
        window_ = platform::createLauncherWindow(request, *app_);
        app_->attachWindow(window_.get());
        times_.t1 = times_.t2 = platform::monotonic100ns();
    }
    void TearDown() override {
        app_->attachWindow(nullptr);
        window_.reset();
        app_->shutdown();
    }

    std::size_t count(const std::string& prefix) const {
        const auto events = fixture_.uiEvents();
        return static_cast<std::size_t>(std::count_if(
            events.begin(), events.end(), [&](const auto& e) { return e.starts_with(prefix); }));
    }

    apptest::AppFixture fixture_;
    std::unique_ptr<testsupport::ScopedEnvironment> driver_;
    std::unique_ptr<testsupport::ScopedEnvironment> desktop_;
    std::unique_ptr<App> app_;
    std::unique_ptr<platform::LauncherWindow> window_;
    StartTimes times_;
    std::atomic<int> polls_{0};
};

TEST_F(WindowSession, DrawsFramesUntilAPostedCloseEndsTheLoop) {
    ASSERT_TRUE(window_->exists());
    // The running launcher's window is found by its class, as a second start looks for it.
    EXPECT_TRUE(platform::restoreAndForegroundWindow(launcherWindowClass));
    fixture_.device->afterFrame = [this](std::size_t frames) {
        if (frames == 3) {
            platform::postWindowClose(window_->handle());
        }
    };
    runWindowSession(*app_, *window_, times_);

    EXPECT_FALSE(window_->exists());
    const auto events = fixture_.uiEvents();
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[0], "launcher-start DX12");
    EXPECT_TRUE(events[1].starts_with("menu-music unavailable: ")) << events[1];
    EXPECT_EQ(count("launcher-ready ms="), 1u);
    const std::size_t frames = fixture_.device->frames.size();
    EXPECT_GE(frames, 3u);
    EXPECT_EQ(events.back(), "launcher-close frames=" + std::to_string(frames));
    // The first tick started the background poll; the start-fullscreen preference was applied.
    EXPECT_GE(polls_.load(), 1);
    EXPECT_TRUE(app_->fullscreen());
}

TEST_F(WindowSession, AnInactiveWindowStillDrawsAndCloses) {
    app_->onActivateApp(false);
    fixture_.device->afterFrame = [this](std::size_t frames) {
        if (frames == 2) {
            platform::postWindowClose(window_->handle());
        }
    };
    runWindowSession(*app_, *window_, times_);
    EXPECT_EQ(fixture_.uiEvents().back(), "launcher-close frames=2");
}

} // namespace
} // namespace lumenark
