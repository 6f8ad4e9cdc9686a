// The focus when the focus list changes under it: an action or the setup queue enables and
// disables controls, and the focus follows the control it was on instead of keeping its place
// in the list (where, after "Build all", the running game's "Cancel" would be).
#include "app/control_ids.h"
#include "app/input/focus_follow.h"
#include "app/input/virtual_keys.h"
#include "backend/game_table.h"
#include "backend/launch/command_line.h"
#include "backend/setup/setup_progress.h"
#include "backend/setup/setup_runner.h"
#include "platform/text.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/first_start.h"
#include "tests/app/input_script.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace lumenark {
namespace {

using apptest::DispatchScene;
using apptest::FirstStart;
using apptest::InputScript;
using apptest::PageState;
using qxlauncher::BackendProbe;

// --- The rule -------------------------------------------------------------------------------

// The three "Cancel"s of the Build page, which the launcher never places the focus on.
const std::vector<int> buildCancels{80, 81, 82};

struct FollowCase {
    const char* name;
    std::vector<int> previous;
    int focused;
    std::vector<int> next;
    int expected;
};

void PrintTo(const FollowCase& c, std::ostream* out) {
    *out << c.name;
}

class FocusFollow : public testing::TestWithParam<FollowCase> {};

TEST_P(FocusFollow, ChoosesThePositionInTheNewList) {
    const FollowCase& c = GetParam();
    EXPECT_EQ(followedFocusPosition(c.previous, c.focused, c.next, buildCancels), c.expected);
}

// Ids of the Build page: 124 "Check requirements", 73 "Build all", 70 + g build, 80 + g
// "Cancel", 90 + g "Open log", 110 + g "Play"; of the Overview: 50 + g folder fields.
INSTANTIATE_TEST_SUITE_P(
    Table, FocusFollow,
    testing::Values(
        FollowCase{"TheControlStillThere", {124, 73, 70, 71, 72}, 72, {70, 72}, 1},
        FollowCase{"ACancelThePlayerChoseStillThere", {80, 81, 82}, 81, {80, 90, 81, 82}, 2},
        FollowCase{"TheNearestAfterIt", {50, 70, 51, 71, 52, 72}, 70, {51, 71, 52, 72}, 0},
        FollowCase{"TheNearestAfterItBeyondOthersGone", {80, 90, 81, 82, 111}, 80, {91, 111}, 1},
        FollowCase{"TheNearestBeforeItWhenNoneAfter", {90, 110, 80}, 80, {90, 110, 111}, 1},
        FollowCase{"TheNearestAfterItThatIsNoCancel", {73, 81, 91}, 73, {81, 91}, 1},
        FollowCase{"TheNearestBeforeItThatIsNoCancel", {90, 81, 73}, 73, {90, 81}, 0},
        FollowCase{"TheFirstThatIsNoCancel", {124, 73, 70, 71, 72}, 73, {80, 90, 81, 82}, 1},
        FollowCase{
            "NoControlWhenOnlyCancelsAreLeft", {124, 73, 70}, 124, {81, 82}, noFocusPosition},
        FollowCase{"NoControlAfterBuildAllOnAFirstStart",
                   {124, 73, 70, 71, 72},
                   73,
                   {80, 81, 82},
                   noFocusPosition},
        // From no control, the first control the list gains that is no Cancel takes the focus.
        FollowCase{"FromNoControlTheFirstThatIsNoCancel", {80, 81, 82}, -1, {124, 73, 70}, 0},
        FollowCase{"FromNoControlAGainedOpenLog", {80, 81, 82}, -1, {80, 90, 81, 82}, 1},
        FollowCase{
            "FromNoControlOnlyCancelsStayNoControl", {80, 81, 82}, -1, {81, 82}, noFocusPosition},
        FollowCase{"FromAnEmptyListTheFirst", {}, -1, {50, 70}, 0}),
    [](const testing::TestParamInfo<FollowCase>& info) { return info.param.name; });

struct PlaceCase {
    const char* name;
    std::vector<int> order;
    int wanted;
    int expected;
    std::vector<int> undoing = buildCancels;
};

void PrintTo(const PlaceCase& c, std::ostream* out) {
    *out << c.name;
}

class FocusPlaced : public testing::TestWithParam<PlaceCase> {};

TEST_P(FocusPlaced, TakesTheWantedControlUnlessItUndoesThePlayersWork) {
    const PlaceCase& c = GetParam();
    EXPECT_EQ(placedFocusPosition(c.order, c.wanted, c.undoing), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FocusPlaced,
    testing::Values(
        PlaceCase{"TheWantedControl", {124, 73, 70}, 1, 1},
        PlaceCase{"TheFirstThatIsNoCancelForACancel", {80, 90, 81}, 0, 1},
        PlaceCase{"TheFirstThatIsNoCancelBeforeTheWantedCancel", {90, 80}, 1, 0},
        PlaceCase{"NoControlAmongCancelsOnly", {80, 81, 82}, 0, noFocusPosition},
        PlaceCase{"ClampedIntoTheList", {120, 121, 122, 123}, 9, 3},
        PlaceCase{"ClampedOntoACancel", {90, 80}, 5, 0},
        PlaceCase{"NoneWantedTheFirstThatIsNoCancel", {80, 81, 110}, noFocusPosition, 2},
        PlaceCase{"NoControlInAnEmptyList", {}, 0, noFocusPosition},
        // The Legal page: 120 the ownership checkbox, 121 to 123 the documents.
        PlaceCase{"TheTickedCheckboxPassedOver", {120, 121, 122, 123}, 0, 1, {80, 81, 82, 120}},
        PlaceCase{"TheCheckboxToTick", {120, 121, 122, 123}, 0, 0}),
    [](const testing::TestParamInfo<PlaceCase>& info) { return info.param.name; });

// --- "Build all" and the next Enter ---------------------------------------------------------

struct BuildAllCase {
    const char* name;
    // From the Build page with the focus on its first control: "Build all", then the keys
    // (or the pad's A) a player presses next.
    std::function<void(InputScript&)> play;
};

void PrintTo(const BuildAllCase& c, std::ostream* out) {
    *out << c.name;
}

class FocusAfterBuildAll : public testing::TestWithParam<BuildAllCase> {};

// The collection's setup builds all three games from good files; the first game's job is held
// at its first step, so the keys arrive while it runs and the others wait.
TEST_P(FocusAfterBuildAll, CancelsNothingAndEveryGameBuilds) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::overview);
    s.useFakeSetup("hold.qx1=verify\n");
    testsupport::FakePythonHold hold(s.root(), "qx1-verify");
    InputScript script(s.scene.fixture, app);
    script.click(buildNavigationId);
    ASSERT_EQ(app.section(), NavSection::build);
    ASSERT_EQ(app.focusedControl(), checkRequirementsControlId);

    GetParam().play(script);
    EXPECT_TRUE(s.backend().setupJob(0).running);
    EXPECT_TRUE(s.backend().setupJob(1).queued);
    EXPECT_TRUE(s.backend().setupJob(2).queued);
    // The focus left "Build all" for the running game's "Open log", never for its "Cancel":
    // the last Enter opened the log.
    EXPECT_EQ(app.focusedControl(), openLogControlId(0));
    EXPECT_EQ(s.desktop().opened, std::vector{qxlauncher::setupLogPath(s.root(), 0)});

    hold.release();
    ASSERT_TRUE(gametest::pollUntil([] {}, [&] { return !s.backend().isSetupBusy(); }));
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_EQ(s.backend().setupJob(game).state, "done") << game;
    }
}

void clickBuildAllThenEnter(InputScript& script) {
    script.click(buildAllControlId);
    script.key(vk::enter);
}

void clickBuildAllThenAOnThePad(InputScript& script) {
    script.connectPad();
    script.click(buildAllControlId);
    script.hold(qxlauncher::PadButton::a);
    script.poll();
    script.releaseAll();
    script.poll();
}

// From "Check requirements", the page's first control.
void downToBuildAllThenEnterTwice(InputScript& script) {
    script.key(vk::down);
    script.key(vk::enter);
    script.key(vk::enter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FocusAfterBuildAll,
    testing::Values(BuildAllCase{"AClickThenEnter", clickBuildAllThenEnter},
                    BuildAllCase{"AClickThenAOnThePad", clickBuildAllThenAOnThePad},
                    BuildAllCase{"DownToItThenEnterTwice", downToBuildAllThenEnterTwice}),
    [](const testing::TestParamInfo<BuildAllCase>& info) { return info.param.name; });

// --- "Build all" while the first requirements check runs -------------------------------------

// "Build all" queues the three games behind the held check and leaves only their Cancels
// enabled.
class BuildAllOnAFirstStart : public testing::TestWithParam<BuildAllCase> {};

TEST_P(BuildAllOnAFirstStart, LeavesTheFocusOnNoControlAndCancelsNothing) {
    FirstStart start;
    App& app = start.app();
    ASSERT_FALSE(start.s.backend().toolProbe().checked);
    ASSERT_EQ(app.focusedControl(), checkRequirementsControlId);

    GetParam().play(start.script());
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_TRUE(start.s.backend().setupJob(game).queued) << game;
    }
    EXPECT_EQ(app.focusOrder(),
              (std::vector{cancelControlId(0), cancelControlId(1), cancelControlId(2)}));
    EXPECT_EQ(app.focusPosition(), noFocusPosition);
    EXPECT_EQ(app.focusedControl(), -1);
    EXPECT_TRUE(start.ringedControls().empty());
    // Enter and A on no control do nothing.
    start.script().key(vk::enter);
    start.script().key(vk::space);
    EXPECT_FALSE(start.s.backend().toolProbe().checked);

    start.releaseCheck();
    ASSERT_TRUE(gametest::pollUntil([] {}, [&] { return !start.s.backend().isSetupBusy(); }));
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_EQ(start.s.backend().setupJob(game).state, "done") << game;
        EXPECT_TRUE(qxlauncher::findLatestBuild(start.s.root(),
                                                std::wstring(qxlauncher::gameTable[game].id))
                        .found)
            << game;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, BuildAllOnAFirstStart,
    testing::Values(BuildAllCase{"DownToItThenEnterTwice", downToBuildAllThenEnterTwice},
                    BuildAllCase{"AClickThenEnter", clickBuildAllThenEnter},
                    BuildAllCase{"AClickThenAOnThePad", clickBuildAllThenAOnThePad}),
    [](const testing::TestParamInfo<BuildAllCase>& info) { return info.param.name; });

struct PlacingKeyCase {
    const char* name;
    int key;
    int placedOn; // the Cancel's game
};

void PrintTo(const PlacingKeyCase& c, std::ostream* out) {
    *out << c.name;
}

class FocusFromNoControl : public testing::TestWithParam<PlacingKeyCase> {};

// From no control a forward key places the focus on the list's first entry and a backward key
// on its last; the ring shows there, and Enter then acts on that control.
TEST_P(FocusFromNoControl, TheNextMovementKeyPlacesItAndEnterActsThere) {
    FirstStart start;
    start.script().click(buildAllControlId);
    // A frame, as the main loop draws one between the click and the next key.
    ASSERT_TRUE(start.ringedControls().empty());
    ASSERT_EQ(start.app().focusPosition(), noFocusPosition);

    start.script().key(GetParam().key);
    const int placed = cancelControlId(GetParam().placedOn);
    EXPECT_EQ(start.app().focusedControl(), placed);
    EXPECT_EQ(start.ringedControls(), std::vector{placed});

    start.script().key(vk::enter);
    EXPECT_EQ(start.s.backend().statusText(), L"Setup cancelled.");
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        EXPECT_EQ(start.s.backend().setupJob(game).state, "cancelled") << game;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FocusFromNoControl,
    testing::Values(PlacingKeyCase{"Down", vk::down, 0}, PlacingKeyCase{"Right", vk::right, 0},
                    PlacingKeyCase{"Tab", vk::tab, 0}, PlacingKeyCase{"Up", vk::up, 2},
                    PlacingKeyCase{"Left", vk::left, 2}),
    [](const testing::TestParamInfo<PlacingKeyCase>& info) { return info.param.name; });

// The setup queue changes the list between frames too: the frame takes the focus along.
TEST(FocusAcrossAFrame, FollowsAChangeThePlayerDidNotMake) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::overview);
    InputScript script(s.scene.fixture, app);
    script.click(buildNavigationId);
    ASSERT_EQ(app.focusedControl(), checkRequirementsControlId);

    // The first game's setup starts, the others wait: as "Build all" leaves them.
    qxlauncher::SetupJob& first = BackendProbe::setupJob(s.backend(), 0);
    first.running = true;
    first.mode = "setup";
    BackendProbe::setupJob(s.backend(), 1).queued = true;
    BackendProbe::setupJob(s.backend(), 2).queued = true;
    testsupport::writeFile(qxlauncher::setupLogPath(s.root(), 0), "setup log\n");
    s.scene.frame();
    EXPECT_EQ(app.focusedControl(), openLogControlId(0));
}

} // namespace
} // namespace lumenark
