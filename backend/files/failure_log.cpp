#include "backend/files/failure_log.h"

#include <cstdio>
#include <string>

namespace qxlauncher {

void logAbsorbedFailure(std::string_view prefix, std::string_view errorText) {
    std::string line;
    line.reserve(prefix.size() + errorText.size() + 1);
    line.append(prefix).append(errorText).push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace qxlauncher
