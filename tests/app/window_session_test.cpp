// The launcher window of the system (user32 on Windows, SDL2 on Linux) with its class, message
// loop, frame timer and tick, drawing through a recording device: a few frames, then a close
// request posted to the window as another program would.
#include "platform/instance.h"
#include "platform/process_snapshot.h"
#include "tests/app/system_window_fixture.h"

#include <gtest/gtest.h>

namespace lumenark {
namespace {

using WindowSession = apptest::SystemWindowTest;

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
