#pragma once
// Runs a piece of a test as an account that file permissions bind. Root ignores them, and CI runs
// the tests as root, so there the piece runs in a forked child that has dropped to the
// unprivileged user id 65534 and hands its result back as text.
#include <filesystem>
#include <functional>
#include <string>

namespace testsupport {

struct UnprivilegedRun {
    bool ran = false;
    std::string result; // what the probe returned, when it ran
    std::string reason; // why it could not run, for the skip message
};

// Runs `probe` unprivileged; `folder` (the test's scratch folder) must be reachable by that
// account, or nothing runs and the reason says so. Where permissions already bind the tests'
// account, the probe runs in place.
UnprivilegedRun runUnprivileged(const std::filesystem::path& folder,
                                const std::function<std::string()>& probe);

} // namespace testsupport
