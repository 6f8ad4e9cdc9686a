#include "app/loop/window_placement.h"

#include <algorithm>

namespace lumenark {

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

} // namespace lumenark
