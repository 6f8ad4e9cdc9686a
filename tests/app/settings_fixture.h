#pragma once
// An App with its Settings page open over a fixture root: for a built game (its settings load),
// optionally with the first game's CMOS profile and program so that its operator adjustments
// load too, or with no game at all.
#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/app/app_probe.h"
#include "tests/app/draw_calls.h"
#include "tests/app/page_scene.h"

#include <functional>
#include <memory>
#include <optional>

namespace qxlauncher::operatortest {
class TrustedProgram;
}

namespace apptest {

struct SettingsSetup {
    int game = 0;                // the game selected and loaded; -1: none built
    bool adjustments = false;    // the first game's CMOS profile and program are present
    bool qx2Native = false;      // the second game's native package is present
    float designWidth = 1536.0f; // 1536, or above it for the widest
};

class SettingsFixture {
public:
    SettingsFixture();
    ~SettingsFixture();

    // Builds the App for the setup and opens Settings.
    lumenark::App& open(const SettingsSetup& setup);
    // The same, then shows the tab and stages the state of the case.
    lumenark::App& open(const SettingsSetup& setup, lumenark::SettingsTab tab,
                        const std::function<void(lumenark::App&)>& stage);
    lumenark::App& app() { return *app_; }
    FakeWindow& window() { return window_; }

    // Draws one frame and returns its calls.
    DrawCalls renderFrame();

    AppFixture fixture;

private:
    FakeWindow window_;
    std::unique_ptr<qxlauncher::operatortest::TrustedProgram> program_;
    std::unique_ptr<lumenark::App> app_;
};

} // namespace apptest
