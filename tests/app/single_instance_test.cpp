// The launcher's single-instance lock. These tests hold the launcher's own lock, so CTest runs
// them one at a time.
#include "app/modes/entry_point.h"
#include "platform/instance.h"
#include "platform/system_error.h"
#include "tests/support/denied_instance_lock.h"
#include "tests/support/project_root.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

using testsupport::ProjectRoot;

#ifndef _WIN32
// On Linux the lock lives in the desktop folder that the child is given; the test joins it.
class DesktopOf {
public:
    explicit DesktopOf(const ProjectRoot& root) {
        const auto folder = testsupport::desktopFolderOf(root);
        ::setenv("LUMENARK_DESKTOP_DIR", folder.c_str(), 1);
    }
    ~DesktopOf() { ::unsetenv("LUMENARK_DESKTOP_DIR"); }
};
#else
struct DesktopOf {
    explicit DesktopOf(const ProjectRoot&) {}
};
#endif

TEST(SingleInstance, ASecondWindowStartLeavesAtOnceAndWritesNothing) {
    ProjectRoot root;
    DesktopOf desktop(root);
    platform::SingleInstanceLock held;
    ASSERT_EQ(held.acquire(lumenark::launcherMutexName),
              platform::SingleInstanceLock::Result::acquired);
    const auto result = root.runLauncher({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(root / "logs"));
}

TEST(SingleInstance, ACaptureTakesNoLock) {
    ProjectRoot root;
    DesktopOf desktop(root);
    platform::SingleInstanceLock held;
    ASSERT_EQ(held.acquire(lumenark::launcherMutexName),
              platform::SingleInstanceLock::Result::acquired);
    testsupport::ChildOptions options;
    options.environment[L"SDL_VIDEODRIVER"] = L"offscreen";
    const auto result = root.runLauncher({L"--ui-capture", L"out.png", L"play"}, options);
    const std::string event = testsupport::lastUiEvent(root.uiLog());
#ifdef _WIN32
    // A capture that took the lock would have given way before its window, silently.
    if (result.exitCode == 4 && event == "fatal launcher window") {
        GTEST_SKIP() << "no display for the capture's window here; it ran beside the held lock "
                        "up to its window";
    }
#endif
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(event.starts_with("capture-ready ms=")) << event;
    EXPECT_TRUE(std::filesystem::exists(root / "out.png"));
}

TEST(SingleInstance, TheLockIsFreeAgainAfterRelease) {
    ProjectRoot root;
    DesktopOf desktop(root);
    {
        platform::SingleInstanceLock held;
        ASSERT_EQ(held.acquire(lumenark::launcherMutexName),
                  platform::SingleInstanceLock::Result::acquired);
    }
    // The headless setup takes the same lock: held, it would leave with 6 and ask to close the
    // window; free, it goes on to its own checks. (The window itself cannot run under Wine: its
    // Direct3D 12 renderer needs the launcher shader.)
    std::filesystem::create_directories(root / "empty-roms");
    const auto result = root.runLauncher(
        {L"--prepare", L"--roms", (root / "empty-roms").wstring(), L"--confirm-roms"});
    EXPECT_NE(result.exitCode, 6);
    EXPECT_EQ(result.standardError.find("Close the Lumenark Recomp window first"),
              std::string::npos)
        << result.standardError;
}

using LockResult = platform::SingleInstanceLock::Result;

TEST(SingleInstance, ALockAnotherAccountDeniesIsAnotherLauncher) {
    struct Case {
        bool opened;
        std::uint32_t error;
        LockResult result;
    };
    const Case cases[] = {
        {true, platform::errorSuccess, LockResult::acquired},
        {true, platform::errorAlreadyExists, LockResult::alreadyExists},
        {false, platform::errorAccessDenied, LockResult::alreadyExists},
        {false, platform::errorFileNotFound, LockResult::failed},
        {false, platform::errorInvalidParameter, LockResult::failed},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::SingleInstanceLock::resultOfCreation(c.opened, c.error), c.result)
            << c.opened << " " << c.error;
    }
}

// A first launcher run as administrator: its lock exists and this account may not open it.
class DeniedLock : public ::testing::Test {
protected:
    void SetUp() override {
        held_ = std::make_unique<testsupport::DeniedInstanceLock>(
            lumenark::launcherMutexName, testsupport::desktopFolderOf(root_));
        ASSERT_TRUE(held_->held()) << held_->reason();
    }

    testsupport::ChildResult run(const std::vector<std::wstring>& arguments) {
        testsupport::ChildOptions options;
        options.unprivileged = true;
        return root_.runLauncher(arguments, options);
    }

    ProjectRoot root_;
    DesktopOf desktop_{root_};
    std::unique_ptr<testsupport::DeniedInstanceLock> held_;
};

TEST_F(DeniedLock, TheLockAnswersAsHeldAndHoldsNothing) {
    const auto run = testsupport::runUnprivileged(root_.path(), [] {
        platform::SingleInstanceLock lock;
        const LockResult result = lock.acquire(lumenark::launcherMutexName);
        return std::to_string(static_cast<int>(result)) + (lock.held() ? " held" : " free");
    });
    ASSERT_TRUE(run.ran) << run.reason;
    EXPECT_EQ(run.result, std::to_string(static_cast<int>(LockResult::alreadyExists)) + " free");
}

TEST_F(DeniedLock, ASecondWindowStartGivesWayAndWritesNothing) {
    const auto result = run({});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_FALSE(std::filesystem::exists(root_ / "logs"));
}

TEST_F(DeniedLock, TheHeadlessSetupAsksToCloseTheWindow) {
    std::filesystem::create_directories(root_ / "roms");
    const auto result = run({L"--prepare", L"--roms", (root_ / "roms").wstring()});
    const std::string sentence =
        "Close the Lumenark Recomp window first, then run the setup again.";
    EXPECT_EQ(result.exitCode, 6);
    EXPECT_EQ(result.standardOutput, "progress 0.000 " + sentence + "\n");
    EXPECT_EQ(result.standardError, sentence + "\n");
    EXPECT_FALSE(std::filesystem::exists(root_ / "logs"));
}

} // namespace

#ifndef _WIN32
#include "platform/posix/desktop_dir.h"
#include "platform/process.h"

namespace {

TEST(SingleInstance, ASecondStartRestoresTheRunningWindow) {
    ProjectRoot root;
    DesktopOf desktop(root);
    platform::SingleInstanceLock held;
    ASSERT_EQ(held.acquire(lumenark::launcherMutexName),
              platform::SingleInstanceLock::Result::acquired);
    // This test process stands in for the running launcher and its window.
    const auto window = platform::posix::registerDesktopWindow(lumenark::launcherWindowClass,
                                                               platform::currentProcessId());
    const auto result = root.runLauncher({});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(testsupport::readFile(window.file.string() + ".requests"), "restore\nforeground\n");
    platform::posix::unregisterDesktopWindow(window);
}

TEST_F(DeniedLock, ASecondStartRestoresTheElevatedWindow) {
    // This test process, root in CI, stands in for the elevated launcher and its window.
    const auto window = platform::posix::registerDesktopWindow(lumenark::launcherWindowClass,
                                                               platform::currentProcessId());
    const auto result = run({});
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_EQ(testsupport::readFile(window.file.string() + ".requests"), "restore\nforeground\n");
    platform::posix::unregisterDesktopWindow(window);
}

} // namespace
#endif
