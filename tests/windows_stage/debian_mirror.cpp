// debian_mirror [--root DIR] [--apt-dir DIR]: prints the Debian mirror of the machine's apt
// sources for debootstrap and exits 0; exits 1 with one line naming the files read when no source
// of Debian's archive is usable, 2 on a bad argument.
//
// --root DIR stands for "/": the apt folder is DIR/etc/apt unless --apt-dir names one, and the
// list of a mirror+file: source is read under DIR.
#include "tests/windows_stage/apt_sources.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

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
        const stagetest::MirrorSearch search = stagetest::findDebianMirror(folders);
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
