// The Linux stand-in: a job is a keeper process (job_keeper.h) that starts the child in a process
// group of its own and holds every descendant, also one that leaves the group or session;
// closing or terminating the job, or the launcher's death, ends the tree whole.
#include "platform/child_process.h"
#include "platform/posix/handle_object.h"
#include "platform/posix/job_keeper.h"
#include "platform/system_error.h"
#include "platform/text.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <optional>
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
// TerminateJobObject does for each of its processes. A child in a job is the keeper's child;
// the keeper reports its end through the status pipe.
struct ChildState {
    pid_t pid = -1;
    bool reaped = false;
    bool statusLost = false; // collected by someone else: ended, exit code unknown
    int status = 0;
    std::optional<std::uint32_t> terminatedWith;
    std::optional<posix::KeptChild> kept;

    ChildState() = default;
    ChildState(const ChildState&) = delete;
    ChildState& operator=(const ChildState&) = delete;
    ~ChildState() {
        if (kept) {
            posix::endKeptTree(*kept);
            ::close(kept->statusPipe);
        }
    }

    void reapIfEnded() {
        if (reaped) {
            return;
        }
        if (kept) {
            std::int32_t value = 0;
            const ssize_t got = ::read(kept->statusPipe, &value, sizeof(value));
            if (got == static_cast<ssize_t>(sizeof(value))) {
                reaped = true;
                status = value;
            } else if (got == 0) {
                // The keeper is gone without a word: the tree was ended.
                reaped = true;
                status = SIGKILL;
            }
            return;
        }
        int value = 0;
        const pid_t done = ::waitpid(pid, &value, WNOHANG);
        if (done == pid) {
            reaped = true;
            status = value;
        } else if (done < 0 && errno == ECHILD) {
            reaped = true;
            statusLost = true;
        }
    }
};

struct ProcessHandle final : posix::HandleObject {
    explicit ProcessHandle(std::shared_ptr<ChildState> child) : state(std::move(child)) {}
    ~ProcessHandle() override {
        state->reapIfEnded();
        if (!state->reaped && !state->kept) {
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
    ~JobHandle() override { posix::endKeptTree(*state->kept); }
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

// What the child does between its fork and its program: prepared before the fork, since after
// it only system calls may be made.
struct ExecPlan {
    const char* program;
    char* const* argv;
    char* const* envp; // null: the launcher's own environment
    const char* folder;
    int in;
    int out;
    int err;
    int report; // the start report's write end
};

// Takes the standard streams, the folder and the program; a failure is reported by its errno.
[[noreturn]] void becomeChild(const void* context) {
    const ExecPlan& plan = *static_cast<const ExecPlan*>(context);
    int code = 0;
    if ((plan.in >= 0 && ::dup2(plan.in, 0) < 0) || (plan.out >= 0 && ::dup2(plan.out, 1) < 0) ||
        (plan.err >= 0 && ::dup2(plan.err, 2) < 0)) {
        code = errno;
    } else if (plan.folder[0] != '\0' && ::chdir(plan.folder) != 0) {
        code = errno;
    } else {
        // Only the three standard streams are inherited, as with a Windows child.
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        if (plan.envp != nullptr) {
            ::execve(plan.program, plan.argv, plan.envp);
        } else {
            ::execv(plan.program, plan.argv);
        }
        code = errno;
    }
    [[maybe_unused]] const ssize_t written = ::write(plan.report, &code, sizeof(code));
    ::_exit(127);
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
    ExecPlan plan{program.c_str(),
                  argv.data(),
                  request.environmentBlock ? envp.data() : nullptr,
                  folder.c_str(),
                  descriptorOf(request.standardInput),
                  descriptorOf(request.standardOutput),
                  descriptorOf(request.standardError),
                  -1};

    // The child reports a failed start through this pipe; it closes unread on success.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return failed(ChildStartFailure::createProcess, systemErrorFromErrno(errno));
    }
    plan.report = report[1];
    auto state = std::make_shared<ChildState>();
    if (request.killTreeOnJobClose) {
        const int inherited[] = {plan.in, plan.out, plan.err, plan.report};
        posix::KeptChild kept =
            posix::startKeptChild(&becomeChild, &plan, inherited, std::size(inherited));
        if (kept.child < 0) {
            ::close(report[0]);
            ::close(report[1]);
            const ChildStartFailure failure =
                kept.keeper < 0 ? ChildStartFailure::jobCreate : ChildStartFailure::createProcess;
            posix::endKeptTree(kept);
            if (kept.statusPipe >= 0) {
                ::close(kept.statusPipe);
            }
            return failed(failure, systemErrorFromErrno(kept.forkError));
        }
        state->pid = kept.child;
        state->kept = kept;
    } else {
        const pid_t pid = ::fork();
        if (pid == 0) {
            becomeChild(&plan);
        }
        if (pid < 0) {
            const int code = errno;
            ::close(report[0]);
            ::close(report[1]);
            return failed(ChildStartFailure::createProcess, systemErrorFromErrno(code));
        }
        state->pid = pid;
    }
    ::close(report[1]);
    int childError = 0;
    const ssize_t got = ::read(report[0], &childError, sizeof(childError));
    ::close(report[0]);
    if (got == static_cast<ssize_t>(sizeof(childError))) {
        if (!state->kept) {
            int ignored = 0;
            ::waitpid(state->pid, &ignored, 0);
        }
        // A kept child's keeper collects it when the state goes.
        return failed(ChildStartFailure::createProcess, systemErrorFromErrno(childError));
    }
    StartedChild result;
    result.process = UniqueHandle(posix::toHandle(new ProcessHandle(state)));
    if (state->kept) {
        result.job = UniqueHandle(posix::toHandle(new JobHandle(state)));
    }
    result.processId = static_cast<std::uint32_t>(state->pid);
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
    if (state.statusLost) {
        return state.terminatedWith;
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
    posix::endKeptTree(*handle->state->kept);
    return true;
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
        const std::filesystem::path candidate = pathFromWide(folder) / pathFromWide(fileName);
        struct stat info {};
        if (::stat(posix::nativePath(candidate), &info) != 0 || !S_ISREG(info.st_mode)) {
            continue;
        }
        std::error_code error;
        std::filesystem::path full = std::filesystem::absolute(candidate, error);
        if (error || utf16Length(wideFromPath(full)) >= bufferUnits) {
            return std::nullopt;
        }
        return full.lexically_normal();
    }
    return std::nullopt;
}

} // namespace platform
