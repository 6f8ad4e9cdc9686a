#include "app/input/hit_testing.h"

namespace lumenark {

const HitRegion* regionAt(const std::vector<HitRegion>& regions, float x, float y) {
    for (auto region = regions.rbegin(); region != regions.rend(); ++region) {
        if (x >= region->x && y >= region->y && x < region->x + region->width &&
            y < region->y + region->height) {
            return &*region;
        }
    }
    return nullptr;
}

platform::WindowArea borderlessHitTest(int x, int y, int clientWidth, int clientHeight,
                                       bool fullscreen, const std::optional<CaptionProbe>& probe) {
    using platform::WindowArea;
    // A fullscreen window covers its monitor: nothing drags or zooms it.
    if (fullscreen) {
        return WindowArea::client;
    }
    const bool top = y < resizeBandPixels;
    const bool bottom = y >= clientHeight - resizeBandPixels;
    if (x < resizeBandPixels) {
        return top ? WindowArea::topLeft : bottom ? WindowArea::bottomLeft : WindowArea::left;
    }
    if (x >= clientWidth - resizeBandPixels) {
        return top ? WindowArea::topRight : bottom ? WindowArea::bottomRight : WindowArea::right;
    }
    if (top) {
        return WindowArea::top;
    }
    if (bottom) {
        return WindowArea::bottom;
    }
    if (probe && probe->designY < captionBottom && !probe->overControl) {
        return WindowArea::caption;
    }
    return WindowArea::client;
}

} // namespace lumenark
