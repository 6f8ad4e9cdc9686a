// The controllers: the 4 ms poll, slots that are asked again after 250 ms, P1 and P2, arming,
// the auto-repeat of a held direction, the navigation buttons, B, LB and RB, the capture of a
// controller button, and errors of the actions a pad triggers.
#include "app/control_ids.h"
#include "app/input/controller_slots.h"
#include "app/input/held_buttons.h"
#include "app/input/pad_navigation.h"
#include "backend/setup/setup_runner.h"
#include "tests/app/app_probe.h"
#include "tests/app/input_script.h"
#include "tests/app/page_scene.h"
#include "tests/app/settings_fixture.h"
#include "tests/presentation/scripted_hid_devices.h"
#include "tests/support/case_names.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumenark {
namespace {

using apptest::InputScript;
using apptest::PageScene;
using apptest::PageState;
using apptest::SettingsFixture;
using apptest::SettingsSetup;
namespace PadButton = qxlauncher::PadButton;

const SettingsSetup noGame{-1, false, false, 1536.0f};
const SettingsSetup firstGame{0, true, false, 1536.0f};

constexpr std::int16_t stickFar = 30000;

// --- The pad's flags ---

struct FlagsCase {
    const char* name;
    platform::ControllerState state;
    std::uint32_t navigation;
    qxlauncher::PadButtons buttons;
};

class PadFlags : public testing::TestWithParam<FlagsCase> {};

TEST_P(PadFlags, TakeTheStickBeyondItsThresholdAndTriggersFromHalfWay) {
    const FlagsCase& c = GetParam();
    EXPECT_EQ(navigationFlags(c.state), c.navigation);
    EXPECT_EQ(xinputButtons(c.state), c.buttons);
}

platform::ControllerState stick(std::int16_t x, std::int16_t y) {
    platform::ControllerState state;
    state.thumbLX = x;
    state.thumbLY = y;
    return state;
}

platform::ControllerState triggers(std::uint8_t left, std::uint8_t right) {
    platform::ControllerState state;
    state.buttons = PadButton::a;
    state.leftTrigger = left;
    state.rightTrigger = right;
    return state;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadFlags,
    testing::Values(FlagsCase{"StickPastLeft", stick(-18001, 0), PadButton::dpadLeft, 0},
                    FlagsCase{"StickAtTheThreshold", stick(-18000, 18000), 0, 0},
                    FlagsCase{"StickPastRight", stick(18001, 0), PadButton::dpadRight, 0},
                    FlagsCase{"StickPastUp", stick(0, 18001), PadButton::dpadUp, 0},
                    FlagsCase{"StickPastDown", stick(0, -18001), PadButton::dpadDown, 0},
                    FlagsCase{"StickFullyUpAndLeft", stick(-32768, 32767),
                              PadButton::dpadLeft | PadButton::dpadUp, 0},
                    FlagsCase{"TriggersBelowHalfWay", triggers(127, 127), PadButton::a,
                              PadButton::a},
                    FlagsCase{"TriggersFromHalfWay", triggers(128, 255), PadButton::a,
                              PadButton::a | PadButton::leftTrigger | PadButton::rightTrigger}),
    testsupport::caseName);

// The Legal page, whose four controls the focus moves between, with the script's pads.
class PadOnLegal : public testing::Test {
protected:
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script{scene.fixture, app};
};

// --- Slots and the poll ---

class ControllerPoll : public PadOnLegal {};

TEST_F(ControllerPoll, ReadsAtMostEveryFourMilliseconds) {
    apptest::PadScript& pads = *scene.fixture.pads;
    pads.connectIdle(0);

    app.pollControllers();
    EXPECT_EQ(pads.reads[0], 1);
    scene.fixture.clock->advanceMilliseconds(3);
    app.pollControllers();
    EXPECT_EQ(pads.reads[0], 1);
    scene.fixture.clock->advanceMilliseconds(1);
    app.pollControllers();
    EXPECT_EQ(pads.reads[0], 2);
    EXPECT_TRUE(app.controllerSlots().connected[0]);
}

TEST_F(ControllerPoll, ASilentSlotIsAskedAgainAfterAQuarterSecond) {
    apptest::PadScript& pads = *scene.fixture.pads;
    pads.connectIdle(0);

    script.poll();
    EXPECT_EQ(pads.reads, (std::array{1, 1, 1, 1}));
    script.pollFor(244);
    EXPECT_EQ(pads.reads, (std::array{62, 1, 1, 1}));
    // A controller plugged into slot 2 meanwhile is seen at the retry.
    pads.connectIdle(2);
    script.poll();
    script.poll();
    EXPECT_EQ(pads.reads, (std::array{64, 2, 2, 2}));
    EXPECT_TRUE(app.controllerSlots().connected[2]);
    EXPECT_EQ(app.connectedControllerCount(), 2);
}

TEST_F(ControllerPoll, PlayersTakeTheFreeSeatsInSlotOrderAndKeepThem) {
    apptest::PadScript& pads = *scene.fixture.pads;
    const auto players = [&] { return app.controllerSlots().players; };

    pads.connectIdle(3);
    pads.connectIdle(1);
    script.poll();
    EXPECT_EQ(players(), (std::array{1, 3}));
    // P1's controller goes away: P2 stays where it is.
    pads.slots[1].reset();
    script.poll();
    EXPECT_EQ(players(), (std::array{-1, 3}));
    // The next controller to appear takes the free seat.
    pads.connectIdle(0);
    script.pollFor(controllerRetryMilliseconds);
    EXPECT_EQ(players(), (std::array{0, 3}));
}

TEST(NoXInput, NothingIsConnected) {
    PageScene scene;
    scene.fixture.xinputMissing = true;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);
    script.pollFor(600);
    EXPECT_EQ(app.connectedControllerCount(), 0);
    EXPECT_EQ(app.controllerSlots().players, (std::array{-1, -1}));
}

TEST_F(ControllerPoll, AnInactiveWindowReadsNothingAndDisarms) {
    script.connectPad();
    ASSERT_TRUE(app.padNavigation().armed);
    const int reads = scene.fixture.pads->totalReads();

    app.onActivateApp(false);
    script.pollFor(100);
    EXPECT_EQ(scene.fixture.pads->totalReads(), reads);
    EXPECT_FALSE(app.padNavigation().armed);
}

// --- Navigation ---

class PadNavigationScript : public PadOnLegal {};

TEST_F(PadNavigationScript, AHeldStickActsAtOnceThenAfter350MsThenEvery90Ms) {
    script.connectPad();

    script.pad().thumbLY = -stickFar;
    const std::vector<std::uint64_t> moves =
        script.changesWhile(600, [&] { return app.focusPosition(); });
    // Each at the first poll (every 4 ms) at or after the deadline the previous one set: the
    // deadline of the first repeat is 350 ms after the press, that of each later one 90 ms after
    // the repeat before it.
    EXPECT_EQ(moves, (std::vector<std::uint64_t>{0, 352, 444, 536}));

    // Letting go and pushing again acts at once and waits the long delay again.
    script.releaseAll();
    script.poll();
    script.pad().thumbLY = -stickFar;
    EXPECT_EQ(script.changesWhile(400, [&] { return app.focusPosition(); }),
              (std::vector<std::uint64_t>{0, 352}));
}

TEST_F(PadNavigationScript, ANewDirectionActsAtOnceAndRestartsTheDelay) {
    script.connectPad();
    script.hold(PadButton::dpadDown);
    script.pollFor(300);
    EXPECT_EQ(app.focusPosition(), 1);
    // Right joins down (both move on): right acts at once, and both repeat 350 ms later, not
    // when the delay of down alone would have ended.
    script.hold(PadButton::dpadDown | PadButton::dpadRight);
    EXPECT_EQ(script.changesWhile(400, [&] { return app.focusPosition(); }),
              (std::vector<std::uint64_t>{0, 352}));
    EXPECT_EQ(app.focusPosition(), 0);
}

TEST_F(PadNavigationScript, AButtonHeldWhenTheWindowIsActivatedWaitsForEverythingToBeReleased) {
    app.onActivateApp(false);
    script.hold(PadButton::y);
    script.pad().thumbLX = stickFar;
    app.onActivateApp(true);

    script.pollFor(1000);
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(app.focusPosition(), 0);
    // Y released, the stick still held: still nothing.
    script.hold(0);
    script.pollFor(500);
    EXPECT_EQ(app.focusPosition(), 0);
    EXPECT_FALSE(app.padNavigation().armed);
    script.releaseAll();
    script.poll();
    EXPECT_TRUE(app.padNavigation().armed);
    script.pad().thumbLX = stickFar;
    script.poll();
    EXPECT_EQ(app.focusPosition(), 1);
}

TEST_F(PadNavigationScript, FocusLossDisarmsUntilEverythingIsReleased) {
    script.connectPad();
    script.hold(PadButton::dpadRight);
    app.onKillFocus();
    script.pollFor(400);
    EXPECT_EQ(app.focusPosition(), 0);
}

TEST_F(PadNavigationScript, YOpensSettingsButBTogetherWithItStopsEverything) {
    script.connectPad();
    script.hold(PadButton::y | PadButton::b | PadButton::dpadDown);
    script.poll();
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(app.focusPosition(), 0);
    script.releaseAll();
    script.poll();
    script.hold(PadButton::y);
    script.poll();
    EXPECT_TRUE(app.settingsOpen());
}

TEST_F(PadNavigationScript, OnlyTheFirstConnectedPadNavigates) {
    apptest::PadScript& pads = *scene.fixture.pads;
    pads.connectIdle(1);
    pads.connectIdle(3);
    script.poll();
    pads.pad(3).buttons = PadButton::dpadDown;
    script.poll();
    EXPECT_EQ(app.focusPosition(), 0);
    pads.pad(1).buttons = PadButton::dpadDown;
    script.poll();
    EXPECT_EQ(app.focusPosition(), 1);
}

TEST_F(PadNavigationScript, AAndStartActOnTheFocusedControl) {
    testsupport::writeFile(scene.fixture.root() / "LICENSE", "licence\n");
    script.connectPad();
    AppProbe::stageFocusPosition(app, 3);
    script.hold(PadButton::a);
    script.poll();
    script.releaseAll();
    script.poll();
    script.hold(PadButton::start);
    script.poll();
    EXPECT_EQ(scene.fixture.desktop->opened,
              (std::vector<std::filesystem::path>(2, scene.fixture.root() / "LICENSE")));
}

TEST_F(PadNavigationScript, BClosesSettingsAsBackDoes) {
    script.connectPad();
    app.openSettings();
    AppProbe::stageStatus(app, L"Launcher defaults restored on screen. Use SAVE to apply.");
    script.hold(PadButton::b);
    script.poll();
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(app.section(), NavSection::legal);
    EXPECT_EQ(app.statusLine(), L"");
}

struct ShoulderCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab from;
    std::uint16_t buttons;
    SettingsTab to;
};

class ShoulderButtons : public testing::TestWithParam<ShoulderCase> {};

TEST_P(ShoulderButtons, StepOneTabWhenItIsAvailable) {
    const ShoulderCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.from, [](App&) {});
    InputScript script(settings.fixture, app);
    script.connectPad();
    AppProbe::stageFocusPosition(app, 2);
    script.hold(c.buttons);
    script.poll();
    EXPECT_EQ(app.settingsTab(), c.to);
    EXPECT_EQ(app.focusPosition(), c.to == c.from ? 2 : 0);
}

constexpr std::uint16_t lb = PadButton::leftShoulder;
constexpr std::uint16_t rb = PadButton::rightShoulder;

INSTANTIATE_TEST_SUITE_P(
    Table, ShoulderButtons,
    testing::Values(
        // Without the game settings the neighbours of LAUNCHER and CONTROLS are unavailable, and
        // no step passes over them.
        ShoulderCase{"RbFromLauncherWithoutTheGame", noGame, SettingsTab::launcher, rb,
                     SettingsTab::launcher},
        ShoulderCase{"LbFromLauncherWithoutTheGame", noGame, SettingsTab::launcher, lb,
                     SettingsTab::launcher},
        ShoulderCase{"RbFromControlsWithoutTheGame", noGame, SettingsTab::controls, rb,
                     SettingsTab::controls},
        ShoulderCase{"LbFromControlsWithoutTheGame", noGame, SettingsTab::controls, lb,
                     SettingsTab::controls},
        ShoulderCase{"RbFromLauncher", firstGame, SettingsTab::launcher, rb,
                     SettingsTab::adjustments},
        ShoulderCase{"RbFromControlsWraps", firstGame, SettingsTab::controls, rb,
                     SettingsTab::video},
        ShoulderCase{"LbFromVideoWraps", firstGame, SettingsTab::video, lb, SettingsTab::controls},
        ShoulderCase{"RbWinsOverLb", firstGame, SettingsTab::audio, lb | rb, SettingsTab::display}),
    [](const testing::TestParamInfo<ShoulderCase>& info) { return info.param.name; });

TEST(SettingsDigits, StillChooseTabsWithoutTheGame) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    InputScript script(settings.fixture, app);
    script.key('7');
    EXPECT_EQ(app.settingsTab(), SettingsTab::controls);
    script.key('4');
    EXPECT_EQ(app.settingsTab(), SettingsTab::launcher);
}

// --- The capture of a controller button ---

// Settings open on CONTROLS for the first game, with the script's pads.
class PadCapture : public testing::Test {
protected:
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::controls, [](App&) {});
    InputScript script{settings.fixture, app};
};

TEST_F(PadCapture, TakesTheLowestNewButtonOfAnyPadAndSkipsNavigation) {
    script.connectPad();
    const int slot = bindingSlotId(1, 1, 6); // P2 HIGH KICK
    AppProbe::stageCapture(app, slot);
    script.poll();
    ASSERT_EQ(AppProbe::captureId(app), slot);

    // The stick neither binds nor navigates while capturing.
    script.pad().thumbLY = -stickFar;
    script.pollFor(400);
    EXPECT_EQ(AppProbe::captureId(app), slot);
    EXPECT_EQ(app.focusPosition(), 0);

    // A, X, the right trigger and a HID pad's button 12 at once: the lowest bit wins.
    script.releaseAll();
    script.hold(PadButton::a | PadButton::x);
    script.pad().rightTrigger = 200;
    settings.fixture.pads->hid = {HidPadState{0x80000} | (HidPadState{0xF} << 32)};
    script.poll();
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.editBindings().padMasks[12 + 6], PadButton::a);
    EXPECT_EQ(app.statusLine(), L"Button set. Use SAVE to apply.");

    // A, still held, is no Enter once the capture has ended; released, the pad navigates again.
    script.pollFor(400);
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.statusLine(), L"Button set. Use SAVE to apply.");
    script.releaseAll();
    settings.fixture.pads->hid.clear();
    script.poll();
    script.hold(PadButton::dpadDown);
    script.poll();
    EXPECT_EQ(app.focusPosition(), 1);
}

TEST_F(PadCapture, ButtonsHeldWhenTheCaptureStartsAreNotTaken) {
    // A is held on the pad and button 11 on a HID pad when Enter starts the capture; A was held
    // at the pad's first poll, so the navigation is not armed and A acts on nothing.
    script.hold(PadButton::a);
    settings.fixture.pads->hid = {HidPadState{0x40000}};
    script.poll();
    const int slot = bindingSlotId(0, 1, 9); // P1 RUN (QX3)
    script.focusOn(slot);
    app.onKeyDown(0x0D, false);
    ASSERT_EQ(AppProbe::captureId(app), slot);
    EXPECT_EQ(app.statusLine(), L"Press a controller button for P1 RUN (QX3). Esc cancels.");
    EXPECT_EQ(AppProbe::captureBaseline(app), PadButton::a | 0x40000u);

    script.pollFor(200);
    EXPECT_EQ(AppProbe::captureId(app), slot);
    // Y joins them: Y is the binding.
    script.hold(PadButton::a | PadButton::y);
    script.poll();
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.editBindings().padMasks[9], PadButton::y);
    EXPECT_EQ(app.statusLine(), L"Button set. Use SAVE to apply.");
}

TEST_F(PadCapture, AButtonHeldSinceThePreviousPollIsNotNew) {
    script.pad();
    settings.fixture.pads->hid = {HidPadState{PadButton::a}};
    AppProbe::stageCapture(app, bindingSlotId(0, 1, 4));
    script.poll(); // the HID pad's A is new against an empty baseline
    EXPECT_EQ(app.editBindings().padMasks[4], PadButton::a);

    AppProbe::stageCapture(app, bindingSlotId(0, 1, 5));
    script.poll(); // the baseline now holds A
    script.pollFor(100);
    EXPECT_EQ(AppProbe::captureId(app), bindingSlotId(0, 1, 5));
    // A released and pressed again on the HID pad is new again.
    settings.fixture.pads->hid = {0};
    script.poll();
    settings.fixture.pads->hid = {HidPadState{PadButton::a}};
    script.poll();
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.editBindings().padMasks[5], PadButton::a);
}

// A HID pad that sends its buttons in report 1 and its battery in report 2: both reports
// arrive in one drain of the window's messages before the poll, and the press still binds.
TEST_F(PadCapture, APadsOtherReportInTheSameDrainDoesNotHideItsPress) {
    hidtest::Script hid;
    hid.devices[hidtest::handle(0x10)] = {};
    HidInput reader(std::make_unique<hidtest::ScriptedHidDevices>(hid));
    const int slot = bindingSlotId(0, 1, 3);
    AppProbe::stageCapture(app, slot);
    script.poll();
    reader.onRawInput(hid.addInput(0x10, {{0b10}})); // button 2, A
    reader.onRawInput(hid.addInput(0x10, {{.id = 2}}));
    settings.fixture.pads->hid = reader.snapshot();
    script.poll();
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.editBindings().padMasks[3], PadButton::a);
    EXPECT_EQ(app.statusLine(), L"Button set. Use SAVE to apply.");
}

TEST_F(PadCapture, AKeyCaptureIsLeftToTheKeyboardAndThePadKeysReachIt) {
    script.connectPad();
    AppProbe::stageCapture(app, bindingSlotId(0, 0, 4));
    script.hold(PadButton::dpadLeft);
    script.poll();
    // The pad's left arrives as the key VK_LEFT and becomes the binding.
    EXPECT_EQ(app.editBindings().keyCodes[4], 0x25);
    EXPECT_EQ(AppProbe::captureId(app), -1);
}

// --- Errors of pad-triggered actions ---

TEST(PadErrors, OpenLogThroughALinkIsAnErrorOnTheStatusLineAndInTheLog) {
    PageScene scene;
    App& app = scene.start(PageState::setupFailed, NavSection::build);
    const std::filesystem::path log = qxlauncher::setupLogPath(scene.fixture.root(), 0);
    std::filesystem::remove(log);
    testsupport::writeFile(scene.fixture.root() / "elsewhere.log", "setup log\n");
    if (!testsupport::makeFileLink(scene.fixture.root() / "elsewhere.log", log)) {
        GTEST_SKIP() << "this system does not let the test create a file link";
    }
    InputScript script(scene.fixture, app);
    script.connectPad();
    const std::vector<int> order = app.focusOrder();
    AppProbe::stageFocusPosition(
        app, static_cast<int>(std::find(order.begin(), order.end(), openLogControlId(0)) -
                              order.begin()));
    script.hold(PadButton::a);
    EXPECT_NO_THROW(script.poll());
    EXPECT_EQ(app.statusLine(), L"Error: launcher path uses a link/junction");
    const std::vector<std::string> events = scene.fixture.uiEvents();
    EXPECT_EQ(
        std::count(events.begin(), events.end(), "ui-error launcher path uses a link/junction"), 1);
    EXPECT_TRUE(scene.fixture.desktop->opened.empty());
    // The launcher goes on.
    script.releaseAll();
    script.poll();
    script.hold(PadButton::y);
    script.poll();
    EXPECT_TRUE(app.settingsOpen());
}

TEST(PadErrors, AnErrorOfAnActionIsShownAndThePadGoesOn) {
    apptest::AppFixture fixture;
    const std::unique_ptr<App> app = fixture.makeApp();
    app->prepareCapture(false, SettingsTab::video, NavSection::legal);
    // The UI event log cannot be written: a file stands where its folder would be.
    testsupport::writeFile(fixture.root() / "logs", "not a folder");
    InputScript script(fixture, *app);
    script.connectPad();
    // Y opens Settings, whose UI event fails; the line of the error fails too, and is lost.
    script.hold(PadButton::y);
    EXPECT_NO_THROW(script.poll());
    EXPECT_TRUE(app->settingsOpen());
    EXPECT_TRUE(app->statusLine().starts_with(L"Error: "))
        << testing::PrintToString(app->statusLine());
    EXPECT_GT(app->statusLine().size(), 7u);
    // The pad goes on.
    script.releaseAll();
    script.poll();
    script.hold(PadButton::dpadDown);
    script.poll();
    EXPECT_EQ(app->focusPosition(), 1);
}

} // namespace
} // namespace lumenark
