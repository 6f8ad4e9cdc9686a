#pragma once
// Command lines of the processes the launcher starts (the setup script, the games, the
// diagnostic session), quoted so that the Windows runtime splits them back unchanged.
#include <string>
#include <vector>

namespace qxlauncher {

// One argument quoted so that the Windows runtime splits it back unchanged.
std::wstring quoteArgument(const std::wstring& argument);

// Every argument quoted by the Windows rules, joined by one blank.
std::wstring quotedCommandLine(const std::vector<std::wstring>& arguments);

} // namespace qxlauncher
