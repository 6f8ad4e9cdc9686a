#include "app/ui_event_log.h"

#include "backend/files/path_walk.h"
#include "platform/clock.h"
#include "platform/files.h"

#include <fstream>
#include <stdexcept>
#include <system_error>

namespace lumenark {

void requireNoLinkInPath(std::filesystem::path path) {
    qxlauncher::walkBelowRoot(std::move(path), [](const std::filesystem::path& component) {
        const platform::PathAttributes attributes = platform::readPathAttributes(component);
        if (attributes.kind == platform::PathAttributes::Kind::present && attributes.reparsePoint) {
            throw std::runtime_error("launcher path uses a link/junction");
        }
        return true;
    });
}

void logUiEvent(const std::filesystem::path& projectRoot, const std::string& event) {
    // Absolute first, so the link walk covers the folders above a relative root too.
    const std::filesystem::path path =
        std::filesystem::absolute(projectRoot / uiEventLogPath).lexically_normal();
    requireNoLinkInPath(path);
    std::filesystem::create_directories(path.parent_path());
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > uiEventLogLimit) {
            std::ofstream(path, std::ios::binary | std::ios::trunc);
        }
    }
    // Binary mode: every line ends in one line feed on both platforms.
    std::ofstream stream(path, std::ios::binary | std::ios::app);
    if (!stream) {
        return;
    }
    stream << platform::tickCountMilliseconds() << ' ' << event << '\n';
}

} // namespace lumenark
