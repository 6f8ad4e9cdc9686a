#pragma once
// The system's own program folder, where the launcher takes Windows PowerShell and Notepad from
// (never from the search path).
#include <filesystem>
#include <optional>

namespace platform {

// None when the folder cannot be read or its path is 32768 characters or longer.
std::optional<std::filesystem::path> systemFolder();

} // namespace platform
