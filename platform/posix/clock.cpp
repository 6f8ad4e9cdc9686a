#include "platform/clock.h"

#include <time.h>

namespace platform {

static std::uint64_t nanosecondsOf(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000ULL +
           static_cast<std::uint64_t>(now.tv_nsec);
}

// CLOCK_BOOTTIME counts from system start like GetTickCount64, suspend included.
std::uint64_t tickCountMilliseconds() {
    return nanosecondsOf(CLOCK_BOOTTIME) / 1000000ULL;
}

std::uint64_t monotonic100ns() {
    return nanosecondsOf(CLOCK_MONOTONIC) / 100ULL;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    timespec wait{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0) {
    }
}

} // namespace platform
