#include "app/command_line_modes.h"

#include <cstdio>
#include <stdexcept>

namespace lumenark {

// Not built yet: the session script cannot be started, which the fatal path reports.
int runDiagnosticSession(const qxlauncher::StartupContext&, const std::vector<std::wstring>&) {
    throw std::runtime_error("diagnostic process");
}

} // namespace lumenark
