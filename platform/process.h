#pragma once
// The current process: its id, its own executable and its command line.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

std::uint32_t currentProcessId();

// The executable's path as the system reports it into a buffer of `bufferUnits` UTF-16 units.
// `returnedUnits` is what the system returned: 0 on failure, `bufferUnits` when it did not fit.
struct ModulePath {
    std::wstring text;
    std::uint32_t returnedUnits = 0;
};
ModulePath executablePath(std::uint32_t bufferUnits);

// The process's arguments after the program name, split by the system's rules; empty when
// the system could not split the command line.
std::optional<std::vector<std::wstring>> commandLineArguments();

// One environment variable; empty when it is not set.
std::optional<std::wstring> environmentVariable(const std::wstring& name);

} // namespace platform
