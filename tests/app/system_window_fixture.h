#pragma once
// An App over a fixture root with the system's launcher window (user32 on Windows, SDL2 on
// Linux) and its class, drawing through a recording device, with the system's clocks. The window
// hands its messages to the events the test chooses, the App by default.
#include "app/app.h"
#include "app/loop/main_loop.h"
#include "app/loop/window_placement.h"
#include "app/modes/entry_point.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/window.h"
#include "tests/app/app_fixture.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

namespace apptest {

class SystemWindowTest : public testing::Test {
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
            return lumenark::GameFlags{};
        };
        times_.t0 = platform::monotonic100ns();
        app_ = fixture_.makeApp();
        platform::WindowRequest request;
        request.rect = lumenark::launcherWindowRect(platform::workArea(), false);
        request.windowClass = lumenark::launcherWindowClass;
        request.title = lumenark::launcherWindowTitle;
        window_ = platform::createLauncherWindow(request, events());
        app_->attachWindow(window_.get());
        times_.t1 = times_.t2 = platform::monotonic100ns();
    }
    void TearDown() override {
        app_->attachWindow(nullptr);
        window_.reset();
        app_->shutdown();
    }

    // What the window hands its messages to.
    virtual platform::WindowEvents& events() {
        return *app_;
    }

    std::size_t count(const std::string& prefix) const {
        const auto events = fixture_.uiEvents();
        return static_cast<std::size_t>(std::count_if(
            events.begin(), events.end(), [&](const auto& e) { return e.starts_with(prefix); }));
    }

    AppFixture fixture_;
    std::unique_ptr<testsupport::ScopedEnvironment> driver_;
    std::unique_ptr<testsupport::ScopedEnvironment> desktop_;
    std::unique_ptr<lumenark::App> app_;
    std::unique_ptr<platform::LauncherWindow> window_;
    lumenark::StartTimes times_;
    std::atomic<int> polls_{0};
};

} // namespace apptest
