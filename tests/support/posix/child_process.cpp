#include "tests/support/child_process.h"
#include "tests/support/probe_child.h"
#include "tests/support/temp_folder.h"

#include "platform/text.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

ChildResult runChild(const std::filesystem::path& program, const ChildOptions& options) {
    TempFolder capture("child-output");
    const std::filesystem::path outPath = capture / "stdout";
    const std::filesystem::path errPath = capture / "stderr";
    std::vector<std::string> arguments{program.string()};
    for (const auto& argument : options.arguments) {
        arguments.push_back(platform::utf8FromWide(argument));
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        for (const auto& [name, value] : options.environment) {
            if (value) {
                ::setenv(platform::utf8FromWide(name).c_str(),
                         platform::utf8FromWide(*value).c_str(), 1);
            } else {
                ::unsetenv(platform::utf8FromWide(name).c_str());
            }
        }
        if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
            ::_exit(127);
        }
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (options.unprivileged && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ChildResult result;
    if (child < 0) {
        return result;
    }
    const auto deadline = std::chrono::steady_clock::now() + options.timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-child, SIGKILL);
            ::waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        if (options.whileRunning) {
            options.whileRunning(readFileIfPresent(outPath));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.standardOutput = readFile(outPath);
    result.standardError = readFile(errPath);
    return result;
}

} // namespace testsupport

namespace testsupport {

void loseExitCode(platform::StartedChild& child) {
    int ignored = 0;
    while (::waitpid(static_cast<pid_t>(child.processId), &ignored, 0) < 0 && errno == EINTR) {
    }
}

} // namespace testsupport
