// A small writer for the kill sweep: one safe write of the launcher per call, as the launcher
// makes it, so that it can be killed at every file-changing call and run again.
//   safe_writer replace <target> <bytes file>   atomicReplaceFile of the file's bytes
//   safe_writer cmos <cmos.bin> <image file>     an edit of the CMOS image under its lock
//   safe_writer save-all <root> qx1|qx2 seed|change
//                                                the Settings page's SAVE for the first game
//                                                (its session lock) or the second game's native
//                                                package (its writer lock)
// Exit code 0 when the write was made; 1 when it was refused; 2 on an error.
#include "backend/backend.h"
#include "backend/cmos/cmos_profile.h"
#include "backend/files/file_safety.h"
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace qxlauncher;

int saveAll(const fs::path& root, const std::string& game, const std::string& step) {
    const bool second = game == "qx2";
    // The lanes under the root are the program the backend is to trust.
    const fs::path roms =
        second ? loadQx2NativeManifest(root, nativePackageIniPath(root), false).romDirectory
               : root / "roms/qx";
    const char* even = second ? "uj12.l31" : "even.bin";
    const char* odd = second ? "ug12.l31" : "odd.bin";
    const operatortest::TrustedProgram trusted(testsupport::interleavedProgram(
        testsupport::readFile(roms / even), testsupport::readFile(roms / odd)));
    Backend backend{StartupContext{root}};
    if (second) {
        backend.selectGame(1, true);
    } else {
        backend.loadPreferences(true);
    }
    if (!backend.adjustmentsAvailable()) {
        std::fputs("safe_writer: adjustments unavailable\n", stderr);
        return 2;
    }
    // What the Settings page saves: the preferences it loaded with the user's edits.
    Config next = BackendProbe::config(backend);
    GameAdjustments chosen = backend.loadedAdjustments();
    if (step == "change") {
        next.GameVolume = 40;
        next.Blood = false;
        chosen = {2, 5, false, false};
    }
    return backend.saveAll(next, chosen) ? 0 : 1;
}

int write(int count, char** values) {
    const std::string mode = count > 1 ? values[1] : "";
    if (mode == "replace" && count == 4) {
        atomicReplaceFile(values[2], testsupport::readFile(values[3]));
        return 0;
    }
    if (mode == "cmos" && count == 4) {
        const LoadedCmos loaded = loadCmosWithDigest(values[2]);
        editProfile(values[2], testsupport::readFile(values[3]), loaded.sha256,
                    CmosLockKind::SessionLock, {});
        return 0;
    }
    if (mode == "save-all" && count == 5) {
        return saveAll(values[2], values[3], values[4]);
    }
    std::fputs("safe_writer: unknown call\n", stderr);
    return 2;
}

} // namespace

int main(int count, char** values) {
    try {
        return write(count, values);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "safe_writer: %s\n", error.what());
        return 2;
    }
}
