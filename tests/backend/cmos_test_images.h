#pragma once
// CMOS images for fixtures: 16384 bytes of deterministic content, never a real board's.
#include "backend/cmos/cmos_profile.h"

#include <cstdint>
#include <string>

namespace cmostest {

// A distinct image per seed value.
inline std::string patternImage(std::uint32_t seed) {
    std::string image(qxlauncher::cmosImageSize, '\0');
    std::uint32_t state = seed * 2654435761u + 1u;
    for (char& byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return image;
}

} // namespace cmostest
