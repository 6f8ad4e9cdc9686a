#include "backend/backend.h"

namespace qxlauncher {

Backend::Backend(const StartupContext& context)
    : config(defaultConfig(0)),
      projectRoot(std::filesystem::absolute(context.projectRoot).lexically_normal()),
      status(L"Choose the folder with your ROM files to prepare the games.") {
    // Settings of earlier runs: the ownership confirmation and the ROM folders (setup.cfg).
    // Then each game's build seconds from its newest valid receipt.
    try {
        loadSetupConfig();
    } catch (const std::exception&) {
        // A damaged setup.cfg keeps what its earlier lines set.
    }
    for (int game = 0; game < gameCount; ++game) {
        refreshBuildSeconds(game);
    }
}

Backend::~Backend() {
    // In this order, where the fields alone would close them in reverse. Closing the job object
    // ends a running setup script with its whole process tree.
    gameProcess.reset();
    setupProcess.reset();
    setupJobObject.reset();
}

bool Backend::selectQx3Edition(std::int32_t edition) {
    if (isGameRunning() || (edition != 1 && edition != 2)) {
        return false;
    }
    qx3Edition = edition;
    return true;
}

} // namespace qxlauncher
