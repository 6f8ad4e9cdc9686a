#include "app/modes/diagnostic_session.h"
#include "backend/launch/command_line.h"
#include "tests/support/command_line_split.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace lumenark {
namespace {

const std::filesystem::path root = std::filesystem::absolute("root");
const std::filesystem::path powershell =
    std::filesystem::absolute("sys/WindowsPowerShell/v1.0/powershell.exe");

std::string refusal(const std::vector<std::wstring>& options) {
    try {
        planDiagnosticSession(root, powershell, options);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "accepted";
}

TEST(DiagnosticPlan, FixedArgumentsThenTheOptionPairsInOrder) {
    const auto plan =
        planDiagnosticSession(root, powershell, {L"--game-mode", L"remastered", L"--sync", L"2"});
    const std::vector<std::wstring> expected{
        powershell.wstring(),
        L"-NoLogo",
        L"-NoProfile",
        L"-NonInteractive",
        L"-ExecutionPolicy",
        L"Bypass",
        L"-WindowStyle",
        L"Hidden",
        L"-File",
        (root / "build/native/manual-temporary-8-20261025/product/session.ps1").wstring(),
        L"-ProjectRoot",
        root.wstring(),
        L"-GameMode",
        L"remastered",
        L"-SyncMode",
        L"2"};
    EXPECT_EQ(plan.arguments, expected);
    EXPECT_EQ(plan.logPath, root / "logs/temporaria-8/launcher-diagnostic.log");
}

TEST(DiagnosticPlan, RefusesUnknownAndIncompleteOptions) {
    EXPECT_EQ(refusal({L"--sync"}), "missing diagnostic argument");
    EXPECT_EQ(refusal({L"--Sync", L"1"}), "unknown diagnostic argument");
    EXPECT_EQ(refusal({L"--ui-capture"}), "unknown diagnostic argument");
    EXPECT_EQ(refusal({L"--game-mode", L"x", L"stray"}), "unknown diagnostic argument");
}

TEST(DiagnosticPlan, TheLastPlanOutputNamesTheLog) {
    const auto plan = planDiagnosticSession(
        root, powershell, {L"--plan-output", L"first", L"--plan-output", L"out/second"});
    EXPECT_EQ(plan.logPath, std::filesystem::path(L"out/second.launcher.log"));
    EXPECT_EQ(std::count(plan.arguments.begin(), plan.arguments.end(), L"-PlanOutput"), 2);
}

TEST(DiagnosticCommandLine, ATrailingBackslashSurvivesTheSplit) {
    const auto plan = planDiagnosticSession(root, powershell, {L"--data-root", L"C:\\data dir\\"});
    const std::wstring line = qxlauncher::quotedCommandLine(plan.arguments);
    EXPECT_NE(line.find(L"\"-DataRoot\" \"C:\\data dir\\\\\""), std::wstring::npos);
    EXPECT_EQ(testsupport::splitWindowsCommandLine(line), plan.arguments);
}

} // namespace
} // namespace lumenark
