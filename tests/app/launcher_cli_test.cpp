// Black-box tests of the launcher executable's command-line behaviour.
#include "platform/text.h"
#include "tests/support/project_root.h"

#include <gtest/gtest.h>

namespace {

using testsupport::lastUiEvent;
using testsupport::ProjectRoot;

TEST(LauncherCapture, AnUnknownPageExitsFourQuietly) {
    ProjectRoot root;
    const auto result = root.runLauncher({L"--ui-capture", L"out.png", L"Play"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(lastUiEvent(root.uiLog()), "fatal unknown capture page");
    EXPECT_FALSE(std::filesystem::exists(root / "out.png"));
}

// The PNG path is checked before the page word: a linked folder is refused whatever the word.
class LinkedCapture : public testing::TestWithParam<const wchar_t*> {};

TEST_P(LinkedCapture, APngFolderLinkIsRefusedFirst) {
    ProjectRoot root;
    std::filesystem::create_directories(root / "real");
    if (!testsupport::makeFolderLink(root / "real", root / "shots")) {
        GTEST_SKIP() << "this system does not let the test create a folder link";
    }
    const auto png = (root / "shots/out.png").wstring();
    const auto result = root.runLauncher({L"--ui-capture", png, GetParam()});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(lastUiEvent(root.uiLog()), "fatal launcher path uses a link/junction");
    EXPECT_FALSE(std::filesystem::exists(root / "real/out.png"));
}

INSTANTIATE_TEST_SUITE_P(PageWords, LinkedCapture, testing::Values(L"play", L"Play"),
                         [](const auto& info) { return platform::utf8FromWide(info.param); });

TEST(LauncherDiagnostic, ALoneCaptureOptionIsNotACaptureAndShowsTheMessage) {
    ProjectRoot root;
    // On Linux the system folder is a stand-in the test names; Windows has its own.
    testsupport::TempFolder system("system");
    testsupport::ChildOptions options;
    options.environment[L"LUMENARK_SYSTEM_DIR"] = system.path().wstring();
    const auto result = root.runLauncher({L"--ui-capture"}, options);
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(lastUiEvent(root.uiLog()), "fatal unknown diagnostic argument");
#ifndef _WIN32
    // The message box stands on standard error on Linux.
    EXPECT_NE(result.standardError.find("The launcher could not start."), std::string::npos);
#endif
}

} // namespace
