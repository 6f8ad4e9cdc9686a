#include "tests/support/probe_child.h"
#include "tests/support/temp_folder.h"

namespace testsupport {

platform::StartedChild startChildProbe(const std::vector<std::wstring>& words) {
#ifdef _WIN32
    const std::filesystem::path program = binaryFolder() / "child_probe.exe";
#else
    const std::filesystem::path program = binaryFolder() / "child_probe";
#endif
    // The words hold no quote and end in no backslash.
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    for (const auto& word : words) {
        commandLine += L" \"" + word + L"\"";
    }
    const platform::UniqueHandle input = platform::openChildNullInput();
    platform::ChildProcessRequest request;
    request.application = program;
    request.commandLine = commandLine;
    request.standardInput = input.get();
    return platform::startChildProcess(request);
}

} // namespace testsupport
