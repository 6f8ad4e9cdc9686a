// The App while a game runs: a fake game started as a launch would start it and handed to the
// backend through the probe; it keeps running while its hold file exists.
#include "app/app.h"

#include "platform/text.h"
#include "tests/app/app_fixture.h"
#include "tests/backend/game_test_fixture.h"
#include "tests/support/backend_probe.h"
#include "tests/support/error_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::FakeWindow;

class RunningGame : public testing::Test {
protected:
    void SetUp() override {
        const auto game =
            fixture_.root() / (std::string("game/fake_game") + gametest::executableSuffix);
        gametest::placeDouble("fake_game", game);
        hold_ = fixture_.root() / "game-hold";
        testsupport::writeFile(hold_, "");
        gametest::writeScenario(
            game, "window=never\nexit=3\nhold=" + platform::utf8FromWide(hold_.wstring()) + "\n");
        app_ = fixture_.makeApp();
        app_->attachWindow(&window_);
        platform::StartedChild child = gametest::startFake(game, fixture_.root() / "game.log");
        ASSERT_TRUE(child.started());
        qxlauncher::BackendProbe::adoptGame(app_->backend(), child, game);
        ASSERT_TRUE(app_->backend().isGameRunning());
    }
    void TearDown() override {
        std::filesystem::remove(hold_);
        app_.reset();
        // Wine lets the ended game's log go a moment after the process ended.
        gametest::pollUntil([] {},
                            [&] {
                                std::error_code error;
                                std::filesystem::remove(fixture_.root() / "game.log", error);
                                return !error;
                            });
    }

    bool logged(const std::string& event) const {
        const auto events = fixture_.uiEvents();
        return std::find(events.begin(), events.end(), event) != events.end();
    }

    // Ticks every 200 ms of the fake clock until the game's end was seen.
    bool tickUntilReturned() {
        return gametest::pollUntil(
            [&] {
                fixture_.clock->advanceMilliseconds(200);
                app_->tick();
            },
            [&] { return !app_->backend().isGameRunning(); });
    }

    AppFixture fixture_;
    FakeWindow window_;
    std::filesystem::path hold_;
    std::unique_ptr<App> app_;
};

TEST_F(RunningGame, CabinetsAndSettingsWait) {
    const std::wstring status = app_->statusLine();
    app_->selectGame(2);
    EXPECT_EQ(app_->loadedGame(), -1);
    EXPECT_EQ(app_->statusLine(), status);
    app_->openSettings();
    EXPECT_FALSE(app_->settingsOpen());
}

TEST_F(RunningGame, NoPollWhileItRuns) {
    int polls = 0;
    fixture_.pollGames = [&](const qxlauncher::StartupContext&) {
        ++polls;
        return GameFlags{};
    };
    app_->tick();
    EXPECT_FALSE(app_->pollPending());
    EXPECT_EQ(polls, 0);
}

TEST_F(RunningGame, ClosingAsksTheGameAndTheLauncherClosesAfterIt) {
    app_->requestClose();
    EXPECT_TRUE(app_->closing());
    EXPECT_EQ(app_->statusLine(), L"Closing the game and saving the profile...");
    EXPECT_EQ(window_.calls, (std::vector<std::string>{"restore"}));
    EXPECT_TRUE(window_.alive);

    std::filesystem::remove(hold_);
    ASSERT_TRUE(tickUntilReturned());
    EXPECT_TRUE(logged("game-return exit=3"));
    EXPECT_EQ(app_->statusLine(), app_->backend().statusText());
    EXPECT_FALSE(window_.alive);
    EXPECT_EQ(window_.calls.back(), "destroy");
}

TEST_F(RunningGame, TheEndOfAGameBringsTheLauncherBack) {
    app_->tick();
    std::filesystem::remove(hold_);
    ASSERT_TRUE(tickUntilReturned());
    EXPECT_TRUE(logged("game-return exit=3"));
    const auto restore = std::find(window_.calls.begin(), window_.calls.end(), "restore");
    ASSERT_NE(restore, window_.calls.end());
    EXPECT_EQ(*(restore + 1), "foreground");
    EXPECT_TRUE(window_.alive);
}

TEST_F(RunningGame, TeardownWaitsForTheGameAskingItToClose) {
    int sleeps = 0;
    fixture_.sleep = [&](std::uint32_t milliseconds) {
        EXPECT_EQ(milliseconds, 100u);
        // The game leaves once asked a first time.
        if (++sleeps == 1) {
            std::filesystem::remove(hold_);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    app_->shutdown();
    EXPECT_GE(sleeps, 1);
    EXPECT_FALSE(app_->backend().isGameRunning());
    EXPECT_EQ(app_->backend().lastExitCode(), 3u);
    EXPECT_TRUE(logged("exception-or-scope-shutdown"));
}

TEST_F(RunningGame, AFailedShutdownLineStillWaitsForTheGameAndIsReportedAfter) {
    // The UI log's folder becomes a link: its line fails, the rest of the teardown goes on.
    const auto logs = fixture_.root() / "logs/temporaria-8";
    std::filesystem::create_directories(logs);
    const testsupport::TempFolder elsewhere("app-logs");
    std::filesystem::rename(logs, elsewhere / "moved");
    if (!testsupport::makeFolderLink(elsewhere / "moved", logs)) {
        GTEST_SKIP() << "this system cannot create a folder link";
    }
    fixture_.sleep = [&](std::uint32_t) { std::filesystem::remove(hold_); };
    const std::string error = testsupport::errorText([&] { app_->shutdown(); });
    EXPECT_EQ(error, "launcher path uses a link/junction");
    EXPECT_FALSE(app_->backend().isGameRunning());
    EXPECT_EQ(app_->renderer(), nullptr);
}

} // namespace
} // namespace lumenark
