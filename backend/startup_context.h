#pragma once
#include <filesystem>

namespace qxlauncher {

// What the entry point learned at start-up; every mode and every backend gets its own copy.
struct StartupContext {
    std::filesystem::path projectRoot; // the folder that holds the launcher executable
};

} // namespace qxlauncher
