#pragma once
// One line on the standard error stream for a failure that a backend operation absorbs.
#include <string_view>

namespace qxlauncher {

// Writes the fixed prefix (ending in ": "), the error text and a line feed in one write.
void logAbsorbedFailure(std::string_view prefix, std::string_view errorText);

} // namespace qxlauncher
