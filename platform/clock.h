#pragma once
// Monotonic clocks.
#include <cstdint>

namespace platform {

// Milliseconds since the system started (GetTickCount64).
std::uint64_t tickCountMilliseconds();

// A monotonic instant in 100-nanosecond units.
std::uint64_t monotonic100ns();

void sleepMilliseconds(std::uint32_t milliseconds);

} // namespace platform
