#include "platform/controllers.h"

namespace platform {

// Linux has no XInput: the launcher runs without controllers.
std::unique_ptr<Controllers> loadControllers() {
    return nullptr;
}

} // namespace platform
