// The focus the launcher places rather than the player (a page entered from the sidebar, PgUp or
// PgDn or the shoulders, Settings closed, the focus list changing under it) never lands on a
// control that undoes the player's work (a "Cancel", the ticked ownership checkbox); a select
// acts only on a focus the player could see; and a control the Play page does not draw is no
// focus stop.
#include "app/control_ids.h"
#include "app/input/focus_follow.h"
#include "app/input/virtual_keys.h"
#include "app/ui/palette.h"
#include "backend/game_table.h"
#include "backend/setup/setup_runner.h"
#include "shared/pad_buttons.h"
#include "tests/app/first_start.h"
#include "tests/app/input_script.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/page_scene.h"
#include "tests/backend/game_test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace lumenark {
namespace {

using apptest::FirstStart;
using apptest::InputScript;
namespace PadButton = qxlauncher::PadButton;

// On the Build page, Down to "Build all" and Enter: the three games wait
// behind the held check and the focus is on no control.
void queueAllGames(FirstStart& start) {
    start.script().key(vk::down);
    ASSERT_EQ(start.app().focusedControl(), buildAllControlId);
    start.script().key(vk::enter);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        ASSERT_TRUE(start.s.backend().setupJob(game).queued) << game;
    }
    // A frame, as the main loop draws one before the player's next key.
    ASSERT_TRUE(start.ringedControls().empty());
    ASSERT_EQ(start.app().focusPosition(), noFocusPosition);
}

// One press of the pad's buttons: held for a poll, then released for one.
void press(InputScript& script, std::uint16_t buttons) {
    script.hold(buttons);
    script.poll();
    script.releaseAll();
    script.poll();
}

struct ScriptCase {
    const char* name;
    std::function<void(InputScript&)> play;
};

void PrintTo(const ScriptCase& c, std::ostream* out) {
    *out << c.name;
}

// --- Away and back after "Build all" --------------------------------------------------------

class AwayAndBackDuringTheCheck : public testing::TestWithParam<ScriptCase> {};

TEST_P(AwayAndBackDuringTheCheck, CancelsNothingAndEveryGameBuilds) {
    FirstStart start;
    start.script().connectPad();
    queueAllGames(start);

    GetParam().play(start.script());
    EXPECT_EQ(start.app().section(), NavSection::build);
    EXPECT_FALSE(start.app().settingsOpen());
    EXPECT_TRUE(start.nothingCancelled());
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_TRUE(start.s.backend().setupJob(game).queued) << game;
    }
    // Back on a page of Cancels only, the focus is on no control.
    EXPECT_EQ(start.app().focusPosition(), noFocusPosition);
    EXPECT_TRUE(start.ringedControls().empty());

    start.releaseCheck();
    ASSERT_TRUE(start.allSetupsEnd());
    EXPECT_TRUE(start.threeReceipts());
    EXPECT_TRUE(start.nothingCancelled());
}

INSTANTIATE_TEST_SUITE_P(Table, AwayAndBackDuringTheCheck,
                         testing::Values(ScriptCase{"PgDnPgUpEnter",
                                                    [](InputScript& script) {
                                                        script.key(vk::pageDown);
                                                        script.key(vk::pageUp);
                                                        script.key(vk::enter);
                                                    }},
                                         ScriptCase{"SettingsByKeyEscEnter",
                                                    [](InputScript& script) {
                                                        script.key('S');
                                                        script.key(vk::escape);
                                                        script.key(vk::enter);
                                                    }},
                                         ScriptCase{"PadYBA",
                                                    [](InputScript& script) {
                                                        press(script, PadButton::y);
                                                        press(script, PadButton::b);
                                                        press(script, PadButton::a);
                                                    }},
                                         ScriptCase{"PadShouldersThenA",
                                                    [](InputScript& script) {
                                                        press(script, PadButton::rightShoulder);
                                                        press(script, PadButton::leftShoulder);
                                                        press(script, PadButton::a);
                                                    }},
                                         ScriptCase{"SidebarThenEnter",
                                                    [](InputScript& script) {
                                                        script.click(legalNavigationId);
                                                        script.click(buildNavigationId);
                                                        script.key(vk::enter);
                                                    }}),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                             return info.param.name;
                         });

// --- The Legal page entered while the games wait ------------------------------------------

// Unticking the ownership checkbox drops the games that wait: entered by the launcher, the page
// rings its first document instead, and the next Enter or A withdraws nothing.
class LegalDuringTheCheck : public testing::TestWithParam<ScriptCase> {};

TEST_P(LegalDuringTheCheck, WithdrawsNothingAndEveryGameBuilds) {
    FirstStart start;
    start.script().connectPad();
    queueAllGames(start);

    GetParam().play(start.script());
    EXPECT_EQ(start.app().section(), NavSection::legal);
    EXPECT_TRUE(start.s.backend().ownershipConfirmed());
    EXPECT_TRUE(start.nothingCancelled());
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_TRUE(start.s.backend().setupJob(game).queued) << game;
    }

    start.releaseCheck();
    ASSERT_TRUE(start.allSetupsEnd());
    EXPECT_TRUE(start.threeReceipts());
    EXPECT_TRUE(start.nothingCancelled());
}

// Each road onto the Legal page, then a select of what the launcher focused there.
INSTANTIATE_TEST_SUITE_P(Table, LegalDuringTheCheck,
                         testing::Values(ScriptCase{"SidebarThenEnter",
                                                    [](InputScript& script) {
                                                        script.click(legalNavigationId);
                                                        script.key(vk::enter);
                                                    }},
                                         ScriptCase{"PgUpThenSpace",
                                                    [](InputScript& script) {
                                                        for (int page = 0; page < 3; ++page) {
                                                            script.key(vk::pageUp);
                                                        }
                                                        script.key(vk::space);
                                                    }},
                                         ScriptCase{"PadShouldersThenA",
                                                    [](InputScript& script) {
                                                        for (int page = 0; page < 3; ++page) {
                                                            press(script, PadButton::leftShoulder);
                                                        }
                                                        press(script, PadButton::a);
                                                    }}),
                         [](const testing::TestParamInfo<ScriptCase>& info) {
                             return info.param.name;
                         });

TEST(LegalPageFocus, RingsTheFirstDocumentWhileConfirmedAndTheCheckboxWhileNot) {
    FirstStart start;
    start.script().click(legalNavigationId);
    EXPECT_EQ(start.app().focusedControl(), documentControlId(0));
    EXPECT_EQ(start.ringedControls(), std::vector<int>{documentControlId(0)});

    // The player's own click unticks it; entered again, the page offers it to be ticked.
    start.script().click(ownershipControlId);
    ASSERT_FALSE(start.s.backend().ownershipConfirmed());
    start.script().click(buildNavigationId);
    start.script().click(legalNavigationId);
    EXPECT_EQ(start.app().focusedControl(), ownershipControlId);
}

// --- From no control, a list that gains a control other than a Cancel ---------------------------

struct GainCase {
    const char* name;
    // More of the setup's scenario, held by `hold` when it is not empty.
    std::string scenario;
    std::string hold;
    std::function<void(FirstStart&)> then;
    int focused;
};

void PrintTo(const GainCase& c, std::ostream* out) {
    *out << c.name;
}

class FocusFromNoControlOnAGain : public testing::TestWithParam<GainCase> {};

TEST_P(FocusFromNoControlOnAGain, RingsTheFirstControlThatIsNoCancel) {
    const GainCase& c = GetParam();
    FirstStart start(c.scenario);
    std::optional<testsupport::FakePythonHold> hold;
    if (!c.hold.empty()) {
        hold.emplace(start.s.root(), c.hold);
    }
    queueAllGames(start);

    c.then(start);
    EXPECT_EQ(start.ringedControls(), std::vector{c.focused});
    EXPECT_EQ(start.app().focusedControl(), c.focused);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FocusFromNoControlOnAGain,
    testing::Values(GainCase{"TheGamesBuilt", "", "",
                             [](FirstStart& start) {
                                 start.releaseCheck();
                                 ASSERT_TRUE(start.allSetupsEnd());
                                 ASSERT_TRUE(start.threeReceipts());
                             },
                             checkRequirementsControlId},
                    GainCase{"ACancelClicked", "", "",
                             [](FirstStart& start) {
                                 start.script().click(cancelControlId(1));
                                 ASSERT_EQ(start.s.backend().statusText(), L"Setup cancelled.");
                             },
                             checkRequirementsControlId},
                    GainCase{"TheFirstGameRunsWithItsLog", "hold.qx1=verify\n", "qx1-verify",
                             [](FirstStart& start) {
                                 start.releaseCheck();
                                 ASSERT_TRUE(gametest::pollUntil(
                                     [] {},
                                     [&] {
                                         start.s.backend().isSetupBusy();
                                         return start.s.backend().setupJob(0).running &&
                                                std::filesystem::exists(
                                                    qxlauncher::setupLogPath(start.s.root(), 0));
                                     }));
                             },
                             openLogControlId(0)}),
    [](const testing::TestParamInfo<GainCase>& info) { return info.param.name; });

// --- A direction and a select in one pad poll ----------------------------------------------

struct PollCase {
    const char* name;
    // After "Build all": what the pad did before the poll, with no frame drawn since.
    std::function<void(FirstStart&)> before;
    std::uint16_t buttons;
    int placedOn; // the Cancel's game
};

void PrintTo(const PollCase& c, std::ostream* out) {
    *out << c.name;
}

class DirectionAndSelectInOnePoll : public testing::TestWithParam<PollCase> {};

TEST_P(DirectionAndSelectInOnePoll, PlacesTheFocusAndCancelsNothing) {
    const PollCase& c = GetParam();
    FirstStart start;
    start.script().connectPad();
    c.before(start);

    start.script().hold(c.buttons);
    start.script().poll();
    start.script().releaseAll();
    start.script().poll();
    EXPECT_TRUE(start.nothingCancelled());
    // The direction acted: the ring shows where the player moved the focus.
    EXPECT_EQ(start.ringedControls(), std::vector{cancelControlId(c.placedOn)});

    start.releaseCheck();
    ASSERT_TRUE(start.allSetupsEnd());
    EXPECT_TRUE(start.threeReceipts());
}

INSTANTIATE_TEST_SUITE_P(
    Table, DirectionAndSelectInOnePoll,
    testing::Values(PollCase{"DownAndA", queueAllGames, PadButton::dpadDown | PadButton::a, 0},
                    PollCase{"UpAndStart", queueAllGames, PadButton::dpadUp | PadButton::start, 2},
                    // The list changed under the focus and no frame followed.
                    PollCase{"DownAndARightAfterAOnBuildAll",
                             [](FirstStart& start) {
                                 start.script().key(vk::down);
                                 ASSERT_EQ(start.app().focusedControl(), buildAllControlId);
                                 press(start.script(), PadButton::a);
                                 ASSERT_TRUE(start.s.backend().setupJob(2).queued);
                             },
                             PadButton::dpadDown | PadButton::a, 0}),
    [](const testing::TestParamInfo<PollCase>& info) { return info.param.name; });

// --- A capture ----------------------------------------------------------------------------

// A capture keeps the focus where it is in the captured state's list, but never on a Cancel.
TEST(FocusInACapture, LeavesACancelForTheFirstControlThatIsNone) {
    apptest::PageScene scene;
    App& app = scene.start(apptest::PageState::setupRunning, NavSection::build);
    ASSERT_EQ(app.focusOrder(), (std::vector{buildAllControlId, cancelControlId(0),
                                             cancelControlId(1), buildControlId(2)}));
    InputScript script(scene.fixture, app);
    script.focusOn(cancelControlId(0));

    app.prepareCapture(false, SettingsTab::launcher, NavSection::build);
    EXPECT_EQ(app.focusedControl(), buildAllControlId);
    script.focusOn(buildControlId(2));
    app.prepareCapture(false, SettingsTab::launcher, NavSection::build);
    EXPECT_EQ(app.focusedControl(), buildControlId(2));
}

// --- The Play page with no cabinet loaded --------------------------------------------------

// The focus ring drawn over the control's region in the frame.
testing::AssertionResult ringedInFrame(const App& app, const apptest::DrawCalls& calls, int id) {
    if (!apptest::hasRegion(app, id)) {
        return testing::AssertionFailure() << id << " is not drawn";
    }
    const HitRegion region = apptest::regionOf(app, id);
    const apptest::DrawCalls outlines =
        apptest::roundedAt(calls, {region.x, region.y, region.width, region.height});
    if (std::none_of(outlines.begin(), outlines.end(), [](const apptest::DrawCall& call) {
            return call.border >= 2.0f && apptest::sameColor(call.color, UiPalette::hot);
        })) {
        return testing::AssertionFailure() << id << " has no ring";
    }
    return testing::AssertionSuccess();
}

struct PlayCase {
    const char* name;
    std::function<void(InputScript&)> down;
    std::function<void(InputScript&)> select;
};

void PrintTo(const PlayCase& c, std::ostream* out) {
    *out << c.name;
}

class PlayWithNoCabinetLoaded : public testing::TestWithParam<PlayCase> {};

TEST_P(PlayWithNoCabinetLoaded, DownFromTheLastCabinetKeepsARingOnADrawnControl) {
    apptest::PageScene scene;
    App& app = scene.start(apptest::PageState::noGameBuilt, NavSection::play);
    ASSERT_EQ(app.loadedGame(), -1);
    InputScript script(scene.fixture, app);
    script.connectPad();
    script.focusOn(cabinetControlId(2));

    GetParam().down(script);
    const apptest::DrawCalls calls = scene.frame();
    EXPECT_EQ(app.focusedControl(), settingsNavigationId);
    EXPECT_TRUE(ringedInFrame(app, calls, settingsNavigationId));
    // The select acts on the ringed control.
    GetParam().select(script);
    EXPECT_TRUE(app.settingsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayWithNoCabinetLoaded,
    testing::Values(PlayCase{"Keys", [](InputScript& script) { script.key(vk::down); },
                             [](InputScript& script) { script.key(vk::enter); }},
                    PlayCase{"Pad", [](InputScript& script) { press(script, PadButton::dpadDown); },
                             [](InputScript& script) { press(script, PadButton::a); }}),
    [](const testing::TestParamInfo<PlayCase>& info) { return info.param.name; });

} // namespace
} // namespace lumenark
