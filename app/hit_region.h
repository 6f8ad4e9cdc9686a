#pragma once
// A clickable region of a frame, by control id, in design units.

namespace lumenark {

struct HitRegion {
    int id = -1;
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;
    bool enabled = false;

    bool operator==(const HitRegion&) const = default;
};

} // namespace lumenark
