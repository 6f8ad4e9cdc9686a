// The control dispatcher on the Settings page: every control of every tab, activated in a state
// that enables it, with its effect on the editing copies, the tab, the status line and the
// desktop; the steps of the cycling controls; and disabled regions that swallow their ids.
#include "app/control_ids.h"
#include "app/input/held_buttons.h"
#include "app/input/setting_steps.h"
#include "backend/preferences/control_bindings.h"
#include "platform/text.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace lumenark {
namespace {

using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup firstGame{0, true, false, 1536.0f};
const SettingsSetup secondGame{1, false, false, 1536.0f};
const SettingsSetup thirdGame{2, false, false, 1536.0f};
const SettingsSetup noGame{-1, false, false, 1536.0f};

qxlauncher::Config& config(App& app) {
    return AppProbe::editConfig(app);
}

qxlauncher::VideoSettings& profile(App& app) {
    return app.editedRemastered() ? config(app).remastered : config(app).original;
}

// --- The steps of the cycling controls ------------------------------------------------------

// The values a control passes through from a start, until it is back there.
std::vector<std::int32_t> cycle(std::int32_t start, std::int32_t (*next)(std::int32_t)) {
    std::vector<std::int32_t> values{start};
    for (std::int32_t value = next(start); value != start && values.size() < 20;
         value = next(value)) {
        values.push_back(value);
    }
    return values;
}

TEST(SettingSteps, CycleThroughTheirValues) {
    using V = std::vector<std::int32_t>;
    EXPECT_EQ(cycle(0, nextPaperWhite), (V{0, 80, 120, 160, 200, 240, 280, 320, 400, 480}));
    EXPECT_EQ(cycle(0, nextPeakBrightness), (V{0, 400, 600, 800, 1000, 1500, 2000, 4000}));
    EXPECT_EQ(cycle(0, nextHighlights), (V{0, 25, 50, 75, 100}));
    EXPECT_EQ(cycle(0, nextLevel), (V{0, 25, 50, 75, 100}));
    EXPECT_EQ(cycle(80, nextBrightness), (V{80, 90, 100, 110, 120}));
    EXPECT_EQ(cycle(30, nextLauncherFps), (V{30, 60, 120, 240}));
    EXPECT_EQ(cycle(1, nextAudioLatency), (V{1, 2}));
}

struct StepCase {
    const char* name;
    std::int32_t (*next)(std::int32_t);
    std::int32_t from;
    std::int32_t to;
};

class SettingStepsFrom : public testing::TestWithParam<StepCase> {};

TEST_P(SettingStepsFrom, StayInRange) {
    EXPECT_EQ(GetParam().next(GetParam().from), GetParam().to);
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, SettingStepsFrom,
    testing::Values(
        // Stored values between the steps stop at the highest the preferences keep.
        StepCase{"PaperWhite410", nextPaperWhite, 410, 480},
        StepCase{"PaperWhite479", nextPaperWhite, 479, 480},
        StepCase{"PaperWhite480", nextPaperWhite, 480, 0},
        StepCase{"PaperWhite300", nextPaperWhite, 300, 340},
        StepCase{"Highlights90", nextHighlights, 90, 100},
        StepCase{"Highlights100", nextHighlights, 100, 0}, StepCase{"Cas90", nextLevel, 90, 100},
        StepCase{"Cas99", nextLevel, 99, 100}, StepCase{"Peak2500", nextPeakBrightness, 2500, 4000},
        StepCase{"Peak4000", nextPeakBrightness, 4000, 0},
        StepCase{"Peak10000", nextPeakBrightness, 10000, 0},
        StepCase{"Peak1200", nextPeakBrightness, 1200, 1700},
        StepCase{"FpsOther", nextLauncherFps, 100, 30},
        StepCase{"AudioQueueLow", nextAudioLatency, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SettingSteps, FollowWhatTheGameOffers) {
    EXPECT_EQ(nextScanlines(3, true), 4);
    EXPECT_EQ(nextScanlines(9, true), 0);
    EXPECT_EQ(nextScanlines(3, false), 0);
    EXPECT_EQ(nextFilter(1, true), 2);
    EXPECT_EQ(nextFilter(1, false), 0);
    EXPECT_EQ(nextGameSync(0, true), 1);
    EXPECT_EQ(nextGameSync(2, true), 0);
    EXPECT_EQ(nextGameSync(0, false), 2);
    EXPECT_EQ(nextGameSync(1, false), 0);
}

// --- Every control --------------------------------------------------------------------------

struct SettingsActivation {
    std::string name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    int id;
    std::function<void(SettingsFixture&, App&)> expect;
};

void PrintTo(const SettingsActivation& activation, std::ostream* out) {
    *out << activation.name;
}

void none(App&) {}

void effects(App& app) {
    config(app).VideoEffects = true;
}

void hdrPage(App& app) {
    AppProbe::stageDisplayHdrShown(app, true);
}

std::vector<SettingsActivation> videoAndDisplayRows() {
    using T = SettingsTab;
    std::vector<SettingsActivation> c;
    c.push_back({"EditionToRemastered", firstGame, T::video, none, 274, [](auto&, App& app) {
                     EXPECT_TRUE(app.editedRemastered());
                     EXPECT_TRUE(config(app).Remastered);
                 }});
    c.push_back({"EditionBackToOriginal", firstGame, T::display,
                 [](App& app) {
                     AppProbe::stageEditedRemastered(app, true);
                     config(app).Remastered = true;
                 },
                 274,
                 [](auto&, App& app) {
                     EXPECT_FALSE(app.editedRemastered());
                     EXPECT_FALSE(config(app).Remastered);
                 }});
    c.push_back({"EditionOfTheThirdGame", thirdGame, T::video, none, 274, [](auto&, App& app) {
                     EXPECT_TRUE(app.editedRemastered());
                     // Its edition is chosen on the cabinet.
                     EXPECT_FALSE(config(app).Remastered);
                 }});
    c.push_back({"VideoControls", firstGame, T::video, none, 275,
                 [](auto&, App& app) { EXPECT_TRUE(config(app).VideoEffects); }});
    c.push_back({"ImageScale", firstGame, T::video, [](App& app) { profile(app).scalemode = 5; },
                 276, [](auto&, App& app) { EXPECT_EQ(profile(app).scalemode, 0); }});
    c.push_back({"Filter", firstGame, T::video, [](App& app) { profile(app).filter = 2; }, 201,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).filter, 3); }});
    c.push_back({"FilterWithoutRemastered", secondGame, T::video,
                 [](App& app) { profile(app).filter = 1; }, 201,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).filter, 0); }});
    c.push_back({"Scanlines", firstGame, T::video, [](App& app) { profile(app).scanlines = 3; },
                 200, [](auto&, App& app) { EXPECT_EQ(profile(app).scanlines, 4); }});
    c.push_back({"ScanlinesWithoutRemastered", secondGame, T::video,
                 [](App& app) { profile(app).scanlines = 3; }, 200,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).scanlines, 0); }});
    c.push_back({"Colors", firstGame, T::video, [](App& app) { profile(app).color = 2; }, 207,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).color, 0); }});
    c.push_back({"Brightness", firstGame, T::video, [](App& app) { profile(app).brightness = 120; },
                 208, [](auto&, App& app) { EXPECT_EQ(profile(app).brightness, 80); }});
    c.push_back({"ScaleFx", firstGame, T::video, effects, 255,
                 [](auto&, App& app) { EXPECT_TRUE(profile(app).scalefx); }});
    c.push_back({"ScaleFxStrengthOnlyDrags", firstGame, T::video,
                 [](App& app) {
                     effects(app);
                     profile(app).scalefx = true;
                 },
                 256, [](auto&, App& app) { EXPECT_EQ(profile(app).scalefxamount, 100); }});
    c.push_back({"Cas", firstGame, T::video,
                 [](App& app) {
                     effects(app);
                     profile(app).cas = 90;
                 },
                 277, [](auto&, App& app) { EXPECT_EQ(profile(app).cas, 100); }});
    c.push_back({"Smaa", firstGame, T::video, effects, 278,
                 [](auto&, App& app) { EXPECT_TRUE(profile(app).smaa); }});
    c.push_back({"Bilateral", firstGame, T::video,
                 [](App& app) {
                     effects(app);
                     profile(app).bilateral = 100;
                 },
                 279, [](auto&, App& app) { EXPECT_EQ(profile(app).bilateral, 0); }});
    c.push_back({"DisplayControls", firstGame, T::display, none, 290,
                 [](auto&, App& app) { EXPECT_TRUE(AppProbe::displayHdrShown(app)); }});
    c.push_back({"GameSync", firstGame, T::display, [](App& app) { profile(app).sync = 2; }, 250,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).sync, 0); }});
    c.push_back({"GameSyncWithoutRemastered", secondGame, T::display,
                 [](App& app) { profile(app).sync = 0; }, 250,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).sync, 2); }});
    c.push_back({"HighRefresh", firstGame, T::display, none, 251,
                 [](auto&, App& app) { EXPECT_TRUE(profile(app).highrefresh); }});
    c.push_back({"TvFrameOfTheOriginal", firstGame, T::display, none, 209, [](auto&, App& app) {
                     EXPECT_FALSE(config(app).original.bezel);
                     EXPECT_TRUE(config(app).remastered.bezel);
                 }});
    c.push_back({"TvFrameOfTheOlderSecondGame", secondGame, T::display, none, 209,
                 [](auto&, App& app) { EXPECT_FALSE(profile(app).bezel); }});
    c.push_back({"GameFullscreen", firstGame, T::display, none, 280,
                 [](auto&, App& app) { EXPECT_FALSE(profile(app).fullscreen); }});
    c.push_back({"Hdr", firstGame, T::display, none, 291,
                 [](auto&, App& app) { EXPECT_EQ(profile(app).hdr, 0); }});
    c.push_back({"PaperWhiteFromAStored410", firstGame, T::display,
                 [](App& app) {
                     hdrPage(app);
                     profile(app).hdrpaperwhite = 410;
                 },
                 292, [](auto&, App& app) { EXPECT_EQ(profile(app).hdrpaperwhite, 480); }});
    c.push_back({"PeakBrightness", firstGame, T::display,
                 [](App& app) {
                     hdrPage(app);
                     profile(app).hdrpeak = 2500;
                 },
                 293, [](auto&, App& app) { EXPECT_EQ(profile(app).hdrpeak, 4000); }});
    c.push_back({"HighlightsFromAStored90", firstGame, T::display,
                 [](App& app) {
                     hdrPage(app);
                     AppProbe::stageEditedRemastered(app, true);
                     profile(app).hdrhighlights = 90;
                 },
                 294, [](auto&, App& app) { EXPECT_EQ(profile(app).hdrhighlights, 100); }});
    return c;
}

std::vector<SettingsActivation> otherRows() {
    using T = SettingsTab;
    std::vector<SettingsActivation> c;
    c.push_back({"DefaultGameVersion", firstGame, T::audio, none, 245, [](auto&, App& app) {
                     EXPECT_TRUE(config(app).Remastered);
                     EXPECT_TRUE(app.editedRemastered());
                 }});
    c.push_back({"AudioQueue", firstGame, T::audio, none, 205,
                 [](auto&, App& app) { EXPECT_EQ(config(app).AudioLatency, 2); }});
    c.push_back({"FpsLimit", noGame, T::launcher, none, 202,
                 [](auto&, App& app) { EXPECT_EQ(app.editedPreferences().FPS, 120); }});
    c.push_back({"LauncherVSync", noGame, T::launcher, none, 203,
                 [](auto&, App& app) { EXPECT_FALSE(app.editedPreferences().VSync); }});
    c.push_back({"ReduceMotion", noGame, T::launcher, none, 204,
                 [](auto&, App& app) { EXPECT_TRUE(app.editedPreferences().ReducedMotion); }});
    c.push_back({"LauncherFullscreen", noGame, T::launcher, none, 206, [](auto&, App& app) {
                     EXPECT_FALSE(app.editedPreferences().Fullscreen);
                     EXPECT_TRUE(app.appliedPreferences().Fullscreen);
                 }});
    c.push_back({"OpenLogs", noGame, T::launcher, none, 230, [](SettingsFixture& s, App&) {
                     EXPECT_EQ(s.fixture.desktop->opened, std::vector{s.fixture.root() / "logs"});
                 }});
    c.push_back({"MenuMusicVolumeOnlyDrags", noGame, T::launcher, none, 281,
                 [](auto&, App& app) { EXPECT_EQ(app.editedPreferences().Volume, 100); }});
    c.push_back({"Mute", noGame, T::launcher, none, 282,
                 [](auto&, App& app) { EXPECT_TRUE(app.editedPreferences().Muted); }});
    c.push_back({"Difficulty", firstGame, T::adjustments, none, 260,
                 [](auto&, App& app) { EXPECT_EQ(app.editAdjustments().difficulty, 5); }});
    c.push_back({"Coinage", firstGame, T::adjustments, none, 261, [](auto&, App& app) {
                     // The first game's coinage starts from the first preset.
                     EXPECT_EQ(app.editAdjustments().coinagePreset, 2);
                     EXPECT_TRUE(config(app).CmosCoinage);
                 }});
    c.push_back({"FreePlay", firstGame, T::adjustments, none, 262,
                 [](auto&, App& app) { EXPECT_TRUE(app.editAdjustments().freePlay); }});
    c.push_back({"Blood", firstGame, T::adjustments, none, 263,
                 [](auto&, App& app) { EXPECT_FALSE(config(app).Blood); }});
    c.push_back({"Violence", firstGame, T::adjustments, none, 264,
                 [](auto&, App& app) { EXPECT_FALSE(config(app).Violence); }});
    c.push_back({"GameVolumeOnlyDrags", firstGame, T::utilities, none, 270,
                 [](auto&, App& app) { EXPECT_EQ(config(app).GameVolume, 100); }});
    c.push_back({"ResetRanking", firstGame, T::utilities, none, 271, [](auto&, App& app) {
                     EXPECT_TRUE(AppProbe::rankingResetPending(app));
                     EXPECT_EQ(app.statusLine(),
                               L"Reset the saved ranking? This is immediate and cannot be undone.");
                 }});
    c.push_back({"ConfirmRankingReset", firstGame, T::utilities,
                 [](App& app) { AppProbe::stageRankingResetPending(app, true); }, 272,
                 [](auto&, App& app) {
                     EXPECT_FALSE(AppProbe::rankingResetPending(app));
                     EXPECT_EQ(app.statusLine(), L"Ranking reset by the arcade's own routine.");
                 }});
    c.push_back({"CancelRankingReset", firstGame, T::utilities,
                 [](App& app) {
                     AppProbe::stageRankingResetPending(app, true);
                     AppProbe::stageStatus(app, L"staged");
                 },
                 273,
                 [](auto&, App& app) {
                     EXPECT_FALSE(AppProbe::rankingResetPending(app));
                     EXPECT_EQ(app.statusLine(), L"");
                 }});
    c.push_back({"OppositeDirections", noGame, T::controls, none, 390,
                 [](auto&, App& app) { EXPECT_EQ(app.editBindings().socd, 1u); }});
    c.push_back({"RunAhead", noGame, T::controls, none, 391,
                 [](auto&, App& app) { EXPECT_EQ(app.editBindings().runAhead, 1u); }});
    c.push_back({"TrainingMode", noGame, T::controls,
                 [](App& app) { AppProbe::editBindings(app).trainingMode = 1; }, 392,
                 [](auto&, App& app) { EXPECT_EQ(app.editBindings().trainingMode, 0u); }});
    c.push_back({"Save", noGame, T::launcher, none, settingsSaveControlId, [](auto&, App& app) {
                     EXPECT_EQ(app.statusLine(), L"Launcher preferences saved.");
                 }});
    c.push_back({"RestoreDefaults", noGame, T::launcher,
                 [](App& app) { AppProbe::editedPreferences(app).FPS = 240; },
                 restoreDefaultsControlId,
                 [](auto&, App& app) {
                     EXPECT_EQ(app.editedPreferences().FPS, 60);
                     EXPECT_EQ(app.statusLine(),
                               L"Launcher defaults restored on screen. Use SAVE to apply.");
                 }});
    c.push_back({"Back", noGame, T::controls, none, settingsBackControlId,
                 [](auto&, App& app) { EXPECT_FALSE(app.settingsOpen()); }});
    return c;
}

std::vector<SettingsActivation> tabsAndBindings() {
    std::vector<SettingsActivation> c;
    for (int tab = 0; tab < settingsTabCount; ++tab) {
        c.push_back({"Tab" + std::to_string(tab), firstGame, SettingsTab::launcher,
                     [](App& app) { AppProbe::stageRankingResetPending(app, true); },
                     firstTabControlId + tab,
                     [tab](auto&, App& app) {
                         EXPECT_EQ(app.settingsTab(), static_cast<SettingsTab>(tab));
                         EXPECT_FALSE(AppProbe::rankingResetPending(app));
                         EXPECT_EQ(app.focusPosition(), 0);
                     }});
    }
    for (const int id : bindingSlotIds()) {
        c.push_back({"Binding" + std::to_string(id), noGame, SettingsTab::controls, none, id,
                     [id](auto&, App& app) {
                         const BindingSlot slot = bindingSlotOf(id);
                         EXPECT_EQ(AppProbe::captureId(app), id);
                         EXPECT_EQ(app.statusLine(),
                                   std::wstring(L"Press ") +
                                       (slot.kind == 0 ? L"a key" : L"a controller button") +
                                       L" for P" + std::to_wstring(slot.player + 1) + L" " +
                                       platform::wideFromUtf8(qxlauncher::controlSlotNames.at(
                                           static_cast<std::size_t>(slot.slot))) +
                                       L". Esc cancels.");
                     }});
    }
    return c;
}

std::vector<SettingsActivation> allSettingsActivations() {
    std::vector<SettingsActivation> all;
    for (auto part : {videoAndDisplayRows(), otherRows(), tabsAndBindings()}) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

class SettingsControlActivation : public testing::TestWithParam<SettingsActivation> {};

TEST_P(SettingsControlActivation, HasItsEffect) {
    const SettingsActivation& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    app.layoutHitRegions();
    ASSERT_TRUE(apptest::hasRegion(app, c.id)) << "the tab does not show it";
    ASSERT_TRUE(apptest::regionOf(app, c.id).enabled) << "the state does not enable it";
    app.activate(c.id);
    c.expect(settings, app);
}

INSTANTIATE_TEST_SUITE_P(EverySettingsControl, SettingsControlActivation,
                         testing::ValuesIn(allSettingsActivations()),
                         [](const auto& info) { return info.param.name; });

// The states of the page that change which controls it enables.
struct PageVariant {
    const char* name;
    SettingsSetup setup;
    std::function<void(App&)> stage;
};

const std::vector<PageVariant> pageVariants{
    {"FirstGame", firstGame, none},
    {"FirstGameEffectsHdrRemastered", firstGame,
     [](App& app) {
         effects(app);
         hdrPage(app);
         profile(app).scalefx = true;
         AppProbe::stageEditedRemastered(app, true);
         AppProbe::stageRankingResetPending(app, true);
     }},
    {"FirstGameHdrOff", firstGame,
     [](App& app) {
         hdrPage(app);
         profile(app).hdr = 0;
     }},
    {"OlderSecondGame", secondGame, effects},
    {"ThirdGame", thirdGame, hdrPage},
    {"NoGame", noGame, none},
};

// The table covers every control that any tab enables in any of these states.
TEST(SettingsActivations, CoverEveryEnabledControl) {
    std::set<int> covered;
    for (const SettingsActivation& c : allSettingsActivations()) {
        covered.insert(c.id);
    }
    for (const PageVariant& variant : pageVariants) {
        for (int tab = 0; tab < settingsTabCount; ++tab) {
            SettingsFixture settings;
            App& app = settings.open(variant.setup, static_cast<SettingsTab>(tab), variant.stage);
            for (const SettingsControl& control : app.settingsControlList()) {
                if (control.enabled) {
                    EXPECT_TRUE(covered.contains(control.id))
                        << control.id << " on tab " << tab << " of " << variant.name;
                }
            }
        }
    }
}

class SettingsDisabledRegions : public testing::TestWithParam<PageVariant> {};

TEST_P(SettingsDisabledRegions, SwallowTheirIds) {
    int swallowed = 0;
    for (int tab = 0; tab < settingsTabCount; ++tab) {
        SettingsFixture settings;
        App& app = settings.open(GetParam().setup, static_cast<SettingsTab>(tab), GetParam().stage);
        app.layoutHitRegions();
        const std::vector<HitRegion> regions = app.hitRegions();
        for (const HitRegion& region : regions) {
            if (region.enabled) {
                continue;
            }
            const apptest::AppTrace before =
                apptest::traceOf(app, settings.fixture, settings.window());
            app.activate(region.id);
            EXPECT_EQ(apptest::traceOf(app, settings.fixture, settings.window()), before)
                << region.id << " on tab " << tab;
            ++swallowed;
        }
    }
    EXPECT_GT(swallowed, 0);
}

INSTANTIATE_TEST_SUITE_P(States, SettingsDisabledRegions, testing::ValuesIn(pageVariants),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Rules beyond one click -----------------------------------------------------------------

TEST(SettingsTabs, ThatNeedTheGameDoNothingWithoutIt) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    ASSERT_EQ(app.settingsTab(), SettingsTab::launcher);
    for (const int tab : {0, 1, 2, 4, 5}) {
        // By a hot key or the controller, past the disabled region.
        app.activate(firstTabControlId + tab);
        EXPECT_EQ(app.settingsTab(), SettingsTab::launcher) << tab;
    }
    app.activate(firstTabControlId + 6);
    EXPECT_EQ(app.settingsTab(), SettingsTab::controls);
}

TEST(SettingsTabs, DoNothingWithSettingsClosed) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    app.activate(settingsBackControlId);
    app.activate(firstTabControlId + 6);
    EXPECT_NE(app.settingsTab(), SettingsTab::controls);
    EXPECT_FALSE(app.settingsOpen());
}

TEST(ScreenOfTheRemasteredProfile, StepsTvFrameFourThreeWidescreen) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::display,
                             [](App& a) { AppProbe::stageEditedRemastered(a, true); });
    const qxlauncher::VideoSettings& screen = app.editConfig().remastered;
    ASSERT_TRUE(screen.bezel);
    ASSERT_FALSE(screen.widescreen);
    const std::vector<std::pair<bool, bool>> expected{{false, false}, {false, true}, {true, false}};
    for (const auto& [bezel, widescreen] : expected) {
        app.activate(209);
        EXPECT_EQ(screen.bezel, bezel);
        EXPECT_EQ(screen.widescreen, widescreen);
    }
    EXPECT_TRUE(app.editConfig().original.bezel);
}

TEST(EditionSelector, EndsADragOfTheScaleFxStrength) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::video, [](App& a) {
        effects(a);
        profile(a).scalefx = true;
    });
    AppProbe::stagePressed(app, 256);
    settings.window().captured = true;
    app.activate(274);
    EXPECT_EQ(app.pressedControl(), -1);
    EXPECT_FALSE(settings.window().captured);
    EXPECT_EQ(settings.window().calls, std::vector<std::string>{"release"});
    EXPECT_TRUE(app.editedRemastered());

    // Another pressed control is left alone.
    AppProbe::stagePressed(app, 210);
    app.activate(275);
    EXPECT_EQ(app.pressedControl(), 210);
}

TEST(BindingCapture, TakesTheHeldControllerButtonsAsItsBaseline) {
    SettingsFixture settings;
    App& app = settings.open(noGame, SettingsTab::controls, none);
    platform::ControllerState first;
    first.buttons = 0x1000;
    first.rightTrigger = 200;
    platform::ControllerState unplugged;
    unplugged.buttons = 0x8000;
    platform::ControllerState third;
    third.buttons = 0x0010;
    third.leftTrigger = 127;
    AppProbe::stageControllerState(app, 0, first);
    AppProbe::stageControllerConnected(app, 0, true);
    AppProbe::stageControllerState(app, 1, unplugged);
    AppProbe::stageControllerState(app, 2, third);
    AppProbe::stageControllerConnected(app, 2, true);
    app.activate(bindingSlotId(1, 1, 8));
    EXPECT_EQ(AppProbe::captureBaseline(app), 0x1000u | 0x20000u | 0x0010u);
    EXPECT_EQ(app.statusLine(), L"Press a controller button for P2 LOW KICK. Esc cancels.");
}

TEST(BindingCapture, AnIdOfNoSlotDoesNothing) {
    SettingsFixture settings;
    App& app = settings.open(noGame, SettingsTab::controls, none);
    app.activate(312);
    app.activate(bindingSlotId(0, 1, 2)); // the controller's directions have no control
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.statusLine(), L"");
}

TEST(BindingCapture, StartsOnlyOnTheControlsTab) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    app.activate(bindingSlotId(0, 0, 0));
    EXPECT_EQ(AppProbe::captureId(app), -1);
}

TEST(HeldPadButtons, CountConnectedSlotsTriggersAndHidPads) {
    std::array<platform::ControllerState, 4> states{};
    states[0].buttons = 0x0001;
    states[0].leftTrigger = 128;
    states[1].buttons = 0x0002; // not connected
    states[3].rightTrigger = 255;
    const std::array<bool, 4> connected{true, false, false, true};
    const std::vector<HidPadState> hid{0x0000000F00040000ull, 0x0000000000000100ull};
    EXPECT_EQ(heldPadButtons(states, connected, hid),
              0x0001u | 0x10000u | 0x20000u | 0x40000u | 0x0100u);
    EXPECT_EQ(heldPadButtons(states, std::array<bool, 4>{}, {}), 0u);
}

TEST(RankingReset, NeedsItsQuestionAndTheUtilitiesTab) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::utilities, none);
    const apptest::FileTree before = apptest::filesUnder(settings.fixture.root());
    // CONFIRM without the question: its region is not there, and the dispatcher refuses it.
    app.activate(272);
    EXPECT_EQ(app.statusLine(), L"");
    AppProbe::stageRankingResetPending(app, true);
    AppProbe::stageSettingsTab(app, SettingsTab::adjustments);
    app.activate(272);
    EXPECT_EQ(app.statusLine(), L"");
    app.activate(271);
    EXPECT_EQ(app.statusLine(), L"");
    EXPECT_EQ(apptest::filesUnder(settings.fixture.root()), before);
}

TEST(RankingReset, WithoutAdjustmentsIsNotAsked) {
    SettingsFixture settings;
    App& app = settings.open(thirdGame, SettingsTab::utilities, none);
    app.activate(271);
    EXPECT_FALSE(AppProbe::rankingResetPending(app));
}

TEST(AdjustmentSteps, ActOnlyOnTheirTab) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::audio, none);
    app.activate(260);
    app.activate(263);
    EXPECT_EQ(app.editAdjustments().difficulty, 4);
    EXPECT_TRUE(app.editConfig().Blood);
}

TEST(MuteSwitch, ActsOnlyOnTheLauncherTab) {
    SettingsFixture settings;
    App& app = settings.open(noGame, SettingsTab::controls, none);
    app.activate(282);
    EXPECT_FALSE(app.editedPreferences().Muted);
}

TEST(RemasteredRows, DoNothingWithoutTheRemasteredEdition) {
    SettingsFixture settings;
    App& app = settings.open(secondGame, SettingsTab::video, none);
    const apptest::AppTrace before = apptest::traceOf(app, settings.fixture, settings.window());
    // Hot keys and the controller reach them past their disabled regions.
    for (const int id : {251, 255, 274, 275, 276, 277, 278, 279, 280, 290, 291, 292, 293, 294}) {
        app.activate(id);
    }
    apptest::AppTrace after = apptest::traceOf(app, settings.fixture, settings.window());
    after.inputSeen = before.inputSeen;
    EXPECT_EQ(after, before);
}

} // namespace
} // namespace lumenark
