#include "platform/clock.h"

#include <windows.h>

namespace platform {

std::uint64_t tickCountMilliseconds() {
    return ::GetTickCount64();
}

std::uint64_t monotonic100ns() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    const auto perSecond = static_cast<std::uint64_t>(frequency.QuadPart);
    // Split to keep the multiplication inside 64 bits.
    return (ticks / perSecond) * 10000000ULL + (ticks % perSecond) * 10000000ULL / perSecond;
}

void sleepMilliseconds(std::uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace platform
