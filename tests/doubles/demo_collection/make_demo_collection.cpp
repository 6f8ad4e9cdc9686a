// make_demo_collection <folder>: a demo project root in <folder> with the launcher copied in,
// "roms" holding fake ROM files of all three games and "interpreters" the fake interpreter.
#include "tests/support/fake_collection.h"
#include "tests/support/temp_folder.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_demo_collection <folder>\n", stderr);
        return 2;
    }
    const std::filesystem::path root = std::filesystem::absolute(argv[1]);
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    const std::filesystem::path launcher = testsupport::binaryFolder() / LUMENARK_LAUNCHER_NAME;
    std::filesystem::copy_file(launcher, root / LUMENARK_LAUNCHER_NAME);
    testsupport::writeFakeManifests(root);
    for (int game = 0; game < 3; ++game) {
        testsupport::writeFakeRoms(root / "roms", game);
    }
    testsupport::writeFakeSetupScript(
        root, "requirements=supported\nstep_delay_ms=40\ncompile_units=5\n");
    testsupport::placeFakeInterpreter(root / "interpreters", {"python.exe"});
    std::printf("%s\n", root.string().c_str());
    return 0;
}
