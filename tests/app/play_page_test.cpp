// The Play page: cabinets at both design widths, their screens and tags, the still capture and
// reduced motion, the opening fade, the info panel and PLAY.
#include "app/control_ids.h"
#include "app/ui/palette.h"
#include "tests/app/app_probe.h"
#include "tests/app/frame_calls.h"
#include "tests/app/page_scene.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace {

using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::PageScene;
using apptest::PageState;
using lumenark::AppProbe;
using lumenark::ColorF;
using lumenark::NavSection;
using lumenark::ShaderMode;
using qxlauncher::BackendProbe;

constexpr ColorF amber{1, 0.7f, 0.28f, 1};
constexpr ColorF dim{0.58f, 0.58f, 0.63f, 1};

bool near(float a, float b) {
    return std::fabs(a - b) < 0.01f;
}

// The centre x of a text drawn at this y, measured as the fixture's font draws it.
std::optional<float> centreOf(const DrawCall& text) {
    const float width = static_cast<float>(text.text.size()) * (text.size / 2 + text.tracking);
    return text.rect.x + width / 2;
}

DrawCalls textsAt(const DrawCalls& calls, const std::wstring& text) {
    DrawCalls found;
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text && call.text == text) {
            found.push_back(call);
        }
    }
    return found;
}

std::size_t effectsOf(const DrawCalls& calls, ShaderMode mode) {
    return static_cast<std::size_t>(std::count_if(calls.begin(), calls.end(), [&](const auto& c) {
        return c.kind == DrawKind::effect && c.mode == mode;
    }));
}

struct WidthCase {
    const char* name;
    int clientWidth;
    std::array<float, 3> x;
};

class PlayCabinets : public testing::TestWithParam<WidthCase> {};

TEST_P(PlayCabinets, StandAtTheirPlacesWithTheirScreens) {
    PageScene scene(GetParam().clientWidth);
    scene.start(PageState::setupDone, NavSection::play);
    const DrawCalls calls = scene.frame(0.016, true);
    const DrawCalls ready = textsAt(calls, L"READY TO PLAY");
    const DrawCalls pending = textsAt(calls, L"SETUP PENDING");
    ASSERT_EQ(ready.size(), 1u);
    ASSERT_EQ(pending.size(), 4u); // the screens and the tags of the other two
    EXPECT_TRUE(apptest::sameColor(ready[0].color, amber));
    EXPECT_TRUE(apptest::sameColor(pending[0].color, dim));
    // Screen texts centre on each cabinet, 236 below its top at 155.
    const std::array<const DrawCall*, 3> screens{&ready[0], &pending[0], &pending[2]};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(*centreOf(*screens[i]), GetParam().x[i] + 165, 0.01) << i;
        EXPECT_FLOAT_EQ(screens[i]->rect.y, 391);
    }
    // The first cabinet's tag follows its Original Arcade choice.
    const auto tag = apptest::findText(calls, L"ORIGINAL ARCADE  /  AVAILABLE");
    ASSERT_TRUE(tag);
    EXPECT_FLOAT_EQ(tag->rect.y, 854);
    EXPECT_NEAR(*centreOf(*tag), GetParam().x[0] + 165, 0.01);
    EXPECT_TRUE(apptest::findText(calls, L"Q-UNIT  /  REV 5.0"));
    EXPECT_TRUE(apptest::findText(calls, L"Quarrix 3 (rev. 2.1)"));
}

INSTANTIATE_TEST_SUITE_P(
    Widths, PlayCabinets,
    testing::Values(WidthCase{"Narrowest", 1536, {250, 705, 1160}},
                    WidthCase{"Widest", apptest::widestClientWidth, {298, 847, 1396}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayPage, ACaptureDrawsEveryCabinetStillWhateverItsHighlight) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::gameLoaded, NavSection::play);
    scene.frame(0.1);
    EXPECT_NEAR(app.cabinetHighlight(0), 0.7, 1e-5);
    const DrawCalls calls = scene.frame(0.1, true);
    // The stored highlight still eases; the capture draws with none, so no highlight line.
    EXPECT_NEAR(app.cabinetHighlight(0), 0.91, 1e-5);
    EXPECT_NEAR(app.cabinetHighlight(1), 0, 1e-6);
    const DrawCalls lines = apptest::callsOf(calls, DrawKind::line);
    const bool highlightLine = std::any_of(lines.begin(), lines.end(), [](const DrawCall& line) {
        return near(line.width, 2) && near(line.points[1], 831);
    });
    EXPECT_FALSE(highlightLine);
    // The loaded game's amber line is drawn all the same.
    const bool loadedLine = std::any_of(lines.begin(), lines.end(), [](const DrawCall& line) {
        return near(line.width, 3) && near(line.points[0], 270) && near(line.points[1], 831) &&
               apptest::sameColor(line.color, amber);
    });
    EXPECT_TRUE(loadedLine);
}

TEST(PlayPage, TheHighlightEasesTowardsItsTargetAndIsDrawn) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::gameLoaded, NavSection::play);
    scene.frame(1.0); // the step closes the whole gap at most
    EXPECT_EQ(app.cabinetHighlight(0), 1.0f);
    const DrawCalls lines = apptest::callsOf(scene.frame(0.016), DrawKind::line);
    const bool highlightLine = std::any_of(lines.begin(), lines.end(), [](const DrawCall& line) {
        return near(line.width, 2) && near(line.points[0], 270) &&
               apptest::sameColor(line.color, {0.88f, 0.1f, 0.11f, 0.8f});
    });
    EXPECT_TRUE(highlightLine);
}

// An App of the root's own with the launcher's motion on (the scene's start forces reduced
// motion, as a capture does).
class MovingPlay : public testing::Test {
protected:
    void SetUp() override {
        testsupport::writeBuildReceipt(fixture_.root(), "qx1", "executable of qx1");
        fixture_.device->client = {apptest::widestClientWidth, 1024};
        app_ = fixture_.makeApp();
        ASSERT_EQ(app_->section(), NavSection::play);
        ASSERT_FALSE(app_->appliedPreferences().ReducedMotion);
    }
    DrawCalls frame(bool capture = false) {
        app_->render(0.016, capture);
        return apptest::lastFrameCalls(*fixture_.device, *app_->renderer());
    }

    apptest::AppFixture fixture_;
    std::unique_ptr<lumenark::App> app_;
};

TEST_F(MovingPlay, TorchesFogEmbersAndTheOpeningFade) {
    const DrawCalls calls = frame();
    EXPECT_EQ(effectsOf(calls, ShaderMode::Fire), 2u);
    EXPECT_EQ(effectsOf(calls, ShaderMode::Fog), 1u);
    // The torches follow the width.
    const float w = apptest::widestDesignWidth;
    const bool torch = std::any_of(calls.begin(), calls.end(), [&](const DrawCall& call) {
        return call.kind == DrawKind::effect && call.mode == ShaderMode::Fire &&
               apptest::sameRect(call.rect, {w * 1097 / 1536, 250, 95, 140});
    });
    EXPECT_TRUE(torch);
    const auto fade = [](const DrawCalls& drawn) {
        return std::find_if(drawn.begin(), drawn.end(), [](const DrawCall& call) {
            return call.kind == DrawKind::fill && near(call.rect.y, 124) &&
                   near(call.rect.height, 848) && call.color.r == 0 && call.color.a > 0;
        });
    };
    ASSERT_NE(fade(calls), calls.end());
    EXPECT_NEAR(fade(calls)->color.a, 1, 1e-5);
    fixture_.clock->advanceMilliseconds(325);
    const DrawCalls half = frame();
    ASSERT_NE(fade(half), half.end());
    EXPECT_NEAR(fade(half)->color.a, 0.5, 1e-3);
    fixture_.clock->advanceMilliseconds(400);
    const DrawCalls after = frame();
    EXPECT_EQ(fade(after), after.end());
}

TEST_F(MovingPlay, ACaptureHasNoMotionWhateverThePreference) {
    fixture_.clock->advanceMilliseconds(1234);
    const DrawCalls calls = frame(true);
    EXPECT_EQ(effectsOf(calls, ShaderMode::Fire), 2u); // the preference keeps its torches
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::effect) {
            EXPECT_TRUE(call.mode == ShaderMode::Fire || call.time == 0)
                << static_cast<int>(call.mode);
        }
    }
    const bool fade = std::any_of(calls.begin(), calls.end(), [](const DrawCall& call) {
        return call.kind == DrawKind::fill && near(call.rect.y, 124) &&
               near(call.rect.height, 848) && call.color.r == 0;
    });
    EXPECT_FALSE(fade);
}

TEST(PlayPage, ReducedMotionDrawsNoTorchesFogOrEmbers) {
    PageScene scene;
    scene.start(PageState::gameLoaded, NavSection::play);
    const DrawCalls calls = scene.frame();
    EXPECT_EQ(effectsOf(calls, ShaderMode::Fire), 0u);
    EXPECT_EQ(effectsOf(calls, ShaderMode::Fog), 0u);
    const bool ember = std::any_of(calls.begin(), calls.end(), [](const DrawCall& call) {
        return call.kind == DrawKind::fill && near(call.rect.width, 1.5f);
    });
    EXPECT_FALSE(ember);
}

struct PlayLabelCase {
    PageState state;
    std::wstring label;
    bool primaryLit;
};

class PlayButton : public testing::TestWithParam<PlayLabelCase> {};

TEST_P(PlayButton, ReadsTheGameState) {
    PageScene scene;
    scene.start(GetParam().state, NavSection::play);
    const DrawCalls calls = scene.frame();
    const auto label = apptest::findText(calls, GetParam().label);
    ASSERT_TRUE(label);
    EXPECT_NEAR(label->size, 20, 0.01);
    EXPECT_TRUE(apptest::sameColor(label->color, GetParam().primaryLit
                                                     ? lumenark::UiPalette::text
                                                     : lumenark::UiPalette::muted));
    EXPECT_TRUE(apptest::findText(calls, L"Quarrix  /  "));
    EXPECT_TRUE(apptest::findText(calls, L"ORIGINAL ARCADE"));
}

INSTANTIATE_TEST_SUITE_P(States, PlayButton,
                         testing::Values(PlayLabelCase{PageState::gameLoaded, L"PLAY", true},
                                         PlayLabelCase{PageState::gameRunning, L"RUNNING", false},
                                         PlayLabelCase{PageState::closing, L"RUNNING", false}),
                         [](const auto& info) { return apptest::pageStateName(info.param.state); });

TEST(PlayPage, ClosingAfterTheGameEndedIsUnavailable) {
    PageScene scene;
    lumenark::App& app = scene.start(PageState::closing, NavSection::play);
    scene.endRunningGame();
    ASSERT_TRUE(app.closing());
    const DrawCalls calls = scene.frame();
    const auto label = apptest::findText(calls, L"UNAVAILABLE");
    ASSERT_TRUE(label);
    EXPECT_TRUE(apptest::sameColor(label->color, lumenark::UiPalette::muted));
    EXPECT_FALSE(apptest::regionOf(app, lumenark::playControlId).enabled);
    EXPECT_FALSE(apptest::regionOf(app, lumenark::settingsNavigationId).enabled);
    EXPECT_TRUE(apptest::regionOf(app, lumenark::cabinetControlId(0)).enabled);
}

TEST(PlayPage, TheEditionFollowsTheLoadedGameAfterItsTitle) {
    PageScene scene;
    scene.start(PageState::gameLoaded, NavSection::play);
    const DrawCalls calls = scene.frame();
    const auto title = apptest::findText(calls, L"Quarrix  /  ");
    ASSERT_TRUE(title);
    EXPECT_FLOAT_EQ(title->rect.x, 246);
    EXPECT_FLOAT_EQ(title->rect.y, 894);
    const auto edition = apptest::findText(calls, L"ORIGINAL ARCADE");
    ASSERT_TRUE(edition);
    EXPECT_NEAR(edition->rect.x, 254 + 12 * 9.3f, 0.01);
    EXPECT_FLOAT_EQ(edition->rect.y, 896);
    EXPECT_TRUE(apptest::sameColor(edition->color, amber));
}

TEST(PlayPage, WithoutALoadedGameTheHintOrTheStatusFillsThePanel) {
    PageScene scene;
    scene.start(PageState::noGameBuilt, NavSection::play);
    const DrawCalls hint = scene.frame();
    const auto sentence =
        apptest::findTextStartingWith(hint, L"Select a cabinet, then press PLAY.");
    ASSERT_TRUE(sentence);
    EXPECT_FLOAT_EQ(sentence->rect.y, 906);
    EXPECT_NEAR(sentence->size, 15, 0.01);
    EXPECT_FALSE(apptest::findText(hint, L"PLAY"));

    apptest::AppFixture fixture;
    const auto app = fixture.makeApp();
    app->selectGame(1);
    ASSERT_EQ(app->statusLine(), L"Game unavailable: build it on the Build page first.");
    app->render(0.016, false);
    const DrawCalls loaded = apptest::lastFrameCalls(*fixture.device, *app->renderer());
    const auto status =
        apptest::findText(loaded, L"Game unavailable: build it on the Build page first.");
    ASSERT_TRUE(status);
    EXPECT_FLOAT_EQ(status->rect.y, 922);
    EXPECT_TRUE(apptest::findText(loaded, L"UNAVAILABLE"));
    EXPECT_FALSE(apptest::findTextStartingWith(loaded, L"Select a cabinet"));
}

TEST(PlayPage, TheThirdCabinetsTagReadsItsOwnEditionWhateverGameIsLoaded) {
    for (const int edition : {1, 2}) {
        apptest::AppFixture fixture;
        testsupport::writeBuildReceipt(fixture.root(), "qx1", "executable of qx1");
        testsupport::writeBuildReceipt(fixture.root(), "qx3", "executable of qx3");
        const auto app = fixture.makeApp();
        app->selectGame(0);
        ASSERT_EQ(app->loadedGame(), 0);
        // The first game's own engine field says nothing of the third game's edition.
        BackendProbe::config(app->backend()).Engine = 3 - edition;
        BackendProbe::stageQx3Edition(app->backend(), edition);
        app->render(0.016, true);
        const DrawCalls calls = apptest::lastFrameCalls(*fixture.device, *app->renderer());
        const std::wstring wanted =
            edition == 2 ? L"NATIVE  /  REMASTERED" : L"NATIVE  /  ORIGINAL";
        const auto tag = apptest::findText(calls, wanted);
        ASSERT_TRUE(tag) << edition;
        EXPECT_FLOAT_EQ(tag->rect.y, 854);
    }
}

TEST(PlayPage, ABuiltGameNotYetInstalledIsPendingAndCannotPlay) {
    apptest::AppFixture fixture;
    testsupport::writeBuildReceipt(fixture.root(), "qx2", "executable of qx2");
    const auto app = fixture.makeApp();
    // The first poll finds no installed package.
    app->tick();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (app->pollPending() && std::chrono::steady_clock::now() < deadline) {
        fixture.clock->advanceMilliseconds(200);
        app->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(app->readyFlags()[1]);
    app->selectGame(1);
    app->render(0.016, true);
    const DrawCalls calls = apptest::lastFrameCalls(*fixture.device, *app->renderer());
    EXPECT_EQ(textsAt(calls, L"INSTALL PENDING").size(), 2u); // its screen and its tag
    EXPECT_EQ(textsAt(calls, L"SETUP PENDING").size(), 4u);
    EXPECT_TRUE(apptest::findText(calls, L"UNAVAILABLE"));
    EXPECT_FALSE(apptest::regionOf(*app, lumenark::playControlId).enabled);
}

// A frame reads no file: the cabinets take what they show from the build list that the tick
// keeps, so a receipt gone since the tick changes nothing until the next one.
TEST(PlayPage, AFrameReadsNoReceipt) {
    PageScene scene;
    scene.start(PageState::setupDone, NavSection::play);
    const auto folder =
        testsupport::writeBuildReceipt(scene.fixture.root(), "qx2", "executable of qx2");
    scene.fixture.clock->advanceMilliseconds(200);
    scene.app().tick();
    const std::uint64_t reads = AppProbe::receiptReads(scene.app());
    std::filesystem::remove(folder / "setup.json");
    scene.frame();
    const DrawCalls calls = scene.frame(0.016, true);
    EXPECT_EQ(AppProbe::receiptReads(scene.app()), reads);
    EXPECT_EQ(textsAt(calls, L"INSTALL PENDING").size(), 2u);
}

TEST(PlayPage, APendingGameShowsWhatTheLastTickFound) {
    PageScene scene;
    scene.start(PageState::noGameBuilt, NavSection::play);
    testsupport::writeBuildReceipt(scene.fixture.root(), "qx2", "executable of qx2");
    EXPECT_EQ(textsAt(scene.frame(), L"SETUP PENDING").size(), 6u);
    scene.fixture.clock->advanceMilliseconds(200);
    scene.app().tick();
    const DrawCalls calls = scene.frame();
    EXPECT_EQ(textsAt(calls, L"INSTALL PENDING").size(), 2u);
    EXPECT_EQ(textsAt(calls, L"SETUP PENDING").size(), 4u);
}

} // namespace
