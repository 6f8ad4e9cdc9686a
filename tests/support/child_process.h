#pragma once
// Runs a program as a child process and collects what it did, on Linux and under Wine alike.
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct ChildResult {
    int exitCode = -1;
    bool timedOut = false;
    std::string standardOutput;
    std::string standardError;
};

struct ChildOptions {
    std::vector<std::wstring> arguments;
    // Added to (or, with an empty optional, removed from) the test's own environment.
    std::map<std::wstring, std::optional<std::wstring>> environment;
    std::filesystem::path workingFolder;
    std::chrono::milliseconds timeout{60000};
    // Run as root (CI), the child drops to user id 65534 before its program starts, so that
    // what root made for itself binds it; elsewhere this changes nothing.
    bool unprivileged = false;
    // Called every few milliseconds while the child runs, with its standard output so far.
    std::function<void(const std::string& output)> whileRunning;
};

ChildResult runChild(const std::filesystem::path& program, const ChildOptions& options);

} // namespace testsupport
