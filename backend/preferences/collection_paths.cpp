#include "backend/preferences/collection_paths.h"

namespace qxlauncher {

// Built once at start, in this order, and kept until exit.
const std::filesystem::path qx1BuildDir{"build/native/manual-temporary-8-20261025"};
const std::filesystem::path qx2ArcadeBuildDir{"build/native/qx2-arcade-v1"};
const std::filesystem::path qx2NativeBuildDir{"build/native/qx2-native-v1"};
const std::filesystem::path qx3NativeBuildDir{"build/native/qx3-native"};
const std::filesystem::path menuAudioConfigPath{"build/native/launcher-profile/menu-audio.cfg"};
const std::filesystem::path launcherConfigPath{"build/native/launcher-profile/launcher.cfg"};
const std::filesystem::path controlsConfigPath{"build/native/launcher-profile/controls.cfg"};
const std::filesystem::path setupConfigPath{"build/native/launcher-profile/setup.cfg"};

} // namespace qxlauncher
