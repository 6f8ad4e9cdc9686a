// The setup queue and job states, driven through the fake interpreter and setup script.
#include "backend/setup/setup_runner.h"
#include "tests/backend/setup_test_fixture.h"
#include "tests/support/case_names.h"
#include "tests/support/inherited_handle.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/probe_child.h"

#include <gmock/gmock.h>

#include <chrono>
#include <memory>

namespace qxlauncher {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class SetupPipeline : public SetupFixture {
protected:
    // The first game's verify job, its process running and held at the verify step until
    // `releaseVerify`.
    void startHeldVerify() {
        collection("hold.qx1=verify\n");
        verifying_ = std::make_unique<testsupport::FakePythonHold>(root.path(), "qx1-verify");
        ready(0, romFolder({0}));
        ASSERT_TRUE(backend().requestSetup(0, true));
        pumpUntilRunning(0);
    }
    void releaseVerify() { verifying_->release(); }

private:
    std::unique_ptr<testsupport::FakePythonHold> verifying_;
};

TEST_F(SetupPipeline, RefusalsComeInOrderAndQueueNothing) {
    collection("");
    const auto folder = romFolder({0});
    Backend& b = backend();
    EXPECT_FALSE(b.requestSetup(0, false));
    EXPECT_EQ(b.statusText(), L"Confirm on the Legal page that you own the original ROM files.");
    BackendProbe::acknowledged(b) = true;
    BackendProbe::stageRunningGame(b);
    EXPECT_FALSE(b.requestSetup(0, true));
    EXPECT_EQ(b.statusText(), L"Close the game before preparing files.");
    BackendProbe::clearRunningGame(b);
    EXPECT_FALSE(b.requestSetup(0, false));
    EXPECT_EQ(b.statusText(), L"Choose the ROM folder of this game.");
    EXPECT_FALSE(b.requestSetup(3, false));
    EXPECT_EQ(BackendProbe::setupQueue(b).size(), 0u);
    EXPECT_TRUE(testsupport::fakePythonCalls(root.path()).empty());
}

TEST_F(SetupPipeline, TheFirstBuildChecksTheRequirementsFirstThenBuildsAndFindsTheReceipt) {
    collection("");
    ready(1, romFolder({1}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(1, false));
    // The check runs first; the status keeps its sentence until the game job starts.
    EXPECT_EQ(b.statusText(), L"Choose the folder with your ROM files to prepare the games.");
    EXPECT_EQ(job(1).state, "queued");
    EXPECT_FALSE(b.requestSetup(1, false));
    EXPECT_EQ(b.statusText(), L"This game is already in the setup; wait or cancel.");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(b.statusText(), L"Quarrix II: ready to play.");
    EXPECT_EQ(job(1).state, "done");
    EXPECT_TRUE(job(1).verified);
    EXPECT_DOUBLE_EQ(job(1).buildSeconds, 4.0);
    EXPECT_TRUE(b.hasValidBuild(1));
    EXPECT_FALSE(b.hasValidBuild(0));
    EXPECT_EQ(b.latestBuildDirectory(1).parent_path(), root / "generated" / "qx2");
    EXPECT_TRUE(b.toolProbe().checked);
    EXPECT_TRUE(b.toolProbe().ok);
    EXPECT_EQ(b.toolProbe().compilerVersion, "16.1.0");
    const auto calls = testsupport::fakePythonCalls(root.path());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_THAT(calls[0], HasSubstr("--requirements"));
    EXPECT_THAT(calls[1], HasSubstr("|--game|qx2|"));
    // A later build starts at once, without another check, and the game may be queued again.
    ASSERT_TRUE(b.requestSetup(1, false));
    EXPECT_EQ(b.statusText(),
              L"Setup running: checking the ROM files and generating the game on this machine...");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(testsupport::fakePythonCalls(root.path()).size(), 3u);
}

TEST_F(SetupPipeline, AVerifyJobReportsTheFilesAndEndsVerified) {
    collection("");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(b.statusText(), L"Quarrix: ROM files verified.");
    EXPECT_EQ(job(0).mode, "verify");
    EXPECT_TRUE(job(0).verified);
    ASSERT_EQ(job(0).reportFiles.size(), 3u);
    EXPECT_EQ(job(0).reportFiles[0].name, "qx1-u1.bin");
    EXPECT_EQ(job(0).reportFiles[0].status, "ok");
    EXPECT_FALSE(b.hasValidBuild(0));
    EXPECT_THAT(testsupport::fakePythonCalls(root.path()).back(),
                testing::EndsWith("|--verify-only"));
}

// An inheritable handle of the launcher's own (a package file the background poll hashes, say)
// goes neither with the requirements check nor with the setup script.
TEST_F(SetupPipeline, NeitherTheCheckNorTheScriptGetsAHandleOfTheLaunchersOwn) {
    const testsupport::InheritableFile held(root / "held by the launcher.bin");
    ASSERT_TRUE(held.isOpen());
    collection("probe_handle=" + held.probeText() + "\n");
    ready(0, romFolder({0}));
    ASSERT_TRUE(backend().requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_EQ(testsupport::readFile(root / "logs/fake-python-handles.txt"),
              "requirements not inherited\nqx1 not inherited\n");
}

TEST_F(SetupPipeline, AFailureRecordedByTheScriptKeepsItsOwnTexts) {
    collection("fail.qx3=generate\nfail_message=Generation broke.\nfail_hint=Try again.\n");
    ready(2, romFolder({2}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(2, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(2).state, "failed");
    EXPECT_EQ(job(2).code, "fake_generate");
    EXPECT_EQ(job(2).message, "Generation broke.");
    EXPECT_EQ(job(2).hint, "Try again.");
    EXPECT_EQ(b.statusText(), L"Quarrix 3: Generation broke.");
    EXPECT_EQ(b.stepHintText(2), L"Try again.");
}

// --- The exit code beside what the script recorded, for both modes ---

struct OutcomeCase {
    const char* name;
    bool verifyOnly;
    bool recordsFailure;
    int exitCode;
    const char* code;
    const char* message;
    const char* hint;
    const char* detail;
    const wchar_t* status;
};

void PrintTo(const OutcomeCase& c, std::ostream* out) {
    *out << c.name;
}

class ScriptOutcome : public SetupFixture, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(ScriptOutcome, AFailureTheScriptRecordedStandsWhateverItsExitCode) {
    const OutcomeCase& c = GetParam();
    collection(testsupport::fakeOutcomeScenario(c.verifyOnly, c.recordsFailure, c.exitCode));
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, c.verifyOnly));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, std::string(c.code).empty() ? "done" : "failed");
    EXPECT_EQ(job(0).code, c.code);
    EXPECT_EQ(job(0).message, c.message);
    EXPECT_EQ(job(0).hint, c.hint);
    EXPECT_EQ(job(0).detail, c.detail);
    EXPECT_EQ(b.statusText(), c.status);
}

constexpr const char* fakeHint = "Check the fake scenario.";

INSTANTIATE_TEST_SUITE_P(
    ModeRecordExit, ScriptOutcome,
    ::testing::Values(
        OutcomeCase{"VerifyRecordsAFailureAndExitsZero", true, true, 0, "fake_verify",
                    "The fake verify failed.", fakeHint, "scenario asked for a failure at verify",
                    L"Quarrix: The fake verify failed."},
        OutcomeCase{"VerifyRecordsAFailureAndExitsOne", true, true, 1, "fake_verify",
                    "The fake verify failed.", fakeHint, "scenario asked for a failure at verify",
                    L"Quarrix: The fake verify failed."},
        OutcomeCase{"VerifyRecordsDoneAndExitsZero", true, false, 0, "", "ROM files verified", "",
                    "", L"Quarrix: ROM files verified."},
        OutcomeCase{"VerifyRecordsDoneAndExitsOne", true, false, 1, "internal",
                    "The setup stopped unexpectedly.", "",
                    "ROM files verified; setup.py exit code 1",
                    L"Quarrix: The setup stopped unexpectedly."},
        OutcomeCase{"SetupRecordsAFailureAndExitsZero", false, true, 0, "fake_compile",
                    "The fake compile failed.", fakeHint, "scenario asked for a failure at compile",
                    L"Quarrix: The fake compile failed."},
        OutcomeCase{"SetupRecordsAFailureAndExitsOne", false, true, 1, "fake_compile",
                    "The fake compile failed.", fakeHint, "scenario asked for a failure at compile",
                    L"Quarrix: The fake compile failed."},
        OutcomeCase{"SetupRecordsDoneAndExitsZero", false, false, 0, "", "Ready to play", "", "",
                    L"Quarrix: ready to play."},
        OutcomeCase{"SetupRecordsDoneAndExitsOne", false, false, 1, "internal",
                    "The setup stopped unexpectedly.", "", "Ready to play; setup.py exit code 1",
                    L"Quarrix: The setup stopped unexpectedly."}),
    testsupport::caseName);

TEST_F(SetupPipeline, ABareNonZeroExitBecomesAnInternalFailure) {
    collection("bare.qx1=decoder\n");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "internal");
    EXPECT_EQ(job(0).message, "The setup stopped unexpectedly.");
    EXPECT_EQ(job(0).hint, "");
    // The last message the script recorded was that of the step before.
    EXPECT_EQ(job(0).detail, "fake step stage; setup.py exit code 3");
    EXPECT_EQ(b.statusText(), L"Quarrix: The setup stopped unexpectedly.");
}

TEST_F(SetupPipeline, CancellingARunningJobEndsItsWholeTree) {
    collection("hang.qx2=compile\n");
    ready(1, romFolder({1}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(1, false));
    const auto beat = testsupport::grandchildHeartbeat(root.path(), "qx2");
    while (!std::filesystem::exists(beat) && b.isSetupBusy()) {
        platform::sleepMilliseconds(10);
    }
    ASSERT_TRUE(testsupport::waitForHeartbeat(beat));
    b.cancelSetup();
    EXPECT_EQ(b.statusText(), L"Setup cancelled.");
    ASSERT_TRUE(runUntilIdle(std::chrono::seconds(20)));
    EXPECT_EQ(job(1).state, "cancelled");
    EXPECT_EQ(job(1).message, "Cancelled");
    EXPECT_EQ(b.statusText(), L"Quarrix II: setup cancelled.");
    EXPECT_TRUE(testsupport::heartbeatStops(beat)) << "the grandchild outlived the cancel";
}

TEST_F(SetupPipeline, DestroyingTheBackendEndsARunningSetupTree) {
    collection("hang.qx1=stage\n");
    ready(0, romFolder({0}));
    ASSERT_TRUE(backend().requestSetup(0, false));
    const auto beat = testsupport::grandchildHeartbeat(root.path(), "qx1");
    while (!std::filesystem::exists(beat) && backend().isSetupBusy()) {
        platform::sleepMilliseconds(10);
    }
    ASSERT_TRUE(testsupport::waitForHeartbeat(beat));
    dropBackend();
    EXPECT_TRUE(testsupport::heartbeatStops(beat));
}

TEST_F(SetupPipeline, AfterACancelledJobTheNextOneEndsByItsOwnResult) {
    startHeldVerify();
    Backend& b = backend();
    b.cancelSetup();
    ASSERT_TRUE(runUntilIdle());
    ASSERT_EQ(job(0).state, "cancelled");
    releaseVerify();
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_EQ(b.statusText(), L"Quarrix: ROM files verified.");
}

TEST_F(SetupPipeline, ACancelWhoseTerminationFailedLetsTheJobEndByItsOwnResult) {
    const auto release = root / "release";
    platform::StartedChild child = testsupport::startChildProbe({L"wait", release.wstring()});
    ASSERT_TRUE(child.started());
    // No job object stands behind this handle, so the termination fails.
    child.job = platform::openChildNullInput();
    Backend& b = backend();
    BackendProbe::setupJob(b, 0).mode = "verify";
    BackendProbe::setupJob(b, 0).running = true;
    BackendProbe::adoptSetup(b, child, SetupQueueEntry{0, true});
    BackendProbe::setupJob(b, 1).queued = true;
    BackendProbe::setupJob(b, 1).state = "queued";
    BackendProbe::setupQueue(b).push_back(SetupQueueEntry{1, false});
    b.cancelSetup();
    EXPECT_EQ(b.statusText(), L"Could not cancel the setup; it is still running.");
    // The waiting game is dropped all the same.
    EXPECT_EQ(job(1).state, "cancelled");
    EXPECT_FALSE(job(1).queued);
    EXPECT_TRUE(BackendProbe::setupQueue(b).empty());
    EXPECT_TRUE(job(0).running);
    testsupport::writeFile(release, "go");
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_EQ(b.statusText(), L"Quarrix: ROM files verified.");
}

TEST_F(SetupPipeline, CancellingWhenNothingWaitsOrRunsSaysCancelled) {
    Backend& b = backend();
    b.cancelSetup();
    EXPECT_EQ(b.statusText(), L"Setup cancelled.");
}

// --- A withdrawn ownership confirmation ---

TEST_F(SetupPipeline, AWithdrawalCancelsTheWaitingGamesAndLetsTheRunningOneFinish) {
    collection("hold.qx1=verify\n");
    testsupport::FakePythonHold hold(root.path(), "qx1-verify");
    const auto folder = romFolder({0, 1, 2});
    for (int game = 0; game < 3; ++game) {
        ready(game, folder);
    }
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    pumpUntilRunning(0);
    ASSERT_TRUE(b.requestSetup(1, false));
    ASSERT_TRUE(b.requestSetup(2, true));
    // A check asked for meanwhile waits ahead of the games; it needs no confirmation.
    b.recheckRequirements();
    BackendProbe::stageStatus(b, L"Earlier sentence.");

    ASSERT_TRUE(b.setAcknowledged(false));
    EXPECT_EQ(b.statusText(), L"Earlier sentence.") << "the caller words the withdrawal";
    for (int game = 1; game < 3; ++game) {
        EXPECT_EQ(job(game).state, "cancelled") << game;
        EXPECT_FALSE(job(game).queued) << game;
    }
    ASSERT_EQ(BackendProbe::setupQueue(b).size(), 1u);
    EXPECT_EQ(BackendProbe::setupQueue(b).front().game, requirementsEntryGame);
    EXPECT_TRUE(job(0).running);

    hold.release();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_TRUE(b.hasValidBuild(0));
    for (int game = 1; game < 3; ++game) {
        EXPECT_EQ(job(game).state, "cancelled") << game;
    }
    const auto calls = testsupport::fakePythonCalls(root.path());
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_THAT(calls[1], HasSubstr("|--game|qx1|"));
    EXPECT_THAT(calls[2], HasSubstr("--requirements"));
}

TEST_F(SetupPipeline, ThePumpStartsNoGameWithoutTheConfirmation) {
    collection("");
    ready(0, romFolder({0}));
    Backend& b = backend();
    BackendProbe::acknowledged(b) = false;
    BackendProbe::setupJob(b, 0).queued = true;
    BackendProbe::setupJob(b, 0).state = "queued";
    BackendProbe::setupQueue(b).push_back(SetupQueueEntry{0, false});
    EXPECT_FALSE(b.isSetupBusy());
    EXPECT_EQ(job(0).state, "cancelled");
    EXPECT_FALSE(job(0).queued);
    EXPECT_TRUE(testsupport::fakePythonCalls(root.path()).empty());
}

TEST_F(SetupPipeline, AnExitCodeThatCannotBeReadCountsAsThirtyOne) {
    platform::StartedChild child = testsupport::startChildProbe({L"exit", L"0"});
    ASSERT_TRUE(child.started());
    testsupport::loseExitCode(child);
    Backend& b = backend();
    BackendProbe::setupJob(b, 1).running = true;
    BackendProbe::adoptSetup(b, child, SetupQueueEntry{1, false});
    EXPECT_FALSE(b.isSetupBusy());
    EXPECT_EQ(job(1).state, "failed");
    EXPECT_EQ(job(1).code, "internal");
    EXPECT_EQ(job(1).detail, "setup.py exit code 31");
    EXPECT_EQ(b.statusText(), L"Quarrix II: The setup stopped unexpectedly.");
}

TEST_F(SetupPipeline, AQueuedSetupRefusesPlayBeforeItRuns) {
    collection("requirements=held\n");
    testsupport::FakePythonHold check(root.path(), "requirements");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_EQ(job(0).state, "queued");
    EXPECT_FALSE(b.launchSelectedGame());
    EXPECT_EQ(b.statusText(), L"Wait for the build to finish before playing.");
    EXPECT_FALSE(b.isGameRunning());
    EXPECT_EQ(job(0).state, "queued");
}

TEST_F(SetupPipeline, CancellingQueuedGamesMarksThemCancelled) {
    collection("requirements=held\n");
    testsupport::FakePythonHold check(root.path(), "requirements");
    const auto folder = romFolder({0, 1});
    ready(0, folder);
    ready(1, folder);
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(b.requestSetup(1, true));
    b.cancelSetup();
    EXPECT_EQ(b.statusText(), L"Setup cancelled.");
    EXPECT_EQ(job(0).state, "cancelled");
    EXPECT_FALSE(job(0).queued);
    EXPECT_EQ(job(1).state, "cancelled");
    EXPECT_EQ(BackendProbe::setupQueue(b).size(), 0u);
    // The cancelled check has no result and no other interpreter is left.
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(b.statusText(), L"Python 3 was not found on PATH.");
    EXPECT_TRUE(b.toolProbe().checked);
}

TEST_F(SetupPipeline, WithoutAnInterpreterTheGamesFailInTurn) {
    collection("");
    removePath();
    const auto folder = romFolder({0, 2});
    ready(0, folder);
    ready(2, folder);
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    EXPECT_TRUE(b.toolProbe().checked);
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "launcher");
    EXPECT_EQ(job(0).message, "Python 3 was not found on PATH");
    EXPECT_EQ(b.statusText(), L"Setup refused: Python 3 was not found on PATH");
    ASSERT_TRUE(b.requestSetup(2, true));
    EXPECT_EQ(job(2).code, "launcher");
    EXPECT_FALSE(b.isSetupBusy());
}

TEST_F(SetupPipeline, AMissingScriptRefusesEveryEntry) {
    testsupport::writeFakeManifests(root.path());
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    EXPECT_EQ(b.statusText(), L"Setup refused: tools/setup/setup.py missing");
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).message, "tools/setup/setup.py missing");
    EXPECT_FALSE(b.isSetupBusy());
}

// A check whose result or log file cannot be opened never ran: the waiting games find no
// interpreter, whatever the check was about to run.
class UnstartableCheck : public SetupFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(UnstartableCheck, LeavesTheWaitingGamesWithoutAnInterpreter) {
    collection("");
    std::filesystem::create_directories(root / "logs" / GetParam());
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    EXPECT_TRUE(b.toolProbe().checked);
    EXPECT_EQ(BackendProbe::pythonCommand(b), L"");
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "launcher");
    EXPECT_EQ(job(0).message, "Python 3 was not found on PATH");
    EXPECT_EQ(b.statusText(), L"Setup refused: Python 3 was not found on PATH");
    EXPECT_FALSE(b.isSetupBusy());
    EXPECT_TRUE(testsupport::fakePythonCalls(root.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Files, UnstartableCheck,
                         ::testing::Values("setup-requirements.json", "setup-requirements.log"),
                         [](const auto& info) { return testsupport::caseNameFrom(info.param); });

TEST_F(SetupPipeline, ACheckWithoutResultMovesOnToTheNextInterpreter) {
    useInterpreters({"python.exe", "py.exe"});
    collection("requirements.python.exe=silent\n");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_THAT(platform::utf8FromWide(BackendProbe::pythonCommand(b)),
                testing::EndsWith("py.exe\" -3"));
    const auto calls = testsupport::fakePythonCalls(root.path());
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_THAT(calls[0], StartsWith("-I|"));
    EXPECT_THAT(calls[1], StartsWith("-3|-I|"));
    EXPECT_THAT(calls[2], StartsWith("-3|-I|"));
}

TEST_F(SetupPipeline, TheCheckKeepsTheInterpreterThatRanWhenAnotherVanishes) {
    useInterpreters({"python.exe", "py.exe"});
    collection("requirements.python.exe=silent\nrequirements.py.exe=held\n");
    testsupport::FakePythonHold check(root.path(), "requirements");
    ready(0, romFolder({0}));
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, true));
    while (testsupport::fakePythonCalls(root.path()).size() < 2) {
        ASSERT_TRUE(b.isSetupBusy());
        platform::sleepMilliseconds(10);
    }
    // The first interpreter leaves PATH while the second one's check is held.
    const auto command = platform::utf8FromWide(BackendProbe::pythonCommand(b));
    const auto pythonPath = command.substr(1, command.find('"', 1) - 1);
    std::filesystem::remove(std::filesystem::path(pythonPath).parent_path() / "python.exe");
    check.release();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_TRUE(b.toolProbe().ok);
    EXPECT_EQ(job(0).state, "done");
    EXPECT_THAT(platform::utf8FromWide(BackendProbe::pythonCommand(b)),
                testing::EndsWith("py.exe\" -3"));
}

TEST_F(SetupPipeline, RecheckingWhileAJobRunsWaitsForIt) {
    startHeldVerify();
    Backend& b = backend();
    b.recheckRequirements();
    b.recheckRequirements();
    EXPECT_TRUE(job(0).running);
    EXPECT_EQ(BackendProbe::setupQueue(b).size(), 1u);
    releaseVerify();
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_TRUE(b.toolProbe().checked);
    EXPECT_EQ(testsupport::fakePythonCalls(root.path()).size(), 3u);
}

TEST_F(SetupPipeline, AFolderWithBlanksReachesTheScriptAsOneArgument) {
    collection("");
    const auto folder = romFolder({0}, "my roms");
    ready(0, folder);
    ASSERT_TRUE(backend().requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_THAT(testsupport::fakePythonCalls(root.path()).back(),
                HasSubstr("|--roms|" + platform::utf8FromWide(folder.wstring()) + "|--progress|"));
}

struct DisplayCase {
    const char* name;
    std::string code;
    std::string message;
    bool shown;
};

class StepMessage : public SetupFixture, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(StepMessage, IsShownOnlyWhenItIsShortAndPlain) {
    SetupJob& staged = BackendProbe::setupJob(backend(), 0);
    staged.code = GetParam().code;
    staged.message = GetParam().message;
    staged.hint = GetParam().message;
    const std::wstring message = backend().stepMessageText(0);
    const std::wstring hint = backend().stepHintText(0);
    if (GetParam().shown) {
        EXPECT_EQ(message, platform::wideFromUtf8(GetParam().message));
    } else {
        EXPECT_EQ(message, L"Something went wrong at this step.");
    }
    const bool hintShown = !GetParam().message.empty() && GetParam().message.size() <= 200 &&
                           GetParam().message.find_first_of("{}[]\r\n") == std::string::npos;
    EXPECT_EQ(hint, hintShown ? platform::wideFromUtf8(GetParam().message)
                              : L"Open the log for details, or use Copy report and send it to "
                                L"the project.");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StepMessage,
    ::testing::Values(DisplayCase{"PlainWords", "x", "Plain words.", true},
                      DisplayCase{"TwoHundredCharacters", "x", std::string(200, 'a'), true},
                      DisplayCase{"TwoHundredAndOneCharacters", "x", std::string(201, 'a'), false},
                      DisplayCase{"Braces", "x", "a {brace}", false},
                      DisplayCase{"Brackets", "x", "a [list]", false},
                      DisplayCase{"LineFeed", "x", "two\nlines", false},
                      DisplayCase{"CarriageReturn", "x", "cr\r", false},
                      DisplayCase{"NoCode", "", "No code.", false},
                      DisplayCase{"NoMessage", "x", "", false}),
    testsupport::caseName);

TEST_F(SetupPipeline, DisplayTextsRefuseAGameKindAboveTwo) {
    EXPECT_THROW(backend().stepMessageText(3), std::out_of_range);
    EXPECT_THROW(backend().stepHintText(3), std::out_of_range);
}

// --- A build that ends with 0 is done only with a receipt of its own ---

// Sets a file's write time back by the hours given, so a test never waits for the clock.
void makeOlder(const std::filesystem::path& file, int hours) {
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) -
                                               std::chrono::hours(hours));
}

// A receipt and a log of an earlier run of the first game, both older than any job to come.
// Returns the build folder.
std::filesystem::path layOutEarlierRun(const std::filesystem::path& root) {
    const auto build = testsupport::writeBuildReceipt(root, "qx1", "earlier build of qx1");
    makeOlder(build / "setup.json", 1);
    // Older still: the job's start is what opening its log stamps, not the log's earlier time.
    testsupport::writeFile(setupLogPath(root, 0), "earlier run\n");
    makeOlder(setupLogPath(root, 0), 2);
    return build;
}

struct EmptyBuild {
    const char* name;
    const char* scenario;
    bool earlierRun;
    const char* detail;
    friend void PrintTo(const EmptyBuild& c, std::ostream* out) { *out << c.name; }
};

class BuildWithoutReceipt : public SetupFixture,
                            public ::testing::WithParamInterface<EmptyBuild> {};

TEST_P(BuildWithoutReceipt, FailsWithItsOwnSentenceAndTheLogHint) {
    collection(GetParam().scenario);
    ready(0, romFolder({0}));
    std::filesystem::path earlier;
    testsupport::ReceiptState before;
    if (GetParam().earlierRun) {
        earlier = layOutEarlierRun(root.path());
        before = testsupport::receiptState(earlier);
    }
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "failed");
    EXPECT_EQ(job(0).code, "internal");
    EXPECT_EQ(job(0).message, "The setup ended without a build receipt.");
    EXPECT_EQ(job(0).hint, "");
    EXPECT_EQ(job(0).detail, GetParam().detail);
    EXPECT_EQ(b.statusText(), L"Quarrix: The setup ended without a build receipt.");
    EXPECT_EQ(b.stepHintText(0),
              L"Open the log for details, or use Copy report and send it to the project.");
    EXPECT_EQ(b.hasValidBuild(0), GetParam().earlierRun) << "an earlier build stays as it was";
    if (GetParam().earlierRun) {
        EXPECT_EQ(testsupport::receiptState(earlier), before);
        EXPECT_EQ(b.latestBuildDirectory(0), earlier);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, BuildWithoutReceipt,
    ::testing::Values(EmptyBuild{"ExitsZeroWithoutAReceipt", "nobuild.qx1=1\n", false,
                                 "Ready to play; setup.py exit code 0 without a build receipt"},
                      EmptyBuild{"LeavesTheEarlierReceiptUntouched", "nobuild.qx1=1\n", true,
                                 "Ready to play; setup.py exit code 0 without a build receipt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SetupPipeline, ARebuildThatWritesItsReceiptAgainIsDone) {
    collection("");
    ready(0, romFolder({0}));
    layOutEarlierRun(root.path());
    Backend& b = backend();
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    const auto built = b.latestBuildDirectory(0);
    // Older than the next run: only its rewrite during that run can make it count.
    makeOlder(built / "setup.json", 1);
    makeOlder(setupLogPath(root.path(), 0), 2);
    ASSERT_TRUE(b.requestSetup(0, false));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_EQ(b.statusText(), L"Quarrix: ready to play.");
    EXPECT_EQ(b.latestBuildDirectory(0), built);
}

TEST_F(SetupPipeline, AVerifyJobNeedsNoReceipt) {
    collection("nobuild.qx1=1\n");
    ready(0, romFolder({0}));
    layOutEarlierRun(root.path());
    ASSERT_TRUE(backend().requestSetup(0, true));
    ASSERT_TRUE(runUntilIdle());
    EXPECT_EQ(job(0).state, "done");
    EXPECT_EQ(backend().statusText(), L"Quarrix: ROM files verified.");
}

} // namespace
} // namespace qxlauncher
