#pragma once
// When the launcher offers a game's setup: the rule that enables the Build, Verify and "Build
// all" controls and that "Build all" follows when it queues games.
#include "backend/backend.h"

namespace lumenark {

// Queued or running.
bool setupBusy(const qxlauncher::SetupJob& job);

// No requirements result yet, or one that found an interpreter path, reported it supported and,
// unless only verifying, found a compiler version.
bool toolsFine(const qxlauncher::ToolProbe& tools, bool verifyOnly);

// The ownership is confirmed, the game has a ROM folder, its job is neither queued nor running,
// no game runs, and the tools are fine.
bool canRequestSetup(const qxlauncher::Backend& backend, int game, bool verifyOnly);

} // namespace lumenark
