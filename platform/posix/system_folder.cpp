// Linux has no system folder with Windows PowerShell in it. The stand-in is a folder named by
// LUMENARK_SYSTEM_DIR, so tests can put a fake "WindowsPowerShell/v1.0/powershell.exe" there;
// without it there is no system folder, as when the call fails on Windows.
#include "platform/system_folder.h"

#include <cstdlib>
#include <cstring>

namespace platform {

std::optional<std::filesystem::path> systemFolder() {
    const char* chosen = std::getenv("LUMENARK_SYSTEM_DIR");
    if (chosen == nullptr || *chosen == '\0' || std::strlen(chosen) >= 32768) {
        return std::nullopt;
    }
    return std::filesystem::path(chosen);
}

} // namespace platform
