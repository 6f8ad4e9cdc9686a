#pragma once
// One control of a page section: what the frame draws and what the hit list registers, from the
// same record, so the two cannot drift apart.
#include "app/hit_region.h"
#include "presentation/renderer.h"

#include <string>
#include <vector>

namespace lumenark {

enum class ControlStyle : int {
    button = 0,
    primaryButton = 1,
    folderField = 2,
    gameRow = 3, // the region only; the page draws the row
    checkbox = 4,
};

struct PageControl {
    int id = -1;
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
    std::wstring label;
    bool enabled = false;
    ControlStyle style = ControlStyle::button;

    RectF rect() const { return {x, y, width, height}; }
    HitRegion region() const { return {id, x, y, width, height, enabled}; }
};

using PageControls = std::vector<PageControl>;

} // namespace lumenark
