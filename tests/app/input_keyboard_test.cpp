// The keyboard: the keys of a running binding capture, F11 and Esc, Tab, and the keys of the
// Settings page, the Play page and the other sections.
#include "app/control_ids.h"
#include "app/input/virtual_keys.h"
#include "tests/app/app_probe.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/input_script.h"
#include "tests/app/page_scene.h"
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace lumenark {
namespace {

using apptest::InputScript;
using apptest::PageScene;
using apptest::PageState;
using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup noGame{-1, false, false, 1536.0f};
const SettingsSetup firstGame{0, true, false, 1536.0f};

void nothing(App&) {}

// --- The binding capture ---

const std::wstring keySet = L"Key set. Use SAVE to apply.";
const std::wstring refused = L"F5/F7 save and load the game state.";
const std::wstring unchanged = L"Unchanged.";
const std::wstring prompt = L"Press a key. Esc cancels.";

struct CaptureKeyCase {
    const char* name;
    int captureId;
    int key;
    std::size_t slot; // the binding's index, P1 0 to 11 and P2 12 to 23
    std::uint8_t code;
    const std::wstring* status;
    bool goesOn;
};

class CaptureKey : public testing::TestWithParam<CaptureKeyCase> {};

TEST_P(CaptureKey, EndsOrRefusesAsTheKeyDecides) {
    const CaptureKeyCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::stageSettingsTab(app, SettingsTab::controls);
    InputScript script(settings.fixture, app);
    AppProbe::stageCapture(app, c.captureId);
    AppProbe::stageStatus(app, prompt);
    const qxlauncher::ControlBindings before = app.editBindings();

    script.key(c.key);
    EXPECT_EQ(app.editBindings().keyCodes.at(c.slot), c.code);
    EXPECT_EQ(app.statusLine(), *c.status);
    EXPECT_EQ(AppProbe::captureId(app), c.goesOn ? c.captureId : -1);
    // Nothing else changes: no other binding, no fullscreen, Settings stays open.
    qxlauncher::ControlBindings rest = app.editBindings();
    rest.keyCodes.at(c.slot) = before.keyCodes.at(c.slot);
    EXPECT_EQ(rest, before);
    EXPECT_FALSE(app.fullscreen());
    EXPECT_TRUE(app.settingsOpen());
    EXPECT_TRUE(script.window.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureKey,
    testing::Values(
        CaptureKeyCase{"F11BecomesTheKey", bindingSlotId(0, 0, 0), vk::f11, 0, 0x7A, &keySet,
                       false},
        CaptureKeyCase{"F5IsRefused", bindingSlotId(0, 0, 0), vk::f5, 0, 0x26, &refused, true},
        CaptureKeyCase{"F7IsRefused", bindingSlotId(0, 0, 11), vk::f7, 11, '1', &refused, true},
        CaptureKeyCase{"EscCancels", bindingSlotId(0, 0, 0), vk::escape, 0, 0x26, &unchanged,
                       false},
        CaptureKeyCase{"ASecondPlayersKey", bindingSlotId(1, 0, 11), 'M', 23, 'M', &keySet, false},
        CaptureKeyCase{"PageDownIsAKeyLikeAnother", bindingSlotId(1, 0, 2), vk::pageDown, 14,
                       vk::pageDown, &keySet, false},
        // What an input method hands on instead of the key it took.
        CaptureKeyCase{"TheInputMethodsKeyIsNoKey", bindingSlotId(0, 0, 0), vk::processKey, 0, 0x26,
                       &prompt, true},
        CaptureKeyCase{"AControllerCaptureTakesNoKey", bindingSlotId(0, 1, 4), 'Q', 4, 'A', &prompt,
                       true},
        CaptureKeyCase{"AControllerCaptureIgnoresF5", bindingSlotId(0, 1, 4), vk::f5, 4, 'A',
                       &prompt, true},
        CaptureKeyCase{"EscCancelsAControllerCapture", bindingSlotId(1, 1, 9), vk::escape, 21, 'N',
                       &unchanged, false}),
    [](const testing::TestParamInfo<CaptureKeyCase>& info) { return info.param.name; });

TEST(CaptureKeys, F11CapturedForAKeySlotIsSavedAs7AAfterARefusedF5) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::controls, nothing);
    InputScript script(settings.fixture, app);
    script.focusOn(bindingSlotId(0, 0, 5));
    script.key(vk::enter);
    EXPECT_EQ(app.statusLine(), L"Press a key for P1 BLOCK. Esc cancels.");

    script.key(vk::f5);
    EXPECT_EQ(app.statusLine(), refused);
    EXPECT_EQ(AppProbe::captureId(app), bindingSlotId(0, 0, 5));
    script.key(vk::f11);
    EXPECT_EQ(app.statusLine(), keySet);
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_FALSE(app.fullscreen());

    script.focusOn(settingsSaveControlId);
    script.key(vk::enter);
    qxlauncher::ControlBindings expected;
    expected.keyCodes[5] = 0x7A;
    EXPECT_EQ(testsupport::readFile(settings.fixture.root() / apptest::controlsConfigFile),
              "Controls=" + qxlauncher::formatControls(expected) + "\r\n");
    // The capture is over: F11 is fullscreen again.
    script.key(vk::f11);
    EXPECT_TRUE(app.fullscreen());
}

// A tab change ends a running capture, so the next key or button on the new tab is not taken
// as the binding.
struct TabChangeCase {
    const char* name;
    int captureId;
    std::function<void(InputScript&)> change;
    SettingsTab tab;
};

void PrintTo(const TabChangeCase& c, std::ostream* out) {
    *out << c.name;
}

class CaptureAndTabChange : public testing::TestWithParam<TabChangeCase> {};

TEST_P(CaptureAndTabChange, EndsTheCapture) {
    const TabChangeCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::controls, nothing);
    InputScript script(settings.fixture, app);
    script.focusOn(c.captureId);
    script.key(vk::enter);
    ASSERT_EQ(AppProbe::captureId(app), c.captureId);
    const qxlauncher::ControlBindings before = app.editBindings();

    c.change(script);
    EXPECT_EQ(app.settingsTab(), c.tab);
    EXPECT_EQ(AppProbe::captureId(app), -1);
    // The capture's prompt goes with it.
    EXPECT_EQ(app.statusLine(), L"");
    script.key(vk::down);
    EXPECT_EQ(app.focusPosition(), 1);
    EXPECT_EQ(app.editBindings(), before);
    EXPECT_EQ(app.statusLine(), L"");
}

INSTANTIATE_TEST_SUITE_P(
    Table, CaptureAndTabChange,
    testing::Values(TabChangeCase{"AClickOnVideo", bindingSlotId(0, 0, 0),
                                  [](InputScript& script) { script.click(firstTabControlId); },
                                  SettingsTab::video},
                    TabChangeCase{"AClickOnLauncherDuringAButtonCapture", bindingSlotId(1, 1, 4),
                                  [](InputScript& script) { script.click(firstTabControlId + 3); },
                                  SettingsTab::launcher},
                    TabChangeCase{"RbOnThePad", bindingSlotId(0, 0, 0),
                                  [](InputScript& script) {
                                      script.connectPad();
                                      script.hold(qxlauncher::PadButton::rightShoulder);
                                      script.poll();
                                      script.releaseAll();
                                      script.poll();
                                  },
                                  SettingsTab::video}),
    [](const testing::TestParamInfo<TabChangeCase>& info) { return info.param.name; });

// --- Keys of every page ---

TEST(Keys, F11SwitchesFullscreenBothWays) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::overview);
    InputScript script(scene.fixture, app);
    script.key(vk::f11);
    EXPECT_TRUE(app.fullscreen());
    script.key(vk::f11);
    EXPECT_FALSE(app.fullscreen());
    EXPECT_EQ(script.window.calls, (std::vector<std::string>{"fullscreen", "windowed"}));
    EXPECT_TRUE(app.inputSeen());
}

TEST(Keys, EscInFullscreenWithSettingsOpenOnlyLeavesFullscreen) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    InputScript script(settings.fixture, app);
    app.setFullscreen(true);

    script.key(vk::escape);
    EXPECT_FALSE(app.fullscreen());
    EXPECT_TRUE(app.settingsOpen());
    EXPECT_EQ(script.window.calls, (std::vector<std::string>{"fullscreen", "windowed"}));
    const std::vector<std::string> events = settings.fixture.uiEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), "fullscreen-exit-escape"), 1);

    // Then Esc closes Settings as BACK does, and then the launcher.
    AppProbe::stageStatus(app, L"Launcher preferences saved.");
    script.key(vk::escape);
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(app.statusLine(), L"");
    EXPECT_EQ(script.window.calls.back(), "windowed");
    script.key(vk::escape);
    EXPECT_EQ(script.window.calls.back(), "destroy");
}

TEST(Keys, EscWithNothingElseToLeaveClosesTheLauncher) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::build);
    InputScript script(scene.fixture, app);
    script.key(vk::escape);
    EXPECT_EQ(script.window.calls, (std::vector<std::string>{"destroy"}));
}

TEST(Keys, EscWhileAGameRunsAsksTheGameToCloseFirst) {
    PageScene scene;
    App& app = scene.start(PageState::gameRunning, NavSection::play);
    InputScript script(scene.fixture, app);
    script.key(vk::escape);
    EXPECT_TRUE(app.closing());
    EXPECT_EQ(app.statusLine(), L"Closing the game and saving the profile...");
    EXPECT_EQ(script.window.calls, (std::vector<std::string>{"restore"}));
}

// PgUp and PgDn, and the pad's LB and RB outside Settings.
struct CycleCase {
    const char* name;
    PageState state;
    NavSection section;
    bool settingsOpen;
    int key;                  // or 0, and
    std::uint16_t padButtons; // pressed on an armed pad
    NavSection to;
    bool settingsAfter;
};

class SectionCycle : public testing::TestWithParam<CycleCase> {};

TEST_P(SectionCycle, StepsRoundTheSidebarPassingOverAnUnavailableSettings) {
    const CycleCase& c = GetParam();
    PageScene scene;
    App& app = scene.start(c.state, c.section);
    if (c.settingsOpen) {
        app.openSettings();
        ASSERT_TRUE(app.settingsOpen());
    }
    InputScript script(scene.fixture, app);
    if (c.key != 0) {
        script.key(c.key);
    } else {
        script.connectPad();
        script.hold(c.padButtons);
        script.poll();
    }
    EXPECT_EQ(app.section(), c.to);
    EXPECT_EQ(app.settingsOpen(), c.settingsAfter);
}

constexpr std::uint16_t lb = qxlauncher::PadButton::leftShoulder;
constexpr std::uint16_t rb = qxlauncher::PadButton::rightShoulder;

INSTANTIATE_TEST_SUITE_P(
    Table, SectionCycle,
    testing::Values(CycleCase{"PageDownOnPlayWhileAGameRunsSkipsSettings", PageState::gameRunning,
                              NavSection::play, false, vk::pageDown, 0, NavSection::legal, false},
                    CycleCase{"PageUpFromLegalWhileClosingSkipsSettings", PageState::closing,
                              NavSection::legal, false, vk::pageUp, 0, NavSection::play, false},
                    CycleCase{"PageDownOnPlayOpensSettings", PageState::gameLoaded,
                              NavSection::play, false, vk::pageDown, 0, NavSection::play, true},
                    CycleCase{"PageDownFromSettingsToLegal", PageState::gameLoaded,
                              NavSection::play, true, vk::pageDown, 0, NavSection::legal, false},
                    CycleCase{"PageUpFromSettingsToPlay", PageState::noGameBuilt, NavSection::build,
                              true, vk::pageUp, 0, NavSection::play, false},
                    CycleCase{"PageUpFromOverviewWrapsToLegal", PageState::noGameBuilt,
                              NavSection::overview, false, vk::pageUp, 0, NavSection::legal, false},
                    CycleCase{"PageDownFromLegalWrapsToOverview", PageState::noGameBuilt,
                              NavSection::legal, false, vk::pageDown, 0, NavSection::overview,
                              false},
                    CycleCase{"PageDownFromRomSetupToBuild", PageState::noGameBuilt,
                              NavSection::romSetup, false, vk::pageDown, 0, NavSection::build,
                              false},
                    CycleCase{"RbOnPlayWhileAGameRunsSkipsSettings", PageState::gameRunning,
                              NavSection::play, false, 0, rb, NavSection::legal, false},
                    CycleCase{"RbOnPlayOpensSettings", PageState::gameLoaded, NavSection::play,
                              false, 0, rb, NavSection::play, true},
                    CycleCase{"LbFromOverviewWraps", PageState::noGameBuilt, NavSection::overview,
                              false, 0, lb, NavSection::legal, false},
                    CycleCase{"RbWinsOverLb", PageState::noGameBuilt, NavSection::romSetup, false,
                              0, lb | rb, NavSection::build, false}),
    [](const testing::TestParamInfo<CycleCase>& info) { return info.param.name; });

TEST(Keys, EnterAndSpaceActOnTheFocusedControl) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);
    testsupport::writeFile(scene.fixture.root() / "LICENSE", "licence\n");
    script.focusOn(documentControlId(2));
    script.key(vk::enter);
    EXPECT_EQ(scene.fixture.desktop->opened,
              (std::vector<std::filesystem::path>{scene.fixture.root() / "LICENSE"}));
    script.focusOn(documentControlId(0));
    script.key(vk::space);
    EXPECT_EQ(app.statusLine(), L"Not found: DISCLAIMER.md");
}

TEST(Keys, TabMovesTheFocusOnAndRoundTheList) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);
    ASSERT_EQ(app.focusOrder().size(), 4u);
    std::vector<int> positions;
    for (int i = 0; i < 5; ++i) {
        script.key(vk::tab);
        positions.push_back(app.focusPosition());
    }
    EXPECT_EQ(positions, (std::vector{1, 2, 3, 0, 1}));
}

// --- The Settings page ---

TEST(SettingsKeys, UpAndDownMoveRoundTheFocusList) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    InputScript script(settings.fixture, app);
    // LAUNCHER: 202, 203, 204, 206, 230, 281, 282, then SAVE, RESTORE DEFAULTS, BACK.
    ASSERT_EQ(app.focusOrder().size(), 10u);
    script.key(vk::up);
    EXPECT_EQ(app.focusPosition(), 9);
    script.key(vk::down);
    script.key(vk::down);
    EXPECT_EQ(app.focusPosition(), 1);
}

TEST(SettingsKeys, AFocusBeyondTheListIsClampedFirst) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    InputScript script(settings.fixture, app);
    AppProbe::stageFocusPosition(app, 40);
    script.key('9');
    EXPECT_EQ(app.focusPosition(), 9);
    AppProbe::stageFocusPosition(app, -3);
    script.key('Q');
    EXPECT_EQ(app.focusPosition(), 0);
}

struct SliderKeyCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    int id;
    std::function<std::int32_t&(App&)> level;
    std::int32_t from;
    int key;
    std::int32_t to;
};

std::int32_t& menuVolume(App& app) {
    return AppProbe::editedPreferences(app).Volume;
}

std::int32_t& gameVolume(App& app) {
    return AppProbe::editConfig(app).GameVolume;
}

std::int32_t& scaleFxStrength(App& app) {
    return AppProbe::editConfig(app).original.scalefxamount;
}

void effectsShown(App& app) {
    AppProbe::editConfig(app).VideoEffects = true;
    AppProbe::editConfig(app).original.scalefx = true;
}

class SliderKey : public testing::TestWithParam<SliderKeyCase> {};

TEST_P(SliderKey, MovesTheLevelByFiveWithinItsRange) {
    const SliderKeyCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    InputScript script(settings.fixture, app);
    script.focusOn(c.id);
    c.level(app) = c.from;
    script.key(c.key);
    EXPECT_EQ(c.level(app), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SliderKey,
    testing::Values(SliderKeyCase{"MenuVolumeDown", noGame, SettingsTab::launcher, nothing,
                                  menuVolumeControlId, menuVolume, 50, vk::left, 45},
                    SliderKeyCase{"MenuVolumeStopsAtZero", noGame, SettingsTab::launcher, nothing,
                                  menuVolumeControlId, menuVolume, 3, vk::left, 0},
                    SliderKeyCase{"MenuVolumeStopsAtAHundred", noGame, SettingsTab::launcher,
                                  nothing, menuVolumeControlId, menuVolume, 98, vk::right, 100},
                    SliderKeyCase{"GameVolumeDown", firstGame, SettingsTab::utilities, nothing,
                                  gameVolumeControlId, gameVolume, 100, vk::left, 95},
                    SliderKeyCase{"GameVolumeUp", firstGame, SettingsTab::utilities, nothing,
                                  gameVolumeControlId, gameVolume, 40, vk::right, 45},
                    SliderKeyCase{"ScaleFxStrengthDown", firstGame, SettingsTab::video,
                                  effectsShown, scalefxStrengthControlId, scaleFxStrength, 100,
                                  vk::left, 95},
                    SliderKeyCase{"SpaceLeavesTheLevel", noGame, SettingsTab::launcher, nothing,
                                  menuVolumeControlId, menuVolume, 50, vk::space, 50}),
    [](const testing::TestParamInfo<SliderKeyCase>& info) { return info.param.name; });

TEST(SettingsKeys, BothArrowsStepASteppingControlForward) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    InputScript script(settings.fixture, app);
    script.focusOn(202); // LAUNCHER FPS LIMIT, 60 at first
    script.key(vk::right);
    EXPECT_EQ(app.editedPreferences().FPS, 120);
    script.key(vk::left);
    EXPECT_EQ(app.editedPreferences().FPS, 240);
    script.key(vk::enter);
    EXPECT_EQ(app.editedPreferences().FPS, 30);
    // The mute switch is no stepping control: the arrows leave it.
    script.focusOn(282);
    script.key(vk::left);
    EXPECT_FALSE(app.editedPreferences().Muted);
    script.key(vk::space);
    EXPECT_TRUE(app.editedPreferences().Muted);
}

TEST(SettingsKeys, TheArrowsStepTheFocusedOperatorAdjustment) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::adjustments, nothing);
    ASSERT_TRUE(app.backend().adjustmentsAvailable());
    InputScript script(settings.fixture, app);
    script.focusOn(260);
    AppProbe::editAdjustments(app).difficulty = 5;
    script.key(vk::right);
    EXPECT_EQ(app.editAdjustments().difficulty, 1);
    script.key(vk::left);
    script.key(vk::left);
    EXPECT_EQ(app.editAdjustments().difficulty, 4);
}

struct DigitCase {
    const char* name;
    SettingsSetup setup;
    int key;
    SettingsTab tab;
    bool taken;
};

class DigitKey : public testing::TestWithParam<DigitCase> {};

TEST_P(DigitKey, ChoosesAnAvailableTabFromTheTop) {
    const DigitCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup);
    InputScript script(settings.fixture, app);
    AppProbe::stageFocusPosition(app, 2);
    script.key(c.key);
    EXPECT_EQ(app.settingsTab(), c.tab);
    EXPECT_EQ(app.focusPosition(), c.taken ? 0 : 2);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DigitKey,
    testing::Values(DigitCase{"VideoNeedsTheGame", noGame, '1', SettingsTab::launcher, false},
                    DigitCase{"AdjustmentsNeedTheGame", noGame, '5', SettingsTab::launcher, false},
                    DigitCase{"LauncherWithoutAGame", noGame, '4', SettingsTab::launcher, true},
                    DigitCase{"ControlsWithoutAGame", noGame, '7', SettingsTab::controls, true},
                    DigitCase{"VideoWithTheGame", firstGame, '1', SettingsTab::video, true},
                    DigitCase{"UtilitiesWithTheGame", firstGame, '6', SettingsTab::utilities, true},
                    DigitCase{"EightIsNoTab", firstGame, '8', SettingsTab::video, false},
                    DigitCase{"ZeroIsNoTab", firstGame, '0', SettingsTab::video, false}),
    [](const testing::TestParamInfo<DigitCase>& info) { return info.param.name; });

TEST(SettingsKeys, ATabDigitDropsThePendingRankingReset) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::utilities,
                             [](App& a) { AppProbe::stageRankingResetPending(a, true); });
    InputScript script(settings.fixture, app);
    script.key('6');
    EXPECT_FALSE(AppProbe::rankingResetPending(app));
    EXPECT_EQ(app.settingsTab(), SettingsTab::utilities);
}

// --- The Play page and the other sections ---

struct FocusKeyCase {
    const char* name;
    int loadedGame; // -1: none
    int from;
    int key;
    int to;
};

class PlayKey : public testing::TestWithParam<FocusKeyCase> {};

TEST_P(PlayKey, MovesBetweenTheCabinetsPlayAndSettings) {
    const FocusKeyCase& c = GetParam();
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::play);
    if (c.loadedGame >= 0) {
        app.selectGame(c.loadedGame);
        ASSERT_EQ(app.loadedGame(), c.loadedGame);
    }
    InputScript script(scene.fixture, app);
    AppProbe::stageFocusPosition(app, c.from);
    script.key(c.key);
    EXPECT_EQ(app.focusPosition(), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PlayKey,
    testing::Values(FocusKeyCase{"LeftFromTheFirstCabinetWraps", 1, 0, vk::left, 2},
                    FocusKeyCase{"RightFromTheLastCabinetWraps", 1, 2, vk::right, 0},
                    FocusKeyCase{"RightToTheNextCabinet", 1, 1, vk::right, 2},
                    FocusKeyCase{"LeftFromPlayToSettings", 1, 3, vk::left, 4},
                    FocusKeyCase{"RightFromSettingsToPlay", 1, 4, vk::right, 3},
                    FocusKeyCase{"UpFromACabinetToSettings", 1, 0, vk::up, 4},
                    FocusKeyCase{"UpFromPlayToTheLoadedCabinet", 1, 3, vk::up, 1},
                    FocusKeyCase{"UpFromSettingsToTheLoadedCabinet", 2, 4, vk::up, 2},
                    // Without a loaded game PLAY is not drawn and no stop: SETTINGS is 3.
                    FocusKeyCase{"UpWithoutALoadedGameToTheFirst", -1, 3, vk::up, 0},
                    FocusKeyCase{"DownWithoutALoadedGameToSettings", -1, 2, vk::down, 3},
                    FocusKeyCase{"DownFromSettingsWithoutALoadedGameStays", -1, 3, vk::down, 3},
                    FocusKeyCase{"RightFromSettingsWithoutALoadedGameStays", -1, 3, vk::right, 3},
                    FocusKeyCase{"DownFromPlayToSettings", 1, 3, vk::down, 4},
                    FocusKeyCase{"DownFromSettingsToPlay", 1, 4, vk::down, 3},
                    FocusKeyCase{"DownFromACabinetToPlay", 1, 2, vk::down, 3}),
    [](const testing::TestParamInfo<FocusKeyCase>& info) { return info.param.name; });

class SectionKey : public testing::TestWithParam<FocusKeyCase> {};

TEST_P(SectionKey, MovesRoundTheEnabledControlsAfterClamping) {
    const FocusKeyCase& c = GetParam();
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::legal);
    InputScript script(scene.fixture, app);
    AppProbe::stageFocusPosition(app, c.from);
    script.key(c.key);
    EXPECT_EQ(app.focusPosition(), c.to);
}

// The Legal page's four controls: the checkbox and the three documents.
INSTANTIATE_TEST_SUITE_P(Table, SectionKey,
                         testing::Values(FocusKeyCase{"LeftWraps", -1, 0, vk::left, 3},
                                         FocusKeyCase{"UpWraps", -1, 0, vk::up, 3},
                                         FocusKeyCase{"RightWraps", -1, 3, vk::right, 0},
                                         FocusKeyCase{"DownToTheNext", -1, 1, vk::down, 2},
                                         FocusKeyCase{"ClampedThenNext", -1, 9, vk::right, 0},
                                         FocusKeyCase{"ClampedThenPrevious", -1, 9, vk::left, 2},
                                         FocusKeyCase{"ClampedByAnyKey", -1, 9, 'Q', 3}),
                         [](const testing::TestParamInfo<FocusKeyCase>& info) {
                             return info.param.name;
                         });

TEST(Keys, OnPlayEnterChoosesTheFocusedCabinetAndLOpensItsLogFolder) {
    PageScene scene;
    App& app = scene.start(PageState::noGameBuilt, NavSection::play);
    InputScript script(scene.fixture, app);
    AppProbe::stageFocusPosition(app, 2);
    script.key(vk::enter);
    EXPECT_EQ(app.selectedGame(), 2);
    EXPECT_EQ(app.statusLine(), L"Game unavailable: build it on the Build page first.");
    script.key('L');
    EXPECT_EQ(scene.fixture.desktop->opened,
              (std::vector<std::filesystem::path>{scene.fixture.root() / "logs/qx3-native"}));
}

TEST(Keys, SOpensSettingsFromPlayAndTheOtherSections) {
    for (const NavSection section : {NavSection::play, NavSection::build}) {
        PageScene scene;
        App& app = scene.start(PageState::noGameBuilt, section);
        InputScript script(scene.fixture, app);
        script.key('S');
        EXPECT_TRUE(app.settingsOpen());
        EXPECT_EQ(app.settingsTab(), SettingsTab::launcher);
    }
}

} // namespace
} // namespace lumenark
