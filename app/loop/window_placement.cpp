#include "app/loop/window_placement.h"

#include <algorithm>

namespace lumenark {

namespace {

constexpr int defaultDpi = 96;

// value * dpi / from, to the nearest pixel.
int scaled(int value, int dpi, int from) {
    return (value * dpi + from / 2) / from;
}

} // namespace

platform::ScreenRect launcherWindowRect(const platform::ScreenRect& workArea, bool capture) {
    int width = captureWidth;
    int height = captureHeight;
    if (!capture) {
        width = std::min(windowMaxWidth, workArea.width() - workAreaMargin);
        height = std::min(windowMaxHeight, workArea.height() - workAreaMargin);
    }
    const int x = (workArea.right - width) / 2;
    const int y = (workArea.bottom - height) / 2;
    return {x, y, x + width, y + height};
}

platform::FrameThickness frameThicknessAt(const platform::SizingFrame& frame) {
    if (frame.atDpi) {
        return *frame.atDpi;
    }
    const int from = frame.systemDpi > 0 ? frame.systemDpi : defaultDpi;
    const int dpi = frame.dpi > 0 ? frame.dpi : from;
    return {scaled(frame.atSystemDpi.x, dpi, from), scaled(frame.atSystemDpi.y, dpi, from)};
}

platform::ScreenRect clientAreaOf(const platform::ScreenRect& window,
                                  const platform::SizingFrame& frame) {
    if (!frame.zoomed) {
        return window;
    }
    const platform::FrameThickness inset = frameThicknessAt(frame);
    return {window.left + inset.x, window.top + inset.y, window.right - inset.x,
            window.bottom - inset.y};
}

std::optional<platform::ScreenRect>
placementAfterDisplayChange(bool fullscreen, const std::optional<platform::ScreenRect>& suggested,
                            const platform::ScreenRect& monitor) {
    if (fullscreen) {
        return monitor;
    }
    return suggested;
}

} // namespace lumenark
