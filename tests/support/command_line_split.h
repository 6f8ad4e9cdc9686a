#pragma once
// A test double of the rules by which the Windows runtime splits a command line into arguments
// (CommandLineToArgvW), so quoting can be checked round trip on Linux as well.
#include <string>
#include <vector>

namespace testsupport {

std::vector<std::wstring> splitWindowsCommandLine(const std::wstring& commandLine);

} // namespace testsupport
