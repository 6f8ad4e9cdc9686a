#pragma once
// Whether two frames of one build, taken one after the other, show the same: the window's page
// once it has settled, or a page that changed after a key. The renderer is the same for both, so
// the bound is tight: a pixel counts as changed when a channel moved by more than a few levels
// of dithering, and only the fire may change much. The fire is the one layer of a settled page
// that moves a lot between two frames; its colours run from red to yellow over a dark ground, so
// changes between warm or dark colours have the fire's own bound and every other change a bound
// of a few pixels.
#include "tests/windows_stage/capture_comparison.h"

#include <string>

namespace stagetest {

struct FrameSameness {
    // Shares of all pixels that changed between warm or dark colours, and otherwise.
    double warmChanged = 0;
    double otherChanged = 0;
    // The largest change of a channel, in levels of 0..255.
    int largestStep = 0;
    // The mean absolute difference over all pixels and channels (for the record only).
    double meanAbsolute = 0;
    // Empty when the frames show the same, else which bound they break.
    std::string failure;

    std::string summary() const;
};

FrameSameness compareSameBuild(const CaptureImage& a, const CaptureImage& b);

} // namespace stagetest
