#include "backend/launch/game_launch.h"

#include "backend/backend.h"
#include "backend/launch/command_line.h"
#include "backend/launch/game_environment.h"
#include "backend/preferences/launcher_files.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/inherited_handle.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace qxlauncher {

namespace {

using A = BackendProbe;

// --- Argument tables --------------------------------------------------------------------------

struct SwitchCase {
    bool blood;
    bool violence;
    std::wstring first;
    std::wstring second; // empty: not passed
    std::wstring third;
};

class SwitchWords : public ::testing::TestWithParam<SwitchCase> {};

std::vector<std::wstring> tail(const std::vector<std::wstring>& arguments, std::size_t count) {
    return {arguments.end() - static_cast<std::ptrdiff_t>(count), arguments.end()};
}

std::wstring valueAfter(const std::vector<std::wstring>& arguments, const std::wstring& name) {
    const auto found = std::find(arguments.begin(), arguments.end(), name);
    return found == arguments.end() || found + 1 == arguments.end() ? L"(absent)" : *(found + 1);
}

TEST_P(SwitchWords, EachGameGetsItsWord) {
    const SwitchCase& test = GetParam();
    Config config;
    config.Blood = test.blood;
    config.Violence = test.violence;
    const auto session = sessionScriptArguments({"ps", "s", "r", true, false}, config);
    EXPECT_EQ(test.first, valueAfter(session, L"-DswWord"));
    const auto qx2 = qx2NativeArguments("e", "r", "p", config);
    const auto qx3 = qx3NativeArguments("e", "r", "f", "g", "p", false, config);
    if (test.second.empty()) {
        EXPECT_EQ(9u, qx2.size());
        EXPECT_EQ(10u, qx3.size());
    } else {
        EXPECT_EQ((std::vector<std::wstring>{L"--dsw-word", test.second}), tail(qx2, 2));
        EXPECT_EQ((std::vector<std::wstring>{L"--dsw-word", test.third}), tail(qx3, 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SwitchWords,
                         ::testing::Values(SwitchCase{true, false, L"32511", L"31869", L"32125"},
                                           SwitchCase{false, true, L"48895", L"48253", L"48509"},
                                           SwitchCase{false, false, L"16127", L"15485", L"15741"},
                                           SwitchCase{true, true, L"65279", L"", L""}),
                         [](const auto& info) {
                             return std::string(info.param.blood ? "BloodOn" : "BloodOff") +
                                    (info.param.violence ? "ViolenceOn" : "ViolenceOff");
                         });

TEST(SessionScriptArguments, FirstGameDefaultsInOrder) {
    Config config = defaultConfig(0);
    config.validate(0);
    const std::vector<std::wstring> expected{
        L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe",
        L"-NoLogo",
        L"-NoProfile",
        L"-NonInteractive",
        L"-ExecutionPolicy",
        L"Bypass",
        L"-WindowStyle",
        L"Hidden",
        L"-File",
        L"S",
        L"-ProjectRoot",
        L"R",
        L"-WindowFrames",
        L"0",
        L"-GameMode",
        L"original",
        L"-VisualMode",
        L"original",
        L"-Scanlines",
        std::wstring(CrtPreset[static_cast<std::size_t>(config.original.scanlines)].strength),
        L"-Filter",
        std::wstring(filterNames[static_cast<std::size_t>(config.original.filter)]),
        L"-CrtPreset",
        std::wstring(CrtPreset[static_cast<std::size_t>(config.original.scanlines)].preset),
        L"-SyncMode",
        L"vrr",
        L"-ColorMode",
        L"original",
        L"-Brightness",
        std::to_wstring(config.original.brightness),
        L"-Bezel",
        config.original.bezel ? L"1" : L"0",
        L"-HighRefresh",
        config.original.highrefresh ? L"1" : L"0",
        L"-AudioLatency",
        std::array<const wchar_t*, 3>{L"low", L"balanced",
                                      L"safe"}[static_cast<std::size_t>(config.AudioLatency)],
        L"-ScaleFX",
        config.original.scalefx ? std::to_wstring(config.original.scalefxamount) : L"0",
        L"-GameVolume",
        std::to_wstring(config.GameVolume),
        L"-DswWord",
        std::to_wstring(dswWord(0, config.Blood, config.Violence)),
        L"-CmosCoinage",
        config.CmosCoinage ? L"1" : L"0"};
    EXPECT_EQ(expected, sessionScriptArguments(
                            {L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe",
                             L"S", L"R", true, false},
                            config));
}

TEST(SessionScriptArguments, RemasteredBlockWithVideoProfiles) {
    Config config;
    config.Remastered = true;
    config.original.scanlines = 9; // the original block is not used
    config.remastered = VideoSettings{};
    config.remastered.scanlines = 2;
    config.remastered.filter = 3;
    config.remastered.sync = 2;
    config.remastered.color = 2;
    config.remastered.brightness = 110;
    config.remastered.scalefx = true;
    config.remastered.scalefxamount = 40;
    config.remastered.scalemode = 4;
    config.remastered.cas = 30;
    config.remastered.bilateral = 20;
    config.remastered.smaa = true;
    config.remastered.fullscreen = false;
    config.remastered.bezel = false;
    config.remastered.highrefresh = true;
    config.AudioLatency = 0;
    config.GameVolume = 70;
    config.CmosCoinage = true;
    const auto arguments = sessionScriptArguments({"ps", "s", "r", true, true}, config);
    const std::vector<std::wstring> expected{
        L"-GameMode",     L"remastered", L"-VisualMode",     L"presentation",
        L"-Scanlines",    L"0.5",        L"-Filter",         L"bicubic",
        L"-CrtPreset",    L"off",        L"-SyncMode",       L"immediate",
        L"-ColorMode",    L"warm",       L"-Brightness",     L"110",
        L"-Bezel",        L"0",          L"-HighRefresh",    L"1",
        L"-AudioLatency", L"low",        L"-ScaleFX",        L"40",
        L"-GameVolume",   L"70",         L"-DswWord",        L"65279",
        L"-CmosCoinage",  L"1",          L"-ScaleMode",      L"4",
        L"-Cas",          L"30",         L"-Bilateral",      L"20",
        L"-Smaa",         L"1",          L"-GameFullscreen", L"0"};
    EXPECT_EQ(expected, tail(arguments, expected.size()));
}

TEST(SessionScriptArguments, SecondGameGetsNoFirstGameParameters) {
    Config config;
    config.original.scanlines = 5;
    const auto arguments = sessionScriptArguments({"ps", "s", "r", false, true}, config);
    EXPECT_EQ(L"-AudioLatency", arguments[arguments.size() - 2]);
    EXPECT_EQ(L"presentation", valueAfter(arguments, L"-VisualMode"));
    EXPECT_EQ(L"bvm-4k", valueAfter(arguments, L"-CrtPreset"));
    EXPECT_EQ(L"(absent)", valueAfter(arguments, L"-DswWord"));
    EXPECT_EQ(L"(absent)", valueAfter(arguments, L"-GameFullscreen"));
}

TEST(NativeArguments, ThirdAndSecondGameTables) {
    Config config;
    config.Blood = false;
    EXPECT_EQ((std::vector<std::wstring>{L"E", L"R", L"F", L"G", L"--window", L"--audio",
                                         L"--edition", L"remastered", L"--cmos-profile", L"P",
                                         L"--dsw-word", L"48509"}),
              qx3NativeArguments(L"E", L"R", L"F", L"G", L"P", true, config));
    EXPECT_EQ((std::vector<std::wstring>{L"E", L"R", L"--window", L"--audio", L"--host-controls",
                                         L"--through", L"cmos-live", L"--profile", L"P",
                                         L"--dsw-word", L"48253"}),
              qx2NativeArguments(L"E", L"R", L"P", config));
    EXPECT_EQ(L"\"a b\" \"c\"", quotedCommandLine({L"a b", L"c"}));
}

// --- Launches ---------------------------------------------------------------------------------

std::string fakeGameBytes() {
    return testsupport::readFile(gametest::builtDouble("fake_game"));
}

class GameLaunch : public ::testing::Test {
protected:
    Backend& backend() {
        if (!backend_) {
            backend_ = std::make_unique<Backend>(StartupContext{root_.path()});
        }
        return *backend_;
    }

    // The third game's package, its executable the fake game.
    std::filesystem::path qx3Package() {
        testsupport::writeQx3Package(root_.path());
        const auto product = testsupport::qx3ProductFolder(root_.path());
        gametest::placeDouble("fake_game", product / "qx3-native.exe");
        auto fields = testsupport::qx3ManifestFields();
        testsupport::setField(fields, "executable_sha256", testsupport::sha256Hex(fakeGameBytes()));
        testsupport::writeFile(product / "package.ini", testsupport::renderManifest(fields));
        gametest::writeScenario(product / "qx3-native.exe", "window=never\nlifetime_ms=300\n");
        testsupport::writeBuildReceipt(root_.path(), "qx3", fakeGameBytes());
        return product;
    }

    std::filesystem::path qx2NativePackage(testsupport::Qx2Readiness readiness) {
        testsupport::writeQx2NativePackage(root_.path(), readiness);
        const auto product = testsupport::qx2NativeProductFolder(root_.path());
        gametest::placeDouble("fake_game", product / "qx2-native.exe");
        auto fields = testsupport::qx2NativeManifestFields(readiness);
        testsupport::setField(fields, "executable_sha256", testsupport::sha256Hex(fakeGameBytes()));
        testsupport::writeFile(product / "native-package.ini", testsupport::renderManifest(fields));
        gametest::writeScenario(product / "qx2-native.exe", "window=never\nlifetime_ms=300\n");
        testsupport::writeBuildReceipt(root_.path(), "qx2", fakeGameBytes());
        return product;
    }

    void waitForEnd() {
        ASSERT_TRUE(gametest::pollUntil([&] { backend().pollRunningGame(); },
                                        [&] { return !backend().isGameRunning(); }));
    }

    // Launches expecting a refusal; returns the thread's last system error as the launch left it.
    std::uint32_t refusedLaunchError() {
        const bool started = backend().launchSelectedGame();
        const std::uint32_t error = platform::lastSystemError();
        EXPECT_FALSE(started);
        EXPECT_FALSE(backend().isGameRunningHandle());
        return error;
    }

    // A failed session-script launch exits with the last system error, or 31 without one.
    void expectLastErrorExitCode(std::uint32_t error) {
        EXPECT_EQ(error != platform::errorSuccess ? error : platform::errorGenFailure,
                  backend().lastExitCode());
    }

    void expectNothingStarted(const std::wstring& status) {
        EXPECT_FALSE(backend().launchSelectedGame());
        EXPECT_EQ(status, backend().statusText());
        EXPECT_FALSE(backend().isGameRunningHandle());
    }

    // Launches the staged game, its fake told to look for an inheritable handle of this
    // process (a package file the background poll hashes, say); what the fake found.
    std::string launchLookingForHandle(const std::filesystem::path& scenario,
                                       const std::filesystem::path& record) {
        const testsupport::InheritableFile held(root_ / "held by the launcher.bin");
        EXPECT_TRUE(held.isOpen());
        testsupport::writeFile(scenario, testsupport::readFileIfPresent(scenario) +
                                             "probe_handle=" + held.probeText() + "\n");
        EXPECT_TRUE(backend().launchSelectedGame())
            << platform::utf8FromWide(backend().statusText());
        const auto found = gametest::waitForRecord(record);
        waitForEnd();
        return found ? found->handle : "no record";
    }

    testsupport::TempFolder root_{"launch"};
    std::unique_ptr<Backend> backend_;
};

TEST_F(GameLaunch, ThirdGameRemasteredRecordsItsTables) {
    const auto product = qx3Package();
    A::stageSelectedGame(backend(), 2, false);
    A::stageQx3Edition(backend(), 2);
    A::config(backend()).remastered.widescreen = true;
    A::config(backend()).Violence = false;
    ASSERT_TRUE(backend().launchSelectedGame()) << platform::utf8FromWide(backend().statusText());
    EXPECT_EQ(L"QX3 started: Remastered.", backend().statusText());
    EXPECT_EQ(gameStillActiveExitCode, backend().lastExitCode());
    EXPECT_TRUE(A::nativeRun(backend()));
    EXPECT_TRUE(A::runningQx3Native(backend()));
    EXPECT_NE(0u, A::gamePid(backend()));
    EXPECT_EQ(std::filesystem::path(backslashPath(product / "qx3-native.exe")),
              A::gameImagePath(backend()));

    const auto record = gametest::waitForRecord(product / "fake-game-record.txt");
    ASSERT_TRUE(record);
    EXPECT_EQ(std::filesystem::path(record->workingFolder), product);
    ASSERT_EQ(12u, record->arguments.size());
    EXPECT_EQ(
        (std::vector<std::string>{"--window", "--audio", "--edition", "remastered",
                                  "--cmos-profile"}),
        std::vector<std::string>(record->arguments.begin() + 4, record->arguments.begin() + 9));
    EXPECT_EQ("--dsw-word", record->arguments[10]);
    EXPECT_EQ("32125", record->arguments[11]);
    EXPECT_EQ(0u, record->inputBytes);
    EXPECT_EQ("1", record->variable("QX3_WIDESCREEN").value_or("absent"));
    EXPECT_TRUE(std::filesystem::is_directory(product / "profile"));

    waitForEnd();
    EXPECT_EQ(0u, backend().lastExitCode());
    const std::string log =
        testsupport::readFile(root_ / "logs/qx3-native" / "launcher-latest.log");
    EXPECT_NE(std::string::npos, log.find("fake game output"));
    EXPECT_NE(std::string::npos, log.find("fake game error"));
}

TEST_F(GameLaunch, ThirdGameOriginalHasNoWidescreen) {
    const auto product = qx3Package();
    A::stageSelectedGame(backend(), 2, false);
    A::stageQx3Edition(backend(), 1);
    A::config(backend()).remastered.widescreen = true;
    ASSERT_TRUE(backend().launchSelectedGame());
    EXPECT_EQ(L"QX3 started: Original.", backend().statusText());
    const auto record = gametest::waitForRecord(product / "fake-game-record.txt");
    ASSERT_TRUE(record);
    EXPECT_FALSE(record->variable("QX3_WIDESCREEN"));
    EXPECT_EQ(10u, record->arguments.size()); // blood and violence on: no switch word
    waitForEnd();
}

TEST_F(GameLaunch, ThirdGameRefusalNamesTheReason) {
    A::stageSelectedGame(backend(), 2, false);
    EXPECT_FALSE(backend().launchSelectedGame());
    EXPECT_TRUE(backend().statusText().starts_with(L"QX3 refused: "));
    EXPECT_TRUE(backend().statusText().ends_with(L". Build QX3 again on the Build page."));
    EXPECT_EQ(13u, backend().lastExitCode());
    EXPECT_FALSE(backend().isGameRunningHandle());
}

TEST_F(GameLaunch, SecondGameNativeStartsWithItsProfile) {
    const auto product = qx2NativePackage(testsupport::Qx2Readiness::nativePlayable);
    A::stageSelectedGame(backend(), 1, true);
    A::config(backend()).Blood = false;
    A::config(backend()).Violence = false;
    ASSERT_TRUE(backend().launchSelectedGame()) << platform::utf8FromWide(backend().statusText());
    EXPECT_EQ(L"QUARRIX II nativo iniciado.", backend().statusText());
    EXPECT_TRUE(A::nativeRun(backend()));
    EXPECT_TRUE(A::qx2NativePlayable(backend()));
    EXPECT_FALSE(A::runningQx3Native(backend()));
    const auto record = gametest::waitForRecord(product / "fake-game-record.txt");
    ASSERT_TRUE(record);
    EXPECT_EQ(std::filesystem::path(record->workingFolder), product);
    ASSERT_EQ(11u, record->arguments.size());
    EXPECT_EQ("cmos-live", record->arguments[6]);
    EXPECT_EQ("15485", record->arguments[10]);
    EXPECT_TRUE(std::filesystem::exists(product / "profile" / "cmos.bin"));
    waitForEnd();
    EXPECT_NE(std::string::npos,
              testsupport::readFile(product / "logs/native-experiment-latest.log")
                  .find("fake game output"));
}

TEST_F(GameLaunch, NativeGamesGetNoHandleOfTheLaunchersOwn) {
    const auto qx3 = qx3Package();
    A::stageSelectedGame(backend(), 2, false);
    EXPECT_EQ(launchLookingForHandle(qx3 / "fake-game.scenario", qx3 / "fake-game-record.txt"),
              "not inherited");
    const auto qx2 = qx2NativePackage(testsupport::Qx2Readiness::nativePlayable);
    A::stageSelectedGame(backend(), 1, true);
    EXPECT_EQ(launchLookingForHandle(qx2 / "fake-game.scenario", qx2 / "fake-game-record.txt"),
              "not inherited");
}

TEST_F(GameLaunch, SecondGameLiveExperimentIsRefused) {
    qx2NativePackage(testsupport::Qx2Readiness::liveExperiment);
    A::stageSelectedGame(backend(), 1, true);
    expectNothingStarted(L"Native test refused: Pacote nativo invalido; verifique a instalacao.");
    EXPECT_EQ(13u, backend().lastExitCode());
}

// Starts a fake that runs until its time is up, in a job that the backend ends with it.
platform::StartedChild startLongFake(const std::filesystem::path& folder, const std::string& name,
                                     int lifetimeMs) {
    const auto program = folder / name / ("fake" + std::string(gametest::executableSuffix));
    gametest::placeDouble("fake_game", program);
    gametest::writeScenario(program,
                            "window=never\nlifetime_ms=" + std::to_string(lifetimeMs) + "\n");
    platform::UniqueHandle output = platform::openChildLogFile(folder / (name + ".log"));
    platform::UniqueHandle input = platform::openChildNullInput();
    platform::ChildProcessRequest request;
    request.application = program;
    request.commandLine = quoteArgument(program.wstring());
    request.standardInput = input.get();
    request.standardOutput = output.get();
    request.standardError = output.get();
    request.killTreeOnJobClose = true;
    return platform::startChildProcess(request);
}

TEST_F(GameLaunch, RefusalsComeInOrder) {
    // A running game comes before a busy setup, which comes before a changed installation.
    testsupport::TempFolder other("launch-busy");
    platform::StartedChild game = startLongFake(other.path(), "game", 20000);
    platform::StartedChild setup = startLongFake(other.path(), "setup", 20000);
    ASSERT_TRUE(game.started() && setup.started());
    testsupport::writeQx2NativePackage(root_.path());
    A::stageSelectedGame(backend(), 1, false);
    A::adoptGame(backend(), game);
    A::adoptSetup(backend(), setup);
    EXPECT_FALSE(backend().launchSelectedGame());
    EXPECT_EQ(L"A game is still running.", backend().statusText());
    // The game ends when asked to, not on a timer, so a slow start cannot reorder the refusals.
    ASSERT_TRUE(platform::terminateJob(game.job.get(), 0));
    waitForEnd();
    expectNothingStarted(L"Wait for the build to finish before playing.");
    EXPECT_TRUE(backend().setupProcessRunning());
}

TEST_F(GameLaunch, ChangedInstallationIsRefused) {
    testsupport::writeQx2NativePackage(root_.path());
    A::stageSelectedGame(backend(), 1, false);
    expectNothingStarted(L"The installation changed. Reopen Settings before playing.");
    std::filesystem::remove_all(root_ / "build/native/qx2-native-v1");
    A::stageSelectedGame(backend(), 1, true);
    expectNothingStarted(L"The installation changed. Reopen Settings before playing.");
}

TEST_F(GameLaunch, UnavailableGameAndEdition) {
    A::stageSelectedGame(backend(), 0, false);
    expectNothingStarted(L"Game unavailable: build it again on the Build page.");
    EXPECT_EQ(2u, backend().lastExitCode());

    testsupport::writeQx2ArcadePackage(root_.path());
    A::stageSelectedGame(backend(), 1, false);
    A::config(backend()).Remastered = true;
    expectNothingStarted(L"The Remastered edition is not available for this game.");
    EXPECT_EQ(2u, backend().lastExitCode());
}

TEST_F(GameLaunch, FirstGameWithoutVideoProfilesRefusesWindowedOutput) {
    testsupport::writeQx1Package(root_.path(), false);
    testsupport::TempFolder system("launch-system");
    testsupport::ScopedEnvironment folder(L"LUMENARK_SYSTEM_DIR", system.path().wstring());
    A::stageSelectedGame(backend(), 0, false);
    A::config(backend()).original.fullscreen = false;
    expectNothingStarted(L"Build QX1 again to use this video profile.");
    EXPECT_EQ(13u, backend().lastExitCode());
}

TEST_F(GameLaunch, FirstGameLogThroughALinkStartsNothing) {
    testsupport::writeQx1Package(root_.path(), true);
    testsupport::TempFolder elsewhere("launch-elsewhere");
    std::filesystem::create_directories(root_ / "logs");
    if (!testsupport::makeFolderLink(elsewhere.path(), root_ / "logs/temporaria-8")) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    testsupport::TempFolder system("launch-system");
    testsupport::ScopedEnvironment folder(L"LUMENARK_SYSTEM_DIR", system.path().wstring());
    A::stageSelectedGame(backend(), 0, false);
    const std::uint32_t error = refusedLaunchError();
    EXPECT_EQ(L"The game could not start; the Logs button opens its log.", backend().statusText());
    expectLastErrorExitCode(error);
    EXPECT_FALSE(std::filesystem::exists(elsewhere / "launcher-latest.log"));
}

#ifndef _WIN32
// Only the Linux layer lets a test choose the system folder; on Windows the system's own
// PowerShell would run.
class SessionScriptLaunch : public GameLaunch {
protected:
    void SetUp() override {
        gametest::placeDouble("fake_powershell", powerShell());
        folder_ = std::make_unique<testsupport::ScopedEnvironment>(L"LUMENARK_SYSTEM_DIR",
                                                                   system_.path().wstring());
    }
    std::filesystem::path powerShell() const {
        return system_ / "WindowsPowerShell/v1.0/powershell.exe";
    }
    // The script's first line names the game the fake PowerShell starts.
    std::filesystem::path placeGame(const std::filesystem::path& script) {
        const auto game = root_ / "fake-session-game/game";
        gametest::placeDouble("fake_game", game);
        gametest::writeScenario(game, "window=never\nlifetime_ms=300\nexit=3\n");
        testsupport::writeFile(script, game.string() + "\n");
        return game;
    }

    testsupport::TempFolder system_{"launch-system"};
    std::unique_ptr<testsupport::ScopedEnvironment> folder_;
};

TEST_F(SessionScriptLaunch, FirstGameRunsThroughTheSystemPowerShell) {
    testsupport::writeQx1Package(root_.path(), true);
    const auto product = testsupport::qx1ProductFolder(root_.path());
    const auto game = placeGame(product / "session.ps1");
    A::stageSelectedGame(backend(), 0, false);
    A::config(backend()).Remastered = true;
    A::config(backend()).remastered.widescreen = true;
    A::config(backend()).remastered.fullscreen = false;
    ASSERT_TRUE(backend().launchSelectedGame()) << platform::utf8FromWide(backend().statusText());
    EXPECT_EQ(L"Starting the game; checking its files...", backend().statusText());
    EXPECT_EQ(product / "qx5-native-audio.exe", A::gameImagePath(backend()));
    EXPECT_FALSE(A::nativeRun(backend()));

    const auto shell =
        gametest::waitForRecord(powerShell().parent_path() / "fake-powershell-record.txt");
    ASSERT_TRUE(shell);
    std::vector<std::wstring> arguments;
    for (const auto& argument : shell->arguments) {
        arguments.push_back(platform::wideFromUtf8(argument));
    }
    Config config = A::config(backend());
    EXPECT_EQ(sessionScriptArguments(
                  {powerShell(), product / "session.ps1", root_.path(), true, true}, config),
              arguments);
    EXPECT_EQ(std::filesystem::path(shell->workingFolder), root_.path());
    EXPECT_EQ("1", shell->variable("QX1_WIDESCREEN").value_or("absent"));
    EXPECT_EQ(formatControls(loadControls(backend())),
              shell->variable("QX1_CONTROLS").value_or(""));

    const auto played = gametest::waitForRecord(game.parent_path() / "fake-game-record.txt");
    ASSERT_TRUE(played);
    EXPECT_EQ("1", played->variable("QX1_WIDESCREEN").value_or("absent"));
    waitForEnd();
    EXPECT_EQ(3u, backend().lastExitCode());
    EXPECT_NE(std::string::npos,
              testsupport::readFile(root_ / "logs/temporaria-8/launcher-latest.log")
                  .find("fake game error"));
}

TEST_F(SessionScriptLaunch, OlderSecondGamePackageInheritsTheEnvironment) {
    testsupport::writeQx2ArcadePackage(root_.path());
    const auto product = testsupport::qx2ArcadeProductFolder(root_.path());
    placeGame(product / "session.ps1");
    testsupport::ScopedEnvironment marker(L"LAUNCH_TEST_MARKER", L"kept");
    A::stageSelectedGame(backend(), 1, false);
    ASSERT_TRUE(backend().launchSelectedGame()) << platform::utf8FromWide(backend().statusText());
    EXPECT_EQ(testsupport::qx2ArcadeEngine(root_.path()), A::gameImagePath(backend()));
    const auto shell =
        gametest::waitForRecord(powerShell().parent_path() / "fake-powershell-record.txt");
    ASSERT_TRUE(shell);
    EXPECT_EQ("kept", shell->variable("LAUNCH_TEST_MARKER").value_or("absent"));
    EXPECT_FALSE(shell->variable("QX1_CONTROLS"));
    EXPECT_EQ(L"-AudioLatency",
              platform::wideFromUtf8(shell->arguments[shell->arguments.size() - 2]));
    waitForEnd();
    EXPECT_TRUE(std::filesystem::exists(root_ / "logs/qx2-v1" / "launcher-latest.log"));
}

TEST_F(SessionScriptLaunch, TheSystemPowerShellGetsNoHandleOfTheLaunchersOwn) {
    testsupport::writeQx2ArcadePackage(root_.path());
    placeGame(testsupport::qx2ArcadeProductFolder(root_.path()) / "session.ps1");
    A::stageSelectedGame(backend(), 1, false);
    const auto shell = powerShell().parent_path();
    EXPECT_EQ(launchLookingForHandle(shell / "fake-powershell.scenario",
                                     shell / "fake-powershell-record.txt"),
              "not inherited");
}

TEST_F(SessionScriptLaunch, WithoutASystemFolderNothingStarts) {
    folder_ =
        std::make_unique<testsupport::ScopedEnvironment>(L"LUMENARK_SYSTEM_DIR", std::nullopt);
    testsupport::writeQx2ArcadePackage(root_.path());
    A::stageSelectedGame(backend(), 1, false);
    const std::uint32_t error = refusedLaunchError();
    EXPECT_EQ(L"The game could not start; details in logs/qx2-v1/launcher-latest.log.",
              backend().statusText());
    expectLastErrorExitCode(error);
}
#endif

} // namespace
} // namespace qxlauncher
