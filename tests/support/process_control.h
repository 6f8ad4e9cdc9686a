#pragma once
// Ends a process from outside, as a user or the system would, and tells when one is gone.
#include <chrono>
#include <cstdint>

namespace testsupport {

// Kills the process at once (SIGKILL, TerminateProcess); it gets no chance to clean up.
void killProcess(std::uint32_t processId);

// True once the process has ended (an unreaped zombie counts as ended). The bound only guards
// against a hung test.
bool waitUntilProcessEnded(std::uint32_t processId,
                           std::chrono::milliseconds bound = std::chrono::seconds(30));

} // namespace testsupport
