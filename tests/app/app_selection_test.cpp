// Choosing cabinets, opening Settings, the capture frame's state, the frame's ground, the close
// action and the window's events, on an App over a fixture root.
#include "app/app.h"

#include "app/click_sound.h"
#include "app/modes/entry_point.h"
#include "backend/preferences/collection_paths.h"
#include "tests/app/app_fixture.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::FakeWindow;

constexpr const wchar_t* unavailable = L"Game unavailable: build it on the Build page first.";

class Selection : public testing::Test {
protected:
    // A game with a valid receipt counts as ready until the first poll.
    void makeReady(const std::string& id) {
        testsupport::writeBuildReceipt(fixture_.root(), id, "executable of " + id);
    }
    std::unique_ptr<App>& start() {
        app_ = fixture_.makeApp();
        app_->attachWindow(&window_);
        return app_;
    }
    bool logged(const std::string& event) const {
        const auto events = fixture_.uiEvents();
        return std::find(events.begin(), events.end(), event) != events.end();
    }
    std::string preferencesFile(int game) const {
        return testsupport::readFile(qxlauncher::preferencesFilePath(fixture_.root(), game, false));
    }

    AppFixture fixture_;
    FakeWindow window_;
    std::unique_ptr<App> app_;
};

TEST_F(Selection, AnotherReadyGameIsLoadedWithTheClick) {
    makeReady("qx3");
    start();
    app_->selectGame(2);
    EXPECT_EQ(app_->selectedGame(), 2);
    EXPECT_EQ(app_->loadedGame(), 2);
    EXPECT_EQ(app_->focusPosition(), 2);
    EXPECT_EQ(app_->section(), NavSection::play);
    EXPECT_EQ(app_->statusLine(), L"");
    EXPECT_EQ(app_->backend().selectedGameKind(), 2);
    ASSERT_EQ(fixture_.desktop->played.size(), 1u);
    EXPECT_EQ(fixture_.desktop->played[0], clickSoundImage().data());
    EXPECT_TRUE(logged("game-select 2"));
}

TEST_F(Selection, AGameNotReadyIsLoadedSilentlyWithItsSentence) {
    start();
    app_->selectGame(1);
    EXPECT_EQ(app_->loadedGame(), 1);
    EXPECT_EQ(app_->statusLine(), unavailable);
    EXPECT_TRUE(fixture_.desktop->played.empty());
    EXPECT_TRUE(logged("game-select 1"));
}

TEST_F(Selection, ChoosingTheLoadedThirdGameAgainSwitchesItsEdition) {
    makeReady("qx3");
    start();
    app_->selectGame(2);
    app_->selectGame(2);
    EXPECT_EQ(app_->statusLine(), L"NATIVE  /  REMASTERED selected. Use PLAY to start.");
    EXPECT_EQ(app_->backend().currentConfig().Engine, 2);
    EXPECT_EQ(app_->editConfig().Engine, 2);
    EXPECT_TRUE(logged("qx3-engine 2"));
    EXPECT_NE(preferencesFile(2).find("Engine=2"), std::string::npos);
    app_->selectGame(2);
    EXPECT_EQ(app_->statusLine(), L"NATIVE  /  ORIGINAL selected. Use PLAY to start.");
    EXPECT_TRUE(logged("qx3-engine 1"));
    // One click: choosing the loaded game again switches without it.
    EXPECT_EQ(fixture_.desktop->played.size(), 1u);
}

TEST_F(Selection, ChoosingTheLoadedFirstGameAgainTogglesRemasteredAndSaves) {
    makeReady("qx1");
    start();
    app_->selectGame(0);
    ASSERT_EQ(app_->loadedGame(), 0);
    app_->selectGame(0);
    EXPECT_EQ(app_->statusLine(), L"Remastered selected. Use PLAY to start.");
    EXPECT_TRUE(app_->remasteredChoice(0));
    EXPECT_TRUE(app_->editConfig().Remastered);
    EXPECT_TRUE(logged("mode-remastered"));
    EXPECT_NE(preferencesFile(0).find("Remastered=1"), std::string::npos);
    app_->selectGame(0);
    EXPECT_EQ(app_->statusLine(), L"Original Arcade selected. Use PLAY to start.");
    EXPECT_FALSE(app_->remasteredChoice(0));
    EXPECT_TRUE(logged("mode-original"));
}

TEST_F(Selection, AFailedSavePutsTheEditionBack) {
    makeReady("qx1");
    start();
    app_->selectGame(0);
    // A folder where the preferences file goes: the replace fails.
    std::filesystem::create_directories(qxlauncher::preferencesFilePath(fixture_.root(), 0, false));
    app_->selectGame(0);
    EXPECT_FALSE(app_->backend().currentConfig().Remastered);
    EXPECT_FALSE(app_->remasteredChoice(0));
    EXPECT_FALSE(app_->editConfig().Remastered);
    EXPECT_EQ(app_->statusLine(), app_->backend().statusText());
    EXPECT_FALSE(logged("mode-remastered"));
}

TEST_F(Selection, TheSecondGameWithoutItsNativePackageStaysOriginal) {
    makeReady("qx2");
    start();
    app_->selectGame(1);
    app_->selectGame(1);
    EXPECT_EQ(app_->statusLine(), L"Original Arcade: the remastered version is unavailable.");
    EXPECT_FALSE(app_->backend().currentConfig().Remastered);
    EXPECT_FALSE(logged("mode-remastered"));
}

TEST_F(Selection, TheLoadedGameAgainWhileNotReadyIsUnavailable) {
    start();
    app_->selectGame(0);
    app_->selectGame(0);
    EXPECT_EQ(app_->statusLine(), unavailable);
    EXPECT_FALSE(app_->backend().currentConfig().Remastered);
}

TEST_F(Selection, NothingHappensWithSettingsOpenOrForANumberOutsideTheGames) {
    makeReady("qx3");
    start();
    for (const int game : {3, -1}) {
        app_->selectGame(game);
        EXPECT_EQ(app_->loadedGame(), -1);
    }
    app_->openSettings();
    app_->selectGame(2);
    EXPECT_EQ(app_->loadedGame(), -1);
    EXPECT_TRUE(fixture_.desktop->played.empty());
}

TEST_F(Selection, TheGamesRemasteredOffer) {
    start();
    EXPECT_TRUE(app_->hasRemastered());
    app_->selectGame(1);
    EXPECT_FALSE(app_->hasRemastered());
    testsupport::writeQx2NativePackage(fixture_.root());
    EXPECT_TRUE(app_->hasRemastered());
    app_->selectGame(2);
    EXPECT_TRUE(app_->hasRemastered());
}

TEST_F(Selection, SettingsWithoutALoadedGameOpenOnTheLauncherTab) {
    qxlauncher::ControlBindings stored;
    stored.keyCodes[0] = 0x57;
    stored.socd = 1;
    testsupport::writeFile(fixture_.root() / qxlauncher::controlsConfigPath,
                           "Controls=" + qxlauncher::formatControls(stored) + "\n");
    start();
    app_->openSettings();
    EXPECT_TRUE(app_->settingsOpen());
    EXPECT_FALSE(app_->gameSettingsLoaded());
    EXPECT_EQ(app_->settingsTab(), SettingsTab::launcher);
    EXPECT_EQ(app_->focusPosition(), 0);
    EXPECT_EQ(app_->statusLine(), L"");
    EXPECT_EQ(app_->editBindings(), stored);
    EXPECT_EQ(app_->editedPreferences(), app_->appliedPreferences());
    EXPECT_TRUE(logged("settings-open"));
}

TEST_F(Selection, SettingsOfTheLoadedReadyGameLoadItsPreferences) {
    makeReady("qx3");
    qxlauncher::Config third = qxlauncher::defaultConfig(2);
    third.Engine = 2;
    third.GameVolume = 55;
    testsupport::writeFile(qxlauncher::preferencesFilePath(fixture_.root(), 2, false),
                           qxlauncher::preferencesText(third, 2));
    start();
    app_->selectGame(2);
    app_->openSettings();
    EXPECT_TRUE(app_->gameSettingsLoaded());
    EXPECT_EQ(app_->settingsTab(), SettingsTab::video);
    EXPECT_EQ(app_->editConfig().GameVolume, 55);
    EXPECT_TRUE(app_->editedRemastered());
}

struct CaptureCase {
    const char* name;
    std::vector<std::wstring> arguments;
    bool settingsOpen;
    SettingsTab tab;
    NavSection section;
};

class CaptureState : public testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureState, FollowsTheArguments) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    const CaptureRequest request = parseCaptureRequest(GetParam().arguments);
    app->prepareCapture(request.settingsOpen, request.tab, request.section);
    EXPECT_EQ(app->settingsOpen(), GetParam().settingsOpen);
    EXPECT_EQ(app->settingsTab(), GetParam().tab);
    EXPECT_EQ(app->section(), GetParam().section);
    EXPECT_TRUE(app->appliedPreferences().ReducedMotion);
    EXPECT_EQ(app->statusLine(), L"");
}

INSTANTIATE_TEST_SUITE_P(Table, CaptureState,
                         testing::Values(CaptureCase{"plain",
                                                     {L"--ui-capture", L"a.png"},
                                                     false,
                                                     SettingsTab::launcher,
                                                     NavSection::overview},
                                         CaptureCase{"roms",
                                                     {L"--ui-capture", L"a.png", L"roms"},
                                                     false,
                                                     SettingsTab::launcher,
                                                     NavSection::romSetup},
                                         CaptureCase{"settings",
                                                     {L"--settings-capture", L"a.png"},
                                                     true,
                                                     SettingsTab::launcher,
                                                     NavSection::overview},
                                         CaptureCase{"controls",
                                                     {L"--settings-capture", L"a.png", L"controls"},
                                                     true,
                                                     SettingsTab::controls,
                                                     NavSection::overview},
                                         CaptureCase{"display",
                                                     {L"--settings-capture", L"a.png", L"display"},
                                                     true,
                                                     SettingsTab::display,
                                                     NavSection::overview},
                                         CaptureCase{"play_behind",
                                                     {L"--settings-capture", L"a.png", L"play"},
                                                     true,
                                                     SettingsTab::launcher,
                                                     NavSection::play}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Selection, AFrameFillsTheGroundAndPresentsWithTheSyncPreference) {
    start();
    app_->render(0.016, false);
    ASSERT_EQ(fixture_.device->frames.size(), 1u);
    const auto& frame = fixture_.device->frames[0];
    EXPECT_EQ(frame.syncInterval, 1);
    ASSERT_FALSE(frame.recording.draws.empty());
    const platform::DrawConstants& ground = frame.recording.draws[0].constants;
    EXPECT_EQ(std::vector<float>(ground.rect, ground.rect + 4),
              (std::vector<float>{0, 0, 1536, 1024}));
    EXPECT_EQ(std::vector<float>(ground.tint, ground.tint + 4),
              (std::vector<float>{0.028f, 0.027f, 0.032f, 1.0f}));
    // The frame's last region is the title bar's close control.
    ASSERT_FALSE(app_->hitRegions().empty());
    EXPECT_EQ(app_->hitRegions().back().id, 13);
    EXPECT_EQ(app_->hitRegions().back().x, 1490);
}

TEST_F(Selection, TheBezelSwitchOfTheShownEditionDecoratesTheLetterbox) {
    fixture_.device->client = {2400, 1024}; // wider than the design: a letterbox at each side
    qxlauncher::Config first = qxlauncher::defaultConfig(0);
    first.original.bezel = false;
    testsupport::writeFile(qxlauncher::preferencesFilePath(fixture_.root(), 0, false),
                           qxlauncher::preferencesText(first, 0));
    testsupport::writeFile(fixture_.root() / qxlauncher::launcherConfigPath,
                           "Volume=100\nMuted=0\nFPS=60\nVSync=0\nReducedMotion=0\nFullscreen=1\n");
    start();
    app_->render(0.016, false);
    EXPECT_TRUE(fixture_.device->frames.back().recording.clears.empty());
    EXPECT_EQ(fixture_.device->frames.back().syncInterval, 0);
    qxlauncher::Config remastered = first;
    remastered.Remastered = true;
    app_->backend().currentConfig() = remastered;
    app_->render(0.016, false);
    EXPECT_FALSE(fixture_.device->frames.back().recording.clears.empty());
}

TEST_F(Selection, TheCloseActionWithoutAGameDestroysTheWindow) {
    start();
    app_->onCloseRequest();
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"destroy"}));
    EXPECT_FALSE(app_->closing());
}

TEST_F(Selection, FullscreenRemembersTheWindowAndPutsItBack) {
    start();
    const platform::ScreenRect windowed = window_.rect;
    app_->setFullscreen(true);
    app_->setFullscreen(true);
    EXPECT_TRUE(app_->fullscreen());
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"fullscreen"}));
    EXPECT_EQ(window_.rect, window_.monitor);
    app_->setFullscreen(false);
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"fullscreen", "windowed"}));
    EXPECT_EQ(window_.rect, windowed);
}

TEST_F(Selection, AScaleOrDisplayChangeCoversTheMonitorAgainWhileFullscreen) {
    start();
    // In a window a scale change takes the system's suggestion and a display change nothing.
    const platform::ScreenRect suggested{40, 30, 1640, 1030};
    app_->onDisplayChanged(suggested);
    app_->onDisplayChanged(std::nullopt);
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"place"}));
    EXPECT_EQ(window_.rect, suggested);

    app_->setFullscreen(true);
    // The resolution changed under the window, then the scale.
    window_.monitor = {0, 0, 1280, 720};
    app_->onDisplayChanged(std::nullopt);
    EXPECT_EQ(window_.rect, window_.monitor);
    window_.monitor = {0, 0, 1920, 1080};
    app_->onDisplayChanged(platform::ScreenRect{0, 0, 2400, 1350});
    EXPECT_EQ(window_.rect, window_.monitor);
    // The window it left is still where it goes back to.
    app_->setFullscreen(false);
    EXPECT_EQ(window_.rect, suggested);
}

TEST_F(Selection, ActivationDrivesThePacingAndAHandlerErrorIsShown) {
    start();
    app_->onActivateApp(false);
    EXPECT_FALSE(app_->active());
    app_->onActivateApp(true);
    EXPECT_TRUE(app_->active());
    app_->onMessageError("launcher path uses a link/junction");
    EXPECT_EQ(app_->statusLine(), L"Error: launcher path uses a link/junction");
    EXPECT_TRUE(logged("ui-error launcher path uses a link/junction"));
}

TEST_F(Selection, NoFrameWhileMinimised) {
    start();
    EXPECT_TRUE(app_->musicTurn().drawFrame);
    window_.minimised = true;
    EXPECT_FALSE(app_->musicTurn().drawFrame);
    EXPECT_FALSE(app_->musicTurn().fading);
}

} // namespace
} // namespace lumenark
