// The borderless window's hit test as a pure rule, the region under a design point, and the
// App's answer for a client point through its renderer.
#include "app/input/hit_testing.h"

#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/support/case_names.h"

#include <gtest/gtest.h>

#include <optional>

namespace lumenark {
namespace {

using platform::WindowArea;

constexpr int width = 1382;
constexpr int height = 922;

struct AreaCase {
    const char* name;
    int x;
    int y;
    bool fullscreen;
    std::optional<CaptionProbe> probe;
    WindowArea expected;
};

std::ostream& operator<<(std::ostream& stream, const AreaCase& c) {
    return stream << "(" << c.x << "," << c.y << (c.fullscreen ? ") fullscreen" : ")")
                  << (c.probe ? " design y " + std::to_string(c.probe->designY) : " no renderer")
                  << (c.probe && c.probe->overControl ? " over a control" : "");
}

constexpr CaptionProbe strip{40.0f, false};
constexpr CaptionProbe control{40.0f, true};
constexpr CaptionProbe page{500.0f, false};

class BorderlessArea : public testing::TestWithParam<AreaCase> {};

TEST_P(BorderlessArea, FollowsTheBandThenTheCaptionStrip) {
    const AreaCase& c = GetParam();
    EXPECT_EQ(borderlessHitTest(c.x, c.y, width, height, c.fullscreen, c.probe), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, BorderlessArea,
    testing::Values(
        AreaCase{"TopLeftCorner", 0, 0, false, strip, WindowArea::topLeft},
        AreaCase{"TopLeftCornersLastPixel", 5, 5, false, strip, WindowArea::topLeft},
        AreaCase{"LeftBelowTheCorner", 5, 6, false, strip, WindowArea::left},
        AreaCase{"LeftAboveTheBottomCorner", 5, height - 7, false, page, WindowArea::left},
        AreaCase{"BottomLeftCorner", 5, height - 6, false, page, WindowArea::bottomLeft},
        AreaCase{"TopRightCorner", width - 6, 0, false, strip, WindowArea::topRight},
        AreaCase{"TopBeforeTheRightCorner", width - 7, 0, false, strip, WindowArea::top},
        AreaCase{"Right", width - 6, 400, false, page, WindowArea::right},
        AreaCase{"BottomRightCorner", width - 1, height - 1, false, page, WindowArea::bottomRight},
        AreaCase{"TopOverAControl", 700, 5, false, control, WindowArea::top},
        AreaCase{"Bottom", 700, height - 6, false, page, WindowArea::bottom},
        // The band is measured in pixels whatever lies under it.
        AreaCase{"LeftWithoutARenderer", 3, 400, false, std::nullopt, WindowArea::left}),
    testsupport::caseName);

INSTANTIATE_TEST_SUITE_P(
    Inside, BorderlessArea,
    testing::Values(AreaCase{"StripBelowTheBand", 700, 6, false, strip, WindowArea::caption},
                    AreaCase{"ControlInTheStrip", 700, 40, false, control, WindowArea::client},
                    AreaCase{"Page", 700, 300, false, page, WindowArea::client},
                    AreaCase{"StripsLastRow", 700, 100, false, CaptionProbe{123.9f, false},
                             WindowArea::caption},
                    AreaCase{"BelowTheStrip", 700, 100, false, CaptionProbe{124.0f, false},
                             WindowArea::client},
                    // Above the letterboxed design space the strip still drags.
                    AreaCase{"AboveTheDesignSpace", 700, 20, false, CaptionProbe{-30.0f, false},
                             WindowArea::caption},
                    AreaCase{"WithoutARenderer", 700, 40, false, std::nullopt, WindowArea::client}),
    testsupport::caseName);

INSTANTIATE_TEST_SUITE_P(
    Fullscreen, BorderlessArea,
    // Nothing drags a fullscreen window off its monitor, nor zooms it by a double click.
    testing::Values(AreaCase{"CornerOfTheStrip", 0, 0, true, strip, WindowArea::client},
                    AreaCase{"TheStrip", 700, 40, true, strip, WindowArea::client},
                    AreaCase{"RightEdgeOfThePage", width - 1, 400, true, page, WindowArea::client},
                    AreaCase{"BottomEdgeOfThePage", 700, height - 1, true, page,
                             WindowArea::client},
                    AreaCase{"ControlInTheCorner", 0, 0, true, control, WindowArea::client}),
    testsupport::caseName);

TEST(RegionAt, TheLastRegionHoldingThePointWinsWithRightAndBottomOutside) {
    const std::vector<HitRegion> regions{
        {1, 100, 100, 50, 20, true},
        {2, 120, 100, 50, 20, false},
        {-1, 0, 0, 10, 10, true},
    };
    ASSERT_NE(regionAt(regions, 130, 110), nullptr);
    EXPECT_EQ(regionAt(regions, 130, 110)->id, 2);
    EXPECT_EQ(regionAt(regions, 119.9f, 119.9f)->id, 1);
    EXPECT_EQ(regionAt(regions, 100, 100)->id, 1);
    EXPECT_EQ(regionAt(regions, 170, 110), nullptr);
    EXPECT_EQ(regionAt(regions, 130, 120), nullptr);
    EXPECT_EQ(regionAt(regions, 5, 5)->id, -1);
    EXPECT_EQ(regionAt({}, 5, 5), nullptr);
}

TEST(AppHitTest, MapsTheClientPointThroughTheRendererOfTheLastFrame) {
    apptest::AppFixture fixture;
    // Half the design size: a client pixel is two design units.
    fixture.device->client = {768, 512};
    auto app = fixture.makeApp();
    app->render(0.016, false);
    // Design y 100 lies in the strip, design y 140 below it.
    EXPECT_EQ(app->hitTest(400, 50, 768, 512), WindowArea::caption);
    EXPECT_EQ(app->hitTest(400, 70, 768, 512), WindowArea::client);
    EXPECT_EQ(app->hitTest(2, 2, 768, 512), WindowArea::topLeft);
    EXPECT_EQ(app->hitTest(400, 509, 768, 512), WindowArea::bottom);
}

TEST(AppHitTest, FullscreenHasNoResizeBandNorCaption) {
    apptest::AppFixture fixture;
    auto app = fixture.makeApp();
    apptest::FakeWindow window;
    app->attachWindow(&window);
    app->setFullscreen(true);
    app->render(0.016, false);
    EXPECT_EQ(app->hitTest(2, 2, 1536, 1024), WindowArea::client);
    EXPECT_EQ(app->hitTest(700, 40, 1536, 1024), WindowArea::client);
    EXPECT_EQ(app->hitTest(1534, 600, 1536, 1024), WindowArea::client);
    // Back in a window the strip drags again.
    app->setFullscreen(false);
    EXPECT_EQ(app->hitTest(700, 40, 1536, 1024), WindowArea::caption);
    app->attachWindow(nullptr);
}

TEST(AppHitTest, WithoutARendererOnlyTheBandIsKnown) {
    apptest::AppFixture fixture;
    App app(qxlauncher::StartupContext{fixture.root()}, fixture.services());
    EXPECT_EQ(app.hitTest(400, 20, 768, 512), WindowArea::client);
    EXPECT_EQ(app.hitTest(766, 20, 768, 512), WindowArea::right);
}

} // namespace
} // namespace lumenark
