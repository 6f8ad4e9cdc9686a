// Feeds arbitrary bytes to what the launcher reads of the setup script's output: the progress
// file of a game job, the requirements result, and a build receipt among the builds of a game.
// None of these readers may fail for what the file holds; the newest build found is always a
// build folder of the game with a lower-case SHA-256 and an executable inside it, named by a
// path without a NUL.
#include "backend/files/json.h"
#include "backend/setup/setup_progress.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

namespace fs = std::filesystem;

void readProgress(std::string_view text) {
    qxlauncher::JsonValue document;
    if (!qxlauncher::parseJsonObjectDocument(text, document)) {
        return;
    }
    qxlauncher::SetupJob job;
    qxlauncher::applySetupProgress(document, job);
    qxlauncher::ToolProbe tools;
    qxlauncher::applyRequirementsResult(document, tools);
    fuzzsupport::check(tools.checked, "a read requirements result is not marked checked");
}

// One build folder of the first game with an executable beside its receipt.
void readReceipt(std::string_view text) {
    static const fs::path root = fuzzsupport::scratchRoot() / "receipts";
    static const fs::path build =
        root / "generated/qx1/0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    static const bool laidOut = [] {
        fuzzsupport::writeFile(build / "qx1.exe", "MZ");
        return true;
    }();
    (void)laidOut;
    fuzzsupport::writeFile(build / "setup.json", text);
    const qxlauncher::LatestBuild latest = qxlauncher::findLatestBuild(root, L"qx1");
    if (!latest.found) {
        return;
    }
    fuzzsupport::check(latest.buildDirectory == build, "a build outside the game's folders");
    fuzzsupport::check(latest.executable.parent_path() == build,
                       "an executable outside its build folder");
    fuzzsupport::check(!fuzzsupport::holdsNul(latest.executable),
                       "an executable path that holds a NUL");
    fuzzsupport::check(latest.sha256.size() == 64 &&
                           latest.sha256.find_first_not_of("0123456789abcdef") == std::string::npos,
                       "a build digest that is not lower-case hexadecimal");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    // Whatever they throw is a finding: these readers take any content.
    if (data[0] % 2 == 0) {
        readProgress(text);
    } else {
        readReceipt(text);
    }
    return 0;
}
