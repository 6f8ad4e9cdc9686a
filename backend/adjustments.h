#pragma once
// A game's operator adjustments as kept in its CMOS image.
#include <cstdint>

namespace qxlauncher {

struct GameAdjustments {
    std::int32_t difficulty = 3;
    std::int32_t coinagePreset = 1;
    bool freePlay = false;
    bool customCoinage = false;
};

} // namespace qxlauncher
