// Settings' SAVE, RESTORE DEFAULTS and BACK through the dispatcher: the files SAVE writes, byte for
// byte, for each tab; that RESTORE DEFAULTS changes the editing copies and no file; and what
// leaving Settings keeps and drops.
#include "app/control_ids.h"
#include "backend/cmos/adjustments.h"
#include "backend/preferences/collection_paths.h"
#include "tests/app/dispatch_scene.h"
#include "tests/app/settings_fixture.h"
#include "tests/backend/operator_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/case_names.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumenark {
namespace {

using apptest::FileTree;
using apptest::SettingsFixture;
using apptest::SettingsSetup;

const SettingsSetup firstGame{0, true, false, 1536.0f};
const SettingsSetup thirdGame{2, false, false, 1536.0f};
const SettingsSetup noGame{-1, false, false, 1536.0f};

constexpr const char* firstPreferences =
    "build/native/manual-temporary-8-20261025/profile/launcher.ini";
constexpr const char* firstCmos = "build/native/manual-temporary-8-20261025/profile/cmos.bin";

FileTree files(const SettingsFixture& settings) {
    return apptest::filesUnder(settings.fixture.root());
}

// The files that differ between two trees, with their new bytes ("" when removed).
FileTree changed(const FileTree& before, const FileTree& after) {
    FileTree difference;
    for (const auto& [name, bytes] : after) {
        const auto old = before.find(name);
        if (old == before.end() || old->second != bytes) {
            difference[name] = bytes;
        }
    }
    for (const auto& [name, bytes] : before) {
        if (!after.contains(name)) {
            difference[name] = "";
        }
    }
    return difference;
}

bool logged(const SettingsFixture& settings, const std::string& event) {
    const auto events = settings.fixture.uiEvents();
    return std::find(events.begin(), events.end(), event) != events.end();
}

// One video section of launcher.ini with the defaults but the scan lines.
std::string videoSection(const char* name, int scanlines) {
    return std::string("[Video.") + name + "]\r\nscanlines=" + std::to_string(scanlines) +
           "\r\nfilter=0\r\nsync=1\r\ncolor=0\r\nbrightness=100\r\nscalefxamount=100\r\n"
           "scalemode=0\r\ncas=0\r\nbilateral=0\r\nhdr=1\r\nhdrpaperwhite=0\r\nhdrpeak=0\r\n"
           "hdrhighlights=0\r\nscalefx=0\r\nbezel=1\r\nhighrefresh=0\r\nsmaa=0\r\n"
           "fullscreen=1\r\nwidescreen=0\r\n";
}

// --- SAVE -----------------------------------------------------------------------------------

TEST(SaveLauncher, WritesLauncherCfgAndAppliesIt) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    ASSERT_EQ(app.settingsTab(), SettingsTab::launcher);
    const FileTree before = files(settings);
    app.activate(202); // 120 FPS
    app.activate(203); // V-Sync off
    app.activate(204); // reduced motion on
    app.activate(282); // muted
    AppProbe::editedPreferences(app).Volume = 35;
    app.activate(settingsSaveControlId);
    EXPECT_EQ(
        changed(before, files(settings)),
        (FileTree{{apptest::launcherConfigFile, "Volume=35\r\nMuted=1\r\nFPS=120\r\nVSync=0\r\n"
                                                "ReducedMotion=1\r\nFullscreen=1\r\n"}}));
    EXPECT_EQ(app.appliedPreferences(), app.editedPreferences());
    EXPECT_TRUE(app.fullscreen());
    EXPECT_EQ(settings.window().calls, std::vector<std::string>{"fullscreen"});
    EXPECT_EQ(app.statusLine(), L"Launcher preferences saved.");
    EXPECT_TRUE(logged(settings, "launcher-settings-saved"));
    EXPECT_TRUE(app.settingsOpen());

    app.activate(206); // a window from now on
    app.activate(settingsSaveControlId);
    EXPECT_FALSE(app.fullscreen());
    EXPECT_EQ(files(settings)[apptest::launcherConfigFile],
              "Volume=35\r\nMuted=1\r\nFPS=120\r\nVSync=0\r\n"
              "ReducedMotion=1\r\nFullscreen=0\r\n");
}

TEST(SaveLauncher, AFailedWriteKeepsTheAppliedPreferences) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    std::filesystem::create_directories(settings.fixture.root() / apptest::launcherConfigFile /
                                        "in the way");
    app.activate(202);
    app.activate(settingsSaveControlId);
    EXPECT_EQ(app.statusLine(), L"Could not save the launcher preferences.");
    EXPECT_EQ(app.appliedPreferences().FPS, 60);
    EXPECT_FALSE(logged(settings, "launcher-settings-saved"));
}

TEST(SaveGame, WritesThePreferencesAndTheCmosImage) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::video, [](App&) {});
    ASSERT_TRUE(app.backend().adjustmentsAvailable());
    const FileTree before = files(settings);
    for (int step = 0; step < 3; ++step) {
        app.activate(200); // scan lines 0 -> 3
    }
    app.activate(firstTabControlId + 4);
    app.activate(260); // difficulty 4 -> 5
    app.activate(261); // the first game's coinage starts from preset 1: 2
    app.activate(261); // 3
    app.activate(settingsSaveControlId);

    std::string cmos = qxlauncher::operatortest::validCmos(21, 4, 2, false, true);
    qxlauncher::applyCoinagePreset(cmos, qxlauncher::operatortest::operatorProgram(0), 0, 3, false);
    qxlauncher::writeCmosParameter(cmos, qxlauncher::difficultyParameter, 5);
    qxlauncher::storeAdjustmentBankChecksum(cmos);
    const FileTree after = files(settings);
    EXPECT_EQ(after.at(firstPreferences),
              "[Launcher]\r\nFPS=60\r\nVSync=1\r\nReducedMotion=0\r\nUIVolume=0\r\nFullscreen=1\r\n"
              "VideoEffects=0\r\n[QX1]\r\nRemastered=0\r\nGameVolume=100\r\nBlood=1\r\n"
              "Violence=1\r\nCmosCoinage=1\r\nAudioLatency=1\r\n\r\n" +
                  videoSection("Original", 3) + "\r\n" + videoSection("Remastered", 0));
    EXPECT_TRUE(after.at(firstCmos) == cmos) << "cmos.bin differs";
    EXPECT_FALSE(after.contains(apptest::controlsConfigFile));
    EXPECT_FALSE(after.contains(apptest::launcherConfigFile));
    EXPECT_NE(before.at(firstCmos), after.at(firstCmos));

    EXPECT_EQ(app.statusLine(), L"Preferences and adjustments saved for this game.");
    EXPECT_TRUE(logged(settings, "settings-saved"));
    EXPECT_EQ(app.editConfig(), app.backend().currentConfig());
    EXPECT_EQ(app.editAdjustments(), (qxlauncher::GameAdjustments{5, 3, false, false}));
    EXPECT_TRUE(app.settingsOpen());
}

TEST(SaveGame, TheRemasteredChoiceOfThePlayPageFollows) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::audio, [](App&) {});
    ASSERT_FALSE(app.remasteredChoice(0));
    app.activate(245);
    app.activate(settingsSaveControlId);
    EXPECT_TRUE(app.backend().currentConfig().Remastered);
    EXPECT_TRUE(app.remasteredChoice(0));
}

TEST(SaveGame, RefusedWhileAGameRunsKeepsTheEdits) {
    SettingsFixture settings;
    App& app = settings.open(firstGame, SettingsTab::video, [](App&) {});
    app.activate(200);
    const FileTree before = files(settings);
    qxlauncher::RunningGameScope running(app.backend());
    app.activate(settingsSaveControlId);
    EXPECT_EQ(app.statusLine(), L"Close the game before saving adjustments.");
    EXPECT_EQ(app.editConfig().original.scanlines, 1);
    EXPECT_FALSE(logged(settings, "settings-saved"));
    EXPECT_EQ(files(settings), before);
}

constexpr const char* defaultBindingsText =
    "26,28,25,27,41,53,44,5a,58,43,35,31,49,4b,4a,4c,46,47,48,56,42,4e,36,32,"
    "0,0,0,0,4000,20200,8000,1000,2000,10100,20,10,0,0,0,0,4000,20200,8000,1000,2000,10100,20,10,";

TEST(SaveControls, WritesTheGameFirstThenTheControls) {
    SettingsFixture settings;
    App& app = settings.open(thirdGame, SettingsTab::controls, [](App& a) {
        AppProbe::editBindings(a).keyCodes[0] = 0x7A;
        AppProbe::editConfig(a).GameVolume = 40;
    });
    app.activate(390);
    app.activate(bindingSlotId(0, 0, 1));
    const FileTree before = files(settings);
    app.activate(settingsSaveControlId);
    const FileTree written = changed(before, files(settings));
    EXPECT_EQ(written.at(apptest::controlsConfigFile),
              "Controls=7a" + std::string(defaultBindingsText).substr(2) + "1,0,0\r\n");
    EXPECT_NE(written.at("build/native/qx3-native/profile/launcher.ini").find("GameVolume=40\r\n"),
              std::string::npos);
    EXPECT_EQ(written.size(), 2u);
    EXPECT_EQ(app.statusLine(), L"Controls saved for every game.");
    EXPECT_TRUE(logged(settings, "settings-saved"));
    EXPECT_EQ(AppProbe::captureId(app), -1);
}

TEST(SaveControls, WithoutAGameWritesOnlyTheControls) {
    SettingsFixture settings;
    App& app = settings.open(noGame, SettingsTab::controls, [](App&) {});
    const FileTree before = files(settings);
    app.activate(settingsSaveControlId);
    EXPECT_EQ(changed(before, files(settings)),
              (FileTree{{apptest::controlsConfigFile,
                         "Controls=" + std::string(defaultBindingsText) + "0,0,0\r\n"}}));
    EXPECT_EQ(app.statusLine(), L"Controls saved for every game.");
    EXPECT_FALSE(logged(settings, "settings-saved"));
}

TEST(SaveControls, AFailedWriteIsSaidAndEndsTheCapture) {
    SettingsFixture settings;
    App& app = settings.open(noGame, SettingsTab::controls, [](App&) {});
    std::filesystem::create_directories(settings.fixture.root() / apptest::controlsConfigFile /
                                        "in the way");
    app.activate(bindingSlotId(1, 0, 11));
    app.activate(settingsSaveControlId);
    EXPECT_EQ(app.statusLine(), L"Could not save the controls.");
    EXPECT_EQ(AppProbe::captureId(app), -1);
}

// A folder with a file in it where a file is to be written: its replace fails.
void blockWrite(const std::filesystem::path& file) {
    std::filesystem::remove(file);
    std::filesystem::create_directories(file / "in the way");
}

constexpr const char* thirdPreferences = "build/native/qx3-native/profile/launcher.ini";

// The first game's CMOS image changed by another program since Settings read it.
void changeFirstCmos(const std::filesystem::path& root) {
    std::string image = testsupport::readFileIfPresent(root / firstCmos);
    ASSERT_FALSE(image.empty());
    image[0] = static_cast<char>(image[0] ^ 0x5A);
    testsupport::writeFile(root / firstCmos, image);
}

// SAVE on CONTROLS makes two saves, the game's and the controls'; the status line tells what
// became of each.
struct ControlsSaveCase {
    const char* name;
    SettingsSetup game;
    const char* preferences;
    void (*refuseGame)(const std::filesystem::path& root); // nullptr: the game's save succeeds
    bool controlsFail;
    const wchar_t* status;
};

void PrintTo(const ControlsSaveCase& c, std::ostream* out) {
    *out << c.name;
}

class SaveOnControls : public testing::TestWithParam<ControlsSaveCase> {};

TEST_P(SaveOnControls, TheStatusLineSaysWhatBecameOfBothSaves) {
    const ControlsSaveCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.game, SettingsTab::controls, [](App& a) {
        AppProbe::editBindings(a).keyCodes[0] = 0x7A;
        AppProbe::editConfig(a).GameVolume = 40;
    });
    const std::filesystem::path root = settings.fixture.root();
    if (c.refuseGame != nullptr) {
        c.refuseGame(root);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
    }
    if (c.controlsFail) {
        blockWrite(root / apptest::controlsConfigFile);
    }
    app.activate(bindingSlotId(0, 0, 1));
    app.activate(settingsSaveControlId);
    EXPECT_EQ(app.statusLine(), c.status);
    EXPECT_EQ(AppProbe::captureId(app), -1);
    // The edits stay on screen, for another try where a save failed.
    EXPECT_EQ(app.editConfig().GameVolume, 40);
    const bool gameSaved = c.refuseGame == nullptr;
    EXPECT_EQ(logged(settings, "settings-saved"), gameSaved);
    const FileTree after = files(settings);
    const auto preferences = after.find(c.preferences);
    EXPECT_EQ(preferences != after.end() &&
                  preferences->second.find("GameVolume=40\r\n") != std::string::npos,
              gameSaved);
    EXPECT_EQ(after.contains(apptest::controlsConfigFile), !c.controlsFail);
    if (!c.controlsFail) {
        EXPECT_EQ(after.at(apptest::controlsConfigFile),
                  "Controls=7a" + std::string(defaultBindingsText).substr(2) + "0,0,0\r\n");
    }
}

void blockThirdPreferences(const std::filesystem::path& root) {
    blockWrite(root / thirdPreferences);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveOnControls,
    testing::Values(
        ControlsSaveCase{"BothSaved", thirdGame, thirdPreferences, nullptr, false,
                         L"Controls saved for every game."},
        ControlsSaveCase{"TheGameRefusedAfterItsProfileChanged", firstGame, firstPreferences,
                         changeFirstCmos, false,
                         L"Could not save; check access and whether the profile changed, then "
                         L"reopen the adjustments. Controls saved for every game."},
        ControlsSaveCase{"TheGamesWriteFailed", thirdGame, thirdPreferences, blockThirdPreferences,
                         false,
                         L"Could not save; check access and whether the profile changed, then "
                         L"reopen the adjustments. Controls saved for every game."},
        ControlsSaveCase{"TheControlsRefused", thirdGame, thirdPreferences, nullptr, true,
                         L"Preferences and adjustments saved for this game. Could not save the "
                         L"controls."},
        ControlsSaveCase{"BothRefused", thirdGame, thirdPreferences, blockThirdPreferences, true,
                         L"Could not save; check access and whether the profile changed, then "
                         L"reopen the adjustments. Could not save the controls."}),
    testsupport::caseName);

TEST(Save, DoesNothingWithSettingsClosed) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    app.activate(settingsBackControlId);
    const FileTree before = files(settings);
    app.activate(settingsSaveControlId);
    app.activate(restoreDefaultsControlId);
    EXPECT_EQ(files(settings), before);
    EXPECT_EQ(app.statusLine(), L"");
}

// --- RESTORE DEFAULTS -----------------------------------------------------------------------

// Edits in every editing copy, so that a restore shows what it puts back and what it keeps.
void editEverything(App& app) {
    qxlauncher::Config& config = AppProbe::editConfig(app);
    config.FPS = 120;
    config.GameVolume = 30;
    config.AudioLatency = 2;
    config.Blood = false;
    config.Violence = false;
    config.CmosCoinage = true;
    config.Remastered = true;
    config.VSync = false;
    config.Engine = 2;
    config.VideoEffects = true;
    config.original.scanlines = 5;
    config.original.sync = 0;
    config.remastered.cas = 50;
    config.remastered.widescreen = true;
    AppProbe::editAdjustments(app) = {1, 7, true, false};
    AppProbe::editedPreferences(app) = {240, 20, false, true, false, true};
    AppProbe::editBindings(app).keyCodes[3] = 0x70;
    AppProbe::editBindings(app).socd = 1;
    AppProbe::stageRankingResetPending(app, true);
    AppProbe::stageCapture(app, bindingSlotId(0, 0, 2));
}

struct RestoreCase {
    const char* name;
    SettingsSetup setup;
    SettingsTab tab;
    bool remasteredProfile;
    const wchar_t* status;
    std::function<void(App&)> expect;
};

void PrintTo(const RestoreCase& c, std::ostream* out) {
    *out << c.name;
}

// The game's own settings back at their defaults; its engine, effects switch and profiles kept.
void expectGameDefaults(App& app) {
    const qxlauncher::Config& config = app.editConfig();
    EXPECT_EQ(config.FPS, 60);
    EXPECT_EQ(config.GameVolume, 100);
    EXPECT_EQ(config.AudioLatency, 1);
    EXPECT_TRUE(config.Blood);
    EXPECT_TRUE(config.Violence);
    EXPECT_FALSE(config.CmosCoinage);
    EXPECT_FALSE(config.Remastered);
    EXPECT_TRUE(config.VSync);
    EXPECT_EQ(config.Engine, 2);
    EXPECT_TRUE(config.VideoEffects);
    EXPECT_EQ(config.original.scanlines, 5);
    EXPECT_EQ(config.remastered.cas, 50);
    EXPECT_FALSE(AppProbe::rankingResetPending(app));
}

const std::vector<RestoreCase> restoreCases{
    {"Controls", firstGame, SettingsTab::controls, false,
     L"Defaults restored on screen. Use SAVE to apply.",
     [](App& app) {
         EXPECT_EQ(app.editBindings(), qxlauncher::ControlBindings{});
         EXPECT_EQ(AppProbe::captureId(app), -1);
         expectGameDefaults(app);
         EXPECT_EQ(app.editAdjustments(), qxlauncher::GameAdjustments{});
         EXPECT_EQ(app.editedPreferences().FPS, 240);
     }},
    {"Launcher", firstGame, SettingsTab::launcher, false,
     L"Launcher defaults restored on screen. Use SAVE to apply.",
     [](App& app) {
         EXPECT_EQ(app.editedPreferences(), qxlauncher::LauncherPreferences{});
         EXPECT_EQ(app.editConfig().GameVolume, 30);
         EXPECT_EQ(app.editBindings().socd, 1u);
     }},
    {"VideoOriginal", firstGame, SettingsTab::video, false,
     L"Video profile restored on screen. Use SAVE to apply.",
     [](App& app) {
         EXPECT_EQ(app.editConfig().original, qxlauncher::VideoSettings{});
         EXPECT_EQ(app.editConfig().remastered.cas, 50);
         EXPECT_EQ(app.editConfig().GameVolume, 30);
     }},
    {"DisplayRemastered", firstGame, SettingsTab::display, true,
     L"Video profile restored on screen. Use SAVE to apply.",
     [](App& app) {
         EXPECT_EQ(app.editConfig().remastered, qxlauncher::VideoSettings{});
         EXPECT_EQ(app.editConfig().original.scanlines, 5);
     }},
    {"VideoRemasteredOfTheThirdGame", thirdGame, SettingsTab::video, true,
     L"Video profile restored on screen. Use SAVE to apply.",
     [](App& app) {
         qxlauncher::VideoSettings expected;
         expected.scanlines = 4;
         expected.scalefx = true;
         EXPECT_EQ(app.editConfig().remastered, expected);
     }},
    {"VideoWithoutRemastered",
     {1, false, false, 1536.0f},
     SettingsTab::video,
     false,
     L"Video profile restored on screen. Use SAVE to apply.",
     [](App& app) {
         qxlauncher::VideoSettings expected;
         expected.sync = 2;
         EXPECT_EQ(app.editConfig().original, expected);
     }},
    {"Audio", firstGame, SettingsTab::audio, false,
     L"Defaults restored on screen. Use SAVE to apply.",
     [](App& app) {
         expectGameDefaults(app);
         EXPECT_EQ(app.editAdjustments(), qxlauncher::GameAdjustments{});
         EXPECT_EQ(app.editBindings().socd, 1u);
     }},
    {"Adjustments", firstGame, SettingsTab::adjustments, false,
     L"Defaults restored on screen. Use SAVE to apply.",
     [](App& app) {
         expectGameDefaults(app);
         EXPECT_EQ(app.editAdjustments(), qxlauncher::GameAdjustments{});
     }},
    {"UtilitiesWithoutAdjustments", thirdGame, SettingsTab::utilities, false,
     L"Defaults restored on screen. Use SAVE to apply.",
     [](App& app) {
         expectGameDefaults(app);
         // Without a profile the backend's loaded adjustments come back.
         EXPECT_EQ(app.editAdjustments(), app.backend().loadedAdjustments());
     }},
};

class RestoreDefaults : public testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreDefaults, ChangesTheEditingCopiesAndNoFile) {
    const RestoreCase& c = GetParam();
    SettingsFixture settings;
    App& app = settings.open(c.setup, c.tab, [&](App& a) {
        editEverything(a);
        AppProbe::stageEditedRemastered(a, c.remasteredProfile);
    });
    const FileTree before = files(settings);
    const auto events = settings.fixture.uiEvents();
    app.activate(restoreDefaultsControlId);
    EXPECT_EQ(files(settings), before);
    EXPECT_EQ(settings.fixture.uiEvents(), events);
    EXPECT_EQ(app.statusLine(), c.status);
    EXPECT_TRUE(app.settingsOpen());
    c.expect(app);
}

INSTANTIATE_TEST_SUITE_P(EveryTab, RestoreDefaults, testing::ValuesIn(restoreCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Leaving Settings -----------------------------------------------------------------------

TEST(Back, DropsTheGameEditsAndFocusesTheLoadedCabinet) {
    SettingsFixture settings;
    App& app = settings.open(thirdGame, SettingsTab::controls, [](App& a) {
        AppProbe::editConfig(a).GameVolume = 10;
        AppProbe::stageCapture(a, bindingSlotId(0, 0, 4));
        AppProbe::stageStatus(a, L"Press a key for P1 HIGH PUNCH. Esc cancels.");
    });
    ASSERT_EQ(app.section(), NavSection::play);
    app.activate(settingsBackControlId);
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(app.editConfig(), app.backend().currentConfig());
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.focusPosition(), 2);
    EXPECT_EQ(app.statusLine(), L"");
}

TEST(Back, ActsWithSettingsClosedToo) {
    SettingsFixture settings;
    App& app = settings.open(noGame);
    app.activate(settingsBackControlId);
    app.activate(overviewNavigationId);
    AppProbe::stageStatus(app, L"staged");
    app.activate(settingsBackControlId);
    EXPECT_EQ(app.statusLine(), L"");
    EXPECT_EQ(app.focusPosition(), 0);
}

struct LeaveCase {
    const char* name;
    int id;
    NavSection section;
    int focus;
};

class LeaveSettings : public testing::TestWithParam<LeaveCase> {};

TEST_P(LeaveSettings, ThroughTheSidebarEndsTheCapture) {
    SettingsFixture settings;
    App& app = settings.open(thirdGame, SettingsTab::controls,
                             [](App& a) { AppProbe::editConfig(a).GameVolume = 10; });
    app.activate(bindingSlotId(1, 1, 5));
    app.activate(GetParam().id);
    EXPECT_FALSE(app.settingsOpen());
    EXPECT_EQ(AppProbe::captureId(app), -1);
    EXPECT_EQ(app.section(), GetParam().section);
    EXPECT_EQ(app.focusPosition(), GetParam().focus);
    EXPECT_EQ(app.statusLine(), L"");
    EXPECT_EQ(app.editConfig(), app.backend().currentConfig());
}

INSTANTIATE_TEST_SUITE_P(
    Sections, LeaveSettings,
    testing::Values(LeaveCase{"Play", playNavigationId, NavSection::play, 2},
                    LeaveCase{"Overview", overviewNavigationId, NavSection::overview, 0},
                    LeaveCase{"RomSetup", romSetupNavigationId, NavSection::romSetup, 0},
                    LeaveCase{"Build", buildNavigationId, NavSection::build, 0},
                    LeaveCase{"Legal", legalNavigationId, NavSection::legal, 0}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace lumenark
