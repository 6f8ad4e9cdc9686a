#include "app/loop/frame_pacer.h"

#include <algorithm>

namespace lumenark {

std::uint64_t frameInterval(bool active, int fpsLimit, bool setupBusy) {
    if (active) {
        const auto fps = static_cast<std::uint64_t>(std::max(fpsLimit, 1));
        return (fps + ticksPerSecond - 1) / fps;
    }
    return setupBusy ? inactiveBusyInterval : inactiveIdleInterval;
}

bool FramePacer::frameDue(std::uint64_t t, std::uint64_t c) {
    if (c != previousInterval_) {
        // First frame, focus change, FPS change, a setup starting or ending while inactive.
        next_ = t + c;
        return true;
    }
    if (next_ != 0 && t < next_) {
        return false;
    }
    next_ = next_ != 0 ? next_ + c * ((t - next_) / c + 1) : t + c;
    return true;
}

double FramePacer::takeStep(std::uint64_t t) {
    const double seconds =
        static_cast<double>(t - std::min(t, lastFrame_)) / static_cast<double>(ticksPerSecond);
    lastFrame_ = t;
    return std::min(seconds, maxFrameStepSeconds);
}

FrameWait FramePacer::waitAfter(std::uint64_t f, std::uint64_t c) {
    previousInterval_ = c;
    if (f >= next_) {
        return {true, 0};
    }
    return {false, next_ - f};
}

} // namespace lumenark
