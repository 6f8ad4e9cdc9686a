#pragma once
// The fake game for launch and monitor tests: a copy of it in a folder of the test's own with
// its scenario beside it, and what it recorded once it ran.
#include "backend/launch/command_line.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "tests/support/temp_folder.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace gametest {

#ifdef _WIN32
inline constexpr const char* executableSuffix = ".exe";
#else
inline constexpr const char* executableSuffix = "";
#endif

inline std::filesystem::path builtDouble(const std::string& name) {
    return testsupport::binaryFolder() / (name + executableSuffix);
}

// Copies a built double to `target`, keeping it executable.
inline void placeDouble(const std::string& name, const std::filesystem::path& target) {
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(builtDouble(name), target,
                               std::filesystem::copy_options::overwrite_existing);
}

inline void writeScenario(const std::filesystem::path& gameExecutable, const std::string& lines) {
    testsupport::writeFile(gameExecutable.parent_path() / "fake-game.scenario", lines);
}

// What a fake recorded: its working folder, arguments, environment strings, bytes of input, and
// whether it held the handle its scenario's probe_handle named.
struct FakeRecord {
    std::string workingFolder;
    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::size_t inputBytes = 0;
    std::string handle;

    std::optional<std::string> variable(const std::string& name) const {
        for (const auto& entry : environment) {
            if (entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
                entry[name.size()] == '=') {
                return entry.substr(name.size() + 1);
            }
        }
        return std::nullopt;
    }
};

// Waits for the record beside the fake to be complete.
inline std::optional<FakeRecord>
waitForRecord(const std::filesystem::path& recordFile,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        // A record just renamed into place may not open yet on Windows: try again.
        if (const std::string text = testsupport::readFileIfPresent(recordFile); !text.empty()) {
            std::istringstream lines(text);
            FakeRecord record;
            std::string line;
            while (std::getline(lines, line)) {
                if (line.starts_with("cwd=")) {
                    record.workingFolder = line.substr(4);
                } else if (line.starts_with("arg=")) {
                    record.arguments.push_back(line.substr(4));
                } else if (line.starts_with("env=")) {
                    record.environment.push_back(line.substr(4));
                } else if (line.starts_with("stdin-bytes=")) {
                    record.inputBytes = std::stoul(line.substr(12));
                } else if (line.starts_with("handle=")) {
                    record.handle = line.substr(7);
                } else if (line == "ready") {
                    return record;
                }
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

// Starts a program directly, its output on a log, as a game would run.
inline platform::StartedChild startFake(const std::filesystem::path& program,
                                        const std::filesystem::path& log) {
    platform::UniqueHandle output = platform::openChildLogFile(log);
    platform::UniqueHandle input = platform::openChildNullInput();
    platform::ChildProcessRequest request;
    request.application = program;
    request.commandLine = qxlauncher::quoteArgument(program.wstring());
    request.standardInput = input.get();
    request.standardOutput = output.get();
    request.standardError = output.get();
    return platform::startChildProcess(request);
}

// Repeats `step` until `done` holds or the time runs out.
template <typename Step, typename Done>
bool pollUntil(Step step, Done done,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(20000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        step();
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

} // namespace gametest
