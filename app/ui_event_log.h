#pragma once
// The UI event log: one line per top-level event, for diagnosis after the fact.
#include <cstdint>
#include <filesystem>
#include <string>

namespace lumenark {

inline constexpr const char* uiEventLogPath = "logs/temporaria-8/ui-latest.log";
inline constexpr std::uintmax_t uiEventLogLimit = 65536;

// Appends "<tick> <event>\n" to the log under the project root. A linked path and a failure to
// create the folder throw; a file that cannot be opened loses the line.
void logUiEvent(const std::filesystem::path& projectRoot, const std::string& event);

// Fails with "launcher path uses a link/junction" when the path or a parent below the root is a
// reparse point.
void requireNoLinkInPath(std::filesystem::path path);

} // namespace lumenark
