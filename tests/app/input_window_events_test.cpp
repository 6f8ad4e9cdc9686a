// What the window hands the App besides clicks and keys that act: the auto-repeat of a held key,
// the loss of focus or activation between a press and its release, and an error of a message.
#include "app/control_ids.h"
#include "app/input/virtual_keys.h"
#include "tests/app/app_probe.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/input_script.h"
#include "tests/app/page_scene.h"
#include "tests/app/settings_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace lumenark {
namespace {

using apptest::InputScript;
using apptest::PageScene;
using apptest::PageState;
using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup noGame{-1, false, false, 1536.0f};

// --- The auto-repeat of a held key ----------------------------------------------------------

struct RepeatCase {
    const char* name;
    int key;
    std::function<void(App&, InputScript&)> stage; // Settings open on LAUNCHER
};

void PrintTo(const RepeatCase& c, std::ostream* out) {
    *out << c.name;
}

class HeldKey : public testing::TestWithParam<RepeatCase> {};

// Only the first press counts: a held arrow would race through lists and sliders.
TEST_P(HeldKey, RepeatsChangeNothing) {
    const RepeatCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(noGame);
    ASSERT_EQ(app.settingsTab(), SettingsTab::launcher);
    InputScript script(settings.fixture, app);
    c.stage(app, script);
    const apptest::AppTrace pressed = [&] {
        script.key(c.key);
        return apptest::traceOf(app, settings.fixture, script.window);
    }();

    for (int repeat = 0; repeat < 3; ++repeat) {
        app.onKeyDown(c.key, true);
    }
    EXPECT_EQ(apptest::traceOf(app, settings.fixture, script.window), pressed);
    // A new press acts again.
    script.key(c.key);
    EXPECT_NE(apptest::traceOf(app, settings.fixture, script.window), pressed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HeldKey,
    testing::Values(RepeatCase{"DownMovesTheFocusOnce", vk::down, [](App&, InputScript&) {}},
                    RepeatCase{"RightMovesTheMusicVolumeOnce", vk::right,
                               [](App& app, InputScript& script) {
                                   AppProbe::editedPreferences(app).Volume = 50;
                                   script.focusOn(menuVolumeControlId);
                               }},
                    RepeatCase{"EnterStepsTheFpsLimitOnce", vk::enter,
                               [](App&, InputScript& script) { script.focusOn(202); }},
                    RepeatCase{"F11SwitchesFullscreenOnce", vk::f11, [](App&, InputScript&) {}}),
    [](const testing::TestParamInfo<RepeatCase>& info) { return info.param.name; });

// --- Focus and activation lost between a press and its release ------------------------------

struct LossCase {
    const char* name;
    std::function<void(App&)> lose;
};

void PrintTo(const LossCase& c, std::ostream* out) {
    *out << c.name;
}

const auto lossCases =
    testing::Values(LossCase{"FocusLost", [](App& app) { app.onKillFocus(); }},
                    LossCase{"Deactivated", [](App& app) { app.onActivateApp(false); }});

const auto lossName = [](const testing::TestParamInfo<LossCase>& info) {
    return std::string(info.param.name);
};

class LossBetweenPressAndRelease : public testing::TestWithParam<LossCase> {};

// Press, Alt-Tab away, come back, release: the release is no click.
TEST_P(LossBetweenPressAndRelease, CancelsTheClick) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);

    script.pressOn(romSetupNavigationId);
    ASSERT_EQ(app.pressedControl(), romSetupNavigationId);
    GetParam().lose(app);
    EXPECT_EQ(app.pressedControl(), -1);
    app.onActivateApp(true);
    script.releaseOn(romSetupNavigationId);
    EXPECT_EQ(app.section(), NavSection::legal);

    // The next click acts as ever.
    script.click(romSetupNavigationId);
    EXPECT_EQ(app.section(), NavSection::romSetup);
}

// The slider that was being dragged no longer follows the mouse.
TEST_P(LossBetweenPressAndRelease, EndsASliderDrag) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    InputScript script(settings.fixture, app);
    const std::int32_t& volume = app.editedPreferences().Volume;

    // The slider spans x 969 to 1135.
    app.onMouseDown(969 + 83, 727);
    ASSERT_EQ(volume, 50);
    GetParam().lose(app);
    app.onActivateApp(true);
    app.onMouseMove(1400, 500);
    EXPECT_EQ(volume, 50);
}

INSTANTIATE_TEST_SUITE_P(Table, LossBetweenPressAndRelease, lossCases, lossName);

// --- An error of a message ------------------------------------------------------------------

struct MessageErrorCase {
    const char* name;
    const char* text;
    const wchar_t* status;
    const char* event;
};

void PrintTo(const MessageErrorCase& c, std::ostream* out) {
    *out << c.name;
}

class MessageError : public testing::TestWithParam<MessageErrorCase> {};

TEST_P(MessageError, IsShownAndLogged) {
    const MessageErrorCase& c = GetParam();
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    app.onMessageError(c.text);
    EXPECT_EQ(app.statusLine(), c.status);
    const std::vector<std::string> events = scene.fixture.uiEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), c.event);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MessageError,
    testing::Values(MessageErrorCase{"WithItsText", "launcher path uses a link/junction",
                                     L"Error: launcher path uses a link/junction",
                                     "ui-error launcher path uses a link/junction"},
                    MessageErrorCase{"WithoutAText", "", L"Native error.",
                                     "ui-error Native error."}),
    [](const testing::TestParamInfo<MessageErrorCase>& info) { return info.param.name; });

} // namespace
} // namespace lumenark
