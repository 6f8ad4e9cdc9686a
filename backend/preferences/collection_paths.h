#pragma once
// The collection's fixed paths relative to the project root: the game packages under
// "build/native" and the launcher's own files in "build/native/launcher-profile".
#include <filesystem>

namespace qxlauncher {

extern const std::filesystem::path qx1BuildDir;
extern const std::filesystem::path qx2ArcadeBuildDir;
extern const std::filesystem::path qx2NativeBuildDir;
extern const std::filesystem::path qx3NativeBuildDir;
extern const std::filesystem::path menuAudioConfigPath;
extern const std::filesystem::path launcherConfigPath;
extern const std::filesystem::path controlsConfigPath;
extern const std::filesystem::path setupConfigPath;

} // namespace qxlauncher
