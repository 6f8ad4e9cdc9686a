// The Settings page's one list of controls against what a frame registers, for every tab and
// sub-page state: the regions a rendered frame holds are the list's, in its order, at the
// rectangles of the layout, shifted to the centred page, and the hit list rebuilt for input is
// the frame's; the focus list follows the same list;
// the status panel shows under the page and covers none of its controls.
#include "app/control_ids.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/settings_fixture.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace lumenark {
namespace {

using apptest::SettingsFixture;
using apptest::SettingsSetup;
using apptest::widestDesignWidth;

std::vector<int> ids(std::initializer_list<int> list) {
    return list;
}

std::vector<int> withTabsAndButtons(std::vector<int> rows) {
    std::vector<int> all{220, 221, 222, 223, 224, 225, 226};
    all.insert(all.end(), rows.begin(), rows.end());
    all.insert(all.end(), {212, 211, 210});
    return all;
}

std::vector<int> bindingRows() {
    std::vector<int> rows(bindingSlotIds().begin(), bindingSlotIds().end());
    rows.insert(rows.end(), {390, 391, 392});
    return rows;
}

struct RegionCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    std::vector<int> rows; // the tab's ids in hit-list order
};

void none(App&) {}

void effects(App& app) {
    AppProbe::editConfig(app).VideoEffects = true;
}

const SettingsSetup firstGame{0, true, false, 1536.0f};
const SettingsSetup firstGameWidest{0, true, false, widestDesignWidth};
const SettingsSetup noGame{-1, false, false, 1536.0f};

const std::vector<RegionCase> regionCases{
    {"VideoScaling", firstGame, SettingsTab::video, none, ids({274, 275, 276, 201, 200, 207, 208})},
    {"VideoEffects", firstGame, SettingsTab::video, effects,
     ids({274, 275, 255, 256, 277, 278, 279})},
    {"VideoEffectsWidest", firstGameWidest, SettingsTab::video, effects,
     ids({274, 275, 255, 256, 277, 278, 279})},
    {"Audio", firstGame, SettingsTab::audio, none, ids({245, 205, 243, 244})},
    {"DisplaySyncAndWindow", firstGame, SettingsTab::display, none,
     ids({274, 290, 250, 251, 209, 280, 291})},
    {"DisplayHdr", firstGame, SettingsTab::display,
     [](App& app) { AppProbe::stageDisplayHdrShown(app, true); },
     ids({274, 290, 291, 292, 293, 294})},
    {"Launcher", firstGame, SettingsTab::launcher, none, ids({202, 203, 204, 206, 230, 281, 282})},
    {"LauncherWidest", firstGameWidest, SettingsTab::launcher, none,
     ids({202, 203, 204, 206, 230, 281, 282})},
    {"Adjustments", firstGame, SettingsTab::adjustments, none, ids({260, 261, 262, 263, 264})},
    {"Utilities", firstGame, SettingsTab::utilities, none, ids({270, 271})},
    {"UtilitiesConfirming", firstGame, SettingsTab::utilities,
     [](App& app) { AppProbe::stageRankingResetPending(app, true); }, ids({270, 271, 272, 273})},
    {"Controls", firstGame, SettingsTab::controls, none, bindingRows()},
    {"ControlsCapturing", firstGameWidest, SettingsTab::controls,
     [](App& app) { AppProbe::stageCapture(app, 336); }, bindingRows()},
    {"LauncherWithoutGame", noGame, SettingsTab::launcher, none,
     ids({202, 203, 204, 206, 230, 281, 282})},
    {"ControlsWithoutGame", noGame, SettingsTab::controls, none, bindingRows()},
};

testing::AssertionResult sameRegions(const std::vector<HitRegion>& drawn,
                                     const std::vector<HitRegion>& listed) {
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (i >= drawn.size()) {
            return testing::AssertionFailure() << "the frame lacks region " << listed[i].id;
        }
        const HitRegion& a = drawn[i];
        const HitRegion& b = listed[i];
        if (a.id != b.id || a.x != b.x || a.y != b.y || a.width != b.width ||
            a.height != b.height || a.enabled != b.enabled) {
            return testing::AssertionFailure()
                   << "region " << i << ": drawn " << a.id << " (" << a.x << ", " << a.y << ", "
                   << a.width << ", " << a.height << ", " << a.enabled << "), listed " << b.id
                   << " (" << b.x << ", " << b.y << ", " << b.width << ", " << b.height << ", "
                   << b.enabled << ")";
        }
    }
    return testing::AssertionSuccess();
}

bool isPageId(int id) {
    return id >= 200 && id < 400;
}

class SettingsRegions : public testing::TestWithParam<RegionCase> {};

TEST_P(SettingsRegions, AFrameRegistersExactlyTheListedControls) {
    const RegionCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    settings.renderFrame();

    std::vector<HitRegion> listed;
    app.appendSettingsRegions(listed);
    std::vector<int> listedIds;
    for (const HitRegion& region : listed) {
        listedIds.push_back(region.id);
    }
    EXPECT_EQ(listedIds, withTabsAndButtons(c.rows));

    const std::vector<HitRegion> drawn = app.hitRegions();
    EXPECT_TRUE(sameRegions(drawn, listed));
    // Whatever the frame registers after the page (its chrome) is none of the page's controls.
    for (std::size_t i = listed.size(); i < drawn.size(); ++i) {
        EXPECT_FALSE(isPageId(drawn[i].id)) << drawn[i].id;
    }
    // And the hit list that input and the dispatcher rebuild is the frame's.
    app.layoutHitRegions();
    EXPECT_EQ(app.hitRegions(), drawn);
}

TEST_P(SettingsRegions, TheStatusPanelShowsUnderThePageAndCoversNoControl) {
    const RegionCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);
    AppProbe::stageStatus(app, L"Press a key for P1 UP. Esc cancels.");
    const apptest::DrawCalls calls = settings.renderFrame();

    const float width = app.designWidth();
    const RectF panel{226, 928, width - 246, 32};
    const apptest::DrawCalls drawn = apptest::roundedAt(calls, panel);
    ASSERT_EQ(drawn.size(), 2u); // the fill and its outline
    EXPECT_EQ(drawn[0].border, 0);
    const auto text = apptest::findText(calls, L"Press a key for P1 UP. Esc cancels.");
    ASSERT_TRUE(text.has_value());
    EXPECT_NEAR(text->rect.y, 937, 0.01);
    EXPECT_TRUE(apptest::colorIs(text->color, UiPalette::warning));

    for (const HitRegion& region : app.hitRegions()) {
        const bool overlaps =
            region.x < panel.x + panel.width && panel.x < region.x + region.width &&
            region.y < panel.y + panel.height && panel.y < region.y + region.height;
        EXPECT_FALSE(overlaps) << "control " << region.id;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTab, SettingsRegions, testing::ValuesIn(regionCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SettingsStatusPanel, AnEmptyStatusLineDrawsNoPanel) {
    SettingsFixture settings;
    App& app = settings.open(firstGame);
    ASSERT_TRUE(app.statusLine().empty());
    const apptest::DrawCalls calls = settings.renderFrame();
    EXPECT_TRUE(apptest::roundedAt(calls, {226, 928, app.designWidth() - 246, 32}).empty());
}

// The rectangles of the layout, before the centring shift; the frame shifts them by
// (W - 1536) / 2.
struct RectCase {
    SettingsTab tab;
    std::function<void(App&)> stage;
    int id;
    RectF rect;
};

class SettingsRects : public testing::TestWithParam<float> {};

TEST_P(SettingsRects, FollowTheLayoutShiftedToTheCentre) {
    const float designWidth = GetParam();
    const float shift = (designWidth - 1536) / 2;
    const std::vector<RectCase> cases{
        {SettingsTab::video, none, 220, {300, 294, 134, 40}},
        {SettingsTab::video, none, 226, {1104, 294, 134, 40}},
        {SettingsTab::video, none, 274, {969, 350, 260, 54}},
        {SettingsTab::video, none, 208, {969, 710, 260, 54}},
        {SettingsTab::audio, none, 244, {969, 560, 260, 54}},
        {SettingsTab::launcher, none, 230, {969, 630, 260, 54}},
        {SettingsTab::launcher, none, 281, {969, 700, 166, 54}},
        {SettingsTab::launcher, none, 282, {1145, 700, 84, 54}},
        {SettingsTab::adjustments, none, 264, {969, 630, 260, 54}},
        {SettingsTab::utilities,
         [](App& app) { AppProbe::stageRankingResetPending(app, true); },
         272,
         {969, 520, 125, 54}},
        {SettingsTab::utilities,
         [](App& app) { AppProbe::stageRankingResetPending(app, true); },
         273,
         {1104, 520, 125, 54}},
        {SettingsTab::controls, none, 300, {560, 368, 160, 26}},
        {SettingsTab::controls, none, 311, {560, 665, 160, 26}},
        {SettingsTab::controls, none, 329, {730, 476, 160, 26}},
        {SettingsTab::controls, none, 361, {900, 665, 160, 26}},
        {SettingsTab::controls, none, 382, {1070, 557, 160, 26}},
        {SettingsTab::controls, none, 386, {1070, 665, 160, 26}},
        {SettingsTab::controls, none, 392, {969, 762, 260, 28}},
        {SettingsTab::controls, none, 212, {300, 810, 190, 50}},
        {SettingsTab::controls, none, 211, {510, 810, 240, 50}},
        {SettingsTab::controls, none, 210, {1000, 810, 235, 50}},
    };
    SettingsFixture settings;
    App& app = settings.open({0, true, false, designWidth});
    ASSERT_FLOAT_EQ(app.designWidth(), designWidth);
    for (const RectCase& c : cases) {
        AppProbe::stageSettingsTab(app, c.tab);
        AppProbe::stageRankingResetPending(app, false);
        c.stage(app);
        std::vector<HitRegion> regions;
        app.appendSettingsRegions(regions);
        const auto found = std::find_if(regions.begin(), regions.end(),
                                        [&](const HitRegion& region) { return region.id == c.id; });
        ASSERT_NE(found, regions.end()) << c.id;
        EXPECT_FLOAT_EQ(found->x, c.rect.x + shift) << c.id;
        EXPECT_FLOAT_EQ(found->y, c.rect.y) << c.id;
        EXPECT_FLOAT_EQ(found->width, c.rect.width) << c.id;
        EXPECT_FLOAT_EQ(found->height, c.rect.height) << c.id;
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, SettingsRects, testing::Values(1536.0f, widestDesignWidth),
                         [](const auto& info) {
                             return info.param == 1536.0f ? "Narrowest" : "Widest";
                         });

// --- Enabled regions and the focus list ---

struct FocusCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    std::function<void(App&)> stage;
    std::vector<int> focus;    // before SAVE, RESTORE DEFAULTS, BACK
    std::vector<int> disabled; // the page's disabled regions
};

const std::vector<FocusCase> focusCases{
    // The second game without its native package offers no Remastered edition.
    {"SecondGameVideo",
     {1, false, false, 1536.0f},
     SettingsTab::video,
     none,
     ids({201, 200, 207, 208}),
     ids({274, 275, 276})},
    {"SecondGameDisplay",
     {1, false, false, 1536.0f},
     SettingsTab::display,
     none,
     ids({250, 209}),
     ids({274, 290, 251, 280, 291})},
    {"SecondGameAudio",
     {1, false, false, 1536.0f},
     SettingsTab::audio,
     none,
     ids({205}),
     ids({245, 243, 244})},
    {"SecondGameUtilities",
     {1, false, false, 1536.0f},
     SettingsTab::utilities,
     none,
     ids({}),
     ids({270, 271})},
    {"SecondGameNativeDisplay",
     {1, false, true, 1536.0f},
     SettingsTab::display,
     none,
     ids({274, 290, 250, 251, 209, 280, 291}),
     ids({})},
    {"FirstGameEffectsWithoutScaleFx", firstGame, SettingsTab::video, effects,
     ids({274, 275, 255, 277, 278, 279}), ids({256})},
    {"FirstGameHdrOffOnOriginal", firstGame, SettingsTab::display,
     [](App& app) {
         AppProbe::stageDisplayHdrShown(app, true);
         AppProbe::editConfig(app).original.hdr = 0;
     },
     ids({274, 290, 291}), ids({292, 293, 294})},
    {"FirstGameHdrOnOriginal", firstGame, SettingsTab::display,
     [](App& app) { AppProbe::stageDisplayHdrShown(app, true); }, ids({274, 290, 291, 292, 293}),
     ids({294})},
    {"FirstGameHdrOnRemastered", firstGame, SettingsTab::display,
     [](App& app) {
         AppProbe::stageDisplayHdrShown(app, true);
         AppProbe::stageEditedRemastered(app, true);
     },
     ids({274, 290, 291, 292, 293, 294}), ids({})},
    {"FirstGameAudio", firstGame, SettingsTab::audio, none, ids({245, 205}), ids({243, 244})},
    {"FirstGameAdjustments", firstGame, SettingsTab::adjustments, none,
     ids({260, 261, 262, 263, 264}), ids({})},
    {"FirstGameWithoutProfile",
     {0, false, false, 1536.0f},
     SettingsTab::adjustments,
     none,
     ids({}),
     ids({260, 261, 262, 263, 264})},
    {"ThirdGameAdjustments",
     {2, false, false, 1536.0f},
     SettingsTab::adjustments,
     none,
     ids({263, 264}),
     ids({260, 261, 262})},
    {"FirstGameUtilitiesConfirming", firstGame, SettingsTab::utilities,
     [](App& app) { AppProbe::stageRankingResetPending(app, true); }, ids({270, 271, 272, 273}),
     ids({})},
    {"Launcher", noGame, SettingsTab::launcher, none, ids({202, 203, 204, 206, 230, 281, 282}),
     ids({220, 221, 222, 224, 225})},
    {"Controls", noGame, SettingsTab::controls, none, bindingRows(),
     ids({220, 221, 222, 224, 225})},
};

class SettingsFocus : public testing::TestWithParam<FocusCase> {};

TEST_P(SettingsFocus, TakesTheEnabledControlsThenSaveRestoreAndBack) {
    const FocusCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, c.stage);

    std::vector<int> expected = c.focus;
    expected.insert(expected.end(), {210, 211, 212});
    EXPECT_EQ(app.settingsFocusOrder(), expected);
    EXPECT_EQ(app.focusOrder(), expected);

    settings.renderFrame();
    std::vector<int> disabled;
    for (const HitRegion& region : app.hitRegions()) {
        if (isPageId(region.id) && !region.enabled) {
            disabled.push_back(region.id);
        }
    }
    EXPECT_EQ(disabled, c.disabled);
}

INSTANTIATE_TEST_SUITE_P(States, SettingsFocus, testing::ValuesIn(focusCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace lumenark
