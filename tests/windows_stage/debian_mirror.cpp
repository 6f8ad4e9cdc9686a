// debian_mirror [--root DIR] [--apt-dir DIR]: prints the Debian mirror of the machine's apt
// sources for debootstrap and exits 0; exits 1 with one line naming the files read and the
// Release files fetched when no source of Debian's archive is usable, 2 on a bad argument. The
// Release files are fetched with the wget on the search path (debootstrap's own fetcher).
//
// --root DIR stands for "/": the apt folder is DIR/etc/apt unless --apt-dir names one, and the
// list of a mirror+file: source is read under DIR.
#include "tests/windows_stage/apt_sources.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr const char* usage = "usage: debian_mirror [--root DIR] [--apt-dir DIR]";

struct Arguments {
    std::optional<std::filesystem::path> root;
    std::optional<std::filesystem::path> aptDir;
};

// Empty when the arguments are bad; `problem` then says which.
std::optional<Arguments> parseArguments(int argc, char** argv, std::string& problem) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        std::optional<std::filesystem::path>* target = name == "--root"      ? &arguments.root
                                                       : name == "--apt-dir" ? &arguments.aptDir
                                                                             : nullptr;
        if (target == nullptr) {
            problem = "unknown argument \"" + name + "\"";
            return std::nullopt;
        }
        if (target->has_value()) {
            problem = name + " given twice";
            return std::nullopt;
        }
        if (i + 1 == argc || argv[i + 1][0] == '\0') {
            problem = name + " needs a folder";
            return std::nullopt;
        }
        *target = argv[++i];
    }
    return arguments;
}

// The Debian architecture this program was built for, the machine's own.
constexpr std::string_view machineArchitecture =
#if defined(__x86_64__)
    "amd64";
#elif defined(__aarch64__)
    "arm64";
#elif defined(__i386__)
    "i386";
#elif defined(__arm__)
    "armhf";
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    "ppc64el";
#elif defined(__s390x__)
    "s390x";
#elif defined(__riscv) && __riscv_xlen == 64
    "riscv64";
#else
#error "name this machine's Debian architecture"
#endif

// wget's exit codes, as its manual names them.
std::string wgetFailure(int status) {
    if (WIFSIGNALED(status)) {
        return "wget ended by signal " + std::to_string(WTERMSIG(status));
    }
    static constexpr std::array<const char*, 9> meanings = {
        "",
        "generic error",
        "parse error",
        "file I/O error",
        "network failure",
        "SSL verification failure",
        "username/password authentication failure",
        "protocol error",
        "server error response"};
    const int code = WEXITSTATUS(status);
    if (code == 127) {
        return "cannot run wget";
    }
    const std::string meaning =
        code > 0 && code < static_cast<int>(meanings.size()) ? meanings[code] : "failure";
    return "wget exited with " + std::to_string(code) + " (" + meaning + ")";
}

// The file at a URL, through wget (a URL is one argument, never read by a shell).
stagetest::ReleaseAnswer fetchWithWget(const std::string& url) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return {std::nullopt, std::string("cannot make a pipe: ") + std::strerror(errno)};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        const char* arguments[] = {
            "wget", "--quiet",   "--tries=2", "--timeout=20", "--output-document=-",
            "--",   url.c_str(), nullptr};
        ::execvp("wget", const_cast<char* const*>(arguments));
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (child < 0) {
        ::close(pipeEnds[0]);
        return {std::nullopt, std::string("cannot start wget: ") + std::strerror(errno)};
    }
    std::string text;
    std::array<char, 8192> buffer;
    std::string readError;
    ssize_t got = 0;
    while ((got = ::read(pipeEnds[0], buffer.data(), buffer.size())) != 0) {
        if (got > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            readError = std::string("cannot read wget's output: ") + std::strerror(errno);
            break;
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return {std::nullopt, std::string("cannot wait for wget: ") + std::strerror(errno)};
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {std::nullopt, wgetFailure(status)};
    }
    if (!readError.empty()) {
        return {std::nullopt, readError};
    }
    return {std::move(text), ""};
}

} // namespace

int main(int argc, char** argv) {
    std::string problem;
    const std::optional<Arguments> arguments = parseArguments(argc, argv, problem);
    if (!arguments) {
        std::fprintf(stderr, "debian_mirror: %s; %s\n", problem.c_str(), usage);
        return 2;
    }
    stagetest::AptFolders folders;
    folders.root = arguments->root.value_or("/");
    folders.aptDir = arguments->aptDir.value_or(folders.root / "etc/apt");
    try {
        const stagetest::MirrorSearch search =
            stagetest::findDebianMirror(folders, machineArchitecture, fetchWithWget);
        if (!search.mirror) {
            std::fprintf(stderr, "debian_mirror: %s\n", search.failure().c_str());
            return 1;
        }
        std::printf("%s\n", search.mirror->c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "debian_mirror: %s\n", error.what());
        return 1;
    }
}
