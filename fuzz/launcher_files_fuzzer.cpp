// Feeds arbitrary bytes to the readers of the launcher's own files: launcher.cfg and the older
// menu-audio.cfg, the control bindings of controls.cfg, and setup.cfg (read by a backend made on
// a scratch project root). They may refuse a file only with their own labels; what they read,
// written again, reads back the same and is written the same.
#include "backend/backend.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/config.h"
#include "backend/preferences/launcher_files.h"
#include "fuzz/fuzz_support.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using namespace qxlauncher;

void readLauncherConfig(std::string_view text, bool full) {
    const Config config = defaultConfig(0);
    LauncherPreferences read;
    fuzzsupport::Labels labels{
        "invalid launcher preference: Volume=", "invalid launcher preference: Muted=",
        "unexpected launcher preference"};
    if (full) {
        labels.insert(labels.end(), {"invalid launcher preference: FPS=", "invalid launcher FPS",
                                     "invalid launcher preference: VSync=",
                                     "invalid launcher preference: ReducedMotion=",
                                     "invalid launcher preference: Fullscreen="});
    }
    if (fuzzsupport::refusedWithLabel(
            [&] { read = readLauncherFile(std::string(text), config, full); }, labels)) {
        return;
    }
    // Whatever was read is saved as launcher.cfg.
    const std::string written = launcherPreferencesText(read);
    const LauncherPreferences again = readLauncherFile(written, config, true);
    fuzzsupport::check(again == read, "launcher preferences written back read otherwise");
    fuzzsupport::check(launcherPreferencesText(again) == written,
                       "launcher preferences read back are written otherwise");
}

void readControls(std::string_view text) {
    ControlBindings read;
    if (!parseControls(text, read)) {
        fuzzsupport::check(read == ControlBindings{}, "refused controls changed the bindings");
        return;
    }
    const std::string written = formatControls(read);
    ControlBindings again;
    fuzzsupport::check(parseControls(written, again) && again == read,
                       "controls written back read otherwise");
    fuzzsupport::check(formatControls(again) == written,
                       "controls read back are written otherwise");
}

struct SetupChoices {
    bool acknowledged;
    std::array<fs::path, gameCount> romFolders;
    bool operator==(const SetupChoices&) const = default;
};

SetupChoices setupChoicesOf(const Backend& backend) {
    SetupChoices choices{backend.ownershipConfirmed(), {}};
    for (int game = 0; game < gameCount; ++game) {
        choices.romFolders[static_cast<std::size_t>(game)] = backend.setupJob(game).romFolder;
    }
    return choices;
}

void readSetupConfig(std::string_view text) {
    static const fs::path root = fuzzsupport::scratchRoot() / "setup";
    const fs::path file = root / setupConfigPath;
    fuzzsupport::writeFile(file, text);
    Backend first{StartupContext{root}};
    const SetupChoices read = setupChoicesOf(first);
    for (const fs::path& folder : read.romFolders) {
        fuzzsupport::check(!fuzzsupport::holdsNul(folder), "a ROM folder that holds a NUL");
    }
    fuzzsupport::check(first.saveSetupConfig(), "setup.cfg not saved");
    const std::string written = fuzzsupport::readFile(file);
    Backend second{StartupContext{root}};
    fuzzsupport::check(setupChoicesOf(second) == read, "setup.cfg written back reads otherwise");
    fuzzsupport::check(second.saveSetupConfig() && fuzzsupport::readFile(file) == written,
                       "setup.cfg read back is written otherwise");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 4) {
    case 0:
        readLauncherConfig(text, true);
        break;
    case 1:
        readLauncherConfig(text, false);
        break;
    case 2:
        readControls(text);
        break;
    default:
        readSetupConfig(text);
        break;
    }
    return 0;
}
