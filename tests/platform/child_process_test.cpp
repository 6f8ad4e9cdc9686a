#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/fake_collection.h"
#include "tests/support/inherited_handle.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::TempFolder;
using namespace std::string_literals;

constexpr std::uint32_t stillActive = 259;

fs::path probeProgram() {
#ifdef _WIN32
    return testsupport::binaryFolder() / "child_probe.exe";
#else
    return testsupport::binaryFolder() / "child_probe";
#endif
}

// Quotes every argument; the tests' arguments hold no quotes and end in no backslash.
std::wstring commandLineOf(const fs::path& program, const std::vector<std::wstring>& words) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const auto& word : words) {
        line += L" \"" + word + L"\"";
    }
    return line;
}

// Reads what is there without holding the file: the child may still be writing it.
std::string readIfPresent(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    std::erase(text, '\r');
    return text;
}

bool waitUntilEnded(platform::NativeHandle process,
                    std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!platform::hasChildEnded(process)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        platform::sleepMilliseconds(10);
    }
    return true;
}

bool waitForLogText(const fs::path& log, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (readIfPresent(log).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        platform::sleepMilliseconds(10);
    }
    return true;
}

// Starts the probe with its output streams on one log and its input on the null device.
class ChildProcessTest : public ::testing::Test {
protected:
    platform::ChildProcessRequest request(const std::vector<std::wstring>& words) {
        platform::ChildProcessRequest result;
        result.application = probeProgram();
        result.commandLine = commandLineOf(probeProgram(), words);
        result.standardInput = input_.get();
        result.standardOutput = log_.get();
        result.standardError = log_.get();
        return result;
    }

    platform::StartedChild start(const platform::ChildProcessRequest& what) {
        platform::StartedChild child = platform::startChildProcess(what);
        EXPECT_TRUE(child.started())
            << "failure " << static_cast<int>(child.failure) << " error " << child.error;
        return child;
    }

    // Runs the probe to its end and returns its log.
    std::string run(const platform::ChildProcessRequest& what) {
        const platform::StartedChild child = start(what);
        if (!child.started()) {
            return {};
        }
        EXPECT_TRUE(waitUntilEnded(child.process.get()));
        return log();
    }

    std::string log() const { return readIfPresent(logPath); }

    TempFolder folder{"child-process"};
    const fs::path logPath = folder / "child.log";

private:
    platform::UniqueHandle input_ = platform::openChildNullInput();
    platform::UniqueHandle log_ = platform::openChildLogFile(logPath);
};

class ExitCodeTest : public ChildProcessTest, public ::testing::WithParamInterface<int> {};

TEST_P(ExitCodeTest, IsTheChildsOwn) {
    const auto child = start(request({L"exit", std::to_wstring(GetParam())}));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()),
              std::optional<std::uint32_t>(static_cast<std::uint32_t>(GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Codes, ExitCodeTest, ::testing::Values(0, 1, 3, 200),
                         [](const auto& info) { return "Exit" + std::to_string(info.param); });

TEST_F(ChildProcessTest, BothOutputStreamsGoToTheLogInOrder) {
    const std::string text =
        run(request({L"out", L"to output", L"err", L"to error", L"out", L"output again"}));
    EXPECT_EQ(text, "to output\nto error\noutput again\n");
}

TEST_F(ChildProcessTest, LogIsTruncatedWhenOpened) {
    platform::UniqueHandle first = platform::openChildLogFile(folder / "again.log");
    ASSERT_TRUE(first.valid());
    first.reset();
    testsupport::writeFile(folder / "again.log", "old text that must go");
    platform::UniqueHandle second = platform::openChildLogFile(folder / "again.log");
    ASSERT_TRUE(second.valid());
    EXPECT_EQ(readIfPresent(folder / "again.log"), "");
}

TEST_F(ChildProcessTest, LogIsReadableWhileTheChildRuns) {
    const auto child =
        start(request({L"out", L"early", L"wait", (folder / "go").wstring(), L"out", L"late"}));
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitForLogText(logPath, "early"));
    EXPECT_FALSE(platform::hasChildEnded(child.process.get()));
    EXPECT_THAT(log(), Not(HasSubstr("late")));
    testsupport::writeFile(folder / "go", "");
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(0));
    EXPECT_EQ(log(), "early\nlate\n");
}

TEST_F(ChildProcessTest, LogThatCannotBeCreatedIsInvalid) {
    EXPECT_FALSE(platform::openChildLogFile(folder / "no/such/folder/child.log").valid());
}

TEST_F(ChildProcessTest, NullInputEndsAtOnce) {
    EXPECT_EQ(run(request({L"stdin"})), "stdin 0 bytes\n");
}

TEST_F(ChildProcessTest, EnvironmentBlockReplacesTheLaunchersOwn) {
    const testsupport::ScopedEnvironment parent(L"PROBE_PARENT", L"from the launcher");
    auto what = request({L"env", L"PROBE_ONE", L"env", L"PROBE_TWO", L"env", L"PROBE_PARENT"});
    what.environmentBlock = L"PROBE_ONE=first\0PROBE_TWO=second value\0\0"s;
    EXPECT_EQ(run(what), "PROBE_ONE=first\nPROBE_TWO=second value\nPROBE_PARENT unset\n");
}

TEST_F(ChildProcessTest, NoEnvironmentBlockInheritsTheLaunchersOwn) {
    const testsupport::ScopedEnvironment parent(L"PROBE_PARENT", L"from the launcher");
    EXPECT_EQ(run(request({L"env", L"PROBE_PARENT", L"env", L"PROBE_ONE"})),
              "PROBE_PARENT=from the launcher\nPROBE_ONE unset\n");
}

TEST_F(ChildProcessTest, RunsInTheWorkingFolder) {
    fs::create_directories(folder / "work here");
    auto what = request({L"cwd"});
    what.workingFolder = folder / "work here";
    std::string text = run(what);
    ASSERT_FALSE(text.empty());
    text.pop_back();
    EXPECT_TRUE(fs::equivalent(platform::wideFromUtf8(text), folder / "work here")) << text;
}

TEST_F(ChildProcessTest, EmptyWorkingFolderIsTheLaunchersCurrentFolder) {
    std::string text = run(request({L"cwd"}));
    ASSERT_FALSE(text.empty());
    text.pop_back();
    EXPECT_TRUE(fs::equivalent(platform::wideFromUtf8(text), fs::current_path())) << text;
}

TEST_F(ChildProcessTest, EmptyApplicationRunsTheCommandLinesProgram) {
    auto what = request({L"out", L"from the command line"});
    what.application.clear();
    EXPECT_EQ(run(what), "from the command line\n");
}

TEST_F(ChildProcessTest, PlainChildHasNoJob) {
    const auto child = start(request({L"exit", L"0"}));
    ASSERT_TRUE(child.started());
    EXPECT_TRUE(child.process.valid());
    EXPECT_FALSE(child.job.valid());
    EXPECT_NE(child.processId, 0u);
    EXPECT_NE(child.processId, platform::currentProcessId());
    EXPECT_TRUE(waitUntilEnded(child.process.get()));
}

// The probe's words that look for the handle in the child ("handle <value> <file>"), then more.
std::vector<std::wstring> handleWords(const testsupport::InheritableFile& held,
                                      const std::vector<std::wstring>& then) {
    const std::string probe = held.probeText();
    const auto blank = probe.find(' ');
    std::vector<std::wstring> words{L"handle", platform::wideFromUtf8(probe.substr(0, blank)),
                                    platform::wideFromUtf8(probe.substr(blank + 1))};
    words.insert(words.end(), then.begin(), then.end());
    return words;
}

// An inheritable handle of the launcher's own (a package file the background poll hashes, say)
// never goes with a child, plain or in a job; its standard handles, output and error being one
// handle here, still do.
class InheritedHandleTest : public ChildProcessTest, public ::testing::WithParamInterface<bool> {};

TEST_P(InheritedHandleTest, OnlyTheStandardHandlesGoWithTheChild) {
    const testsupport::InheritableFile held(folder / "held by the launcher.bin");
    ASSERT_TRUE(held.isOpen());
    auto what = request(handleWords(held, {L"err", L"error", L"stdin"}));
    what.killTreeOnJobClose = GetParam();
    EXPECT_EQ(run(what), "handle not inherited\nerror\nstdin 0 bytes\n");
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutJob, InheritedHandleTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InAJob" : "Plain"; });

TEST_F(ChildProcessTest, AChildWithoutStandardHandlesStartsAndInheritsNothing) {
    const testsupport::InheritableFile held(folder / "held by the launcher.bin");
    ASSERT_TRUE(held.isOpen());
    platform::ChildProcessRequest what;
    what.application = probeProgram();
    what.commandLine = commandLineOf(probeProgram(), handleWords(held, {L"exit", L"7"}));
    const auto child = start(what);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    // 10 would say the handle went with it.
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(7));
}

TEST_F(ChildProcessTest, AStandardHandleThatCannotBeInheritedDoesNotStopTheStart) {
    const testsupport::InheritableFile held(folder / "held by the launcher.bin");
    ASSERT_TRUE(held.isOpen());
    std::uint32_t error = 0;
    platform::File own = platform::File::createNew(folder / "not inheritable.log", error);
    ASSERT_TRUE(own.isOpen()) << error;
    auto what = request(handleWords(held, {L"exit", L"7"}));
    what.standardError = own.nativeHandle();
    const auto child = start(what);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(7));
    EXPECT_EQ(log(), "handle not inherited\n");
}

class MissingProgramTest : public ChildProcessTest, public ::testing::WithParamInterface<bool> {};

TEST_P(MissingProgramTest, FailsToCreateAndLeavesNothingOpen) {
    auto what = request({L"exit", L"0"});
    what.application = folder / "no-such-program.exe";
    what.commandLine = commandLineOf(what.application, {});
    what.killTreeOnJobClose = GetParam();
    const auto child = platform::startChildProcess(what);
    EXPECT_FALSE(child.started());
    EXPECT_EQ(child.failure, platform::ChildStartFailure::createProcess);
    EXPECT_EQ(child.error, 2u); // the file was not found
    EXPECT_FALSE(child.process.valid());
    EXPECT_FALSE(child.job.valid());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutJob, MissingProgramTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithJob" : "WithoutJob"; });

TEST_F(ChildProcessTest, EndedIsAskedWithoutWaiting) {
    // A wait for the end would only come back when the probe gives up on "go" with 97.
    const auto child = start(request({L"wait", (folder / "go").wstring(), L"exit", L"5"}));
    ASSERT_TRUE(child.started());
    EXPECT_FALSE(platform::hasChildEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()),
              std::optional<std::uint32_t>(stillActive));
    testsupport::writeFile(folder / "go", "");
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_TRUE(platform::hasChildEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(5));
}

TEST(ChildProcessHandles, NoHandleIsNeitherEndedNorReadable) {
    EXPECT_FALSE(platform::hasChildEnded(nullptr));
    EXPECT_EQ(platform::childExitCode(nullptr), std::nullopt);
    EXPECT_FALSE(platform::terminateJob(nullptr, 1223));
}

// A child in a kill-on-close job that starts a grandchild beating a file, then sleeps.
class JobTreeTest : public ChildProcessTest {
protected:
    platform::StartedChild startTree() {
        auto what = request({L"grandchild", heartbeat.wstring(), L"forever"});
        what.killTreeOnJobClose = true;
        auto child = start(what);
        if (child.started()) {
            EXPECT_TRUE(child.job.valid());
            EXPECT_TRUE(testsupport::waitForHeartbeat(heartbeat));
        }
        return child;
    }

    const fs::path heartbeat = folder / "grandchild.beat";
};

TEST_F(JobTreeTest, TerminateEndsChildAndGrandchildWithTheCode) {
    const auto child = startTree();
    ASSERT_TRUE(child.started());
    EXPECT_FALSE(platform::hasChildEnded(child.process.get()));
    EXPECT_TRUE(platform::terminateJob(child.job.get(), 1223));
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(1223));
    EXPECT_TRUE(testsupport::heartbeatStops(heartbeat));
}

TEST_F(JobTreeTest, ClosingTheJobEndsTheTree) {
    auto child = startTree();
    ASSERT_TRUE(child.started());
    child.job.reset();
    EXPECT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_TRUE(testsupport::heartbeatStops(heartbeat));
}

TEST_F(JobTreeTest, ChildInAJobRunsToItsOwnEnd) {
    auto what = request({L"out", L"inside", L"exit", L"4"});
    what.killTreeOnJobClose = true;
    EXPECT_EQ(run(what), "inside\n");
    const auto child = start(what);
    ASSERT_TRUE(child.started());
    ASSERT_TRUE(waitUntilEnded(child.process.get()));
    EXPECT_EQ(platform::childExitCode(child.process.get()), std::optional<std::uint32_t>(4));
}

// Search paths: folders "a" and "b" both hold "tool.exe"; "c" holds nothing.
class SearchPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a", "b", "c"}) {
            fs::create_directories(folder / name);
        }
        testsupport::writeFile(folder / "a/tool.exe", "a");
        testsupport::writeFile(folder / "b/tool.exe", "b");
        testsupport::writeFile(folder / "b/only-b.exe", "b");
    }

    std::wstring searchPath(const std::vector<std::string>& names) const {
        std::wstring text;
        for (const auto& name : names) {
            if (!text.empty()) {
                text += testsupport::searchPathSeparator();
            }
            text += (folder / name).wstring();
        }
        return text;
    }

    static bool same(const std::optional<fs::path>& found, const fs::path& expected) {
        return found && fs::equivalent(*found, expected);
    }

    TempFolder folder{"search-path"};
};

TEST_F(SearchPathTest, FindsTheFileInTheFirstFolderThatHoldsIt) {
    EXPECT_TRUE(same(platform::searchPathForFile(searchPath({"a", "b"}), L"tool.exe"),
                     folder / "a/tool.exe"));
    EXPECT_TRUE(same(platform::searchPathForFile(searchPath({"b", "a"}), L"tool.exe"),
                     folder / "b/tool.exe"));
    EXPECT_TRUE(same(platform::searchPathForFile(searchPath({"c", "a", "b"}), L"only-b.exe"),
                     folder / "b/only-b.exe"));
}

TEST_F(SearchPathTest, FoundPathIsAbsolute) {
    const auto found = platform::searchPathForFile(searchPath({"c", "a"}), L"tool.exe");
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->is_absolute()) << found->string();
}

TEST_F(SearchPathTest, MissingFileIsNone) {
    EXPECT_EQ(platform::searchPathForFile(searchPath({"a", "b", "c"}), L"absent.exe"),
              std::nullopt);
    EXPECT_EQ(platform::searchPathForFile(L"", L"tool.exe"), std::nullopt);
}

TEST_F(SearchPathTest, NameBeyondTheBufferIsNone) {
    // 32768 UTF-16 units do not fit the buffer with their terminator.
    for (const std::size_t length : {std::size_t{32768}, std::size_t{40000}}) {
        const std::wstring name(length, L'x');
        EXPECT_EQ(platform::searchPathForFile(searchPath({"a", "b"}), name), std::nullopt)
            << length;
    }
}

} // namespace
