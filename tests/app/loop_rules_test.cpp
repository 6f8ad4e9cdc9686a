// The main loop's decisions apart from the system: frame intervals and the frame grid, the
// music's volume, where the window opens, its client area while zoomed, and where it goes when
// the monitor's scale or the display changes.
#include "app/loop/frame_pacer.h"
#include "app/loop/music_volume.h"
#include "app/loop/window_placement.h"

#include <gtest/gtest.h>

#include <optional>

namespace lumenark {
namespace {

struct IntervalCase {
    bool active;
    int fps;
    bool busy;
    std::uint64_t interval;
};

class FrameIntervals : public testing::TestWithParam<IntervalCase> {};

TEST_P(FrameIntervals, FollowTheLimitWhileActive) {
    const IntervalCase& c = GetParam();
    EXPECT_EQ(frameInterval(c.active, c.fps, c.busy), c.interval);
}

INSTANTIATE_TEST_SUITE_P(Table, FrameIntervals,
                         testing::Values(IntervalCase{true, 30, false, 333334},
                                         IntervalCase{true, 60, false, 166667},
                                         IntervalCase{true, 120, true, 83334},
                                         IntervalCase{true, 240, false, 41667},
                                         IntervalCase{false, 60, true, 1000000},
                                         IntervalCase{false, 240, false, 5000000}),
                         [](const auto& info) {
                             const IntervalCase& c = info.param;
                             return std::string(c.active ? "Active" : "Inactive") +
                                    std::to_string(c.fps) + "Fps" + (c.busy ? "Busy" : "");
                         });

constexpr std::uint64_t c60 = 166667;

TEST(FramePacer, TheFirstTurnDrawsAtOnceAndSetsTheGrid) {
    FramePacer pacer(1000);
    EXPECT_TRUE(pacer.frameDue(5000, c60));
    EXPECT_EQ(pacer.nextFrame(), 5000 + c60);
    const FrameWait wait = pacer.waitAfter(6000, c60);
    EXPECT_FALSE(wait.immediate);
    EXPECT_EQ(wait.dueIn, 5000 + c60 - 6000);
}

TEST(FramePacer, NoFrameBeforeTheDeadline) {
    FramePacer pacer(0);
    ASSERT_TRUE(pacer.frameDue(0, c60));
    pacer.waitAfter(10, c60);
    EXPECT_FALSE(pacer.frameDue(c60 - 1, c60));
    EXPECT_EQ(pacer.nextFrame(), c60);
    EXPECT_TRUE(pacer.frameDue(c60, c60));
    EXPECT_EQ(pacer.nextFrame(), 2 * c60);
}

TEST(FramePacer, AFrameThreeIntervalsLateLandsOnTheNextGridPoint) {
    FramePacer pacer(0);
    ASSERT_TRUE(pacer.frameDue(0, c60));
    pacer.waitAfter(0, c60);
    // The frame due at c60 is seen only at 4 c60 + 5: the slots between are skipped.
    EXPECT_TRUE(pacer.frameDue(4 * c60 + 5, c60));
    EXPECT_EQ(pacer.nextFrame(), 5 * c60);
    EXPECT_FALSE(pacer.waitAfter(4 * c60 + 9, c60).immediate);
}

TEST(FramePacer, ANewIntervalDrawsAtOnceFromNow) {
    FramePacer pacer(0);
    ASSERT_TRUE(pacer.frameDue(0, c60));
    pacer.waitAfter(0, c60);
    // Focus lost: 2 frames a second, the first of them now.
    EXPECT_TRUE(pacer.frameDue(1000, inactiveIdleInterval));
    EXPECT_EQ(pacer.nextFrame(), 1000 + inactiveIdleInterval);
}

TEST(FramePacer, AnOverdueDeadlineStartsTheNextTurnAtOnce) {
    FramePacer pacer(0);
    ASSERT_TRUE(pacer.frameDue(0, c60));
    const FrameWait wait = pacer.waitAfter(c60, c60);
    EXPECT_TRUE(wait.immediate);
}

TEST(FramePacer, AClearedDeadlineRestartsFromNow) {
    FramePacer pacer(0);
    ASSERT_TRUE(pacer.frameDue(0, c60));
    pacer.waitAfter(0, c60);
    pacer.clearDeadline();
    EXPECT_TRUE(pacer.frameDue(10 * c60 + 3, c60));
    EXPECT_EQ(pacer.nextFrame(), 11 * c60 + 3);
}

TEST(FramePacer, TheStepIsTheTimeSinceTheLastFrameAtMostATenth) {
    FramePacer pacer(0);
    EXPECT_DOUBLE_EQ(pacer.takeStep(c60), 0.0166667);
    EXPECT_DOUBLE_EQ(pacer.takeStep(c60 + 50000000), 0.1);
    EXPECT_DOUBLE_EQ(pacer.takeStep(c60 + 50000000), 0.0);
}

struct MusicCase {
    const char* name;
    bool gameRunning;
    bool closing;
    bool iconic;
    bool foreground;
    bool hasPlayer;
    bool settingsOpen;
    SettingsTab tab;
    int volume;
    bool drawFrame;
};

class MusicVolume : public testing::TestWithParam<MusicCase> {};

TEST_P(MusicVolume, FollowsTheWindowAndTheGame) {
    const MusicCase& c = GetParam();
    MusicInputs inputs;
    inputs.gameRunning = c.gameRunning;
    inputs.closing = c.closing;
    inputs.iconic = c.iconic;
    inputs.foreground = c.foreground;
    inputs.hasPlayer = c.hasPlayer;
    inputs.settingsOpen = c.settingsOpen;
    inputs.tab = c.tab;
    inputs.applied.Volume = 70;
    inputs.edited.Volume = 35;
    const MusicTurn turn = musicTurn(inputs);
    EXPECT_EQ(turn.volume, c.volume);
    EXPECT_EQ(turn.drawFrame, c.drawFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MusicVolume,
    testing::Values(
        MusicCase{"foreground", false, false, false, true, true, false, SettingsTab::video, 70,
                  true},
        MusicCase{"background", false, false, false, false, true, false, SettingsTab::video, 0,
                  true},
        MusicCase{"no_player", false, false, false, true, false, false, SettingsTab::video, 0,
                  true},
        MusicCase{"game_runs", true, false, false, true, true, false, SettingsTab::video, 0, true},
        MusicCase{"game_runs_minimised", true, false, true, true, true, false, SettingsTab::video,
                  0, false},
        MusicCase{"closing", false, true, false, true, true, false, SettingsTab::video, 0, true},
        MusicCase{"minimised", false, false, true, true, true, false, SettingsTab::video, 0, false},
        MusicCase{"settings_launcher_tab", false, false, false, true, true, true,
                  SettingsTab::launcher, 35, true},
        MusicCase{"settings_other_tab", false, false, false, true, true, true, SettingsTab::audio,
                  70, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MusicVolume, MutedPreferencesAreSilent) {
    MusicInputs inputs;
    inputs.foreground = true;
    inputs.hasPlayer = true;
    inputs.applied.Muted = true;
    EXPECT_EQ(musicTurn(inputs).volume, 0);
    inputs.settingsOpen = true;
    inputs.tab = SettingsTab::launcher;
    inputs.edited.Volume = 40;
    EXPECT_EQ(musicTurn(inputs).volume, 40);
    inputs.edited.Muted = true;
    EXPECT_EQ(musicTurn(inputs).volume, 0);
}

struct PlacementCase {
    const char* name;
    platform::ScreenRect workArea;
    bool capture;
    platform::ScreenRect window;
};

class WindowPlacement : public testing::TestWithParam<PlacementCase> {};

TEST_P(WindowPlacement, FitsTheWorkArea) {
    EXPECT_EQ(launcherWindowRect(GetParam().workArea, GetParam().capture), GetParam().window);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WindowPlacement,
    testing::Values(PlacementCase{"small", {0, 0, 1280, 720}, false, {30, 30, 1250, 690}},
                    PlacementCase{"large", {0, 0, 2560, 1400}, false, {589, 239, 1971, 1161}},
                    PlacementCase{"capture", {0, 0, 1920, 1040}, true, {192, 8, 1728, 1032}},
                    PlacementCase{"none", {0, 0, 0, 0}, true, {-768, -512, 768, 512}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClientAreaCase {
    const char* name;
    platform::SizingFrame frame;
    platform::ScreenRect window;
    platform::ScreenRect client;
};

class ClientArea : public testing::TestWithParam<ClientAreaCase> {};

// The system lays a zoomed window's frame outside the monitor's work area; the client area is
// the work area, 1920 x 1040 at the origin at 96 dpi, 2560 x 1392 at 144 dpi.
TEST_P(ClientArea, IsTheWholeWindowUnlessZoomed) {
    EXPECT_EQ(clientAreaOf(GetParam().window, GetParam().frame), GetParam().client);
}

constexpr platform::FrameThickness frame96{8, 8};
constexpr platform::FrameThickness frame144{12, 12};

INSTANTIATE_TEST_SUITE_P(
    Table, ClientArea,
    testing::Values(ClientAreaCase{"WindowAt96",
                                   {false, 96, frame96, frame96, 96},
                                   {30, 30, 1250, 690},
                                   {30, 30, 1250, 690}},
                    ClientAreaCase{"WindowAt144",
                                   {false, 144, frame144, frame96, 96},
                                   {30, 30, 1250, 690},
                                   {30, 30, 1250, 690}},
                    ClientAreaCase{"ZoomedAt96",
                                   {true, 96, frame96, frame96, 96},
                                   {-8, -8, 1928, 1048},
                                   {0, 0, 1920, 1040}},
                    ClientAreaCase{"ZoomedAt144",
                                   {true, 144, frame144, frame96, 96},
                                   {-12, -12, 2572, 1404},
                                   {0, 0, 2560, 1392}},
                    // Without the system's figures for the window's dpi (Windows 10 before 1607)
                    // those of the system dpi are scaled, each axis on its own.
                    ClientAreaCase{"ZoomedAt144FromTheSystemDpi",
                                   {true, 144, std::nullopt, {8, 6}, 96},
                                   {-12, -9, 2572, 1401},
                                   {0, 0, 2560, 1392}},
                    ClientAreaCase{"ZoomedAt96BesideASystemAt144",
                                   {true, 96, std::nullopt, frame144, 144},
                                   {2552, -8, 4488, 1048},
                                   {2560, 0, 4480, 1040}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DisplayChangeCase {
    const char* name;
    bool fullscreen;
    std::optional<platform::ScreenRect> suggested;
    std::optional<platform::ScreenRect> placed;
};

class DisplayChange : public testing::TestWithParam<DisplayChangeCase> {};

constexpr platform::ScreenRect monitor{0, 0, 1920, 1080};
// What the system suggests on a 1920 x 1080 monitor going from 96 to 120 dpi.
constexpr platform::ScreenRect scaledUp{0, 0, 2400, 1350};

TEST_P(DisplayChange, CoversTheMonitorAgainWhileFullscreen) {
    const DisplayChangeCase& c = GetParam();
    EXPECT_EQ(placementAfterDisplayChange(c.fullscreen, c.suggested, monitor), c.placed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayChange,
    testing::Values(DisplayChangeCase{"ScaleFullscreen", true, scaledUp, monitor},
                    DisplayChangeCase{"DisplayFullscreen", true, std::nullopt, monitor},
                    DisplayChangeCase{"ScaleInAWindow", false, scaledUp, scaledUp},
                    DisplayChangeCase{"DisplayInAWindow", false, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace lumenark
