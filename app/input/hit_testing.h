#pragma once
// Hit-testing that needs no window: the region of the hit list under a design point, and the
// borderless window's answer to WM_NCHITTEST (resize band, caption, client area).
#include "app/hit_region.h"
#include "platform/window.h"

#include <optional>
#include <vector>

namespace lumenark {

// The band along the client edges that resizes the window, in pixels.
inline constexpr int resizeBandPixels = 6;
// Above this design y the window is dragged, except over a control.
inline constexpr float captionBottom = 124.0f;

// The region that wins at a design point: the list is walked from its last entry to its first
// and the first region containing the point wins (left and top inclusive, right and bottom
// exclusive). Null when none contains it.
const HitRegion* regionAt(const std::vector<HitRegion>& regions, float x, float y);

// What the App knows of a client point: its design y and whether a control's region (id 0 or
// more, enabled or not) lies under it. None while there is no renderer.
struct CaptionProbe {
    float designY = 0.0f;
    bool overControl = false;
};

// The borderless window's parts for a client point of a client area of the given size: all of a
// fullscreen window is client area; in a window the edge band resizes (corners first), then the
// caption strip drags, and everything else is the client area.
platform::WindowArea borderlessHitTest(int x, int y, int clientWidth, int clientHeight,
                                       bool fullscreen, const std::optional<CaptionProbe>& probe);

} // namespace lumenark
