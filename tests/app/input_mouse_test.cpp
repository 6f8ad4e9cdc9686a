// The mouse: hover and the cursor it chooses, a press that takes the mouse capture and marks the
// control, a release that acts only over the control it began on, slider dragging, and the
// title strip that drags the window except over its buttons.
#include "app/control_ids.h"
#include "tests/app/app_probe.h"
#include "tests/app/input_script.h"
#include "tests/app/page_scene.h"
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

namespace lumenark {
namespace {

using apptest::InputScript;
using apptest::PageScene;
using apptest::PageState;
using platform::CursorShape;

TEST(Mouse, TheHandShowsOverAnEnabledControlAndTheArrowElsewhere) {
    PageScene scene;
    App& app = scene.start(PageState::gameRunning, NavSection::legal);
    InputScript script(scene.fixture, app);
    const auto& cursors = scene.fixture.desktop->cursors;

    script.moveTo(overviewNavigationId);
    EXPECT_EQ(app.hoveredControl(), overviewNavigationId);
    EXPECT_EQ(app.cursorShape(), CursorShape::hand);
    EXPECT_TRUE(app.inputSeen());
    // Moving within the same control asks for no cursor again.
    app.onMouseMove(20, 150);
    EXPECT_EQ(cursors, (std::vector{CursorShape::hand}));

    // SETTINGS is disabled while the game runs.
    script.moveTo(settingsNavigationId);
    EXPECT_EQ(app.hoveredControl(), settingsNavigationId);
    EXPECT_EQ(app.cursorShape(), CursorShape::arrow);
    app.onMouseMove(700, 600);
    EXPECT_EQ(app.hoveredControl(), -1);
    EXPECT_EQ(cursors, (std::vector{CursorShape::hand, CursorShape::arrow, CursorShape::arrow}));
}

TEST(Mouse, APressTakesTheCaptureAndMarksEvenADisabledControl) {
    PageScene scene;
    App& app = scene.start(PageState::gameRunning, NavSection::legal);
    InputScript script(scene.fixture, app);

    script.pressOn(settingsNavigationId);
    EXPECT_EQ(app.pressedControl(), settingsNavigationId);
    EXPECT_TRUE(script.window.captured);
    script.releaseOn(settingsNavigationId);
    EXPECT_EQ(app.pressedControl(), -1);
    EXPECT_FALSE(script.window.captured);
    EXPECT_EQ(script.window.calls, (std::vector<std::string>{"capture", "release"}));
    // The dispatcher refused the disabled control.
    EXPECT_FALSE(app.settingsOpen());
}

TEST(Mouse, APressOnOneControlAndAReleaseOnAnotherDoesNothing) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);

    script.pressOn(overviewNavigationId);
    script.moveTo(romSetupNavigationId);
    script.releaseOn(romSetupNavigationId);
    EXPECT_EQ(app.section(), NavSection::legal);
    EXPECT_EQ(app.pressedControl(), -1);
    EXPECT_FALSE(script.window.captured);

    // A release outside every control does nothing either.
    script.pressOn(settingsNavigationId);
    app.onMouseUp(700, 600);
    EXPECT_FALSE(app.settingsOpen());

    // Where press and release meet, the control acts.
    script.click(romSetupNavigationId);
    EXPECT_EQ(app.section(), NavSection::romSetup);
}

TEST(Mouse, ACaptureLostBetweenPressAndReleaseCancelsTheClick) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);

    script.pressOn(settingsNavigationId);
    // Another window takes the mouse.
    script.window.captured = false;
    app.onCaptureLost();
    script.releaseOn(settingsNavigationId);
    EXPECT_FALSE(app.settingsOpen());
    script.click(settingsNavigationId);
    EXPECT_TRUE(app.settingsOpen());
}

TEST(Mouse, WithoutARendererTheMouseIsIgnored) {
    apptest::AppFixture fixture;
    App app(qxlauncher::StartupContext{fixture.root()}, fixture.services());
    InputScript script(fixture, app);

    app.onMouseMove(100, 200);
    app.onMouseDown(100, 200);
    app.onMouseUp(100, 200);
    EXPECT_EQ(app.hoveredControl(), -1);
    EXPECT_EQ(app.pressedControl(), -1);
    EXPECT_FALSE(app.inputSeen());
    EXPECT_TRUE(fixture.desktop->cursors.empty());
    EXPECT_TRUE(script.window.calls.empty());
}

TEST(Mouse, ThePressedSliderFollowsTheCursorUntilTheRelease) {
    apptest::SettingsFixture settings;
    App& app = settings.open({-1, false, false, 1536.0f});
    ASSERT_EQ(app.settingsTab(), SettingsTab::launcher);
    InputScript script(settings.fixture, app);
    const std::int32_t& volume = app.editedPreferences().Volume;

    // The slider spans x 969 to 1135.
    app.onMouseDown(969 + 83, 727);
    EXPECT_EQ(app.pressedControl(), menuVolumeControlId);
    EXPECT_EQ(volume, 50);
    app.onMouseMove(1400, 500);
    EXPECT_EQ(volume, 100);
    app.onMouseMove(900, 500);
    EXPECT_EQ(volume, 0);
    app.onMouseUp(900, 500);
    app.onMouseMove(1000, 727);
    EXPECT_EQ(volume, 0);
}

TEST(Mouse, TheTitleStripDragsTheWindowExceptOverMinimiseAndClose) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);
    script.moveTo(minimiseControlId);

    const HitRegion minimise = apptest::regionOf(app, minimiseControlId);
    const HitRegion close = apptest::regionOf(app, closeControlId);
    EXPECT_EQ(app.hitTest(static_cast<int>(minimise.x) + 20, 17, 1536, 1024),
              platform::WindowArea::client);
    EXPECT_EQ(app.hitTest(static_cast<int>(close.x) + 20, 17, 1536, 1024),
              platform::WindowArea::client);
    EXPECT_EQ(app.hitTest(static_cast<int>(minimise.x) - 20, 17, 1536, 1024),
              platform::WindowArea::caption);
    EXPECT_EQ(app.hitTest(700, 123, 1536, 1024), platform::WindowArea::caption);
    EXPECT_EQ(app.hitTest(700, 124, 1536, 1024), platform::WindowArea::client);
}

} // namespace
} // namespace lumenark
