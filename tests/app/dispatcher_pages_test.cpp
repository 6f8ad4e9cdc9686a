// The control dispatcher on the sections: every control of every page, activated in a state
// that enables it, with its effect on the section, the status line, the desktop, the window,
// the files under the root and the UI event log; and a disabled region that swallows its id.
#include "app/control_ids.h"
#include "backend/files/utf8_text.h"
#include "backend/game_table.h"
#include "backend/preferences/collection_paths.h"
#include "backend/setup/setup_runner.h"
#include "platform/text.h"
#include "tests/app/dispatch_scene.h"
#include "tests/support/backend_probe.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace lumenark {
namespace {

using apptest::DispatchScene;
using apptest::PageState;
using qxlauncher::BackendProbe;

constexpr const wchar_t* scriptMissing = L"Setup refused: tools/setup/setup.py missing";
constexpr const wchar_t* unavailable = L"Game unavailable: build it on the Build page first.";

std::wstring title(int game) {
    return std::wstring(qxlauncher::gameTable.at(static_cast<std::size_t>(game)).title);
}

// A sentence on the status line that an action may replace or empty.
void stageStatus(App& app) {
    app.onMessageError("staged");
}

// A folder under the root that the folder picker answers with.
std::filesystem::path chooseFolder(DispatchScene& s, const std::string& name) {
    const std::filesystem::path folder = s.root() / name;
    std::filesystem::create_directories(folder);
    s.desktop().folderChoice = {platform::FolderChoice::Result::chosen,
                                platform::wideFromPath(folder)};
    return folder;
}

std::string setupLine(int game, const std::filesystem::path& folder) {
    return qxlauncher::gameIdNarrow(game) + "=" +
           qxlauncher::utf8FromPath(std::filesystem::absolute(folder).lexically_normal()) + "\n";
}

struct Activation {
    std::string name;
    PageState state;
    NavSection section;
    int id;
    // Before the App exists (files it reads at construction), and once it shows the section.
    std::function<void(const std::filesystem::path& root)> prepare;
    std::function<void(DispatchScene&)> stage;
    std::function<void(DispatchScene&)> expect;
};

void PrintTo(const Activation& activation, std::ostream* out) {
    *out << activation.name;
}

std::vector<Activation> singleControls() {
    std::vector<Activation> cases;
    cases.push_back({"SidebarPlay", PageState::confirmedIdle, NavSection::overview,
                     playNavigationId, nullptr, [](DispatchScene& s) { stageStatus(s.app()); },
                     [](DispatchScene& s) {
                         EXPECT_EQ(s.app().section(), NavSection::play);
                         EXPECT_EQ(s.app().statusLine(), L"");
                         EXPECT_EQ(s.app().focusPosition(), 0);
                     }});
    cases.push_back({"SidebarSettings", PageState::confirmedIdle, NavSection::overview,
                     settingsNavigationId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_TRUE(s.app().settingsOpen());
                         EXPECT_EQ(s.app().settingsTab(), SettingsTab::launcher);
                         EXPECT_EQ(s.lastEvent(), "settings-open");
                     }});
    cases.push_back({"Minimise", PageState::confirmedIdle, NavSection::build, minimiseControlId,
                     nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_EQ(s.window.calls, std::vector<std::string>{"minimize"});
                     }});
    cases.push_back({"CloseWithoutAGame", PageState::confirmedIdle, NavSection::build,
                     closeControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_EQ(s.window.calls, std::vector<std::string>{"destroy"});
                         EXPECT_FALSE(s.app().closing());
                     }});
    cases.push_back({"CloseWhileAGameRuns", PageState::gameRunning, NavSection::play,
                     closeControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_EQ(s.window.calls, std::vector<std::string>{"restore"});
                         EXPECT_TRUE(s.app().closing());
                         EXPECT_EQ(s.app().statusLine(),
                                   L"Closing the game and saving the profile...");
                     }});
    cases.push_back({"PlayRefusedByTheBackend", PageState::gameLoaded, NavSection::play,
                     playControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_EQ(s.app().statusLine(),
                                   L"Game unavailable: build it again on the Build page.");
                         EXPECT_EQ(s.lastEvent(), "game-start-error");
                         EXPECT_EQ(s.desktop().stops, 1);
                         // Only the third game's flag is cleared.
                         EXPECT_TRUE(s.app().readyFlags()[0]);
                     }});
    cases.push_back({"GameLogFolder", PageState::gameLoaded, NavSection::play,
                     gameLogFolderControlId, nullptr, nullptr, [](DispatchScene& s) {
                         const auto folder = s.root() / "logs/temporaria-8";
                         EXPECT_EQ(s.desktop().opened, std::vector{folder});
                         EXPECT_TRUE(std::filesystem::is_directory(folder));
                     }});
    cases.push_back(
        {"OneFolderForAllGames", PageState::noGameBuilt, NavSection::romSetup, oneFolderControlId,
         nullptr, [](DispatchScene& s) { chooseFolder(s, "all roms"); },
         [](DispatchScene& s) {
             EXPECT_EQ(s.desktop().pickerTitles,
                       std::vector<std::wstring>{L"Folder with the ROM files of your own boards"});
             const auto folder = s.root() / "all roms";
             EXPECT_EQ(apptest::filesUnder(s.root())[apptest::setupConfigFile],
                       setupLine(0, folder) + setupLine(1, folder) + setupLine(2, folder));
             EXPECT_EQ(s.app().statusLine(), L"ROM folder saved. Use Verify to check the files.");
         }});
    const std::vector<std::pair<int, NavSection>> sections{
        {overviewNavigationId, NavSection::overview},
        {romSetupNavigationId, NavSection::romSetup},
        {buildNavigationId, NavSection::build},
        {legalNavigationId, NavSection::legal}};
    for (const auto& [id, section] : sections) {
        cases.push_back({"Sidebar" + std::to_string(id), PageState::gameLoaded, NavSection::play,
                         id, nullptr, [](DispatchScene& s) { stageStatus(s.app()); },
                         [section](DispatchScene& s) {
                             EXPECT_EQ(s.app().section(), section);
                             EXPECT_EQ(s.app().statusLine(), L"");
                             // The first control, but for the ticked ownership checkbox,
                             // which the launcher never focuses: the first document after it.
                             EXPECT_EQ(s.app().focusPosition(),
                                       section == NavSection::legal ? 1 : 0);
                         }});
    }
    cases.push_back({"OpenLegal", PageState::noGameBuilt, NavSection::romSetup, legalNavigationId,
                     nullptr, nullptr,
                     [](DispatchScene& s) { EXPECT_EQ(s.app().section(), NavSection::legal); }});
    cases.push_back({"BuildAll", PageState::confirmedIdle, NavSection::build, buildAllControlId,
                     nullptr, nullptr, [](DispatchScene& s) {
                         for (int game = 0; game < qxlauncher::gameCount; ++game) {
                             EXPECT_EQ(s.backend().setupJob(game).state, "failed") << game;
                             EXPECT_EQ(s.backend().setupJob(game).mode, "setup") << game;
                         }
                         EXPECT_EQ(s.app().statusLine(), scriptMissing);
                     }});
    cases.push_back({"ConfirmOwnership", PageState::noGameBuilt, NavSection::legal,
                     ownershipControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_TRUE(s.backend().ownershipConfirmed());
                         EXPECT_EQ(apptest::filesUnder(s.root())[apptest::setupConfigFile],
                                   "acknowledged=1\n");
                         EXPECT_EQ(s.app().statusLine(),
                                   L"Confirmation saved. You can verify and build your games.");
                     }});
    cases.push_back({"WithdrawOwnership", PageState::confirmedIdle, NavSection::legal,
                     ownershipControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_FALSE(s.backend().ownershipConfirmed());
                         std::string folders;
                         for (int game = 0; game < qxlauncher::gameCount; ++game) {
                             folders += setupLine(game, s.root() / "roms" / std::to_string(game));
                         }
                         EXPECT_EQ(apptest::filesUnder(s.root())[apptest::setupConfigFile],
                                   folders);
                         EXPECT_EQ(s.app().statusLine(), L"Confirmation withdrawn.");
                     }});
    cases.push_back({"CheckRequirements", PageState::confirmedIdle, NavSection::build,
                     checkRequirementsControlId, nullptr, nullptr, [](DispatchScene& s) {
                         EXPECT_EQ(s.app().statusLine(), L"Checking Python and the compiler...");
                         // The check ran again: without the setup script it found nothing.
                         EXPECT_TRUE(s.backend().toolProbe().python.empty());
                     }});
    return cases;
}

std::vector<Activation> gameControls() {
    std::vector<Activation> cases;
    for (int g = 0; g < qxlauncher::gameCount; ++g) {
        const std::string game = std::to_string(g);
        cases.push_back({"Cabinet" + game, PageState::setupDone, NavSection::play,
                         cabinetControlId(g), nullptr, nullptr, [g](DispatchScene& s) {
                             EXPECT_EQ(s.app().loadedGame(), g);
                             EXPECT_EQ(s.app().statusLine(), g == 0 ? L"" : unavailable);
                             EXPECT_EQ(s.desktop().played.size(), g == 0 ? 1u : 0u);
                             EXPECT_EQ(s.lastEvent(), "game-select " + std::to_string(g));
                         }});
        cases.push_back({"FolderField" + game, PageState::noGameBuilt, NavSection::romSetup,
                         folderFieldControlId(g), nullptr,
                         [g](DispatchScene& s) { chooseFolder(s, "roms of " + std::to_string(g)); },
                         [g](DispatchScene& s) {
                             EXPECT_EQ(s.desktop().pickerTitles,
                                       std::vector{L"ROM files of your own board: " + title(g)});
                             EXPECT_EQ(apptest::filesUnder(s.root())[apptest::setupConfigFile],
                                       setupLine(g, s.root() / ("roms of " + std::to_string(g))));
                             EXPECT_EQ(s.app().statusLine(),
                                       L"ROM folder saved. Use Verify to check the files.");
                             EXPECT_EQ(s.app().romReportGame(), g);
                             EXPECT_EQ(s.app().overviewGame(), g);
                         }});
        cases.push_back({"Verify" + game, PageState::confirmedIdle, NavSection::romSetup,
                         verifyControlId(g), nullptr, nullptr, [g](DispatchScene& s) {
                             EXPECT_EQ(s.backend().setupJob(g).mode, "verify");
                             EXPECT_EQ(s.backend().setupJob(g).state, "failed");
                             EXPECT_EQ(s.app().statusLine(), scriptMissing);
                             EXPECT_EQ(s.app().romReportGame(), g);
                             EXPECT_EQ(s.app().overviewGame(), g);
                         }});
        cases.push_back({"Build" + game, PageState::confirmedIdle, NavSection::build,
                         buildControlId(g), nullptr, nullptr, [g](DispatchScene& s) {
                             EXPECT_EQ(s.backend().setupJob(g).mode, "setup");
                             EXPECT_EQ(s.backend().setupJob(g).state, "failed");
                             EXPECT_EQ(s.app().statusLine(), scriptMissing);
                             EXPECT_EQ(s.app().overviewGame(), g);
                             EXPECT_EQ(s.app().romReportGame(), 0);
                         }});
        cases.push_back({"Cancel" + game, PageState::confirmedIdle, NavSection::build,
                         cancelControlId(g), nullptr,
                         [g](DispatchScene& s) {
                             BackendProbe::setupJob(s.backend(), g).queued = true;
                             BackendProbe::setupQueue(s.backend()).push_back({g, false});
                         },
                         [g](DispatchScene& s) {
                             EXPECT_FALSE(s.backend().setupJob(g).queued);
                             EXPECT_EQ(s.backend().setupJob(g).state, "cancelled");
                             EXPECT_EQ(s.app().statusLine(), L"Setup cancelled.");
                         }});
        cases.push_back({"OpenLog" + game, PageState::confirmedIdle, NavSection::build,
                         openLogControlId(g), nullptr,
                         [g](DispatchScene& s) {
                             testsupport::writeFile(qxlauncher::setupLogPath(s.root(), g), "log");
                         },
                         [g](DispatchScene& s) {
                             EXPECT_EQ(s.desktop().opened,
                                       std::vector{qxlauncher::setupLogPath(s.root(), g)});
                         }});
        cases.push_back({"OpenFolder" + game, PageState::confirmedIdle, NavSection::build,
                         openFolderControlId(g),
                         [g](const std::filesystem::path& root) {
                             testsupport::writeBuildReceipt(root, qxlauncher::gameIdNarrow(g),
                                                            "built");
                         },
                         nullptr,
                         [g](DispatchScene& s) {
                             const auto folder = s.backend().latestBuildDirectory(g);
                             ASSERT_FALSE(folder.empty());
                             EXPECT_EQ(s.desktop().opened, std::vector{folder});
                         }});
        cases.push_back(
            {"CopyReport" + game, PageState::confirmedIdle, NavSection::build,
             copyReportControlId(g), nullptr,
             [g](DispatchScene& s) { BackendProbe::setupJob(s.backend(), g).state = "failed"; },
             [g](DispatchScene& s) {
                 EXPECT_EQ(s.desktop().clipboard, std::vector{s.backend().setupReport(g)});
                 EXPECT_EQ(s.app().statusLine(),
                           L"Report copied. Paste it in your message to the project.");
             }});
        cases.push_back({"PlayOnTheBuildPage" + game, PageState::confirmedIdle, NavSection::build,
                         playGameControlId(g),
                         [g](const std::filesystem::path& root) {
                             testsupport::writeBuildReceipt(root, qxlauncher::gameIdNarrow(g),
                                                            "built");
                         },
                         nullptr,
                         [g](DispatchScene& s) {
                             EXPECT_EQ(s.app().section(), NavSection::play);
                             EXPECT_EQ(s.app().loadedGame(), g);
                             EXPECT_EQ(s.app().focusPosition(), 3);
                             EXPECT_EQ(s.lastEvent(), "game-select " + std::to_string(g));
                         }});
        cases.push_back({"GameRow" + game, PageState::noGameBuilt, NavSection::romSetup,
                         gameRowControlId(g), nullptr, nullptr, [g](DispatchScene& s) {
                             EXPECT_EQ(s.app().romReportGame(), g);
                             EXPECT_EQ(s.app().overviewGame(), g);
                         }});
    }
    const std::array<const char*, 3> documents{"DISCLAIMER.md", "THIRD_PARTY_NOTICES.md",
                                               "LICENSE"};
    for (int i = 0; i < 3; ++i) {
        const std::string name = documents.at(static_cast<std::size_t>(i));
        cases.push_back({"Document" + std::to_string(i), PageState::noGameBuilt, NavSection::legal,
                         documentControlId(i), nullptr,
                         [name](DispatchScene& s) { testsupport::writeFile(s.root() / name, "x"); },
                         [name](DispatchScene& s) {
                             EXPECT_EQ(s.desktop().opened, std::vector{s.root() / name});
                             EXPECT_TRUE(s.desktop().openedAsText.empty());
                             EXPECT_EQ(s.app().statusLine(), L"");
                         }});
        // No program claims the document: the same path opens as plain text, and the status
        // line says nothing of a failure.
        cases.push_back({"Document" + std::to_string(i) + "WithoutAssociation",
                         PageState::noGameBuilt, NavSection::legal, documentControlId(i), nullptr,
                         [name](DispatchScene& s) {
                             testsupport::writeFile(s.root() / name, "x");
                             s.desktop().openAnswer = platform::OpenResult::noAssociation;
                             stageStatus(s.app());
                         },
                         [name](DispatchScene& s) {
                             EXPECT_EQ(s.desktop().opened, std::vector{s.root() / name});
                             EXPECT_EQ(s.desktop().openedAsText, std::vector{s.root() / name});
                             EXPECT_EQ(s.app().statusLine(), L"Error: staged");
                         }});
    }
    return cases;
}

std::vector<Activation> allActivations() {
    std::vector<Activation> cases = singleControls();
    const std::vector<Activation> games = gameControls();
    cases.insert(cases.end(), games.begin(), games.end());
    return cases;
}

class PageActivation : public testing::TestWithParam<Activation> {};

TEST_P(PageActivation, HasItsEffect) {
    const Activation& c = GetParam();
    DispatchScene s;
    if (c.prepare) {
        c.prepare(s.root());
    }
    App& app = s.start(c.state, c.section);
    if (c.stage) {
        c.stage(s);
    }
    app.layoutHitRegions();
    if (apptest::hasRegion(app, c.id)) {
        ASSERT_TRUE(apptest::regionOf(app, c.id).enabled) << "the state does not enable it";
    }
    app.activate(c.id);
    EXPECT_TRUE(app.inputSeen());
    c.expect(s);
}

INSTANTIATE_TEST_SUITE_P(EveryPageControl, PageActivation, testing::ValuesIn(allActivations()),
                         [](const auto& info) { return info.param.name; });

const std::vector<NavSection> everySection{NavSection::overview, NavSection::romSetup,
                                           NavSection::build, NavSection::play, NavSection::legal};
const std::vector<PageState> everyState{PageState::noGameBuilt, PageState::confirmedIdle,
                                        PageState::setupQueued, PageState::setupRunning,
                                        PageState::verifying,   PageState::setupFailed,
                                        PageState::setupDone,   PageState::gameLoaded,
                                        PageState::gameRunning, PageState::closing};

// The table above covers every control that any page enables in any state.
TEST(PageActivations, CoverEveryEnabledControl) {
    std::set<int> covered;
    for (const Activation& c : allActivations()) {
        covered.insert(c.id);
    }
    for (const NavSection section : everySection) {
        for (const PageState state : everyState) {
            DispatchScene s;
            App& app = s.start(state, section);
            app.layoutHitRegions();
            for (const HitRegion& region : app.hitRegions()) {
                if (region.enabled) {
                    EXPECT_TRUE(covered.contains(region.id))
                        << region.id << " in " << apptest::pageStateName(state);
                }
            }
        }
    }
}

// A disabled region swallows its id: nothing changes, not even the input-seen flag.
class DisabledRegions : public testing::TestWithParam<PageState> {};

TEST_P(DisabledRegions, SwallowTheirIds) {
    int swallowed = 0;
    for (const NavSection section : everySection) {
        DispatchScene s;
        App& app = s.start(GetParam(), section);
        app.layoutHitRegions();
        const std::vector<HitRegion> regions = app.hitRegions();
        for (const HitRegion& region : regions) {
            if (region.enabled) {
                continue;
            }
            const apptest::AppTrace before = s.trace();
            app.activate(region.id);
            EXPECT_EQ(s.trace(), before) << region.id;
            ++swallowed;
        }
    }
    EXPECT_GT(swallowed, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryState, DisabledRegions, testing::ValuesIn(everyState),
                         [](const auto& info) { return apptest::pageStateName(info.param); });

} // namespace
} // namespace lumenark
