#include "app/setup_rules.h"

namespace lumenark {

bool setupBusy(const qxlauncher::SetupJob& job) {
    return job.queued || job.running;
}

bool toolsFine(const qxlauncher::ToolProbe& tools, bool verifyOnly) {
    return !tools.checked || (!tools.python.empty() && tools.pythonSupported &&
                              (verifyOnly || !tools.compilerVersion.empty()));
}

bool canRequestSetup(const qxlauncher::Backend& backend, int game, bool verifyOnly) {
    return backend.ownershipConfirmed() && !backend.setupJob(game).romFolder.empty() &&
           !setupBusy(backend.setupJob(game)) && !backend.isGameRunning() &&
           toolsFine(backend.toolProbe(), verifyOnly);
}

} // namespace lumenark
