// The colour of the light detail over small drawn frames: two fonts of one colour agree, while
// text of another colour differs wherever both frames have text, whatever its glyphs.
#include "tests/windows_stage/capture_comparison.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

namespace stagetest {
namespace {

constexpr const char* lightColour = "the colour of the light detail (text and icons) differs";

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

constexpr Rgb darkGround{18, 18, 20};
constexpr Rgb redGround{150, 20, 24};
constexpr Rgb white{235, 235, 235};
constexpr Rgb grey{170, 170, 170};
constexpr Rgb red{255, 0, 0};
constexpr Rgb accent{220, 38, 38};

// Glyphs as vertical strokes: a stroke width and pitch, and whether its edges are half covered.
struct Font {
    int width = 0;
    int pitch = 0;
    int offset = 0;
    bool smoothed = false;
};

constexpr Font narrow{2, 7, 0, true};
constexpr Font wide{3, 9, 4, false};

std::uint32_t blend(Rgb ground, Rgb ink, double coverage) {
    const auto mix = [coverage](int a, int b) {
        return static_cast<std::uint32_t>(std::lround(a + coverage * (b - a)));
    };
    return 0xFF000000u | mix(ground.r, ink.r) << 16 | mix(ground.g, ink.g) << 8 |
           mix(ground.b, ink.b);
}

double coverageAt(const Font& font, int x) {
    const int phase = (x + font.pitch - font.offset) % font.pitch;
    if (phase < font.width) {
        return 1;
    }
    return font.smoothed && (phase == font.width || phase == font.pitch - 1) ? 0.5 : 0;
}

// 256 x 128: two lines of text, one in each row of the comparison's areas; no text when ink is
// the ground.
CaptureImage page(Rgb ground, Rgb ink, const Font& font) {
    CaptureImage image;
    image.width = 256;
    image.height = 128;
    image.pixels.assign(static_cast<std::size_t>(image.width * image.height),
                        blend(ground, ink, 0));
    for (int y = 0; y < image.height; ++y) {
        const bool onLine = (y >= 20 && y < 40) || (y >= 76 && y < 96);
        for (int x = 0; onLine && x < image.width; ++x) {
            image.at(x, y) = blend(ground, ink, coverageAt(font, x));
        }
    }
    return image;
}

struct ColourCase {
    const char* name;
    CaptureImage candidate;
    CaptureImage reference;
    // The share of the light detail whose colour is off.
    double off;
};

void PrintTo(const ColourCase& test, std::ostream* out) {
    *out << test.name;
}

class LightColour : public testing::TestWithParam<ColourCase> {};

TEST_P(LightColour, ComparesTheColourOfTheTextWhereBothHaveText) {
    const ColourCase& test = GetParam();
    const auto difference = compareCaptures(test.candidate, test.reference);
    EXPECT_NEAR(difference.lightColourOff, test.off, 1e-9) << difference.summary();
    EXPECT_EQ(difference.failure.find(lightColour) != std::string::npos, test.off > 0)
        << difference.failure;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LightColour,
    testing::Values(ColourCase{"other_font_same_colour", page(darkGround, white, wide),
                               page(darkGround, white, narrow), 0},
                    ColourCase{"dimmer_text_of_the_same_hue", page(darkGround, grey, wide),
                               page(darkGround, white, narrow), 0},
                    ColourCase{"text_turned_red", page(darkGround, red, narrow),
                               page(darkGround, white, narrow), 1},
                    ColourCase{"text_turned_red_in_another_font", page(darkGround, red, wide),
                               page(darkGround, white, narrow), 1},
                    ColourCase{"tinted_text_lost_its_tint", page(darkGround, white, wide),
                               page(darkGround, accent, narrow), 1},
                    ColourCase{"text_on_a_red_ground_turned_red", page(redGround, red, wide),
                               page(redGround, white, narrow), 1},
                    // Text in one frame only is the fine detail's to tell.
                    ColourCase{"text_in_the_candidate_only", page(darkGround, red, wide),
                               page(darkGround, darkGround, narrow), 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace stagetest
