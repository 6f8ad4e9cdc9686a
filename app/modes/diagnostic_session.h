#pragma once
// The diagnostic session: launcher options turned into the first game's session-script
// parameters.
#include <filesystem>
#include <string>
#include <vector>

namespace lumenark {

struct DiagnosticPlan {
    std::vector<std::wstring> arguments; // the PowerShell executable first
    std::filesystem::path logPath;
};

// The child's argument list and log for these options ("unknown diagnostic argument",
// "missing diagnostic argument").
DiagnosticPlan planDiagnosticSession(const std::filesystem::path& projectRoot,
                                     const std::filesystem::path& powershell,
                                     const std::vector<std::wstring>& options);

} // namespace lumenark
