// Whether a game's package can run, and the CMOS image and ROM folder of the selected game's
// package, as the backend asks them.
#include "backend/backend.h"
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "backend/preferences/collection_paths.h"

namespace qxlauncher {

bool Backend::nativePackagePresent() const {
    return isQx2NativePackagePresent(projectRoot);
}

bool Backend::isGameAvailable(int game) const {
    try {
        if (!isGameKind(game) || !hasValidBuild(game)) {
            return false;
        }
        switch (game) {
        case 0:
            return qx1PackageComplete(projectRoot);
        case 1:
            if (isQx2NativePackagePresent(projectRoot)) {
                return loadQx2NativeManifest(projectRoot, nativePackageIniPath(projectRoot), true)
                    .playable;
            }
            return qx2ArcadePackageComplete(projectRoot);
        default:
            loadQx3NativeManifest(projectRoot);
            return true;
        }
    } catch (...) {
        // Any refusal or unreadable file means the package cannot be trusted to run.
        return false;
    }
}

std::filesystem::path Backend::cmosPath(bool verify) const {
    if (selectedGame == 0) {
        return projectRoot / qx1BuildDir / "profile/cmos.bin";
    }
    if (selectedGame == 1 && isQx2NativePackagePresent(projectRoot)) {
        return loadQx2NativeManifest(projectRoot, nativePackageIniPath(projectRoot), verify)
                   .profileDirectory /
               "cmos.bin";
    }
    return {};
}

std::filesystem::path Backend::romFolder() const {
    if (selectedGame == 0) {
        return projectRoot / "roms/qx";
    }
    return loadQx2NativeManifest(projectRoot, nativePackageIniPath(projectRoot), false)
        .romDirectory;
}

bool Backend::extendedVideoAvailable() const {
    if (selectedGame == 0) {
        return true;
    }
    if (selectedGame != 1 || !isQx2NativePackagePresent(projectRoot)) {
        return false;
    }
    try {
        return loadQx2NativeManifest(projectRoot, nativePackageIniPath(projectRoot), false)
            .playable;
    } catch (...) {
        return false;
    }
}

} // namespace qxlauncher
