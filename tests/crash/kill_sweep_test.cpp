// The kill sweep: each safe write of the launcher is made by a small writer that is killed at
// its first, second, ... file-changing system call until it runs through. After every kill each
// file the write touches holds exactly its old or its new bytes, and running the same write
// again leaves exactly what the uninterrupted write leaves.
#include "backend/preferences/config.h"
#include "backend/preferences/collection_paths.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

constexpr int killedExitCode = 128 + 9; // SIGKILL, as the child runner reports it

// A name a write leaves behind only when it was cut short; never deleted by another process.
bool isTemporaryName(const std::string& name) {
    return name.find(".tmp-") != std::string::npos || name.starts_with(".cmos-pending-");
}

using Tree = std::map<std::string, std::string>;

// Every file under the folder by its relative path, temporaries apart.
void snapshot(const fs::path& folder, Tree& files, Tree& temporaries) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::string relative = fs::relative(entry.path(), folder).generic_string();
        (isTemporaryName(entry.path().filename().string()) ? temporaries : files)[relative] =
            readFile(entry.path());
    }
}

Tree filesOf(const fs::path& folder) {
    Tree files;
    Tree temporaries;
    snapshot(folder, files, temporaries);
    return files;
}

std::optional<std::string> bytesIfPresent(const fs::path& path) {
    if (!fs::exists(path)) {
        return std::nullopt;
    }
    return readFile(path);
}

// The files that differ between two trees, by name; text files show their lines.
std::string differences(const Tree& found, const Tree& expected) {
    std::string text;
    for (const auto& [name, bytes] : expected) {
        const auto other = found.find(name);
        if (other == found.end()) {
            text += name + " missing\n";
        } else if (other->second != bytes) {
            text += name + " differs" +
                    (name.ends_with(".ini") ? ":\n" + other->second + "instead of\n" + bytes : "") +
                    "\n";
        }
    }
    for (const auto& [name, bytes] : found) {
        if (!expected.contains(name)) {
            text += name + " is extra\n";
        }
    }
    return text;
}

testsupport::ChildResult runWriter(const std::vector<std::string>& arguments,
                                   std::optional<int> killAt) {
    testsupport::ChildOptions options;
    for (const std::string& argument : arguments) {
        options.arguments.push_back(fs::path(argument).wstring());
    }
    if (killAt) {
        options.environment[L"LD_PRELOAD"] = fs::path(LUMENARK_KILL_SHIM).wstring();
        options.environment[L"LUMENARK_KILL_AT"] = std::to_wstring(*killAt);
    }
    return testsupport::runChild(testsupport::binaryFolder() / "safe_writer", options);
}

struct SweptWrite {
    const char* name;
    // Lays out the files as they are before the write.
    std::function<void(const fs::path& tree)> layOut;
    // The writer's arguments for a tree.
    std::function<std::vector<std::string>(const fs::path& tree)> arguments;
    // The files the write replaces or creates, relative to the tree.
    std::function<std::vector<std::string>()> touched;
};

void PrintTo(const SweptWrite& write, std::ostream* os) {
    *os << write.name;
}

class KillSweep : public ::testing::TestWithParam<SweptWrite> {};

TEST_P(KillSweep, EveryCutLeavesOldOrNewAndARepeatFinishesTheWrite) {
    const SweptWrite& write = GetParam();
    testsupport::TempFolder scratch("kill-sweep");
    const fs::path base = scratch / "base";
    write.layOut(base);
    const fs::path whole = scratch / "whole";
    fs::copy(base, whole, fs::copy_options::recursive);
    const auto uninterrupted = runWriter(write.arguments(whole), std::nullopt);
    ASSERT_EQ(uninterrupted.exitCode, 0) << uninterrupted.standardError;
    Tree expected;
    Tree noTemporaries;
    snapshot(whole, expected, noTemporaries);
    EXPECT_TRUE(noTemporaries.empty());

    int killPoints = 0;
    for (int at = 1;; ++at) {
        ASSERT_LT(at, 500) << "the write never ran through";
        const fs::path cut = scratch / ("cut-" + std::to_string(at));
        fs::copy(base, cut, fs::copy_options::recursive);
        const auto killed = runWriter(write.arguments(cut), at);
        if (killed.exitCode != killedExitCode) {
            // Fewer calls than `at`: the write ran through.
            EXPECT_EQ(killed.exitCode, 0) << killed.standardError;
            EXPECT_EQ(differences(filesOf(cut), expected), "");
            killPoints = at - 1;
            break;
        }
        for (const std::string& file : write.touched()) {
            const auto now = bytesIfPresent(cut / file);
            EXPECT_TRUE(now == bytesIfPresent(base / file) || now == bytesIfPresent(whole / file))
                << file << " is torn after a kill at call " << at;
        }
        Tree leftBehind;
        Tree killedFiles;
        snapshot(cut, killedFiles, leftBehind);

        const auto repeated = runWriter(write.arguments(cut), std::nullopt);
        EXPECT_EQ(repeated.exitCode, 0)
            << "after a kill at call " << at << ": " << repeated.standardError;
        Tree files;
        Tree temporaries;
        snapshot(cut, files, temporaries);
        EXPECT_EQ(differences(files, expected), "")
            << "after a kill at call " << at << " and a repeat";
        // The temporaries of the killed writer stay; the repeat leaves none of its own.
        EXPECT_EQ(temporaries, leftBehind) << "after a kill at call " << at;
        fs::remove_all(cut);
    }
    std::printf("%s: %d kill points\n", write.name, killPoints);
    RecordProperty("kill_points", killPoints);
    EXPECT_GT(killPoints, 0);
}

fs::path profileCmos() {
    return qxlauncher::qx1BuildDir / "profile/cmos.bin";
}

void layOutSaveAll(const fs::path& tree) {
    using namespace qxlauncher::operatortest;
    const std::string program = operatorProgram(0);
    writeFile(tree / "roms/qx/even.bin", lane(program, 0));
    writeFile(tree / "roms/qx/odd.bin", lane(program, 1));
    writeFile(tree / profileCmos(), validCmos(21, 4, 2, false, true));
    // Preferences saved once before, as the launcher leaves them.
    const auto seeded = runWriter({"save-all", tree.string(), "seed"}, std::nullopt);
    ASSERT_EQ(seeded.exitCode, 0) << seeded.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    SafeWrites, KillSweep,
    ::testing::Values(
        SweptWrite{"ReplaceAConfigurationFile",
                   [](const fs::path& tree) {
                       writeFile(tree / "profile/launcher.cfg", "FPS=60\r\nUIVolume=20\r\n");
                       writeFile(tree / "new.bytes", "FPS=120\r\nUIVolume=0\r\n");
                   },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"replace",
                                                       (tree / "profile/launcher.cfg").string(),
                                                       (tree / "new.bytes").string()};
                   },
                   [] { return std::vector<std::string>{"profile/launcher.cfg"}; }},
        SweptWrite{"CreateAConfigurationFileAndItsFolders",
                   [](const fs::path& tree) { writeFile(tree / "new.bytes", "qx1=roms\r\n"); },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"replace",
                                                       (tree / "deep/er/setup.cfg").string(),
                                                       (tree / "new.bytes").string()};
                   },
                   [] { return std::vector<std::string>{"deep/er/setup.cfg"}; }},
        SweptWrite{"ReplaceTheCmosImage",
                   [](const fs::path& tree) {
                       writeFile(tree / "profile/cmos.bin", cmostest::patternImage(1));
                       writeFile(tree / "new.image", cmostest::patternImage(2));
                   },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"cmos", (tree / "profile/cmos.bin").string(),
                                                       (tree / "new.image").string()};
                   },
                   [] { return std::vector<std::string>{"profile/cmos.bin"}; }},
        SweptWrite{"SavePreferencesAndAdjustments", layOutSaveAll,
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"save-all", tree.string(), "change"};
                   },
                   [] {
                       return std::vector<std::string>{
                           qxlauncher::preferencesFilePath(fs::path(), 0, false).generic_string(),
                           profileCmos().generic_string()};
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
