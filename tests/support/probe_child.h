#pragma once
// The child_probe double started through the platform's own child service, for tests that hand a
// real process to the backend: as a running setup, a running game, or one whose exit code is gone.
#include "platform/child_process.h"

#include <string>
#include <vector>

namespace testsupport {

// Starts child_probe with these words (see tests/doubles/child_probe), its input the null device.
platform::StartedChild startChildProbe(const std::vector<std::wstring>& words);

// Waits until the child has ended, then leaves it a process handle through which its exit code
// cannot be read: on Windows a handle without query access, on Linux a child that someone else
// has collected.
void loseExitCode(platform::StartedChild& child);

} // namespace testsupport
