// The kill sweep: each safe write of the launcher is made by a small writer that is killed at
// its first, second, ... file-changing system call until it runs through. After every kill each
// file the write touches holds exactly its old or its new bytes, and running the same write
// again leaves exactly what the uninterrupted write leaves. The same sweep with a call that fails
// instead: the writer then reports what it did, and the files say the same (all new after a
// write that ran through, all old after one that failed). And the trace of an uninterrupted write
// shows each replace flushing its file before the rename and the folder after it.
#include "backend/packages/package_manifests.h"
#include "backend/packages/packages.h"
#include "backend/preferences/collection_paths.h"
#include "backend/preferences/config.h"
#include "tests/backend/cmos_test_images.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
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

// How the shim cuts the writer short at its chosen call.
enum class Cut { kill, fail };

struct Injection {
    Cut cut = Cut::kill;
    int at = 0;
};

testsupport::ChildResult runWriter(const std::vector<std::string>& arguments,
                                   std::optional<Injection> injection, const fs::path& trace = {}) {
    testsupport::ChildOptions options;
    for (const std::string& argument : arguments) {
        options.arguments.push_back(fs::path(argument).wstring());
    }
    if (injection || !trace.empty()) {
        options.environment[L"LD_PRELOAD"] = fs::path(LUMENARK_KILL_SHIM).wstring();
    }
    if (injection) {
        options
            .environment[injection->cut == Cut::kill ? L"LUMENARK_KILL_AT" : L"LUMENARK_FAIL_AT"] =
            std::to_wstring(injection->at);
    }
    if (!trace.empty()) {
        options.environment[L"LUMENARK_KILL_TRACE"] = trace.wstring();
    }
    return testsupport::runChild(testsupport::binaryFolder() / "safe_writer", options);
}

struct SweptWrite {
    const char* name;
    // Lays out the files as they are before the write.
    std::function<void(const fs::path& tree)> layOut;
    // The writer's arguments for a tree.
    std::function<std::vector<std::string>(const fs::path& tree)> arguments;
    // The files the write replaces or creates, relative to the laid-out tree.
    std::function<std::vector<std::string>(const fs::path& tree)> touched;
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
        const auto killed = runWriter(write.arguments(cut), Injection{Cut::kill, at});
        if (killed.exitCode != killedExitCode) {
            // Fewer calls than `at`: the write ran through.
            EXPECT_EQ(killed.exitCode, 0) << killed.standardError;
            EXPECT_EQ(differences(filesOf(cut), expected), "");
            killPoints = at - 1;
            break;
        }
        for (const std::string& file : write.touched(base)) {
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

// One file-changing call of the writer as the shim traced it.
struct TracedCall {
    int number = 0;
    std::string name;
    fs::path first;  // the path it works on (a descriptor's file)
    fs::path second; // a rename's target
};

std::vector<TracedCall> readTrace(const fs::path& trace) {
    std::vector<TracedCall> calls;
    std::istringstream lines(testsupport::readFileIfPresent(trace));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab = line.find('\t'); tab != std::string::npos;
             tab = line.find('\t', start)) {
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() != 4) {
            ADD_FAILURE() << "trace line " << line;
            continue;
        }
        // The paths as the file system names them, so a descriptor's file and a path agree.
        const auto named = [](const std::string& text) {
            return text.empty() ? fs::path() : fs::weakly_canonical(text);
        };
        calls.push_back({std::stoi(fields[0]), fields[1], named(fields[2]), named(fields[3])});
    }
    return calls;
}

std::string describe(const TracedCall& call) {
    return std::to_string(call.number) + " " + call.name + " " + call.first.string() +
           (call.second.empty() ? "" : " -> " + call.second.string());
}

TEST_P(KillSweep, EveryFailedCallLeavesWhatTheWriterReportsAndARepeatFinishesTheWrite) {
    const SweptWrite& write = GetParam();
    testsupport::TempFolder scratch("fail-sweep");
    const fs::path base = scratch / "base";
    write.layOut(base);
    const fs::path whole = scratch / "whole";
    fs::copy(base, whole, fs::copy_options::recursive);
    const auto uninterrupted = runWriter(write.arguments(whole), std::nullopt);
    ASSERT_EQ(uninterrupted.exitCode, 0) << uninterrupted.standardError;
    const Tree expected = filesOf(whole);
    const Tree before = filesOf(base);

    int failPoints = 0;
    for (int at = 1;; ++at) {
        ASSERT_LT(at, 500) << "the write never ran through";
        const fs::path cut = scratch / ("failed-" + std::to_string(at));
        fs::copy(base, cut, fs::copy_options::recursive);
        const fs::path trace = scratch / ("trace-" + std::to_string(at));
        const auto failed = runWriter(write.arguments(cut), Injection{Cut::fail, at}, trace);
        const std::vector<TracedCall> calls = readTrace(trace);
        if (static_cast<int>(calls.size()) < at) {
            // Fewer calls than `at`: none failed and the write ran through.
            EXPECT_EQ(failed.exitCode, 0) << failed.standardError;
            EXPECT_EQ(differences(filesOf(cut), expected), "");
            failPoints = at - 1;
            break;
        }
        const std::string failure = "after call " +
                                    describe(calls[static_cast<std::size_t>(at - 1)]) +
                                    " failed (writer exit " + std::to_string(failed.exitCode) +
                                    "): " + failed.standardError;
        // A writer that reports the write made leaves every file new; one that reports a failure
        // leaves every file as it was.
        const fs::path& agreed = failed.exitCode == 0 ? whole : base;
        for (const std::string& file : write.touched(base)) {
            EXPECT_TRUE(bytesIfPresent(cut / file) == bytesIfPresent(agreed / file))
                << file << (failed.exitCode == 0 ? " is not new " : " is not as it was ")
                << failure;
        }
        Tree files;
        Tree temporaries;
        snapshot(cut, files, temporaries);
        EXPECT_TRUE(temporaries.empty()) << "a temporary is left " << failure;
        // Anything else that a write reporting success leaves behind (a lock it could not
        // remove) is said on its error stream.
        if (failed.exitCode == 0) {
            for (const auto& [name, bytes] : files) {
                if (!expected.contains(name) && !before.contains(name)) {
                    EXPECT_NE(failed.standardError.find(fs::path(name).filename().string()),
                              std::string::npos)
                        << name << " is left unsaid " << failure;
                }
            }
        }

        const auto repeated = runWriter(write.arguments(cut), std::nullopt);
        EXPECT_EQ(repeated.exitCode, 0) << failure << repeated.standardError;
        files.clear();
        temporaries.clear();
        snapshot(cut, files, temporaries);
        EXPECT_EQ(differences(files, expected), "") << "and a repeat, " << failure;
        EXPECT_TRUE(temporaries.empty()) << "and a repeat, " << failure;
        fs::remove_all(cut);
    }
    std::printf("%s: %d fail points\n", write.name, failPoints);
    RecordProperty("fail_points", failPoints);
    EXPECT_GT(failPoints, 0);
}

bool isWrite(const TracedCall& call) {
    return call.name == "write" || call.name == "writev" || call.name == "pwrite" ||
           call.name == "pwrite64";
}

bool isFlush(const TracedCall& call) {
    return call.name == "fsync" || call.name == "fdatasync";
}

bool isRename(const TracedCall& call) {
    return call.name.starts_with("rename");
}

// A kill cannot show a flush that never happened; the trace can. Each temporary file is flushed
// after its last write and before it is renamed over its target, and the target's folder is
// flushed after the rename, before the next one.
TEST_P(KillSweep, EveryReplaceFlushesItsFileBeforeTheRenameAndItsFolderAfter) {
    const SweptWrite& write = GetParam();
    testsupport::TempFolder scratch("flush-trace");
    const fs::path tree = scratch / "tree";
    write.layOut(tree);
    const fs::path trace = scratch / "trace";
    const auto run = runWriter(write.arguments(tree), std::nullopt, trace);
    ASSERT_EQ(run.exitCode, 0) << run.standardError;
    const std::vector<TracedCall> calls = readTrace(trace);
    int renames = 0;
    for (std::size_t at = 0; at < calls.size(); ++at) {
        if (!isRename(calls[at])) {
            continue;
        }
        ++renames;
        const TracedCall& rename = calls[at];
        std::optional<std::size_t> lastWrite;
        for (std::size_t before = 0; before < at; ++before) {
            if (isWrite(calls[before]) && calls[before].first == rename.first) {
                lastWrite = before;
            }
        }
        ASSERT_TRUE(lastWrite) << "nothing written before " << describe(rename);
        bool fileFlushed = false;
        for (std::size_t between = *lastWrite + 1; between < at; ++between) {
            fileFlushed =
                fileFlushed || (isFlush(calls[between]) && calls[between].first == rename.first);
        }
        EXPECT_TRUE(fileFlushed) << "no flush of the file before " << describe(rename);
        bool folderFlushed = false;
        for (std::size_t after = at + 1; after < calls.size() && !isRename(calls[after]); ++after) {
            folderFlushed = folderFlushed || (isFlush(calls[after]) &&
                                              calls[after].first == rename.second.parent_path());
        }
        EXPECT_TRUE(folderFlushed) << "no flush of the folder after " << describe(rename);
    }
    EXPECT_GT(renames, 0);
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
    const auto seeded = runWriter({"save-all", tree.string(), "qx1", "seed"}, std::nullopt);
    ASSERT_EQ(seeded.exitCode, 0) << seeded.standardError;
}

// The second game's native package keeps its profile where its manifest says.
fs::path secondGameCmos(const fs::path& tree) {
    return qxlauncher::loadQx2NativeManifest(tree, qxlauncher::nativePackageIniPath(tree), false)
               .profileDirectory /
           "cmos.bin";
}

void layOutSecondGameSave(const fs::path& tree) {
    using namespace qxlauncher::operatortest;
    testsupport::writeQx2NativePackage(tree);
    const fs::path roms =
        qxlauncher::loadQx2NativeManifest(tree, qxlauncher::nativePackageIniPath(tree), false)
            .romDirectory;
    const std::string program = operatorProgram(1);
    writeFile(roms / "uj12.l31", lane(program, 0));
    writeFile(roms / "ug12.l31", lane(program, 1));
    writeFile(secondGameCmos(tree), validCmos(31, 3, 4, false, true));
    const auto seeded = runWriter({"save-all", tree.string(), "qx2", "seed"}, std::nullopt);
    ASSERT_EQ(seeded.exitCode, 0) << seeded.standardError;
}

INSTANTIATE_TEST_SUITE_P(
    SafeWrites, KillSweep,
    ::testing::Values(
        SweptWrite{
            "ReplaceAConfigurationFile",
            [](const fs::path& tree) {
                writeFile(tree / "profile/launcher.cfg", "FPS=60\r\nUIVolume=20\r\n");
                writeFile(tree / "new.bytes", "FPS=120\r\nUIVolume=0\r\n");
            },
            [](const fs::path& tree) {
                return std::vector<std::string>{"replace", (tree / "profile/launcher.cfg").string(),
                                                (tree / "new.bytes").string()};
            },
            [](const fs::path&) { return std::vector<std::string>{"profile/launcher.cfg"}; }},
        SweptWrite{"CreateAConfigurationFileAndItsFolders",
                   [](const fs::path& tree) { writeFile(tree / "new.bytes", "qx1=roms\r\n"); },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"replace",
                                                       (tree / "deep/er/setup.cfg").string(),
                                                       (tree / "new.bytes").string()};
                   },
                   [](const fs::path&) { return std::vector<std::string>{"deep/er/setup.cfg"}; }},
        SweptWrite{"ReplaceTheCmosImage",
                   [](const fs::path& tree) {
                       writeFile(tree / "profile/cmos.bin", cmostest::patternImage(1));
                       writeFile(tree / "new.image", cmostest::patternImage(2));
                   },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"cmos", (tree / "profile/cmos.bin").string(),
                                                       (tree / "new.image").string()};
                   },
                   [](const fs::path&) { return std::vector<std::string>{"profile/cmos.bin"}; }},
        SweptWrite{"SavePreferencesAndAdjustments", layOutSaveAll,
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"save-all", tree.string(), "qx1", "change"};
                   },
                   [](const fs::path&) {
                       return std::vector<std::string>{
                           qxlauncher::preferencesFilePath(fs::path(), 0, false).generic_string(),
                           profileCmos().generic_string()};
                   }},
        SweptWrite{"SaveTheSecondGamesPreferencesAndAdjustments", layOutSecondGameSave,
                   [](const fs::path& tree) {
                       return std::vector<std::string>{"save-all", tree.string(), "qx2", "change"};
                   },
                   [](const fs::path& tree) {
                       return std::vector<std::string>{
                           qxlauncher::preferencesFilePath(fs::path(), 1, true).generic_string(),
                           fs::relative(secondGameCmos(tree), tree).generic_string()};
                   }}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
