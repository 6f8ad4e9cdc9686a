#include "tests/support/unprivileged.h"

#include <cerrno>
#include <exception>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr uid_t unprivilegedId = 65534;

// The first byte says how the child ended: 'r' ran, 'n' could not; the rest is the text.
[[noreturn]] void reportAndExit(int pipe, char kind, const std::string& text) {
    std::string message(1, kind);
    message += text;
    std::size_t written = 0;
    while (written < message.size()) {
        const ssize_t step = ::write(pipe, message.data() + written, message.size() - written);
        if (step <= 0) {
            break;
        }
        written += static_cast<std::size_t>(step);
    }
    ::_exit(0);
}

} // namespace

UnprivilegedRun runUnprivileged(const std::filesystem::path& folder,
                                const std::function<std::string()>& probe) {
    UnprivilegedRun run;
    if (::geteuid() != 0) {
        run.ran = true;
        run.result = probe();
        return run;
    }
    int channel[2];
    if (::pipe2(channel, O_CLOEXEC) != 0) {
        run.reason = "no pipe to the unprivileged child";
        return run;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedId) != 0 ||
            ::setuid(unprivilegedId) != 0) {
            reportAndExit(channel[1], 'n', "the test could not drop to user id 65534");
        }
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0) {
            reportAndExit(channel[1], 'n',
                          "user id 65534 cannot reach the scratch folder " + folder.string());
        }
        std::string result;
        try {
            result = probe();
        } catch (const std::exception& error) {
            result = std::string("exception: ") + error.what();
        } catch (...) {
            result = "exception";
        }
        reportAndExit(channel[1], 'r', result);
    }
    ::close(channel[1]);
    if (child < 0) {
        ::close(channel[0]);
        run.reason = "no unprivileged child could be started";
        return run;
    }
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(channel[0], buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(channel[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (received.empty()) {
        run.reason = "the unprivileged child ended without a result";
        return run;
    }
    run.ran = received[0] == 'r';
    (run.ran ? run.result : run.reason) = received.substr(1);
    return run;
}

} // namespace testsupport
