// The Settings page's direct edits: the enabled rule of its controls, dragging its three sliders
// and stepping the operator adjustments, on an App with Settings open.
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumenark {
namespace {

using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup firstGame{0, true, false, 1536.0f};
const SettingsSetup firstGameWithoutProfile{0, false, false, 1536.0f};
const SettingsSetup secondGame{1, false, false, 1536.0f};
const SettingsSetup secondGameNative{1, false, true, 1536.0f};
const SettingsSetup thirdGame{2, false, false, 1536.0f};

// --- The enabled rule ---

struct EnabledCase {
    const char* name;
    SettingsSetup setup;
    std::function<void(App&)> stage;
    int id;
    bool enabled;
};

void none(App&) {}

void scaleFxOn(App& app) {
    AppProbe::editConfig(app).original.scalefx = true;
}

void hdrOff(App& app) {
    AppProbe::editConfig(app).original.hdr = 0;
}

void remasteredProfile(App& app) {
    AppProbe::stageEditedRemastered(app, true);
}

const std::vector<EnabledCase> enabledCases{
    {"HighRefreshWithRemastered", firstGame, none, 251, true},
    {"HighRefreshWithoutRemastered", secondGame, none, 251, false},
    {"HighRefreshWithTheNativePackage", secondGameNative, none, 251, true},
    {"ProfileWithoutRemastered", secondGame, none, 274, false},
    {"ScaleFxWithoutRemastered", secondGame, none, 255, false},
    {"CasWithoutRemastered", secondGame, none, 277, false},
    {"GameFullscreenWithoutRemastered", secondGame, none, 280, false},
    {"DisplayControlsWithoutRemastered", secondGame, none, 290, false},
    {"HdrWithoutRemastered", secondGame, none, 291, false},
    {"StrengthWithScaleFxOff", firstGame, none, 256, false},
    {"StrengthWithScaleFxOn", firstGame, scaleFxOn, 256, true},
    {"StrengthWithoutRemastered", secondGame, scaleFxOn, 256, false},
    {"PaperWhiteWithHdrOn", firstGame, none, 292, true},
    {"PaperWhiteWithHdrOff", firstGame, hdrOff, 292, false},
    {"PeakWithHdrOff", firstGame, hdrOff, 293, false},
    {"HighlightsOnTheOriginalProfile", firstGame, none, 294, false},
    {"HighlightsOnTheRemasteredProfile", firstGame, remasteredProfile, 294, true},
    {"HighlightsWithHdrOff", firstGame,
     [](App& app) {
         remasteredProfile(app);
         AppProbe::editConfig(app).remastered.hdr = 0;
     },
     294, false},
    {"SyncAlways", secondGame, none, 250, true},
    {"ScreenAlways", secondGame, none, 209, true},
    {"ScanlinesAlways", secondGame, none, 200, true},
    {"SaveAlways", secondGame, none, 210, true},
};

class SettingsEnabled : public testing::TestWithParam<EnabledCase> {};

TEST_P(SettingsEnabled, FollowsRemasteredAndTheEditedProfile) {
    const EnabledCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup);
    ASSERT_TRUE(app.gameSettingsLoaded());
    c.stage(app);
    EXPECT_EQ(app.isControlEnabled(c.id), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(Rules, SettingsEnabled, testing::ValuesIn(enabledCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Sliders ---

enum class Level { scaleFx, gameVolume, menuVolume };

struct DragCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    int pressed;
    float cursorFromSlider; // the cursor's design x less 969 and the centring shift
    Level level;
    int expected;
};

void effects(App& app) {
    AppProbe::editConfig(app).VideoEffects = true;
}

void effectsWithScaleFx(App& app) {
    effects(app);
    scaleFxOn(app);
}

constexpr SettingsSetup widest{0, true, false, apptest::widestDesignWidth};

const std::vector<DragCase> dragCases{
    {"MenuVolumeFarLeft", firstGame, SettingsTab::launcher, none, 281, -969, Level::menuVolume, 0},
    {"MenuVolumeFarRight", firstGame, SettingsTab::launcher, none, 281, 560, Level::menuVolume,
     100},
    {"MenuVolumeMiddle", firstGame, SettingsTab::launcher, none, 281, 83, Level::menuVolume, 50},
    {"MenuVolumeWidest", widest, SettingsTab::launcher, none, 281, 41.5, Level::menuVolume, 25},
    {"MenuVolumeOnAnotherTab", firstGame, SettingsTab::controls, none, 281, 0, Level::menuVolume,
     100},
    {"GameVolumeHalfRoundsUp", firstGame, SettingsTab::utilities, none, 270, 6.5, Level::gameVolume,
     3},
    {"GameVolumeEnd", firstGame, SettingsTab::utilities, none, 270, 260, Level::gameVolume, 100},
    {"GameVolumeWithoutRemastered", secondGame, SettingsTab::utilities, none, 270, 130,
     Level::gameVolume, 100},
    {"GameVolumeOnAnotherTab", firstGame, SettingsTab::audio, none, 270, 130, Level::gameVolume,
     100},
    {"ScaleFx", firstGame, SettingsTab::video, effectsWithScaleFx, 256, 65, Level::scaleFx, 25},
    {"ScaleFxWithScaleFxOff", firstGame, SettingsTab::video, effects, 256, 65, Level::scaleFx, 100},
    {"ScaleFxOnTheScalingRows", firstGame, SettingsTab::video, scaleFxOn, 256, 65, Level::scaleFx,
     100},
    {"ScaleFxWithoutRemastered", secondGame, SettingsTab::video, effectsWithScaleFx, 256, 65,
     Level::scaleFx, 100},
    {"NoSliderPressed", firstGame, SettingsTab::launcher, none, 282, 0, Level::menuVolume, 100},
};

int levelOf(App& app, Level level) {
    switch (level) {
    case Level::scaleFx:
        return AppProbe::editConfig(app).original.scalefxamount;
    case Level::gameVolume:
        return AppProbe::editConfig(app).GameVolume;
    case Level::menuVolume:
        break;
    }
    return AppProbe::editedPreferences(app).Volume;
}

class SettingsDrag : public testing::TestWithParam<DragCase> {};

TEST_P(SettingsDrag, SetsThePressedSlidersLevelUnderTheCursor) {
    const DragCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    ASSERT_EQ(levelOf(app, c.level), 100);
    const float shift = (app.designWidth() - 1536) / 2;
    AppProbe::stageCursor(app, 969 + shift + c.cursorFromSlider, 720);
    AppProbe::stagePressed(app, c.pressed);
    app.dragSlider();
    EXPECT_EQ(levelOf(app, c.level), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sliders, SettingsDrag, testing::ValuesIn(dragCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsDragClosed, DoesNothingWithSettingsClosed) {
    apptest::AppFixture fixture;
    const auto app = fixture.makeApp();
    AppProbe::stageSettingsTab(*app, SettingsTab::launcher);
    AppProbe::stageCursor(*app, 969, 720);
    AppProbe::stagePressed(*app, 281);
    app->dragSlider();
    EXPECT_EQ(app->editedPreferences().Volume, 100);
}

// --- Operator adjustments ---

TEST(SettingsAdjustments, CoinageWrapsAtBothEnds) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    ASSERT_TRUE(app.backend().adjustmentsAvailable());
    AppProbe::editConfig(app).CmosCoinage = true;
    qxlauncher::GameAdjustments& adjustments = AppProbe::editAdjustments(app);
    adjustments.coinagePreset = 58;
    adjustments.customCoinage = true;
    app.stepAdjustment(261, +1);
    EXPECT_EQ(adjustments.coinagePreset, 1);
    EXPECT_FALSE(adjustments.customCoinage);
    app.stepAdjustment(261, -1);
    EXPECT_EQ(adjustments.coinagePreset, 58);
    app.stepAdjustment(261, -1);
    EXPECT_EQ(adjustments.coinagePreset, 57);
}

TEST(SettingsAdjustments, DifficultyWrapsAtBothEnds) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    qxlauncher::GameAdjustments& adjustments = AppProbe::editAdjustments(app);
    adjustments.difficulty = 1;
    app.stepAdjustment(260, -1);
    EXPECT_EQ(adjustments.difficulty, 5);
    app.stepAdjustment(260, +1);
    EXPECT_EQ(adjustments.difficulty, 1);
    app.stepAdjustment(260, +1);
    EXPECT_EQ(adjustments.difficulty, 2);
}

TEST(SettingsAdjustments, TheFirstGamesFirstCoinageStepStartsFromPresetOne) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    ASSERT_FALSE(app.editConfig().CmosCoinage);
    ASSERT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{4, 2, false, false}));
    app.stepAdjustment(261, +1);
    EXPECT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{4, 2, false, false}));
    EXPECT_TRUE(app.editConfig().CmosCoinage);
    app.stepAdjustment(261, +1);
    EXPECT_EQ(app.editAdjustments().coinagePreset, 3);
}

TEST(SettingsAdjustments, FreePlayStartsFromPresetOneTooThenSwitches) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::editAdjustments(app).customCoinage = true;
    app.stepAdjustment(262, -1);
    EXPECT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{4, 1, true, false}));
    EXPECT_TRUE(app.editConfig().CmosCoinage);
    app.stepAdjustment(262, +1);
    EXPECT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{4, 1, false, false}));
}

TEST(SettingsAdjustments, AnAdoptedCoinageStepsFromWhereItIs) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    AppProbe::editConfig(app).CmosCoinage = true;
    app.stepAdjustment(262, +1);
    EXPECT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{4, 2, true, false}));
}

TEST(SettingsAdjustments, NeedTheProfileExceptTheDipSwitchesOfTheThirdGame) {
    SettingsFixture first;
    App& firstApp = first.open(firstGameWithoutProfile);
    ASSERT_FALSE(firstApp.backend().adjustmentsOffered());
    const qxlauncher::GameAdjustments before = firstApp.editAdjustments();
    for (const int id : {260, 261, 262, 263, 264}) {
        firstApp.stepAdjustment(id, +1);
    }
    EXPECT_EQ(firstApp.editAdjustments(), before);
    EXPECT_FALSE(firstApp.editConfig().CmosCoinage);
    EXPECT_TRUE(firstApp.editConfig().Blood);
    EXPECT_TRUE(firstApp.editConfig().Violence);

    SettingsFixture third;
    App& thirdApp = third.open(thirdGame);
    ASSERT_TRUE(thirdApp.backend().adjustmentsOffered());
    thirdApp.stepAdjustment(263, -1);
    EXPECT_FALSE(thirdApp.editConfig().Blood);
    thirdApp.stepAdjustment(264, +1);
    thirdApp.stepAdjustment(263, +1);
    EXPECT_TRUE(thirdApp.editConfig().Blood);
    EXPECT_FALSE(thirdApp.editConfig().Violence);
    thirdApp.stepAdjustment(260, +1);
    EXPECT_EQ(thirdApp.editAdjustments(), qxlauncher::GameAdjustments{});
}

TEST(SettingsAdjustments, TheDipSwitchesOfTheFirstGameFollowItsProfile) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    app.stepAdjustment(264, +1);
    EXPECT_FALSE(app.editConfig().Violence);
    EXPECT_TRUE(app.editConfig().Blood);
}

} // namespace
} // namespace lumenark
