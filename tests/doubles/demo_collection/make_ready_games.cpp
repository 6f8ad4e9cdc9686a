// make_ready_games <project root> <system folder> [--hold <file>]: after the demo's setup has
// left its build receipts, lays out what else the real launcher needs to offer PLAY: each
// game's package files and the ROM files its manifest lists, the fake game as the game's
// executable, and the fake "powershell.exe" in the stand-in system folder (LUMENARK_SYSTEM_DIR)
// that runs the packages' session scripts.
//
// Only packages that the launcher judges by sizes can be made ready here. The first game and the
// second game's session-script package are. The third game's package and the second game's
// native package are pinned by digests of the real ROM content (the third game's ROM list, the
// native ROM table) that the launcher links, and fake content cannot match them.
//
// The fake game leaves by itself after a few seconds, or with --hold once the file is gone.
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void copyProgram(std::string name, const fs::path& to) {
#ifdef _WIN32
    name += ".exe";
#endif
    fs::create_directories(to.parent_path());
    fs::copy_file(testsupport::binaryFolder() / name, to, fs::copy_options::overwrite_existing);
}

void writeRoms(const fs::path& root, const std::vector<testsupport::FixtureFile>& roms) {
    for (const auto& rom : roms) {
        testsupport::writeFile(root / "roms" / rom.name, rom.bytes);
    }
}

// The fake game as a package's executable, with its scenario beside it; the session script's
// first line names it for the fake PowerShell.
void placeGame(const fs::path& executable, const fs::path& script, const std::string& scenario) {
    copyProgram("fake_game", executable);
    testsupport::writeFile(executable.parent_path() / "fake-game.scenario", scenario);
    const std::u8string path = executable.u8string();
    testsupport::writeFile(script, std::string(path.begin(), path.end()) + "\n");
}

void layOutFirstGame(const fs::path& root, const std::string& scenario) {
    const fs::path product = testsupport::qx1ProductFolder(root);
    const auto roms = testsupport::qx1InventoryRoms();
    placeGame(product / "qx5-native-audio.exe", product / "session.ps1", scenario);
    // With video profiles, as a current build leaves it: every video preference can be played.
    testsupport::writeFile(product / "manifest.json",
                           testsupport::inventoryManifestText(roms, true));
    testsupport::writeFile(product / "factory-default-control-input.bin",
                           testsupport::fixtureBytes("qx1 controls", 64));
    testsupport::writeFile(product / "LogStore.cpp", "// demo log store\n");
    writeRoms(root, roms);
}

void layOutSecondGame(const fs::path& root, const std::string& scenario) {
    const fs::path product = testsupport::qx2ArcadeProductFolder(root);
    const auto roms = testsupport::qx2ArcadeInventoryRoms();
    const fs::path engine = testsupport::qx2ArcadeEngine(root);
    placeGame(engine, product / "session.ps1", scenario);
    testsupport::writeFile(product / "manifest.json",
                           testsupport::inventoryManifestText(roms, false));
    const std::u8string path = engine.u8string();
    testsupport::writeFile(product / "engine-path.txt", std::string(path.begin(), path.end()));
    writeRoms(root, roms);
}

} // namespace

int main(int argc, char** argv) {
    const bool held = argc == 5 && std::string(argv[3]) == "--hold";
    if (argc != 3 && !held) {
        std::fputs("usage: make_ready_games <project root> <system folder> [--hold <file>]\n",
                   stderr);
        return 2;
    }
    const fs::path root = fs::absolute(argv[1]);
    const fs::path system = fs::absolute(argv[2]);
    std::string scenario = "window=now\nexit=0\n";
    if (held) {
        const fs::path hold = fs::absolute(argv[4]);
        testsupport::writeFile(hold, "held\n");
        const std::u8string path = hold.u8string();
        scenario += "hold=" + std::string(path.begin(), path.end()) + "\nlifetime_ms=600000\n";
    } else {
        scenario += "lifetime_ms=5000\n";
    }
    copyProgram("fake_powershell", system / "WindowsPowerShell/v1.0/powershell.exe");
    layOutFirstGame(root, scenario);
    layOutSecondGame(root, scenario);
    std::puts("ready: Quarrix (session script), Quarrix II (session-script package)");
    std::puts("not ready: Quarrix 3 and the Quarrix II native package (pinned ROM digests)");
    return 0;
}
