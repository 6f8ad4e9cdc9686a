#include "platform/posix/job_keeper.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace platform::posix {

namespace {

// Everything up to startKeptChild runs in the keeper, a fork of a launcher that may have other
// threads: system calls only, no allocation.

constexpr int keptSignals[] = {SIGINT,  SIGQUIT, SIGHUP,  SIGTERM,
                               SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU};

// The keeper outlives signals meant for the launcher's terminal or group: it ends when the
// launcher's end of the lifeline closes, and only after it has ended the tree.
void setKeptSignals(void (*disposition)(int)) {
    struct sigaction action {};
    action.sa_handler = disposition;
    for (const int signal : keptSignals) {
        ::sigaction(signal, &action, nullptr);
    }
}

bool writeWhole(int fd, std::int32_t value) {
    return ::write(fd, &value, sizeof(value)) == static_cast<ssize_t>(sizeof(value));
}

void pause() {
    const timespec millisecond{0, 1000000};
    ::nanosleep(&millisecond, nullptr);
}

// Closes every descriptor above the standard streams except the listed ones (negative entries
// are ignored).
void closeAllBut(const int* keep, std::size_t count) {
    int sorted[8];
    std::size_t used = 0;
    for (std::size_t i = 0; i < count && used < 8; ++i) {
        if (keep[i] < 3) {
            continue;
        }
        std::size_t at = used++;
        for (; at > 0 && sorted[at - 1] > keep[i]; --at) {
            sorted[at] = sorted[at - 1];
        }
        sorted[at] = keep[i];
    }
    unsigned from = 3;
    for (std::size_t i = 0; i < used; ++i) {
        const auto fd = static_cast<unsigned>(sorted[i]);
        if (fd > from) {
            ::close_range(from, fd - 1, 0);
        }
        if (fd >= from) {
            from = fd + 1;
        }
    }
    ::close_range(from, ~0U, 0);
}

// The parent of a process from its "/proc/<pid>/stat" line; -1 when it is gone.
pid_t parentOf(const char* pidText) {
    char path[64] = "/proc/";
    std::size_t length = 6;
    for (const char* c = pidText; *c != '\0' && length < 50; ++c) {
        path[length++] = *c;
    }
    for (const char* c = "/stat"; *c != '\0'; ++c) {
        path[length++] = *c;
    }
    path[length] = '\0';
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    char line[512];
    const ssize_t got = ::read(fd, line, sizeof(line) - 1);
    ::close(fd);
    if (got <= 0) {
        return -1;
    }
    // "pid (name) state ppid ...": the name may hold anything, so the fields follow its last ')'.
    ssize_t close = -1;
    for (ssize_t i = 0; i < got; ++i) {
        if (line[i] == ')') {
            close = i;
        }
    }
    ssize_t at = close + 4; // ") S "
    if (close < 0 || at >= got) {
        return -1;
    }
    pid_t parent = 0;
    for (; at < got && line[at] >= '0' && line[at] <= '9' && parent < 100000000; ++at) {
        parent = parent * 10 + (line[at] - '0');
    }
    return parent;
}

// Calls visit(pid) for every process whose parent is `parent`, zombies included.
template <typename Visit> void forEachChildOf(pid_t parent, Visit visit) {
    const int folder = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        return;
    }
    alignas(dirent64) char buffer[8192];
    for (;;) {
        const ssize_t got = ::getdents64(folder, buffer, sizeof(buffer));
        if (got <= 0) {
            break;
        }
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            pid_t pid = 0;
            const char* c = entry->d_name;
            for (; *c >= '0' && *c <= '9' && pid < 100000000; ++c) {
                pid = pid * 10 + (*c - '0');
            }
            if (*c == '\0' && pid > 0 && parentOf(entry->d_name) == parent) {
                visit(pid);
            }
        }
    }
    ::close(folder);
}

// Looks at the child's end without collecting it: its zombie keeps its process id, and so its
// group's id, from being reused until the tree is gone.
void reportIfEnded(pid_t child, int statusPipe, bool& reported) {
    if (reported) {
        return;
    }
    siginfo_t info{};
    if (::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid != child) {
        return;
    }
    const int status =
        info.si_code == CLD_EXITED ? (info.si_status & 0xFF) << 8 : (info.si_status & 0x7F);
    writeWhole(statusPipe, status);
    reported = true;
}

// Orphans of the tree that ended are collected as they come; the child waits for the end.
void collectOrphans(pid_t child) {
    forEachChildOf(::getpid(), [&](pid_t pid) {
        if (pid != child) {
            ::waitpid(pid, nullptr, WNOHANG);
        }
    });
}

// Kills the child's group and every process under the keeper, round after round (a killed
// process's own children come to the keeper), until only the child's zombie is left.
void endTree(pid_t child, int statusPipe, bool& reported) {
    const pid_t self = ::getpid();
    for (;;) {
        ::kill(-child, SIGKILL);
        // Looked at before the scan: the children of a child that has ended have come to the
        // keeper by then, so the scan sees them.
        reportIfEnded(child, statusPipe, reported);
        const bool childEnded = reported;
        int others = 0;
        forEachChildOf(self, [&](pid_t pid) {
            ::kill(pid, SIGKILL);
            if (pid != child) {
                ++others;
                ::waitpid(pid, nullptr, WNOHANG);
            }
        });
        if (childEnded && others == 0) {
            ::waitpid(child, nullptr, 0);
            return;
        }
        pause();
    }
}

[[noreturn]] void runKeeper(ChildEntry entry, const void* context, int lifeline, int statusPipe,
                            const int* inherited, std::size_t inheritedCount) {
    setKeptSignals(SIG_IGN);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    sigset_t childSignal;
    sigset_t previous;
    ::sigemptyset(&childSignal);
    ::sigaddset(&childSignal, SIGCHLD);
    ::sigprocmask(SIG_BLOCK, &childSignal, &previous);

    const pid_t child = ::fork();
    if (child == 0) {
        ::sigprocmask(SIG_SETMASK, &previous, nullptr);
        setKeptSignals(SIG_DFL);
        ::close(lifeline);
        ::close(statusPipe);
        ::setpgid(0, 0);
        entry(context);
        ::_exit(127);
    }
    if (child < 0) {
        writeWhole(statusPipe, -errno);
        ::_exit(0);
    }
    // Also set here, so the group exists whichever side runs first.
    ::setpgid(child, child);
    writeWhole(statusPipe, child);
    for (std::size_t i = 0; i < inheritedCount; ++i) {
        if (inherited[i] > 2) {
            ::close(inherited[i]);
        }
    }

    const int signals = ::signalfd(-1, &childSignal, SFD_CLOEXEC | SFD_NONBLOCK);
    bool reported = false;
    pollfd watched[2] = {{lifeline, POLLIN, 0}, {signals, POLLIN, 0}};
    for (;;) {
        // Without a signal descriptor the keeper looks at its children every 100 ms.
        const int ready = ::poll(watched, signals >= 0 ? 2 : 1, signals >= 0 ? -1 : 100);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (watched[0].revents != 0) {
            break; // the launcher closed the job or died
        }
        signalfd_siginfo drained[8];
        while (signals >= 0 && ::read(signals, drained, sizeof(drained)) > 0) {
        }
        reportIfEnded(child, statusPipe, reported);
        collectOrphans(child);
    }
    endTree(child, statusPipe, reported);
    ::_exit(0);
}

} // namespace

KeptChild startKeptChild(ChildEntry entry, const void* context, const int* inherited,
                         std::size_t inheritedCount) {
    KeptChild kept;
    int life[2];
    int status[2];
    if (::pipe2(life, O_CLOEXEC) != 0) {
        kept.forkError = errno;
        return kept;
    }
    if (::pipe2(status, O_CLOEXEC) != 0) {
        kept.forkError = errno;
        ::close(life[0]);
        ::close(life[1]);
        return kept;
    }
    const pid_t keeper = ::fork();
    if (keeper == 0) {
        ::close(life[1]);
        ::close(status[0]);
        int keep[8] = {life[0], status[1]};
        std::size_t count = 2;
        for (std::size_t i = 0; i < inheritedCount && count < 8; ++i) {
            keep[count++] = inherited[i];
        }
        closeAllBut(keep, count);
        runKeeper(entry, context, life[0], status[1], inherited, inheritedCount);
    }
    const int forkError = errno;
    ::close(life[0]);
    ::close(status[1]);
    if (keeper < 0) {
        kept.forkError = forkError;
        ::close(life[1]);
        ::close(status[0]);
        return kept;
    }
    kept.keeper = keeper;
    kept.lifeline = life[1];
    kept.statusPipe = status[0];
    std::int32_t child = 0;
    ssize_t got = 0;
    do {
        got = ::read(kept.statusPipe, &child, sizeof(child));
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof(child)) && child > 0) {
        kept.child = child;
    } else {
        kept.forkError = got == static_cast<ssize_t>(sizeof(child)) ? -child : EAGAIN;
    }
    ::fcntl(kept.statusPipe, F_SETFL, O_NONBLOCK);
    return kept;
}

void endKeptTree(KeptChild& kept) {
    if (kept.lifeline >= 0) {
        ::close(kept.lifeline);
        kept.lifeline = -1;
    }
    if (kept.keeper > 0) {
        while (::waitpid(kept.keeper, nullptr, 0) < 0 && errno == EINTR) {
        }
        kept.keeper = -1;
    }
}

} // namespace platform::posix
