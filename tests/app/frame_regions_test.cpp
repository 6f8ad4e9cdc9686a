// One source for what is drawn and what is hit: for every section and every state that changes
// its controls, at both ends of the design width, the regions a rendered frame registers are
// the regions layoutHitRegions lays out; and the regions lie where the controls are.
#include "app/control_ids.h"
#include "tests/app/page_scene.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using apptest::PageScene;
using apptest::PageState;
using lumenark::HitRegion;
using lumenark::NavSection;

std::string sectionName(NavSection section) {
    static const char* names[] = {"Overview", "RomSetup", "Build", "Play", "Legal"};
    return names[static_cast<int>(section)];
}

using RegionCase = std::tuple<NavSection, PageState, int>;

class FrameRegions : public testing::TestWithParam<RegionCase> {};

TEST_P(FrameRegions, AreTheLaidOutRegions) {
    const auto [section, state, clientWidth] = GetParam();
    PageScene scene(clientWidth);
    lumenark::App& app = scene.start(state, section);
    scene.frame();
    const std::vector<HitRegion> drawn = app.hitRegions();
    app.layoutHitRegions();
    EXPECT_EQ(drawn, app.hitRegions());
    // Every frame ends with the sidebar and the title bar's two controls.
    ASSERT_GE(drawn.size(), 8u);
    EXPECT_EQ(drawn[drawn.size() - 8].id, lumenark::overviewNavigationId);
    EXPECT_EQ(drawn.back().id, lumenark::closeControlId);
    EXPECT_EQ(drawn.back().x, app.designWidth() - 46);
    EXPECT_EQ(drawn[drawn.size() - 2].x, app.designWidth() - 92);
}

INSTANTIATE_TEST_SUITE_P(
    EverySectionAndState, FrameRegions,
    testing::Combine(testing::Values(NavSection::overview, NavSection::romSetup, NavSection::build,
                                     NavSection::play, NavSection::legal),
                     testing::Values(PageState::noGameBuilt, PageState::confirmedIdle,
                                     PageState::setupQueued, PageState::setupRunning,
                                     PageState::verifying, PageState::setupFailed,
                                     PageState::setupDone, PageState::gameLoaded,
                                     PageState::gameRunning, PageState::closing),
                     testing::Values(1536, apptest::widestClientWidth)),
    [](const auto& info) {
        return sectionName(std::get<0>(info.param)) +
               apptest::pageStateName(std::get<1>(info.param)) +
               (std::get<2>(info.param) == 1536 ? "Narrowest" : "Widest");
    });

struct CabinetCase {
    const char* name;
    int clientWidth;
    std::array<float, 3> x;
};

class CabinetRegions : public testing::TestWithParam<CabinetCase> {};

TEST_P(CabinetRegions, SpreadWithTheWidthAndStayFixedInHeight) {
    PageScene scene(GetParam().clientWidth);
    lumenark::App& app = scene.start(PageState::gameLoaded, NavSection::play);
    scene.frame();
    for (int game = 0; game < 3; ++game) {
        const HitRegion region = apptest::regionOf(app, lumenark::cabinetControlId(game));
        EXPECT_NEAR(region.x, GetParam().x[static_cast<std::size_t>(game)], 0.01);
        EXPECT_EQ(region.y, 170);
        EXPECT_EQ(region.width, 330);
        EXPECT_EQ(region.height, 680);
        EXPECT_TRUE(region.enabled);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Widths, CabinetRegions,
    testing::Values(CabinetCase{"Narrowest", 1536, {250, 705, 1160}},
                    CabinetCase{"Widest", apptest::widestClientWidth, {298, 847, 1396}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlayRegionCase {
    PageState state;
    bool present;
    bool playEnabled;
    bool cabinetsEnabled;
    bool settingsEnabled;
};

class PlayRegions : public testing::TestWithParam<PlayRegionCase> {};

TEST_P(PlayRegions, FollowTheLoadedGameAndTheRunningOne) {
    const PlayRegionCase& c = GetParam();
    PageScene scene;
    lumenark::App& app = scene.start(c.state, NavSection::play);
    scene.frame();
    ASSERT_EQ(apptest::hasRegion(app, lumenark::playControlId), c.present);
    if (c.present) {
        EXPECT_EQ(apptest::regionOf(app, lumenark::playControlId),
                  (HitRegion{20, 1256, 888, 244, 52, c.playEnabled}));
    }
    EXPECT_EQ(apptest::regionOf(app, 1).enabled, c.cabinetsEnabled);
    EXPECT_EQ(apptest::regionOf(app, lumenark::settingsNavigationId).enabled, c.settingsEnabled);
    EXPECT_TRUE(apptest::regionOf(app, lumenark::legalNavigationId).enabled);
}

INSTANTIATE_TEST_SUITE_P(
    States, PlayRegions,
    testing::Values(PlayRegionCase{PageState::setupDone, false, false, true, true},
                    PlayRegionCase{PageState::gameLoaded, true, true, true, true},
                    PlayRegionCase{PageState::gameRunning, true, false, false, false},
                    PlayRegionCase{PageState::closing, true, false, false, false}),
    [](const auto& info) { return apptest::pageStateName(info.param.state); });

TEST(BuildRegions, RowButtonsLineUpWithTheirRightEdgesAtTheMargin) {
    PageScene scene(apptest::widestClientWidth);
    lumenark::App& app = scene.start(PageState::confirmedIdle, NavSection::build);
    scene.frame();
    const float w = app.designWidth();
    EXPECT_EQ(apptest::regionOf(app, 124), (HitRegion{124, w - 430, 140, 220, 40, true}));
    EXPECT_EQ(apptest::regionOf(app, 73), (HitRegion{73, w - 190, 140, 150, 40, true}));
    for (int g = 0; g < 3; ++g) {
        const float top = 228.0f + 228.0f * static_cast<float>(g);
        EXPECT_EQ(apptest::regionOf(app, 70 + g),
                  (HitRegion{70 + g, w - 210, top + 18, 170, 40, true}));
        EXPECT_EQ(apptest::regionOf(app, 80 + g),
                  (HitRegion{80 + g, w - 210, top + 66, 170, 36, false}));
        EXPECT_EQ(apptest::regionOf(app, 110 + g),
                  (HitRegion{110 + g, w - 210, top + 162, 170, 38, false}));
        EXPECT_EQ(apptest::regionOf(app, 90 + g),
                  (HitRegion{90 + g, 246, top + 164, 130, 34, false}));
    }
}

} // namespace
