#pragma once
// The command-line modes that run without the launcher window.
#include "backend/startup_context.h"

#include <string>
#include <vector>

namespace lumenark {

// Headless setup: "--prepare" and its options; returns the process exit code.
int runPrepare(const qxlauncher::StartupContext& context,
               const std::vector<std::wstring>& arguments);

// Any other argument list runs the first game's session script; returns its exit code.
int runDiagnosticSession(const qxlauncher::StartupContext& context,
                         const std::vector<std::wstring>& arguments);

} // namespace lumenark
