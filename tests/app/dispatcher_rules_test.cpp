// The dispatcher's rules beyond one click each: when PLAY acts and what its outcome leaves, which
// games "Build all" queues, the folder picker's answers, opening paths and folders, the
// clipboard, a setup that really runs and is cancelled, and the ownership confirmation withdrawn
// while games build.
#include "app/control_ids.h"
#include "app/input/virtual_keys.h"
#include "backend/launch/command_line.h"
#include "backend/preferences/collection_paths.h"
#include "backend/setup/setup_runner.h"
#include "platform/text.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/input_script.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/case_names.h"
#include "tests/support/error_text.h"
#include "tests/support/fake_collection.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace lumenark {
namespace {

using apptest::DispatchScene;
using apptest::PageState;
using qxlauncher::BackendProbe;

// --- PLAY -----------------------------------------------------------------------------------

TEST(PlayControl, WithoutTheSelectedGameLoadedDoesNothing) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::play);
    app.onMessageError("staged");
    apptest::AppTrace expected = s.trace();
    expected.inputSeen = true;
    // No game loaded: PLAY has no region, and the dispatcher refuses it itself.
    app.activate(playControlId);
    EXPECT_EQ(s.trace(), expected);
}

TEST(PlayControl, DoesNothingWithSettingsOpen) {
    DispatchScene s;
    App& app = s.start(PageState::gameLoaded, NavSection::play);
    app.openSettings();
    const std::size_t events = s.events().size();
    app.activate(playControlId);
    EXPECT_FALSE(app.backend().isGameRunning());
    EXPECT_EQ(s.events().size(), events);
    EXPECT_EQ(s.desktop().stops, 0);
}

// The third game's package with the fake game as its executable, held while its hold file
// exists.
class ThirdGamePlay : public testing::Test {
protected:
    void SetUp() override {
        testsupport::writeQx3Package(s_.root());
        const auto product = testsupport::qx3ProductFolder(s_.root());
        gametest::placeDouble("fake_game", product / "qx3-native.exe");
        const std::string bytes = testsupport::readFile(gametest::builtDouble("fake_game"));
        auto fields = testsupport::qx3ManifestFields();
        testsupport::setField(fields, "executable_sha256", testsupport::sha256Hex(bytes));
        testsupport::writeFile(product / "package.ini", testsupport::renderManifest(fields));
        hold_ = s_.root() / "game-hold";
        testsupport::writeFile(hold_, "");
        gametest::writeScenario(product / "qx3-native.exe",
                                "window=never\nhold=" + platform::utf8FromWide(hold_.wstring()) +
                                    "\n");
        testsupport::writeBuildReceipt(s_.root(), "qx3", bytes);
    }
    void TearDown() override {
        std::filesystem::remove(hold_);
        gametest::pollUntil([&] { s_.backend().pollRunningGame(); },
                            [&] { return !s_.backend().isGameRunning(); });
    }

    DispatchScene s_;
    std::filesystem::path hold_;
};

TEST_F(ThirdGamePlay, StartsTheGameAndLogsIt) {
    App& app = s_.start(PageState::noGameBuilt, NavSection::play);
    app.selectGame(2);
    ASSERT_TRUE(app.readyFlags()[2]);
    app.activate(playControlId);
    ASSERT_TRUE(app.backend().isGameRunning()) << platform::utf8FromWide(app.statusLine());
    EXPECT_EQ(app.statusLine(), L"QX3 started: Original.");
    EXPECT_EQ(s_.lastEvent(), "game-start 2");
    // The click sound stops before the game starts.
    EXPECT_EQ(s_.desktop().stops, 1);
}

TEST_F(ThirdGamePlay, AFailureClearsTheThirdGamesReadyFlag) {
    std::filesystem::remove(testsupport::qx3ProductFolder(s_.root()) / "package.ini");
    App& app = s_.start(PageState::noGameBuilt, NavSection::play);
    app.selectGame(2);
    ASSERT_TRUE(app.readyFlags()[2]);
    app.activate(playControlId);
    EXPECT_FALSE(app.backend().isGameRunning());
    EXPECT_EQ(app.statusLine(), app.backend().statusText());
    EXPECT_FALSE(app.statusLine().empty());
    EXPECT_FALSE(app.readyFlags()[2]);
    EXPECT_EQ(s_.lastEvent(), "game-start-error");
}

// --- Build all ------------------------------------------------------------------------------

struct BuildAllCase {
    const char* name;
    std::function<void(DispatchScene&)> stage;
    std::array<bool, 3> requested;
};

class BuildAll : public testing::TestWithParam<BuildAllCase> {};

TEST_P(BuildAll, QueuesTheGamesThatQualifyInOrder) {
    DispatchScene s;
    // From the Overview, which has no "Build all" region: the rule is the dispatcher's own.
    App& app = s.start(PageState::confirmedIdle, NavSection::overview);
    BackendProbe::stageStatus(s.backend(), L"Earlier sentence.");
    GetParam().stage(s);
    app.activate(buildAllControlId);
    bool any = false;
    for (int game = 0; game < 3; ++game) {
        const bool requested = GetParam().requested.at(static_cast<std::size_t>(game));
        // Requested games reach the backend, which refuses them without the setup script.
        EXPECT_EQ(s.backend().setupJob(game).state == "failed", requested) << game;
        any = any || requested;
    }
    // The backend's sentence, also when nothing was queued.
    EXPECT_EQ(app.statusLine(),
              any ? L"Setup refused: tools/setup/setup.py missing" : L"Earlier sentence.");
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, BuildAll,
    testing::Values(
        BuildAllCase{"EveryGameIdle", [](DispatchScene&) {}, {true, true, true}},
        BuildAllCase{
            "NoFolderForTheSecond",
            [](DispatchScene& s) { BackendProbe::setupJob(s.backend(), 1).romFolder.clear(); },
            {true, false, true}},
        BuildAllCase{"NoFolderAtAll",
                     [](DispatchScene& s) {
                         for (int game = 0; game < 3; ++game) {
                             BackendProbe::setupJob(s.backend(), game).romFolder.clear();
                         }
                     },
                     {false, false, false}},
        BuildAllCase{"TheFirstAlreadyQueued",
                     [](DispatchScene& s) { BackendProbe::setupJob(s.backend(), 0).queued = true; },
                     {false, true, true}},
        BuildAllCase{"NotConfirmed",
                     [](DispatchScene& s) { BackendProbe::acknowledged(s.backend()) = false; },
                     {false, false, false}},
        BuildAllCase{
            "NoCompilerFound",
            [](DispatchScene& s) { BackendProbe::tools(s.backend()).compilerVersion.clear(); },
            {false, false, false}},
        BuildAllCase{
            "PythonUnsupported",
            [](DispatchScene& s) { BackendProbe::tools(s.backend()).pythonSupported = false; },
            {false, false, false}},
        BuildAllCase{"NoPythonPath",
                     [](DispatchScene& s) { BackendProbe::tools(s.backend()).python.clear(); },
                     {false, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BuildAllWhileAGameRuns, QueuesNothing) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::overview);
    qxlauncher::RunningGameScope running(s.backend());
    app.activate(buildAllControlId);
    for (int game = 0; game < 3; ++game) {
        EXPECT_EQ(s.backend().setupJob(game).state, "") << game;
    }
}

// --- A setup that runs ----------------------------------------------------------------------

TEST(SetupControls, BuildRunsTheSetupAndCancelEndsIt) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::build);
    testsupport::writeFakeManifests(s.root());
    testsupport::writeFakeSetupScript(s.root(), "hold.qx1=verify\n");
    testsupport::FakePythonHold hold(s.root(), "qx1-verify");
    for (int game = 0; game < 3; ++game) {
        std::filesystem::create_directories(s.backend().setupJob(game).romFolder);
    }
    // The first game's files pass the check, so its job stays held after it, however slow the
    // test is to look.
    testsupport::writeFakeRoms(s.backend().setupJob(0).romFolder, 0);
    BackendProbe::pythonCommand(s.backend()) =
        qxlauncher::quoteArgument(platform::wideFromPath(testsupport::fakePythonProgram()));

    app.activate(buildControlId(0));
    EXPECT_TRUE(s.backend().setupJob(0).running);
    EXPECT_EQ(app.statusLine(),
              L"Setup running: checking the ROM files and generating the game on this machine...");
    app.activate(verifyControlId(1));
    EXPECT_TRUE(s.backend().setupJob(1).queued);
    EXPECT_EQ(s.backend().setupJob(1).mode, "verify");
    EXPECT_EQ(app.romReportGame(), 1);

    app.activate(cancelControlId(0));
    EXPECT_EQ(app.statusLine(), L"Setup cancelled.");
    EXPECT_EQ(s.backend().setupJob(1).state, "cancelled");
    ASSERT_TRUE(gametest::pollUntil([] {}, [&] { return !s.backend().isSetupBusy(); }));
    EXPECT_EQ(s.backend().setupJob(0).state, "cancelled");
    EXPECT_EQ(s.backend().statusText(), L"Quarrix: setup cancelled.");
}

// --- The ownership confirmation withdrawn while games build ---------------------------------

struct CheckboxRoad {
    const char* name;
    // On the Legal page: switches the checkbox as the player would.
    std::function<void(apptest::InputScript&)> toggle;
};

void PrintTo(const CheckboxRoad& c, std::ostream* out) {
    *out << c.name;
}

class WithdrawnConfirmation : public testing::TestWithParam<CheckboxRoad> {};

// "Build all" with the first game's job held at its first step, then the checkbox unticked.
TEST_P(WithdrawnConfirmation, CancelsTheWaitingGamesAndStartsNoneUntilGivenAgain) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::build);
    s.useFakeSetup("hold.qx1=verify\n");
    testsupport::FakePythonHold hold(s.root(), "qx1-verify");
    apptest::InputScript script(s.scene.fixture, app);
    script.click(buildAllControlId);
    ASSERT_TRUE(s.backend().setupJob(0).running);
    ASSERT_TRUE(s.backend().setupJob(1).queued);
    ASSERT_TRUE(s.backend().setupJob(2).queued);

    script.click(legalNavigationId);
    GetParam().toggle(script);
    EXPECT_FALSE(s.backend().ownershipConfirmed());
    EXPECT_EQ(app.statusLine(), L"Confirmation withdrawn.");
    for (int game = 1; game < qxlauncher::gameCount; ++game) {
        EXPECT_EQ(s.backend().setupJob(game).state, "cancelled") << game;
        EXPECT_FALSE(s.backend().setupJob(game).queued) << game;
    }
    EXPECT_TRUE(s.backend().setupJob(0).running) << "the running game started with it";

    hold.release();
    ASSERT_TRUE(gametest::pollUntil([] {}, [&] { return !s.backend().isSetupBusy(); }));
    EXPECT_EQ(s.backend().setupJob(0).state, "done");
    EXPECT_TRUE(s.backend().hasValidBuild(0));
    const auto gameCalls = [&] {
        const auto calls = testsupport::fakePythonCalls(s.root());
        return std::count_if(calls.begin(), calls.end(), [](const std::string& call) {
            return call.find("|--game|") != std::string::npos;
        });
    };
    EXPECT_EQ(gameCalls(), 1);
    // Without the box no game is asked for and none starts.
    app.activate(buildControlId(1));
    EXPECT_EQ(app.statusLine(), L"Confirm on the Legal page that you own the original ROM files.");
    EXPECT_FALSE(s.backend().isSetupBusy());

    GetParam().toggle(script);
    EXPECT_TRUE(s.backend().ownershipConfirmed());
    EXPECT_EQ(app.statusLine(), L"Confirmation saved. You can verify and build your games.");
    EXPECT_FALSE(s.backend().isSetupBusy()) << "ticking the box starts nothing by itself";
    EXPECT_EQ(gameCalls(), 1);
    app.activate(buildControlId(1));
    ASSERT_TRUE(gametest::pollUntil([] {}, [&] { return !s.backend().isSetupBusy(); }));
    EXPECT_EQ(s.backend().setupJob(1).state, "done");
    EXPECT_EQ(gameCalls(), 2);
}

INSTANTIATE_TEST_SUITE_P(Roads, WithdrawnConfirmation,
                         testing::Values(CheckboxRoad{"AClick",
                                                      [](apptest::InputScript& script) {
                                                          script.click(ownershipControlId);
                                                      }},
                                         CheckboxRoad{"EnterOnTheFocus",
                                                      [](apptest::InputScript& script) {
                                                          script.focusOn(ownershipControlId);
                                                          script.key(vk::enter);
                                                      }},
                                         CheckboxRoad{"SpaceOnTheFocus",
                                                      [](apptest::InputScript& script) {
                                                          script.focusOn(ownershipControlId);
                                                          script.key(vk::space);
                                                      }},
                                         CheckboxRoad{"AOnThePad",
                                                      [](apptest::InputScript& script) {
                                                          script.connectPad();
                                                          script.focusOn(ownershipControlId);
                                                          script.hold(qxlauncher::PadButton::a);
                                                          script.poll();
                                                          script.releaseAll();
                                                          script.poll();
                                                      }}),
                         testsupport::caseName);

// --- The folder picker ----------------------------------------------------------------------

struct PickerCase {
    const char* name;
    platform::FolderChoice::Result result;
    const wchar_t* folder;
    const wchar_t* status; // nullptr: the status line stays
};

class FolderPickerAnswers : public testing::TestWithParam<PickerCase> {};

TEST_P(FolderPickerAnswers, LeaveEverythingButTheirSentence) {
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::romSetup);
    app.onMessageError("staged");
    s.desktop().folderChoice = {GetParam().result, GetParam().folder};
    app.pickRomFolder(2);
    EXPECT_EQ(s.desktop().pickerTitles,
              std::vector<std::wstring>{L"ROM files of your own board: Quarrix 3"});
    EXPECT_EQ(app.statusLine(), GetParam().status ? GetParam().status : L"Error: staged");
    EXPECT_FALSE(apptest::filesUnder(s.root()).contains(apptest::setupConfigFile));
    EXPECT_TRUE(s.backend().setupJob(2).romFolder.empty());
    EXPECT_EQ(app.romReportGame(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FolderPickerAnswers,
    testing::Values(
        PickerCase{"Cancelled", platform::FolderChoice::Result::cancelled, L"", nullptr},
        PickerCase{"ChosenButEmpty", platform::FolderChoice::Result::chosen, L"", nullptr},
        PickerCase{"Unavailable", platform::FolderChoice::Result::unavailable, L"",
                   L"Folder picker unavailable."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderPicker, AFileIsRefusedWithTheBackendsSentence) {
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::romSetup);
    testsupport::writeFile(s.root() / "not a folder", "x");
    s.desktop().folderChoice = {platform::FolderChoice::Result::chosen,
                                platform::wideFromPath(s.root() / "not a folder")};
    app.activate(folderFieldControlId(1));
    EXPECT_EQ(app.statusLine(), L"Folder refused: ROM folder");
    EXPECT_FALSE(apptest::filesUnder(s.root()).contains(apptest::setupConfigFile));
    // The game is the one the page shows, even though its folder was refused.
    EXPECT_EQ(app.romReportGame(), 1);
}

TEST(FolderPicker, OneFolderForAllAsksEveryGameAndShowsTheLastSentence) {
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::romSetup);
    BackendProbe::setupJob(s.backend(), 0).running = true;
    const std::filesystem::path folder = s.root() / "shared";
    std::filesystem::create_directories(folder);
    s.desktop().folderChoice = {platform::FolderChoice::Result::chosen,
                                platform::wideFromPath(folder)};
    app.pickRomFolder(-1);
    EXPECT_EQ(app.statusLine(), L"Wait for this game's setup to finish.");
    EXPECT_TRUE(s.backend().setupJob(0).romFolder.empty());
    EXPECT_EQ(s.backend().setupJob(1).romFolder, folder);
    EXPECT_EQ(s.backend().setupJob(2).romFolder, folder);
    const std::string text = apptest::filesUnder(s.root())[apptest::setupConfigFile];
    EXPECT_EQ(text.find("qx1="), std::string::npos);
    EXPECT_NE(text.find("qx3="), std::string::npos);
}

TEST(FolderPicker, IsNotShownWhileAGameRuns) {
    DispatchScene s;
    App& app = s.start(PageState::gameRunning, NavSection::romSetup);
    app.pickRomFolder(0);
    app.pickRomFolder(-1);
    EXPECT_TRUE(s.desktop().pickerTitles.empty());
}

// --- Opening paths --------------------------------------------------------------------------

struct OpenCase {
    const char* name;
    const char* path; // under the root; "" for an empty path
    bool create;      // as a file; a path ending in '/' as a folder
    platform::OpenResult answer;
    bool textOpens;        // the plain-text editor starts
    bool asText;           // the path went to the plain-text editor
    const wchar_t* status; // nullptr: the status line stays
};

class OpenPath : public testing::TestWithParam<OpenCase> {};

TEST_P(OpenPath, OpensWhatExistsAndNamesWhatFailed) {
    const OpenCase& c = GetParam();
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::legal);
    app.onMessageError("staged");
    std::filesystem::path path = *c.path ? s.root() / c.path : std::filesystem::path();
    if (c.create && !path.has_filename()) {
        path = path.parent_path();
        std::filesystem::create_directories(path);
    } else if (c.create) {
        testsupport::writeFile(path, "x");
    }
    s.desktop().openAnswer = c.answer;
    s.desktop().textOpenSucceeds = c.textOpens;
    app.openPath(path);
    EXPECT_EQ(app.statusLine(), c.status ? c.status : L"Error: staged");
    EXPECT_EQ(s.desktop().opened.size(), c.create ? 1u : 0u);
    EXPECT_EQ(s.desktop().openedAsText,
              c.asText ? std::vector{path} : std::vector<std::filesystem::path>{});
}

constexpr auto opened = platform::OpenResult::opened;
constexpr auto noAssociation = platform::OpenResult::noAssociation;
constexpr auto failed = platform::OpenResult::failed;

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenPath,
    testing::Values(OpenCase{"Opened", "LICENSE", true, opened, true, false, nullptr},
                    OpenCase{"Missing", "LICENSE", false, opened, true, false,
                             L"Not found: LICENSE"},
                    OpenCase{"EmptyPath", "", false, opened, true, false, L"Not found: "},
                    OpenCase{"Refused", "docs/DISCLAIMER.md", true, failed, true, false,
                             L"Could not open DISCLAIMER.md."},
                    // A document no program claims opens as plain text, and nothing is said.
                    OpenCase{"NoAssociation", "LICENSE", true, noAssociation, true, true, nullptr},
                    OpenCase{"NoAssociationNoEditor", "docs/DISCLAIMER.md", true, noAssociation,
                             false, false, L"Could not open DISCLAIMER.md."},
                    // A folder is never a text document.
                    OpenCase{"FolderWithoutAssociation", "build/", true, noAssociation, true, false,
                             L"Could not open build."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OpenPathLinks, ALinkOnThePathThrowsAndOpensNothing) {
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::legal);
    testsupport::writeFile(s.root() / "real/LICENSE", "x");
    if (!testsupport::makeFolderLink(s.root() / "real", s.root() / "linked")) {
        GTEST_SKIP() << "this system does not let the test create a folder link";
    }
    EXPECT_EQ(testsupport::errorText([&] { app.openPath(s.root() / "linked/LICENSE"); }),
              "launcher path uses a link/junction");
    EXPECT_TRUE(s.desktop().opened.empty());
}

TEST(OpenFolder, OfAGameWithoutABuildIsNotFound) {
    DispatchScene s;
    App& app = s.start(PageState::confirmedIdle, NavSection::build);
    app.openPath(s.backend().latestBuildDirectory(1));
    EXPECT_EQ(app.statusLine(), L"Not found: ");
}

TEST(LogsFolder, ARefusalOfTheDesktopIsSaid) {
    DispatchScene s;
    App& app = s.start(PageState::gameLoaded, NavSection::play);
    s.desktop().openAnswer = platform::OpenResult::failed;
    app.activate(gameLogFolderControlId);
    EXPECT_EQ(app.statusLine(), L"Could not open the logs folder.");
    EXPECT_TRUE(std::filesystem::is_directory(s.root() / "logs/temporaria-8"));
}

TEST(LogsFolder, ALinkedFolderThrowsAndCreatesNothing) {
    DispatchScene s;
    App& app = s.start(PageState::gameLoaded, NavSection::play);
    std::filesystem::create_directories(s.root() / "elsewhere");
    std::filesystem::create_directories(s.root() / "logs");
    if (!testsupport::makeFolderLink(s.root() / "elsewhere", s.root() / "logs/qx3-native")) {
        GTEST_SKIP() << "this system does not let the test create a folder link";
    }
    app.selectGame(2);
    EXPECT_EQ(testsupport::errorText([&] { app.activate(gameLogFolderControlId); }),
              "launcher path uses a link/junction");
    EXPECT_TRUE(s.desktop().opened.empty());
}

// --- The clipboard and the confirmation -----------------------------------------------------

TEST(CopyReport, AFailedCopyIsSaid) {
    DispatchScene s;
    App& app = s.start(PageState::setupFailed, NavSection::build);
    s.desktop().copySucceeds = false;
    app.activate(copyReportControlId(0));
    EXPECT_EQ(app.statusLine(), L"Could not copy the report.");
    EXPECT_TRUE(s.desktop().clipboard.empty());
}

// Something other than the log itself at the log's name: the report, which the player pastes
// into a message to the project, carries none of what it leads to, and the window never waits.
struct LogInTheWay {
    const char* name;
    // Lays it out at the log's path; false where the system cannot.
    std::function<bool(const std::filesystem::path& log, const std::filesystem::path& outside)>
        layOut;
};

void PrintTo(const LogInTheWay& c, std::ostream* os) {
    *os << c.name;
}

class CopyReportOfNoLog : public testing::TestWithParam<LogInTheWay> {};

TEST_P(CopyReportOfNoLog, CarriesNothingOfIt) {
    DispatchScene s;
    App& app = s.start(PageState::setupFailed, NavSection::build);
    testsupport::TempFolder elsewhere("outside-the-root");
    testsupport::writeFile(elsewhere / "logs/setup-qx1.log", "a secret outside the root\n");
    const std::filesystem::path log = qxlauncher::setupLogPath(s.root(), 0);
    std::filesystem::remove(log);
    if (!GetParam().layOut(log, elsewhere.path())) {
        GTEST_SKIP() << "this system cannot lay out " << GetParam().name;
    }
    app.activate(copyReportControlId(0));
    ASSERT_EQ(s.desktop().clipboard.size(), 1u);
    const std::wstring& report = s.desktop().clipboard.front();
    EXPECT_EQ(report.substr(report.rfind(L"setup-qx1.log:\r\n")), L"setup-qx1.log:\r\n(no log)");
    EXPECT_EQ(report.find(L"secret"), std::wstring::npos);
    EXPECT_EQ(app.statusLine(), L"Report copied. Paste it in your message to the project.");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyReportOfNoLog,
    testing::Values(
        LogInTheWay{"LinkToAFileOutsideTheRoot",
                    [](const std::filesystem::path& log, const std::filesystem::path& outside) {
                        return testsupport::makeFileLink(outside / "logs/setup-qx1.log", log);
                    }},
        LogInTheWay{"LinkedLogsFolder",
                    [](const std::filesystem::path& log, const std::filesystem::path& outside) {
                        std::filesystem::remove_all(log.parent_path());
                        return testsupport::makeFolderLink(outside / "logs", log.parent_path());
                    }},
        LogInTheWay{"Folder",
                    [](const std::filesystem::path& log, const std::filesystem::path&) {
                        return std::filesystem::create_directories(log / "inside");
                    }},
        LogInTheWay{"Pipe",
                    [](const std::filesystem::path& log, const std::filesystem::path&) {
                        return testsupport::makePipeFile(log);
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Ownership, AFailedSaveKeepsTheConfirmationAndShowsTheBackendsSentence) {
    DispatchScene s;
    App& app = s.start(PageState::noGameBuilt, NavSection::legal);
    std::filesystem::create_directories(s.root() / apptest::setupConfigFile / "in the way");
    app.activate(ownershipControlId);
    EXPECT_FALSE(s.backend().ownershipConfirmed());
    EXPECT_EQ(app.statusLine(), L"Could not save the confirmation.");
}

} // namespace
} // namespace lumenark
