#include "backend/config.h"

namespace qxlauncher {

Config defaultConfig(int) {
    return Config{};
}

} // namespace qxlauncher
