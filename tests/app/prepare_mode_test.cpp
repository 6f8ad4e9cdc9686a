// The headless setup, run as the launcher itself over a fixture collection with the fake
// interpreter on the child's PATH.
#include "app/modes/entry_point.h"
#include "backend/setup/setup_progress.h"
#include "platform/instance.h"
#include "platform/text.h"
#include "tests/support/case_names.h"
#include "tests/support/fake_collection.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/project_root.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <sstream>
#include <utility>

namespace {

using testsupport::ChildResult;
using testsupport::ProjectRoot;

const std::string noSupportedSet = "No supported ROM set in this folder or in its qx1, qx2 and "
                                   "qx3 subfolders (README, Compatibility).\n";

class PrepareMode : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::placeFakeInterpreter(root / "interpreters", {"python.exe"});
        testsupport::writeFakeManifests(root.path());
    }

    ChildResult prepare(const std::vector<std::wstring>& arguments,
                        const std::string& scenario = "step_delay_ms=0\n",
                        testsupport::ChildOptions options = {}) {
        testsupport::writeFakeSetupScript(root.path(), scenario);
        options.environment[L"PATH"] = (root / "interpreters").wstring();
        options.timeout = std::chrono::seconds(120);
        return root.runLauncher(arguments, options);
    }

    std::filesystem::path roms(const std::vector<int>& games) {
        const auto folder = root / "my roms";
        for (const int game : games) {
            testsupport::writeFakeRoms(folder, game);
        }
        return folder;
    }

    std::filesystem::path setupConfig() const {
        return root / "build/native/launcher-profile/setup.cfg";
    }

    bool hasReceipt(const std::string& id) const {
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(root / "generated" / id, error)) {
            if (std::filesystem::exists(entry.path() / "setup.json")) {
                return true;
            }
        }
        return false;
    }

    // Runs the prepare with the fake held at each hold until the launcher has printed its line.
    ChildResult prepareHeld(const std::vector<std::wstring>& arguments, const std::string& scenario,
                            const std::vector<std::pair<std::string, std::string>>& holds) {
        std::vector<std::unique_ptr<testsupport::FakePythonHold>> held;
        for (const auto& hold : holds) {
            held.push_back(std::make_unique<testsupport::FakePythonHold>(root.path(), hold.first));
        }
        testsupport::ChildOptions options;
        options.whileRunning = [&](const std::string& output) {
            for (std::size_t i = 0; i < holds.size(); ++i) {
                if (output.find(holds[i].second + "\n") != std::string::npos) {
                    held[i]->release();
                }
            }
        };
        return prepare(arguments, scenario, options);
    }

    ProjectRoot root;
};

std::vector<std::string> linesOf(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(stream, line)) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(PrepareMode, BuildsEveryRecognisedGameAndLeavesTheirReceipts) {
    const auto folder = roms({0, 2});
    const auto result =
        prepareHeld({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                    "hold.qx1.setup=verify,install\nhold.qx3.setup=install\n",
                    {{"qx1-verify", "progress 0.050 Quarrix: checking the ROM files"},
                     {"qx1-install", "progress 0.525 Quarrix: installing"},
                     {"qx3-install", "progress 1.000 Quarrix 3: installing"}});
    ASSERT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    EXPECT_EQ(result.standardError, "");
    const auto lines = linesOf(result.standardOutput);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.front(), "progress 0.000 Checking Python and the compiler");
    EXPECT_EQ(lines[1], "progress 0.020 Checking your ROM files");
    EXPECT_EQ(lines.back(), "progress 1.000 Ready to play");
    // Two games: the first runs over 0.05..0.525, the second over 0.525..1.
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "progress 0.050 Quarrix: checking the ROM files"),
        lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "progress 0.525 Quarrix: installing"),
              lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "progress 1.000 Quarrix 3: installing"),
              lines.end());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_NE(lines[i], lines[i - 1]) << "a line is written only when it changes";
    }
    EXPECT_TRUE(hasReceipt("qx1"));
    EXPECT_FALSE(hasReceipt("qx2"));
    EXPECT_TRUE(hasReceipt("qx3"));
    const std::string config = testsupport::readFile(setupConfig());
    EXPECT_EQ(config.rfind("acknowledged=1\n", 0), 0u) << config;
}

TEST_F(PrepareMode, GamesTheFolderDoesNotHoldGetTheirEarlierFoldersBack) {
    const auto earlier = root / "earlier qx1";
    std::filesystem::create_directories(earlier);
    testsupport::writeFile(
        setupConfig(), "acknowledged=1\nqx1=" + platform::utf8FromWide(earlier.wstring()) + "\n");
    const auto folder = roms({1});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring()});
    ASSERT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    std::map<std::string, std::filesystem::path> saved;
    for (const auto& line : linesOf(testsupport::readFile(setupConfig()))) {
        const auto equals = line.find('=');
        saved[line.substr(0, equals)] = platform::wideFromUtf8(line.substr(equals + 1));
    }
    EXPECT_EQ(saved["qx1"], earlier) << "the first game's earlier folder is put back";
    EXPECT_EQ(saved["qx2"], folder);
    EXPECT_EQ(saved["qx3"], folder) << "a game without an earlier folder keeps the new one";
    EXPECT_TRUE(hasReceipt("qx2"));
    EXPECT_FALSE(hasReceipt("qx1"));
}

TEST_F(PrepareMode, CompileUnitsShowInTheProgressLines) {
    const auto folder = roms({1});
    // One game: (0.2 + 0.7 * 1 / 4) * 0.95 + 0.05.
    const std::string line = "progress 0.406 Quarrix II: compiling 1/4";
    const auto result =
        prepareHeld({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                    "hold.qx2=compile:1\ncompile_units=4\n", {{"qx2-compile-1", line}});
    ASSERT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    EXPECT_NE(result.standardOutput.find(line + "\n"), std::string::npos) << result.standardOutput;
}

TEST_F(PrepareMode, WithoutConfirmationItStopsWithExitThree) {
    const auto folder = roms({0});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring()});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_EQ(result.standardOutput,
              "progress 0.000 Confirm that you own the original ROM files.\n");
    EXPECT_EQ(result.standardError, "Confirm that you own the original ROM files.\n");
    EXPECT_TRUE(testsupport::fakePythonCalls(root.path()).empty());
}

TEST_F(PrepareMode, AFailingStepGivesExitOneWithTheFirstFailure) {
    const auto folder = roms({0, 1});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                                "fail.qx1=compile\nfail_message=The fake compiler broke.\n"
                                "fail_hint=Try the fake again.\n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.standardError, "Quarrix: The fake compiler broke. Try the fake again.\n");
    EXPECT_NE(result.standardOutput.find("progress 0.525 Quarrix: The fake compiler broke.\n"),
              std::string::npos)
        << result.standardOutput;
    EXPECT_TRUE(hasReceipt("qx2")) << "a failed game does not stop the others";
}

TEST_F(PrepareMode, AFailureRecordedByAScriptThatExitsZeroGivesExitOneWithItsOwnSentence) {
    const auto folder = roms({0, 1});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                                "failzero.qx1=compile\nfail_message=The fake compiler broke.\n"
                                "fail_hint=Try the fake again.\n");
    EXPECT_EQ(result.exitCode, 1) << result.standardOutput;
    EXPECT_EQ(result.standardError, "Quarrix: The fake compiler broke. Try the fake again.\n");
    EXPECT_FALSE(hasReceipt("qx1"));
    EXPECT_TRUE(hasReceipt("qx2"));
}

// The check of the files is a verify job: one whose script recorded a failure does not
// recognise the game, whatever its exit code.
TEST_F(PrepareMode, AVerifyThatRecordsAFailureAndExitsZeroLeavesTheGameOut) {
    const auto folder = roms({0, 1});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                                "failzero.qx1=verify\n");
    EXPECT_EQ(result.exitCode, 0) << result.standardOutput << result.standardError;
    EXPECT_FALSE(hasReceipt("qx1"));
    EXPECT_TRUE(hasReceipt("qx2"));
    for (const auto& call : testsupport::fakePythonCalls(root.path())) {
        if (call.find("|--game|qx1|") != std::string::npos) {
            EXPECT_NE(call.find("|--verify-only"), std::string::npos) << call;
        }
    }
}

TEST_F(PrepareMode, AFolderWithoutASupportedSetGivesExitTwo) {
    const auto folder = root / "empty roms";
    std::filesystem::create_directories(folder);
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.standardError, noSupportedSet);
}

TEST_F(PrepareMode, AMissingFolderCannotBeUsed) {
    const auto result =
        prepare({L"--prepare", L"--roms", (root / "nowhere").wstring(), L"--confirm-roms"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.standardError, "This ROM folder can't be used.\n");
}

TEST_F(PrepareMode, WithoutACompilerItStopsWithExitFive) {
    const auto folder = roms({0});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                                "requirements=nocompiler\n");
    EXPECT_EQ(result.exitCode, 5);
    EXPECT_EQ(result.standardError,
              "Python 3.12+ and MSYS2 g++ were not found (README, Requirements).\n");
}

TEST_F(PrepareMode, WithoutAnInterpreterItStopsWithExitFive) {
    std::filesystem::remove_all(root / "interpreters");
    const auto folder = roms({0});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"});
    EXPECT_EQ(result.exitCode, 5);
}

struct BadArguments {
    const char* name;
    std::vector<std::wstring> arguments;
    const char* event;
};

class PrepareArguments : public PrepareMode, public ::testing::WithParamInterface<BadArguments> {};

TEST_P(PrepareArguments, AreErrorsWithExitFour) {
    const auto result = prepare(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 4);
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(testsupport::lastUiEvent(root.uiLog()), GetParam().event);
}

INSTANTIATE_TEST_SUITE_P(Refused, PrepareArguments,
                         ::testing::Values(BadArguments{"NoRoms",
                                                        {L"--prepare", L"--confirm-roms"},
                                                        "fatal --prepare needs --roms <folder>"},
                                           BadArguments{"RomsWithoutAFolder",
                                                        {L"--prepare", L"--roms"},
                                                        "fatal unknown prepare argument"},
                                           BadArguments{"UnknownOption",
                                                        {L"--prepare", L"--roms", L"x", L"--fast"},
                                                        "fatal unknown prepare argument"},
                                           BadArguments{"EmptyFolder",
                                                        {L"--prepare", L"--roms", L""},
                                                        "fatal --prepare needs --roms <folder>"}),
                         testsupport::caseName);

#ifndef _WIN32
// On Linux the lock lives in the desktop folder that the child is given; the test joins it.
struct JoinDesktop {
    explicit JoinDesktop(const ProjectRoot& root)
        : desktop(L"LUMENARK_DESKTOP_DIR", testsupport::desktopFolderOf(root).wstring()) {}
    testsupport::ScopedEnvironment desktop;
};
#else
struct JoinDesktop {
    explicit JoinDesktop(const ProjectRoot&) {}
};
#endif

TEST_F(PrepareMode, WithTheLauncherOpenItStopsWithExitSixAndChangesNothing) {
    const auto folder = roms({0});
    testsupport::writeFile(setupConfig(), "qx2=" + (root / "old").string() + "\n");
    JoinDesktop desktop(root);
    platform::SingleInstanceLock held;
    ASSERT_EQ(held.acquire(lumenark::launcherMutexName),
              platform::SingleInstanceLock::Result::acquired);
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"});
    EXPECT_EQ(result.exitCode, 6);
    EXPECT_EQ(result.standardError,
              "Close the Lumenark Recomp window first, then run the setup again.\n");
    EXPECT_EQ(testsupport::readFile(setupConfig()), "qx2=" + (root / "old").string() + "\n");
    EXPECT_TRUE(testsupport::fakePythonCalls(root.path()).empty());
}

// On Linux "roms " is a folder of its own beside "roms"; Windows makes the one folder "roms" of
// both. Either way the line of "roms " would read back as "roms".
TEST_F(PrepareMode, AFolderEndingInABlankCannotBeUsedAndNothingIsWritten) {
    const auto blank = root / "roms ";
#ifdef _WIN32
    const auto filled = root / "roms";
#else
    const auto filled = blank;
    std::filesystem::create_directories(root / "roms");
#endif
    for (const int game : {0, 1, 2}) {
        testsupport::writeFakeRoms(filled, game);
    }
    const auto earlier = root / "earlier qx1";
    std::filesystem::create_directories(earlier);
    const std::string config =
        "acknowledged=1\nqx1=" + platform::utf8FromWide(earlier.wstring()) + "\n";
    testsupport::writeFile(setupConfig(), config);
    const auto result = prepare({L"--prepare", L"--roms", blank.wstring()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_EQ(result.standardError, "This ROM folder can't be used.\n");
    EXPECT_EQ(testsupport::readFile(setupConfig()), config);
    EXPECT_FALSE(hasReceipt("qx1"));
}

// A build that exits 0 but leaves no receipt of its own is no build.
struct EmptyBuild {
    const char* name;
    const char* scenario;
    bool earlierBuild;
    friend void PrintTo(const EmptyBuild& c, std::ostream* out) { *out << c.name; }
};

class PrepareWithoutReceipt : public PrepareMode,
                              public ::testing::WithParamInterface<EmptyBuild> {};

TEST_P(PrepareWithoutReceipt, GivesExitOneWithItsSentence) {
    std::filesystem::path earlier;
    testsupport::ReceiptState before;
    if (GetParam().earlierBuild) {
        earlier = testsupport::writeBuildReceipt(root.path(), "qx1", "earlier build");
        const auto receipt = earlier / "setup.json";
        std::filesystem::last_write_time(receipt, std::filesystem::last_write_time(receipt) -
                                                      std::chrono::hours(1));
        before = testsupport::receiptState(earlier);
    }
    const auto folder = roms({0});
    const auto result = prepare({L"--prepare", L"--roms", folder.wstring(), L"--confirm-roms"},
                                GetParam().scenario);
    EXPECT_EQ(result.exitCode, 1) << result.standardOutput;
    EXPECT_EQ(result.standardError, "Quarrix: The setup ended without a build receipt. Open the "
                                    "log for details, or use Copy report and send it to the "
                                    "project.\n");
    EXPECT_NE(result.standardOutput.find(
                  "progress 1.000 Quarrix: The setup ended without a build receipt.\n"),
              std::string::npos)
        << result.standardOutput;
    EXPECT_EQ(result.standardOutput.find("Ready to play"), std::string::npos)
        << result.standardOutput;
    // The earlier build is still the game's, byte for byte and as old as it was.
    const qxlauncher::LatestBuild build = qxlauncher::findLatestBuild(root.path(), L"qx1");
    EXPECT_EQ(build.found, GetParam().earlierBuild);
    if (GetParam().earlierBuild) {
        EXPECT_EQ(testsupport::receiptState(earlier), before);
        EXPECT_EQ(build.directoryName, earlier.filename().string());
        EXPECT_EQ(build.sha256, testsupport::sha256Hex("earlier build"));
        EXPECT_EQ(build.receiptWritten, before.written);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, PrepareWithoutReceipt,
    ::testing::Values(EmptyBuild{"ExitsZeroWithoutAReceipt", "nobuild.qx1=1\n", false},
                      EmptyBuild{"LeavesTheEarlierReceiptUntouched", "nobuild.qx1=1\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
