// A headless setup whose launcher is killed mid-build: the setup script's whole process tree
// goes with it, as a job object takes it on Windows.
#include "backend/launch/command_line.h"
#include "platform/child_process.h"
#include "tests/support/fake_collection.h"
#include "tests/support/process_control.h"
#include "tests/support/project_root.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

using testsupport::ProjectRoot;

std::string readIfPresent(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// Waits for a file the collection writes when it reaches a point; the bound only guards
// against a hung test.
std::string waitForFile(const std::filesystem::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::string text;
    while ((text = readIfPresent(path)).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
}

// With a grandchild that stays in the setup's process group, and one that leaves for a session
// of its own (on Linux; Windows has no such way out of a job).
class KilledPrepare : public ::testing::TestWithParam<bool> {};

TEST_P(KilledPrepare, LeavesNoProcessOfTheSetupBehind) {
    ProjectRoot root;
    testsupport::placeFakeInterpreter(root / "interpreters", {"python.exe"});
    testsupport::writeFakeManifests(root.path());
    testsupport::writeFakeRoms(root / "roms", 0);
    testsupport::writeFakeSetupScript(root.path(), std::string("hang.qx1=compile\nhang_session=") +
                                                       (GetParam() ? "1" : "0") + "\n");
    const testsupport::ScopedEnvironment path(L"PATH", (root / "interpreters").wstring());
    const testsupport::ScopedEnvironment desktop(L"LUMENARK_DESKTOP_DIR",
                                                 testsupport::desktopFolderOf(root).wstring());
    const platform::UniqueHandle input = platform::openChildNullInput();
    const platform::UniqueHandle output = platform::openChildLogFile(root / "launcher.out");
    platform::ChildProcessRequest request;
    request.application = root.launcher();
    request.commandLine =
        qxlauncher::quotedCommandLine({root.launcher().wstring(), L"--prepare", L"--roms",
                                       (root / "roms").wstring(), L"--confirm-roms"});
    request.workingFolder = root.path();
    request.standardInput = input.get();
    request.standardOutput = output.get();
    request.standardError = output.get();
    const platform::StartedChild launcher = platform::startChildProcess(request);
    ASSERT_TRUE(launcher.started());

    // The hanging step names the script's process and its grandchild once both run.
    std::istringstream pids(waitForFile(root / "logs/hang-qx1.pids"));
    std::uint32_t script = 0;
    std::uint32_t grandchild = 0;
    ASSERT_TRUE(pids >> script >> grandchild) << readIfPresent(root / "launcher.out");
    ASSERT_TRUE(
        testsupport::waitForHeartbeat(testsupport::grandchildHeartbeat(root.path(), "qx1")));

    testsupport::killProcess(launcher.processId);
    EXPECT_TRUE(testsupport::waitUntilProcessEnded(launcher.processId));
    EXPECT_TRUE(testsupport::waitUntilProcessEnded(script)) << "the setup script lives on";
    EXPECT_TRUE(testsupport::waitUntilProcessEnded(grandchild)) << "its grandchild lives on";
}

INSTANTIATE_TEST_SUITE_P(Grandchild, KilledPrepare, ::testing::Values(false, true),
                         [](const auto& info) {
                             return std::string(info.param ? "InASessionOfItsOwn" : "InTheGroup");
                         });

} // namespace
