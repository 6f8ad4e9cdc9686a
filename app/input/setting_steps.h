#pragma once
// The steps of Settings' cycling controls: the value a control moves to from the current one.
// Each cycle ends where it began.
#include <algorithm>
#include <cstdint>

namespace lumenark {

// CRT AND SCANLINES: the ten looks with the Remastered edition, else the four plain strengths.
constexpr std::int32_t nextScanlines(std::int32_t value, bool remasteredOffered) {
    return (value + 1) % (remasteredOffered ? 10 : 4);
}

// UPSCALING FILTER: four filters with the Remastered edition, else two.
constexpr std::int32_t nextFilter(std::int32_t value, bool remasteredOffered) {
    return (value + 1) % (remasteredOffered ? 4 : 2);
}

// LAUNCHER FPS LIMIT: 30, 60, 120, 240; any other value starts again at 30.
constexpr std::int32_t nextLauncherFps(std::int32_t value) {
    switch (value) {
    case 30:
        return 60;
    case 60:
        return 120;
    case 120:
        return 240;
    default:
        return 30;
    }
}

// AUDIO QUEUE alternates BALANCED and SAFE; a stored LOW is never chosen here.
constexpr std::int32_t nextAudioLatency(std::int32_t value) {
    return value == 1 ? 2 : 1;
}

// BRIGHTNESS: 80, 90, 100, 110, 120.
constexpr std::int32_t nextBrightness(std::int32_t value) {
    return value == 120 ? 80 : value + 10;
}

// GAME SYNC: V-SYNC, VRR, IMMEDIATE with the Remastered edition; else V-SYNC and IMMEDIATE.
constexpr std::int32_t nextGameSync(std::int32_t value, bool remasteredOffered) {
    if (remasteredOffered) {
        return (value + 1) % 3;
    }
    return value == 0 ? 2 : 0;
}

// CAS ADAPTIVE SHARPENING and BILATERAL FILTER: 0, 25, 50, 75, 100, never past 100.
constexpr std::int32_t nextLevel(std::int32_t value) {
    return value <= 99 ? std::min(value + 25, 100) : 0;
}

// PAPER WHITE: AUTO (0), 80 to 320 by 40, then 400 and 480. A stored value between the steps
// stops at 480, the highest the preferences keep.
constexpr std::int32_t nextPaperWhite(std::int32_t value) {
    if (value == 0) {
        return 80;
    }
    if (value < 320) {
        return value + 40;
    }
    if (value <= 479) {
        return std::min(value + 80, 480);
    }
    return 0;
}

// PEAK BRIGHTNESS: AUTO (0), 400 to 1000 by 200, 1500, 2000, 4000.
constexpr std::int32_t nextPeakBrightness(std::int32_t value) {
    if (value == 0) {
        return 400;
    }
    if (value < 1000) {
        return value + 200;
    }
    if (value < 2000) {
        return value + 500;
    }
    if (value < 4000) {
        return 4000;
    }
    return 0;
}

// HDR HIGHLIGHTS: 0, 25, 50, 75, 100, never past 100.
constexpr std::int32_t nextHighlights(std::int32_t value) {
    return value < 100 ? std::min(value + 25, 100) : 0;
}

} // namespace lumenark
