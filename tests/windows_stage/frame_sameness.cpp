#include "tests/windows_stage/frame_sameness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace stagetest {
namespace {

// The bounds, from settled frames of the window's Play page (1600 x 1200) taken one after the
// other, some 180 pairs under Wine and the Linux build's: the fire changed 0.13 to 0.19 % of the
// pixels between warm colours and at most 8 pixels (0.0004 %) otherwise. A page still easing
// changed 0.37 % and more, 0.13 % otherwise; PgDn to Settings 0.07 % otherwise; one character
// of a label is some 40 pixels.
constexpr int changeLevels = 32;
constexpr double maxWarmChanged = 0.004;
constexpr double maxOtherChanged = 0.00002;

// The fire's colours, alone or blended over the dark ground: dark, or red to yellow (green at
// most about red, blue well below it).
bool warmOrDark(std::uint32_t pixel) {
    const int r = channel(pixel, 0);
    const int g = channel(pixel, 1);
    const int b = channel(pixel, 2);
    return std::max({r, g, b}) < 40 || (g <= r + 8 && b <= r / 2 + 24);
}

} // namespace

std::string FrameSameness::summary() const {
    char text[200];
    std::snprintf(text, sizeof(text),
                  "changed %.3f %% warm, %.4f %% other, largest step %d, mean absolute %.3f",
                  warmChanged * 100, otherChanged * 100, largestStep, meanAbsolute);
    return text;
}

FrameSameness compareSameBuild(const CaptureImage& a, const CaptureImage& b) {
    FrameSameness s;
    if (a.width != b.width || a.height != b.height || a.pixels.empty()) {
        s.failure = "the sizes differ";
        return s;
    }
    std::size_t warm = 0;
    std::size_t other = 0;
    double absolute = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        int step = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(channel(a.pixels[i], c) - channel(b.pixels[i], c));
            absolute += d;
            step = std::max(step, d);
        }
        s.largestStep = std::max(s.largestStep, step);
        if (step > changeLevels) {
            ++(warmOrDark(a.pixels[i]) && warmOrDark(b.pixels[i]) ? warm : other);
        }
    }
    const auto count = static_cast<double>(a.pixels.size());
    s.warmChanged = static_cast<double>(warm) / count;
    s.otherChanged = static_cast<double>(other) / count;
    s.meanAbsolute = absolute / (3 * count);
    if (s.warmChanged > maxWarmChanged) {
        s.failure = "too many pixels changed between warm colours";
    }
    if (s.otherChanged > maxOtherChanged) {
        s.failure += s.failure.empty() ? "" : "; ";
        s.failure += "pixels changed beyond the fire's colours";
    }
    return s;
}

} // namespace stagetest
