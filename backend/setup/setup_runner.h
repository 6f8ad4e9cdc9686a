#pragma once
// Starting the collection's setup script: the interpreter candidates on the search path, the
// paths of its logs and progress file, and the windowless process inside a kill-on-close job.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qxlauncher {

struct PythonCandidate {
    const wchar_t* program;
    const wchar_t* extraArguments;
};

inline constexpr PythonCandidate pythonCandidates[] = {
    {L"python.exe", L""},
    {L"py.exe", L" -3"},
};

// The quoted full path of each interpreter found on "PATH", with its extra arguments, in table
// order; empty when "PATH" is not set.
std::vector<std::wstring> findPythonCandidates();

std::filesystem::path setupScriptPath(const std::filesystem::path& root);
std::filesystem::path requirementsResultPath(const std::filesystem::path& root);
std::filesystem::path requirementsLogPath(const std::filesystem::path& root);
// "logs/setup-<game id>.log" and "logs/setup-<game id>.progress.json"; std::out_of_range for
// a game kind above 2.
std::filesystem::path setupLogPath(const std::filesystem::path& root, int game);
std::filesystem::path setupProgressPath(const std::filesystem::path& root, int game);

// The command lines of the requirements check and of a game's setup or verify job.
std::wstring requirementsCommandLine(const std::wstring& pythonCommand,
                                     const std::filesystem::path& script);
std::wstring gameSetupCommandLine(const std::wstring& pythonCommand,
                                  const std::filesystem::path& script, int game,
                                  const std::filesystem::path& romFolder,
                                  const std::filesystem::path& progress, bool verifyOnly);

// Runs the command hidden in the folder, standard output and error to the two files (the same
// file when the paths are equal), inside a job that ends the whole tree when its last handle
// closes. Fails with "setup log", "setup job", "setup job limits", "setup CreateProcess",
// "setup job assignment" or a label of the path checks. `started` is the output file's write time
// once opened, before the process runs: the file system's own clock at the start, with which
// what the process writes later compares soundly.
struct SetupProcess {
    platform::UniqueHandle process;
    platform::UniqueHandle job;
    std::uint64_t started = 0;
};
SetupProcess runSetupProcess(const std::filesystem::path& folder, const std::wstring& commandLine,
                             const std::filesystem::path& outPath,
                             const std::filesystem::path& errPath);

} // namespace qxlauncher
