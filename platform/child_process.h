#pragma once
// Child processes: the setup script inside a job that ends its whole tree, and plain children
// such as the games, each with its standard streams on files of the launcher's choosing.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// A file for a child's output streams: created or truncated, opened for writing, shared for
// reading (so a log can be read while the child runs) and inheritable. Invalid on failure.
UniqueHandle openChildLogFile(const std::filesystem::path& path);

// The null device ("NUL", /dev/null) opened for reading as a child's standard input.
UniqueHandle openChildNullInput();

struct ChildProcessRequest {
    // The program to run; empty takes the program from the first token of the command line.
    std::filesystem::path application;
    // The whole command line, its arguments quoted by the Windows rules.
    std::wstring commandLine;
    // "NAME=value" entries each ended by a NUL, and one more NUL; none inherits the launcher's.
    std::optional<std::wstring> environmentBlock;
    // Empty runs the child in the launcher's current folder.
    std::filesystem::path workingFolder;
    NativeHandle standardInput = nullptr;
    NativeHandle standardOutput = nullptr;
    NativeHandle standardError = nullptr;
    // Ask the child's first window to start hidden.
    bool hideWindow = false;
    // Create the child suspended inside a job that kills every process of the tree when its
    // last handle closes; the child runs only once it is in the job.
    bool killTreeOnJobClose = false;
    // The exit code a child gets when it cannot be put into its job, or not be let run inside
    // it, and is ended at once.
    std::uint32_t assignmentFailureExitCode = 1223;
};

enum class ChildStartFailure {
    none,
    jobCreate,     // the job could not be created
    jobLimits,     // the kill-on-close limit could not be set
    createProcess, // the process could not be created
    jobAssignment, // the process could not be put into the job (it was ended)
    resume,        // the suspended process could not be let run (it was ended with its job)
};

struct StartedChild {
    ChildStartFailure failure = ChildStartFailure::none;
    std::uint32_t error = 0; // the system error of the failed step
    UniqueHandle process;
    UniqueHandle job; // only with killTreeOnJobClose
    std::uint32_t processId = 0;

    bool started() const { return failure == ChildStartFailure::none; }
};

// Starts the child. It inherits its standard handles (those of them that are inheritable) and no
// other handle of the launcher; the caller keeps and closes its own copies. On failure
// everything opened on the way is closed.
StartedChild startChildProcess(const ChildProcessRequest& request);

// True once the process has ended; never waits.
bool hasChildEnded(NativeHandle process);

// The exit code of a process (259 while it still runs on Windows); none when it cannot be read.
std::optional<std::uint32_t> childExitCode(NativeHandle process);

// Ends every process of the job; each gets the exit code.
bool terminateJob(NativeHandle job, std::uint32_t exitCode);

// Finds a file by name in a search path (entries separated by ';' on Windows, ':' on Linux) as
// the system's search does with a buffer of 32768 UTF-16 units; none when not found or too long.
std::optional<std::filesystem::path> searchPathForFile(const std::wstring& searchPath,
                                                       const std::wstring& fileName);

} // namespace platform
