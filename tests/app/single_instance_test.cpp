// The launcher's single-instance lock. These tests hold the launcher's own lock, so CTest runs
// them one at a time.
#include "app/modes/entry_point.h"
#include "platform/instance.h"
#include "tests/support/project_root.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

} // namespace
#endif
