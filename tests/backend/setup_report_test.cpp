// The setup report for the clipboard.
#include "backend/setup/setup_report.h"
#include "backend/setup/setup_runner.h"
#include "tests/backend/setup_test_fixture.h"

#include <gmock/gmock.h>

namespace qxlauncher {
namespace {

class SetupReport : public SetupFixture {
protected:
    void SetUp() override {
        SetupFixture::SetUp();
        profile_ = std::make_unique<testsupport::ScopedEnvironment>(L"USERPROFILE", std::nullopt);
    }
    std::wstring report(int game) { return backend().setupReport(game); }
    void log(int game, const std::string& text) {
        testsupport::writeFile(setupLogPath(backend().root(), game), text);
    }

private:
    std::unique_ptr<testsupport::ScopedEnvironment> profile_;
};

TEST_F(SetupReport, AGameThatNeverRanPrintsDashesAndNoLog) {
    EXPECT_EQ(report(1), L"Lumenark Recomp setup report\r\n"
                         L"Game: Quarrix II (qx2)\r\n"
                         L"Setup version: 14\r\n"
                         L"Python: -\r\n"
                         L"g++: - (tested: -)\r\n"
                         L"Step: -\r\n"
                         L"Result: - [-]\r\n"
                         L"Message: -\r\n"
                         L"Detail: -\r\n"
                         L"\r\n"
                         L"Last lines of setup-qx2.log:\r\n"
                         L"(no log)");
}

TEST_F(SetupReport, CarriesTheToolsAndTheJob) {
    ToolProbe& tools = BackendProbe::tools(backend());
    tools.python = "3.12.4";
    tools.compilerVersion = "15.2.0";
    tools.compilerValidated = "16.1.0";
    SetupJob& job = BackendProbe::setupJob(backend(), 2);
    job.step = "compile";
    job.state = "failed";
    job.code = "internal";
    job.message = "The setup stopped unexpectedly.";
    job.detail = "setup.py exit code 1";
    log(2, "one\n");
    EXPECT_THAT(report(2), ::testing::HasSubstr(L"Python: 3.12.4\r\n"
                                                L"g++: 15.2.0 (tested: 16.1.0)\r\n"
                                                L"Step: compile\r\n"
                                                L"Result: failed [internal]\r\n"
                                                L"Message: The setup stopped unexpectedly.\r\n"
                                                L"Detail: setup.py exit code 1\r\n\r\n"
                                                L"Last lines of setup-qx3.log:\r\none\r\n"));
}

std::string numberedLines(int count, const char* end) {
    std::string text;
    for (int i = 1; i <= count; ++i) {
        text += "line " + std::to_string(i) + end;
    }
    return text;
}

std::wstring tailOf(const std::wstring& report) {
    const std::wstring marker = L"setup-qx1.log:\r\n";
    return report.substr(report.find(marker) + marker.size());
}

TEST_F(SetupReport, TheTailIsTheLastFortyLinesInCrLf) {
    log(0, numberedLines(100, "\n"));
    const std::wstring tail = tailOf(report(0));
    EXPECT_EQ(tail.rfind(L"line 61\r\n", 0), 0u);
    EXPECT_EQ(tail.substr(tail.size() - 10), L"line 100\r\n");
    log(0, numberedLines(10, "\r\n") + "unfinished");
    const std::wstring shortTail = tailOf(report(0));
    EXPECT_EQ(shortTail, platform::wideFromUtf8(numberedLines(10, "\r\n")) + L"unfinished");
}

TEST_F(SetupReport, ALongLogGivesAtMostItsLast32768Bytes) {
    log(0, std::string(1000000, 'x') + "\n" + std::string(40000, 'y'));
    EXPECT_EQ(tailOf(report(0)), std::wstring(32768, L'y'));
}

TEST_F(SetupReport, AnEmptyLogReadsAsTheNativeErrorText) {
    log(0, "");
    EXPECT_EQ(tailOf(report(0)), L"Native error.");
}

TEST_F(SetupReport, TheProfileFolderIsHiddenInBothSpellings) {
    testsupport::ScopedEnvironment profile(L"USERPROFILE", L"C:\\Users\\Ada");
    log(0, "open C:\\USERS\\ADA\\roms\\a.bin\nopen c:/users/ada/roms/b.bin\n");
    const std::wstring tail = tailOf(report(0));
    EXPECT_EQ(tail, L"open %USERPROFILE%\\roms\\a.bin\r\nopen %USERPROFILE%/roms/b.bin\r\n");
}

TEST(SetupReportText, AReplacementThatHoldsTheNeedleEnds) {
    EXPECT_EQ(replaceIgnoringCase(L"a %userprofile% b", L"%USERPROFILE%", L"%USERPROFILE%"),
              L"a %USERPROFILE% b");
    EXPECT_EQ(hideProfileFolder(L"x\\%USERPROFILE%\\y", L"x\\%USERPROFILE%"), L"%USERPROFILE%\\y");
}

TEST(SetupReportText, AProfileOf260UnitsOrMoreIsLeftAlone) {
    const std::wstring profile(260, L'p');
    EXPECT_EQ(hideProfileFolder(profile, profile), profile);
    EXPECT_EQ(hideProfileFolder(profile, profile.substr(1)), L"%USERPROFILE%p");
}

TEST(SetupReportText, LineEndsGetOneCarriageReturn) {
    EXPECT_EQ(withCrLfLineEnds(L"\na\r\nb\n\n"), L"\r\na\r\nb\r\n\r\n");
}

TEST_F(SetupReport, AGameKindAboveTwoIsRefused) {
    EXPECT_THROW(report(3), std::out_of_range);
}

} // namespace
} // namespace qxlauncher
