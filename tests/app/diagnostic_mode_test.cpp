// Black-box tests of the diagnostic session: the launcher runs the first game's session script
// through the system's PowerShell, here a fake one in a stand-in system folder.
#include "tests/backend/game_test_fixture.h"
#include "tests/support/inherited_handle.h"
#include "tests/support/project_root.h"

#include <gtest/gtest.h>

namespace {

using testsupport::ProjectRoot;

class DiagnosticMode : public testing::Test {
protected:
    void SetUp() override {
#ifdef _WIN32
        GTEST_SKIP() << "the system folder cannot be replaced here: the real PowerShell would run";
#endif
        gametest::placeDouble("fake_powershell", system_ / "WindowsPowerShell/v1.0/powershell.exe");
        gametest::placeDouble("fake_game", game_);
        gametest::writeScenario(game_, "window=never\nlifetime_ms=0\nexit=3\n");
        testsupport::writeFile(root_ /
                                   "build/native/manual-temporary-8-20261025/product/session.ps1",
                               game_.string() + "\n");
    }

    testsupport::ChildResult run(const std::vector<std::wstring>& arguments) {
        testsupport::ChildOptions options;
        options.environment[L"LUMENARK_SYSTEM_DIR"] = system_.path().wstring();
        return root_.runLauncher(arguments, options);
    }

    std::filesystem::path powershellRecordFile() const {
        return system_ / "WindowsPowerShell/v1.0/fake-powershell-record.txt";
    }

    ProjectRoot root_;
    testsupport::TempFolder system_{"system"};
    std::filesystem::path game_ = root_ / "game/qx1-game";
};

TEST_F(DiagnosticMode, TheScriptsExitCodeIsTheLaunchersAndItsOutputGoesToTheLog) {
    const auto result = run({L"--game-mode", L"remastered", L"--data-root", L"data\\"});
    EXPECT_EQ(result.exitCode, 3);
    const auto record = gametest::waitForRecord(powershellRecordFile());
    ASSERT_TRUE(record.has_value());
    const std::vector<std::string> tail(record->arguments.end() - 4, record->arguments.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"-GameMode", "remastered", "-DataRoot", "data\\"}));
    EXPECT_EQ(std::filesystem::path(record->workingFolder), root_.path());
    EXPECT_EQ(record->inputBytes, 0u);
    const std::string log =
        testsupport::readFile(root_ / "logs/temporaria-8/launcher-diagnostic.log");
    EXPECT_NE(log.find("fake game output"), std::string::npos);
}

TEST_F(DiagnosticMode, TheSessionGetsNoHandleOfTheLaunchersOwn) {
    // The launcher this test starts holds the test's inheritable handle as one of its own.
    const testsupport::InheritableFile held(root_ / "held by the launcher.bin");
    ASSERT_TRUE(held.isOpen());
    testsupport::writeFile(powershellRecordFile().parent_path() / "fake-powershell.scenario",
                           "probe_handle=" + held.probeText() + "\n");
    EXPECT_EQ(run({L"--game-mode", L"original"}).exitCode, 3);
    const auto record = gametest::waitForRecord(powershellRecordFile());
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->handle, "not inherited");
}

TEST_F(DiagnosticMode, ThePlanOutputNamesTheLog) {
    const auto plan = (root_ / "plans/run").wstring();
    const auto result = run({L"--plan-output", plan});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(std::filesystem::exists(root_ / "plans/run.launcher.log"));
    EXPECT_FALSE(std::filesystem::exists(root_ / "logs/temporaria-8/launcher-diagnostic.log"));
}

TEST_F(DiagnosticMode, AMissingValueStartsNothingAndShowsTheMessage) {
    const auto result = run({L"--sync"});
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_NE(result.standardError.find("missing diagnostic argument"), std::string::npos);
    EXPECT_EQ(testsupport::lastUiEvent(root_.uiLog()), "fatal missing diagnostic argument");
    EXPECT_FALSE(std::filesystem::exists(powershellRecordFile()));
    EXPECT_FALSE(std::filesystem::exists(root_ / "logs/temporaria-8/launcher-diagnostic.log"));
}

TEST_F(DiagnosticMode, WithoutASystemFolderItFailsWithSystemPath) {
    testsupport::ChildOptions options;
    options.environment[L"LUMENARK_SYSTEM_DIR"] = std::nullopt;
    const auto result = root_.runLauncher({L"--game-mode", L"original"}, options);
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(testsupport::lastUiEvent(root_.uiLog()), "fatal system path");
}

} // namespace
