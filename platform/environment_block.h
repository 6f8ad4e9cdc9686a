#pragma once
// The calling process's own environment, as the system hands it to a child.
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Every "NAME=value" string of the environment in the system's order, the per-drive folder
// entries ("=C:=C:\") included; none when the environment cannot be read.
std::optional<std::vector<std::wstring>> environmentStrings();

} // namespace platform
