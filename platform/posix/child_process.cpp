// The Linux stand-in: a job is a process group of the child's own, created before the child's
// program runs, so every descendant is in it; closing or terminating the job kills the group
// whole. A descendant that leaves the group (its own session or group) is out of reach, which a
// Windows job would still hold.
#include "platform/child_process.h"
#include "platform/posix/handle_object.h"
#include "platform/system_error.h"
#include "platform/text.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

using posix::FdHandle;
using posix::fromHandle;
using posix::systemErrorFromErrno;

// What the process and its job handle share: a terminated job fixes the exit code, as
// TerminateJobObject does for each of its processes.
struct ChildState {
    pid_t pid = -1;
    bool reaped = false;
    int status = 0;
    std::optional<std::uint32_t> terminatedWith;

    void reapIfEnded() {
        if (reaped) {
            return;
        }
        int value = 0;
        const pid_t done = ::waitpid(pid, &value, WNOHANG);
        if (done == pid) {
            reaped = true;
            status = value;
        } else if (done < 0 && errno == ECHILD) {
            reaped = true;
        }
    }
};

struct ProcessHandle final : posix::HandleObject {
    explicit ProcessHandle(std::shared_ptr<ChildState> child) : state(std::move(child)) {}
    ~ProcessHandle() override {
        state->reapIfEnded();
        if (!state->reaped) {
            // Closing the handle leaves the child running; someone must still collect it.
            std::thread([pid = state->pid] {
                int ignored = 0;
                ::waitpid(pid, &ignored, 0);
            }).detach();
        }
    }
    std::shared_ptr<ChildState> state;
};

struct JobHandle final : posix::HandleObject {
    explicit JobHandle(std::shared_ptr<ChildState> child) : state(std::move(child)) {}
    ~JobHandle() override { ::kill(-state->pid, SIGKILL); }
    std::shared_ptr<ChildState> state;
};

// The CommandLineToArgvW rules: the program token ends at the next quote or blank; the other
// arguments follow the runtime's backslash and quote rules.
std::vector<std::wstring> splitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> arguments;
    std::size_t i = 0;
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    std::wstring program;
    if (i < line.size() && line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"') {
            program.push_back(line[i++]);
        }
        if (i < line.size()) {
            ++i;
        }
    } else {
        while (i < line.size() && !blank(line[i])) {
            program.push_back(line[i++]);
        }
    }
    arguments.push_back(program);
    for (;;) {
        while (i < line.size() && blank(line[i])) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::wstring argument;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(line[i]))) {
            std::size_t backslashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                argument.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    argument.push_back(L'"');
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    argument.push_back(L'"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                argument.append(backslashes, L'\\');
                if (i < line.size() && (quoted || !blank(line[i]))) {
                    argument.push_back(line[i++]);
                }
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

std::vector<std::string> environmentEntries(const std::wstring& block) {
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start < block.size()) {
        const std::size_t end = block.find(L'\0', start);
        const std::size_t stop = end == std::wstring::npos ? block.size() : end;
        if (stop == start) {
            break;
        }
        entries.push_back(utf8FromWide(std::wstring_view(block).substr(start, stop - start)));
        start = stop + 1;
    }
    return entries;
}

int descriptorOf(NativeHandle handle) {
    auto* file = fromHandle<FdHandle>(handle);
    return file == nullptr ? -1 : file->fd;
}

StartedChild failed(ChildStartFailure failure, std::uint32_t error) {
    StartedChild result;
    result.failure = failure;
    result.error = error;
    return result;
}

UniqueHandle openFile(const char* path, int flags) {
    const int fd = ::open(path, flags | O_CLOEXEC, 0644);
    return UniqueHandle(fd < 0 ? nullptr : posix::toHandle(new FdHandle(fd)));
}

} // namespace

UniqueHandle openChildLogFile(const std::filesystem::path& path) {
    return openFile(posix::nativePath(path), O_WRONLY | O_CREAT | O_TRUNC);
}

UniqueHandle openChildNullInput() {
    return openFile("/dev/null", O_RDONLY);
}

StartedChild startChildProcess(const ChildProcessRequest& request) {
    // Everything the child needs is prepared before the fork: after it only system calls.
    std::vector<std::string> arguments;
    for (const auto& argument : splitCommandLine(request.commandLine)) {
        arguments.push_back(utf8FromWide(argument));
    }
    const std::string program =
        request.application.empty() ? arguments.front() : request.application.string();
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    std::vector<char*> envp;
    if (request.environmentBlock) {
        environment = environmentEntries(*request.environmentBlock);
        for (auto& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
    }
    const std::string folder = request.workingFolder.string();
    const int in = descriptorOf(request.standardInput);
    const int out = descriptorOf(request.standardOutput);
    const int err = descriptorOf(request.standardError);

    // The child reports a failed start through this pipe; it closes unread on success.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return failed(ChildStartFailure::createProcess, systemErrorFromErrno(errno));
    }
    const bool ownGroup = request.killTreeOnJobClose;
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int code = errno;
        ::close(report[0]);
        ::close(report[1]);
        return failed(ChildStartFailure::createProcess, systemErrorFromErrno(code));
    }
    if (pid == 0) {
        if (ownGroup) {
            ::setpgid(0, 0);
        }
        int code = 0;
        if ((in >= 0 && ::dup2(in, 0) < 0) || (out >= 0 && ::dup2(out, 1) < 0) ||
            (err >= 0 && ::dup2(err, 2) < 0)) {
            code = errno;
        } else if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            code = errno;
        } else {
            // Only the three standard streams are inherited, as with a Windows child.
            ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
            if (request.environmentBlock) {
                ::execve(program.c_str(), argv.data(), envp.data());
            } else {
                ::execv(program.c_str(), argv.data());
            }
            code = errno;
        }
        [[maybe_unused]] const ssize_t written = ::write(report[1], &code, sizeof(code));
        ::_exit(127);
    }
    if (ownGroup) {
        // Also set here, so the group exists whichever side runs first.
        ::setpgid(pid, pid);
    }
    ::close(report[1]);
    int childError = 0;
    const ssize_t got = ::read(report[0], &childError, sizeof(childError));
    ::close(report[0]);
    auto state = std::make_shared<ChildState>();
    state->pid = pid;
    if (got == static_cast<ssize_t>(sizeof(childError))) {
        int ignored = 0;
        ::waitpid(pid, &ignored, 0);
        return failed(ChildStartFailure::createProcess, systemErrorFromErrno(childError));
    }
    StartedChild result;
    result.process = UniqueHandle(posix::toHandle(new ProcessHandle(state)));
    if (ownGroup) {
        result.job = UniqueHandle(posix::toHandle(new JobHandle(state)));
    }
    result.processId = static_cast<std::uint32_t>(pid);
    return result;
}

bool hasChildEnded(NativeHandle process) {
    auto* handle = fromHandle<ProcessHandle>(process);
    if (handle == nullptr) {
        return false;
    }
    handle->state->reapIfEnded();
    return handle->state->reaped;
}

std::optional<std::uint32_t> childExitCode(NativeHandle process) {
    auto* handle = fromHandle<ProcessHandle>(process);
    if (handle == nullptr) {
        return std::nullopt;
    }
    ChildState& state = *handle->state;
    state.reapIfEnded();
    if (!state.reaped) {
        return 259; // still active, as Windows reports it
    }
    if (WIFEXITED(state.status)) {
        return static_cast<std::uint32_t>(WEXITSTATUS(state.status));
    }
    if (state.terminatedWith) {
        return state.terminatedWith;
    }
    return 128U + static_cast<std::uint32_t>(WTERMSIG(state.status));
}

bool terminateJob(NativeHandle job, std::uint32_t exitCode) {
    auto* handle = fromHandle<JobHandle>(job);
    if (handle == nullptr) {
        return false;
    }
    handle->state->terminatedWith = exitCode;
    return ::kill(-handle->state->pid, SIGKILL) == 0 || errno == ESRCH;
}

std::optional<std::filesystem::path> searchPathForFile(const std::wstring& searchPath,
                                                       const std::wstring& fileName) {
    constexpr std::size_t bufferUnits = 32768;
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(L':', start);
        if (end == std::wstring::npos) {
            end = searchPath.size();
        }
        const std::wstring folder = searchPath.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) {
            continue;
        }
        const std::filesystem::path candidate =
            std::filesystem::path(folder) / std::filesystem::path(fileName);
        struct stat info {};
        if (::stat(posix::nativePath(candidate), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        std::error_code error;
        std::filesystem::path full = std::filesystem::absolute(candidate, error);
        if (error || utf16Length(full.wstring()) >= bufferUnits) {
            return std::nullopt;
        }
        return full.lexically_normal();
    }
    return std::nullopt;
}

} // namespace platform
