#include "backend/backend.h"
#include "backend/launch/game_monitor.h"
#include "platform/text.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/other_spelling.h"
#include "tests/support/probe_child.h"

#include <gtest/gtest.h>

#include <memory>

namespace qxlauncher {

namespace {

using platform::ProcessEntry;
using platform::TopLevelWindow;

platform::WindowHandle windowId(std::uintptr_t value) {
    return reinterpret_cast<platform::WindowHandle>(value);
}

TopLevelWindow window(std::uintptr_t id, std::uint32_t pid, const wchar_t* windowClass,
                      bool visible, bool owned = false) {
    return TopLevelWindow{windowId(id), pid, windowClass, visible, owned};
}

const std::wstring gameImage = L"C:\\Games\\qx5-native-audio.exe";

ImagePathLookup images(std::map<std::uint32_t, std::wstring> table) {
    return [table](std::uint32_t pid) -> std::optional<std::wstring> {
        const auto found = table.find(pid);
        if (found == table.end()) {
            return std::nullopt;
        }
        return found->second;
    };
}

struct ChoiceCase {
    const char* name;
    std::vector<ProcessEntry> processes;
    std::vector<TopLevelWindow> windows;
    std::map<std::uint32_t, std::wstring> images;
    bool nativeRun;
    std::uintptr_t expectedWindow; // 0: none
    std::uint32_t expectedPid;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class GameWindowChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(GameWindowChoice, PicksTheGamesWindow) {
    const ChoiceCase& c = GetParam();
    const auto found = chooseGameWindow(c.processes, c.windows, images(c.images), isSameGameImage,
                                        100, gameImage, c.nativeRun);
    if (c.expectedWindow == 0) {
        EXPECT_FALSE(found.has_value());
        return;
    }
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->window, windowId(c.expectedWindow));
    EXPECT_EQ(found->processId, c.expectedPid);
}

INSTANTIATE_TEST_SUITE_P(
    Snapshots, GameWindowChoice,
    testing::Values(
        // The script's own process never counts, even with the game's image and a window.
        ChoiceCase{"ScriptProcessIgnored",
                   {{100, 1}, {200, 100}},
                   {window(1, 100, L"Any", true), window(2, 200, L"Any", true)},
                   {{100, gameImage}, {200, L"c:\\GAMES\\QX5-NATIVE-AUDIO.EXE"}},
                   false,
                   2,
                   200},
        ChoiceCase{"GrandchildFound",
                   {{100, 1}, {150, 100}, {300, 150}},
                   {window(3, 300, L"Any", true)},
                   {{150, L"C:\\Windows\\conhost.exe"}, {300, gameImage}},
                   false,
                   3,
                   300},
        ChoiceCase{"ScriptGameNeedsVisibleUnowned",
                   {{100, 1}, {200, 100}},
                   {window(1, 200, L"Any", false), window(2, 200, L"Any", true, true)},
                   {{200, gameImage}},
                   false,
                   0,
                   0},
        ChoiceCase{"OtherImageIgnored",
                   {{100, 1}, {200, 100}},
                   {window(2, 200, L"Any", true)},
                   {{200, L"C:\\Games\\other.exe"}},
                   false,
                   0,
                   0},
        ChoiceCase{"UnreadableImageIgnored",
                   {{100, 1}, {200, 100}},
                   {window(2, 200, L"Any", true)},
                   {},
                   false,
                   0,
                   0},
        ChoiceCase{
            "NativeGameIsTheProcess",
            {{100, 1}},
            {window(1, 100, L"OtherClass", true), window(2, 100, nativeGameWindowClass, false)},
            {{100, gameImage}},
            true,
            2,
            100},
        ChoiceCase{"NativeClassCountsCase",
                   {{100, 1}},
                   {window(1, 100, L"qx5temporalscanout", true)},
                   {{100, gameImage}},
                   true,
                   0,
                   0},
        ChoiceCase{"NativeOwnedWindowIgnored",
                   {{100, 1}},
                   {window(1, 100, nativeGameWindowClass, true, true)},
                   {{100, gameImage}},
                   true,
                   0,
                   0},
        ChoiceCase{"LowestQualifyingIdFirst",
                   {{100, 1}, {500, 100}, {400, 100}},
                   {window(5, 500, L"Any", true), window(4, 400, L"Any", true)},
                   {{400, gameImage}, {500, gameImage}},
                   false,
                   4,
                   400},
        // Reused ids that form a cycle end the walk instead of looping.
        ChoiceCase{"ParentCycleEnds",
                   {{300, 301}, {301, 300}},
                   {window(3, 300, L"Any", true)},
                   {{300, gameImage}, {301, gameImage}},
                   false,
                   0,
                   0},
        // A repeated id keeps the later parent.
        ChoiceCase{"RepeatedIdKeepsLaterParent",
                   {{200, 7}, {200, 100}},
                   {window(2, 200, L"Any", true)},
                   {{200, gameImage}},
                   false,
                   2,
                   200}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

TEST(GameImage, WhereAFileCannotBeOpenedTheTextDecidesWithoutRegardToCase) {
    EXPECT_TRUE(isSameGameImage(L"C:\\No Such\\Game.EXE", L"c:\\no such\\game.exe"));
    EXPECT_FALSE(isSameGameImage(L"C:\\No Such\\Game.exe", L"C:\\No Such\\Other.exe"));
}

// The game's executable (a copy of the child probe, so it can be run) in a folder of its own,
// and a copy of it elsewhere: the same bytes, another file. The launcher may spell the game's
// path otherwise than the system names the running image: through a second drive letter (a
// substituted or mapped drive) or by short names.
enum class Spelling { secondDrive, shortNames };

void PrintTo(Spelling spelling, std::ostream* os) {
    *os << (spelling == Spelling::secondDrive ? "second drive" : "short names");
}

class GameImageSpelling : public testing::TestWithParam<Spelling> {
protected:
    void SetUp() override {
        gametest::placeDouble("child_probe", game_);
        gametest::placeDouble("child_probe", copy_);
        if (GetParam() == Spelling::secondDrive) {
            drive_ = std::make_unique<testsupport::SecondDrive>(folder_.path());
            if (drive_->path().empty()) {
                GTEST_SKIP() << "no second drive here: " << drive_->reason();
            }
        }
    }

    // The path as the launcher may spell it.
    std::wstring spelled(const std::filesystem::path& path) const {
        if (drive_) {
            return (drive_->path() / path.lexically_relative(folder_.path())).wstring();
        }
        const auto shortNames = testsupport::shortNamesOf(path);
        return shortNames ? shortNames->wstring() : std::wstring();
    }

    testsupport::TempFolder folder_{"image-spelling"};
    std::filesystem::path game_ =
        (folder_ /
         (std::string("game folder with a long name/qx3-native-game") + gametest::executableSuffix))
            .make_preferred();
    std::filesystem::path copy_ =
        (folder_ / (std::string("another folder/qx3-native-game") + gametest::executableSuffix))
            .make_preferred();
    std::unique_ptr<testsupport::SecondDrive> drive_;
};

TEST_P(GameImageSpelling, TheSameFileMatchesAndAnotherDoesNot) {
    const std::wstring game = spelled(game_);
    ASSERT_FALSE(game.empty());
    ASSERT_NE(game, game_.wstring());
    EXPECT_TRUE(isSameGameImage(game_.wstring(), game));
    EXPECT_FALSE(isSameGameImage(copy_.wstring(), game));
    EXPECT_FALSE(isSameGameImage(game_.wstring(), spelled(copy_)));
}

TEST_P(GameImageSpelling, TheRunningGameIsFoundUnderTheLaunchersSpelling) {
    const auto release = folder_ / "release";
    platform::UniqueHandle input = platform::openChildNullInput();
    platform::ChildProcessRequest request;
    request.application = game_;
    request.commandLine = quotedCommandLine({game_.wstring(), L"wait", release.wstring()});
    request.standardInput = input.get();
    const platform::StartedChild child = platform::startChildProcess(request);
    ASSERT_TRUE(child.started());
    const std::vector<ProcessEntry> processes{{child.processId, 1}};
    const std::vector<TopLevelWindow> windows{
        window(9, child.processId, nativeGameWindowClass, true)};
    const auto found = chooseGameWindow(processes, windows, platform::processImagePath,
                                        isSameGameImage, child.processId, spelled(game_), true);
    const auto other = chooseGameWindow(processes, windows, platform::processImagePath,
                                        isSameGameImage, child.processId, spelled(copy_), true);
    testsupport::writeFile(release, "");
    EXPECT_TRUE(
        gametest::pollUntil([] {}, [&] { return platform::hasChildEnded(child.process.get()); }));
    ASSERT_TRUE(found.has_value())
        << platform::utf8FromWide(platform::processImagePath(child.processId).value_or(L"(gone)"));
    EXPECT_EQ(found->window, windowId(9));
    EXPECT_FALSE(other.has_value());
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Spellings, GameImageSpelling,
                         testing::Values(Spelling::secondDrive, Spelling::shortNames),
                         [](const auto& info) {
                             return info.param == Spelling::secondDrive ? "SecondDrive"
                                                                        : "ShortNames";
                         });
#else
// Linux has neither drive letters nor short names: a link to the folder stands for the drive.
INSTANTIATE_TEST_SUITE_P(Spellings, GameImageSpelling, testing::Values(Spelling::secondDrive),
                         [](const auto&) { return "SecondDrive"; });
#endif

struct SentenceCase {
    const char* name;
    RunningGameKind kind;
    const wchar_t* running;
    const wchar_t* closedClean;
    const wchar_t* closedFailed;
};

void PrintTo(const SentenceCase& c, std::ostream* os) {
    *os << c.name;
}

class GameSentences : public testing::TestWithParam<SentenceCase> {};

TEST_P(GameSentences, RunningAndClosing) {
    const SentenceCase& c = GetParam();
    EXPECT_EQ(runningGameSentence(c.kind), c.running);
    EXPECT_EQ(closedGameSentence(c.kind, 0), c.closedClean);
    EXPECT_EQ(closedGameSentence(c.kind, 3), c.closedFailed);
    EXPECT_EQ(closedGameSentence(c.kind, 31), c.closedFailed);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, GameSentences,
    testing::Values(
        SentenceCase{"Qx3Original",
                     {true, false, true, false, 2, 1},
                     L"QX3 (Original) running.",
                     L"QX3 closed.",
                     L"QX3 closed with an error; the Logs button opens its log."},
        SentenceCase{"Qx3Remastered",
                     {true, false, true, false, 2, 2},
                     L"QX3 (Remastered) running.",
                     L"QX3 closed.",
                     L"QX3 closed with an error; the Logs button opens its log."},
        SentenceCase{"Qx2Playable",
                     {false, true, true, false, 1, 1},
                     L"QUARRIX II running.",
                     L"Game closed.",
                     L"The game closed with an error; the Logs button opens its log."},
        SentenceCase{"NativeLiveTest",
                     {false, false, true, true, 1, 1},
                     L"Native live test running.",
                     L"Native live test closed.",
                     L"Native test closed with an error; see logs/native-experiment-latest.log."},
        SentenceCase{"NativeTest",
                     {false, false, true, false, 1, 1},
                     L"Native test running.",
                     L"Native test closed.",
                     L"Native test closed with an error; see logs/native-experiment-latest.log."},
        SentenceCase{"FirstGameScript",
                     {false, false, false, false, 0, 1},
                     L"QUARRIX running.",
                     L"Game closed.",
                     L"The game closed with an error; the Logs button opens its log."},
        SentenceCase{"SecondGameScript",
                     {false, false, false, false, 1, 1},
                     L"QUARRIX II running.",
                     L"Game closed.",
                     L"The game closed with an error; details in logs/qx2-v1/launcher-latest.log."},
        SentenceCase{"ThirdGameScript",
                     {false, false, false, false, 2, 2},
                     L"QUARRIX 3 running.",
                     L"Game closed.",
                     L"The game closed with an error; details in "
                     L"logs/qx3-native/launcher-latest.log."}),
    [](const testing::TestParamInfo<SentenceCase>& info) { return std::string(info.param.name); });

// A real fake game started as the third game's native executable.
class RunningGame : public testing::Test {
protected:
    // Starts the fake; the monitor looks for the image as `image` spells it (by default as it
    // was started).
    void start(const std::string& scenario, std::filesystem::path image = {}) {
        gametest::placeDouble("fake_game", game_);
        gametest::writeScenario(game_, scenario);
        child_ = gametest::startFake(game_, folder_ / "game.log");
        ASSERT_TRUE(child_.started());
        BackendProbe::stageSelectedGame(backend_, 2);
        BackendProbe::adoptGame(backend_, child_, image.empty() ? game_ : image,
                                {.nativeRun = true, .runningQx3Native = true});
    }
    void TearDown() override {
        // The game ends by itself once let go; the folder can go only once it has.
        std::error_code ignored;
        std::filesystem::remove(folder_ / "game-hold", ignored);
        gametest::pollUntil([&] { backend_.pollRunningGame(); },
                            [&] { return !backend_.isGameRunning(); });
    }
    // True when the fake could not open its window because the system has no display.
    bool windowsUnavailable() {
        const std::filesystem::path marker = game_.parent_path() / "fake-game-window.txt";
        gametest::pollUntil([] {}, [&] { return std::filesystem::exists(marker); });
        return std::filesystem::exists(marker) && testsupport::readFile(marker) == "failed";
    }
    // A file that keeps a fake started with "hold=" running until the test removes it.
    std::filesystem::path heldUntilReleased() {
        const auto hold = folder_ / "game-hold";
        testsupport::writeFile(hold, "held\n");
        return hold;
    }
    bool pollUntilEnded() {
        return gametest::pollUntil([&] { backend_.pollRunningGame(); },
                                   [&] { return !backend_.isGameRunning(); });
    }

    testsupport::TempFolder folder_{"monitor"};
    std::filesystem::path game_ =
        (folder_ / (std::string("package/qx3-game") + gametest::executableSuffix)).make_preferred();
    platform::StartedChild child_;
    Backend backend_{StartupContext{folder_.path()}};
};

TEST_F(RunningGame, FindsTheWindowAndClosesWithTheExitCode) {
    start("window=now\nexit=3\n");
    if (windowsUnavailable()) {
        GTEST_SKIP() << "this system has no display to create windows on";
    }
    ASSERT_TRUE(gametest::pollUntil([&] { backend_.pollRunningGame(); },
                                    [&] { return backend_.gameWindow() != nullptr; }));
    EXPECT_EQ(backend_.statusText(), L"QX3 (Original) running.");
    EXPECT_EQ(backend_.lastExitCode(), gameStillActiveExitCode);
    backend_.requestGameClose();
    EXPECT_EQ(backend_.statusText(), L"Closing the game and saving its records and CMOS...");
    ASSERT_TRUE(pollUntilEnded());
    EXPECT_EQ(backend_.lastExitCode(), 3u);
    EXPECT_EQ(backend_.statusText(), L"QX3 closed with an error; the Logs button opens its log.");
    EXPECT_EQ(backend_.gameWindow(), nullptr);
}

TEST_F(RunningGame, FindsTheWindowWhenTheLauncherSpellsTheGamesPathAnotherWay) {
    std::filesystem::create_directories(game_.parent_path());
    const testsupport::SecondDrive drive(game_.parent_path());
    if (drive.path().empty()) {
        GTEST_SKIP() << "no second drive here: " << drive.reason();
    }
    start("window=now\n", drive.path() / game_.filename());
    if (windowsUnavailable()) {
        GTEST_SKIP() << "this system has no display to create windows on";
    }
    ASSERT_TRUE(gametest::pollUntil([&] { backend_.pollRunningGame(); },
                                    [&] { return backend_.gameWindow() != nullptr; }));
    EXPECT_EQ(backend_.statusText(), L"QX3 (Original) running.");
    backend_.requestGameClose();
    ASSERT_TRUE(pollUntilEnded());
}

TEST_F(RunningGame, ACloseAskedBeforeTheWindowReachesItOnceItAppears) {
    // Held, the fake never leaves by itself, and would leave with 7 if it did: only the close
    // request ends it with 0.
    start("window=late\nexit=7\nclosed_exit=0\nhold=" + heldUntilReleased().string() + "\n");
    backend_.requestGameClose();
    if (windowsUnavailable()) {
        GTEST_SKIP() << "this system has no display to create windows on";
    }
    EXPECT_EQ(backend_.statusText(), L"Closing the game and saving its records and CMOS...");
    ASSERT_TRUE(pollUntilEnded());
    EXPECT_EQ(backend_.lastExitCode(), 0u);
    EXPECT_EQ(backend_.statusText(), L"QX3 closed.");
}

TEST_F(RunningGame, AGameThatIgnoresTheCloseIsNeverKilled) {
    const auto hold = heldUntilReleased();
    start("window=now\nclose=ignore\nexit=5\nhold=" + hold.string() + "\n");
    if (windowsUnavailable()) {
        GTEST_SKIP() << "this system has no display to create windows on";
    }
    ASSERT_TRUE(gametest::pollUntil([&] { backend_.pollRunningGame(); },
                                    [&] { return backend_.gameWindow() != nullptr; }));
    backend_.requestGameClose();
    const auto ignored = game_.parent_path() / "fake-game-closes.txt";
    ASSERT_TRUE(gametest::pollUntil([&] { backend_.pollRunningGame(); },
                                    [&] { return std::filesystem::exists(ignored); }));
    for (int poll = 0; poll < 5; ++poll) {
        backend_.pollRunningGame();
    }
    EXPECT_TRUE(backend_.isGameRunning()) << "the launcher killed a game that ignored the close";
    // Let go, it leaves by itself with its own exit code, untouched by the requests.
    std::filesystem::remove(hold);
    ASSERT_TRUE(pollUntilEnded());
    EXPECT_EQ(backend_.lastExitCode(), 5u);
}

TEST_F(RunningGame, AnExitCodeThatCannotBeReadCountsAsThirtyOne) {
    platform::StartedChild child = testsupport::startChildProbe({L"exit", L"0"});
    ASSERT_TRUE(child.started());
    testsupport::loseExitCode(child);
    BackendProbe::stageSelectedGame(backend_, 2);
    BackendProbe::adoptGame(backend_, child, game_, {.nativeRun = true, .runningQx3Native = true});
    backend_.pollRunningGame();
    EXPECT_FALSE(backend_.isGameRunning());
    EXPECT_EQ(backend_.lastExitCode(), 31u);
    EXPECT_EQ(backend_.statusText(), L"QX3 closed with an error; the Logs button opens its log.");
}

TEST_F(RunningGame, NoWindowKeepsTheLaunchSentence) {
    start("window=never\nlifetime_ms=600\nexit=0\n");
    const std::wstring before = backend_.statusText();
    backend_.pollRunningGame();
    EXPECT_EQ(backend_.statusText(), before);
    ASSERT_TRUE(pollUntilEnded());
    EXPECT_EQ(backend_.statusText(), L"QX3 closed.");
}

} // namespace
} // namespace qxlauncher
