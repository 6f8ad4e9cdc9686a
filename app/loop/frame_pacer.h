#pragma once
// The frame grid of the main loop, in 100-ns units of the monotonic clock. Frames fall on a fixed
// grid (the previous deadline plus whole intervals): a late frame skips the slots it missed and
// never shortens the next interval.
#include <cstdint>

namespace lumenark {

inline constexpr std::uint64_t ticksPerSecond = 10000000;
// While inactive: 10 frames a second during a setup, else 2.
inline constexpr std::uint64_t inactiveBusyInterval = 1000000;
inline constexpr std::uint64_t inactiveIdleInterval = 5000000;
inline constexpr double maxFrameStepSeconds = 0.1;

// The frame interval: 10^7 / FPS rounded up while the window is active.
std::uint64_t frameInterval(bool active, int fpsLimit, bool setupBusy);

// What the loop does after a frame or an undue frame.
struct FrameWait {
    bool immediate = false;  // the next frame is already due: the next turn starts at once
    std::uint64_t dueIn = 0; // else the timer fires after this many units
};

class FramePacer {
public:
    explicit FramePacer(std::uint64_t start) : lastFrame_(start) {}

    // Whether a frame is drawn at t with the interval c; moves the next deadline on the grid.
    bool frameDue(std::uint64_t t, std::uint64_t c);
    // The time step of a frame drawn at t (at most 0.1 s); t becomes the last frame time.
    double takeStep(std::uint64_t t);
    // The wait after a frame or an undue frame, at f; c becomes the previous interval.
    FrameWait waitAfter(std::uint64_t f, std::uint64_t c);
    // No frame while minimised: no deadline is kept.
    void clearDeadline() { next_ = 0; }

    std::uint64_t nextFrame() const { return next_; }

private:
    std::uint64_t next_ = 0;
    // 1 is no real interval, so the first turn counts as a changed interval.
    std::uint64_t previousInterval_ = 1;
    std::uint64_t lastFrame_;
};

} // namespace lumenark
