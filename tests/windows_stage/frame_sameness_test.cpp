// Two frames of one build: what only moves (the fire's flicker, dithering) counts as the same,
// and a small real change (a label, a highlight) as different.
#include "tests/windows_stage/frame_sameness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

namespace stagetest {
namespace {

constexpr int width = 800;
constexpr int height = 600;

std::uint32_t rgb(int r, int g, int b) {
    return 0xFF000000u | static_cast<std::uint32_t>(std::clamp(r, 0, 255)) << 16 |
           static_cast<std::uint32_t>(std::clamp(g, 0, 255)) << 8 |
           static_cast<std::uint32_t>(std::clamp(b, 0, 255));
}

void fill(CaptureImage& image, int left, int top, int w, int h, std::uint32_t colour) {
    for (int y = top; y < top + h; ++y) {
        for (int x = left; x < left + w; ++x) {
            image.at(x, y) = colour;
        }
    }
}

// A highlight as the pages draw one: a dark fill with a bright border.
void highlight(CaptureImage& image, int left, int top, std::uint32_t fillColour,
               std::uint32_t border) {
    fill(image, left, top, 120, 36, border);
    fill(image, left + 2, top + 2, 116, 32, fillColour);
}

// Text: each character a 3 x 5 pattern of its own, in cells of 2 x 2 pixels.
void label(CaptureImage& image, int left, int top, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto bits = (static_cast<unsigned>(text[i]) * 2654435761u) >> 17;
        for (int cell = 0; cell < 15; ++cell) {
            if ((bits >> cell & 1u) != 0) {
                fill(image, left + static_cast<int>(i) * 8 + cell % 3 * 2, top + cell / 3 * 2, 2, 2,
                     rgb(225, 228, 232));
            }
        }
    }
}

// A flame over the ground at an animation time: red at its foot to yellow at its tip, its
// edges wobbling.
void fire(CaptureImage& image, int left, int top, double seconds) {
    for (int y = 0; y < 80; ++y) {
        const double up = 1 - y / 80.0;
        const double halfWidth =
            14 * (1 - up * up) + 3 * std::sin(0.3 * y - 4 * seconds) + 2 * std::sin(5 * seconds);
        for (int x = -24; x < 24; ++x) {
            const double a = std::clamp(halfWidth - std::abs(x), 0.0, 1.0);
            const auto ground = image.at(left + x, top + y);
            const int r = static_cast<int>(255 * a + ((ground >> 16) & 0xFF) * (1 - a));
            const int g = static_cast<int>((23 + 181 * up) * a + ((ground >> 8) & 0xFF) * (1 - a));
            const int b = static_cast<int>((1 + 50 * up) * a + (ground & 0xFF) * (1 - a));
            image.at(left + x, top + y) = rgb(r, g, b);
        }
    }
}

struct Page {
    int highlighted = 0;
    std::string title = "READY TO PLAY";
    double seconds = 6;
    int dither = 0;
    std::uint32_t highlightFill = rgb(82, 10, 14);
    std::uint32_t highlightBorder = rgb(220, 30, 36);
};

// A small page of the launcher: a ground, three items with one highlighted, a label, two fires.
CaptureImage draw(const Page& page) {
    CaptureImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<std::size_t>(width * height), rgb(14, 20, 29));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int d = page.dither * (((x * 7 + y * 13) % 3) - 1);
            image.at(x, y) = rgb(14 + d, 20 + d, 29 + d);
        }
    }
    for (int item = 0; item < 3; ++item) {
        if (item == page.highlighted) {
            highlight(image, 40, 100 + 50 * item, page.highlightFill, page.highlightBorder);
        }
        label(image, 56, 112 + 50 * item, item == 0 ? "PLAY" : item == 1 ? "SETTINGS" : "LEGAL");
    }
    label(image, 300, 300, page.title);
    fire(image, 260, 380, page.seconds);
    fire(image, 560, 380, page.seconds);
    return image;
}

struct SamenessCase {
    const char* name;
    std::function<void(Page&)> second;
    bool same;
};

const SamenessCase cases[] = {
    {"identical_frames", [](Page&) {}, true},
    {"the_fire_half_a_second_later", [](Page& p) { p.seconds += 0.5; }, true},
    {"the_fire_a_second_later", [](Page& p) { p.seconds += 1.0; }, true},
    {"dithered_ground", [](Page& p) { p.dither = 6; }, true},
    {"one_character_of_a_label_changed", [](Page& p) { p.title = "READY TO PLAT"; }, false},
    {"a_label_replaced", [](Page& p) { p.title = "NOT INSTALLED"; }, false},
    {"the_red_highlight_moved", [](Page& p) { p.highlighted = 1; }, false},
    {"the_highlight_turned_blue",
     [](Page& p) {
         p.highlightFill = rgb(8, 22, 70);
         p.highlightBorder = rgb(40, 110, 230);
     },
     false},
};

void PrintTo(const SamenessCase& c, std::ostream* out) {
    *out << c.name;
}

class FrameSamenessTest : public testing::TestWithParam<SamenessCase> {};

TEST_P(FrameSamenessTest, TellsAChangeFromWhatOnlyMoves) {
    const Page first;
    Page second;
    GetParam().second(second);
    const CaptureImage a = draw(first);
    const CaptureImage b = draw(second);
    if (std::string(GetParam().name) != "identical_frames") {
        ASSERT_TRUE(a.pixels != b.pixels) << "the second frame changed nothing";
    }
    const FrameSameness s = compareSameBuild(a, b);
    std::printf("  %s: %s\n", GetParam().name, s.summary().c_str());
    EXPECT_EQ(s.failure.empty(), GetParam().same) << s.summary() << ": " << s.failure;
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameSamenessTest, testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameSameness, FramesOfDifferentSizesDiffer) {
    CaptureImage a = draw(Page{});
    CaptureImage b = a;
    b.height -= 1;
    b.pixels.resize(static_cast<std::size_t>(b.width * b.height));
    EXPECT_EQ(compareSameBuild(a, b).failure, "the sizes differ");
}

TEST(FrameSameness, TheFiguresCountWhatChanged) {
    const CaptureImage a = draw(Page{});
    CaptureImage b = a;
    fill(b, 0, 0, 40, 12, rgb(200, 200, 200)); // 480 pixels off the fire's colours
    fill(b, 0, 20, 100, 24, rgb(120, 20, 10)); // 2400 pixels between warm and dark
    const FrameSameness s = compareSameBuild(a, b);
    EXPECT_DOUBLE_EQ(s.otherChanged, 480.0 / (width * height));
    EXPECT_DOUBLE_EQ(s.warmChanged, 2400.0 / (width * height));
    EXPECT_EQ(s.largestStep, 186);
    EXPECT_NE(s.failure, "");
}

} // namespace
} // namespace stagetest
