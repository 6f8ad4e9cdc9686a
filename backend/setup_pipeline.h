#pragma once
// The setup pipeline's records: the queue entries, one job per game and the requirements result.
#include <cstdint>

namespace qxlauncher {

// A game kind, or -1 for the requirements check, and the verify-only flag.
struct SetupQueueEntry {
    std::int32_t game = -1;
    bool verifyOnly = false;
};

struct SetupJob {};

struct ToolProbe {};

} // namespace qxlauncher
