// The Overview page: its rules (the strip's game and step, the cards' words, the tools' rows),
// its drawing call by call on a recording canvas at both ends of the design width, and the App's
// page over fixture roots with setup jobs, tools and receipts staged through the backend probe.
#include "app/pages/overview_page.h"

#include "app/app.h"
#include "app/control_ids.h"
#include "app/pages/page_layout.h"
#include "app/ui/palette.h"
#include "tests/app/app_fixture.h"
#include "tests/app/frame_calls.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/page_scene.h"
#include "tests/app/recording_canvas.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/package_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace lumenark {
namespace {

using apptest::colorIs;
using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::RecordingCanvas;
using apptest::sameColor;
using apptest::sameRect;
using qxlauncher::LatestBuild;
using qxlauncher::SetupJob;
using qxlauncher::ToolProbe;

constexpr float widestDesign = 1820.4445f;
constexpr ColorF currentRed{0.7f, 0.06f, 0.07f, 1};
constexpr ColorF pillFill{0.18f, 0.03f, 0.04f, 1};
constexpr ColorF chipLitFill{0.16f, 0.03f, 0.04f, 1};
const std::vector<std::wstring> allDigests{L"Size", L"CRC32", L"SHA-1", L"SHA-256"};

DrawCalls textsCalled(const DrawCalls& calls, const std::wstring& text) {
    DrawCalls found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found), [&](const DrawCall& call) {
        return call.kind == DrawKind::text && call.text == text;
    });
    return found;
}

// The first rounded rectangle over exactly this rectangle, filled (border 0) or outlined.
std::optional<DrawCall> findBox(const DrawCalls& calls, RectF rect, bool filled) {
    for (const DrawCall& call : apptest::roundedAt(calls, rect)) {
        if ((call.border == 0) == filled) {
            return call;
        }
    }
    return std::nullopt;
}

// A state of the three games and the tools, as the page reads it.
struct Scene {
    std::array<SetupJob, 3> jobs{};
    std::array<LatestBuild, 3> builds{};
    std::array<bool, 3> ready{};
    std::array<std::vector<std::wstring>, 3> digests{};
    ToolProbe tools;
    int stepsShown = 0;

    OverviewGame game(int g) const {
        const auto i = static_cast<std::size_t>(g);
        return {jobs[i], builds[i], ready[i], digests[i]};
    }
    OverviewView view() const { return {{game(0), game(1), game(2)}, tools, stepsShown}; }
};

// --- Which step, which word, which requirement line ---

struct StepCase {
    const char* name;
    std::function<void(SetupJob&, LatestBuild&)> stage;
    int step;
};

class CurrentStep : public testing::TestWithParam<StepCase> {};

TEST_P(CurrentStep, FollowsTheJobAndTheBuild) {
    Scene scene;
    GetParam().stage(scene.jobs[0], scene.builds[0]);
    EXPECT_EQ(currentStep(scene.game(0)), GetParam().step);
}

void running(SetupJob& job, const char* mode, const char* step) {
    job.running = true;
    job.mode = mode;
    job.step = step;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CurrentStep,
    testing::Values(
        StepCase{"Nothing", [](SetupJob&, LatestBuild&) {}, 0},
        StepCase{"AFolder", [](SetupJob& j, LatestBuild&) { j.romFolder = "D:/roms/qx1"; }, 1},
        StepCase{"Verified",
                 [](SetupJob& j, LatestBuild&) {
                     j.romFolder = "D:/roms/qx1";
                     j.verified = true;
                 },
                 2},
        StepCase{"BuildFound", [](SetupJob&, LatestBuild& b) { b.found = true; }, 5},
        StepCase{"OnlyAnOutdatedBuildWithAFolder",
                 [](SetupJob& j, LatestBuild& b) {
                     b.outdated = true;
                     j.romFolder = "D:/roms/qx1";
                 },
                 1},
        // A failed job outranks the build found: the strip falls back to the job's own state.
        StepCase{"FailedWithABuildAndVerified",
                 [](SetupJob& j, LatestBuild& b) {
                     b.found = true;
                     j.state = "failed";
                     j.verified = true;
                 },
                 2},
        StepCase{"FailedWithABuildAndAFolder",
                 [](SetupJob& j, LatestBuild& b) {
                     b.found = true;
                     j.state = "failed";
                     j.romFolder = "D:/roms/qx1";
                 },
                 1},
        StepCase{"FailedWithABuildAlone",
                 [](SetupJob& j, LatestBuild& b) {
                     b.found = true;
                     j.state = "failed";
                 },
                 0},
        StepCase{"SetupAtStage", [](SetupJob& j, LatestBuild&) { running(j, "setup", "stage"); },
                 1},
        StepCase{"SetupAtAnUnknownStep",
                 [](SetupJob& j, LatestBuild&) { running(j, "setup", "unpack"); }, 1},
        StepCase{"SetupAtGenerate",
                 [](SetupJob& j, LatestBuild&) { running(j, "setup", "generate"); }, 2},
        StepCase{"SetupAtAccept", [](SetupJob& j, LatestBuild&) { running(j, "setup", "accept"); },
                 3},
        StepCase{"SetupAtInstallOverABuild",
                 [](SetupJob& j, LatestBuild& b) {
                     running(j, "setup", "install");
                     b.found = true;
                 },
                 4},
        // A running verification is no step group of its own.
        StepCase{"VerifyingAfterAVerification",
                 [](SetupJob& j, LatestBuild&) {
                     running(j, "verify", "verify");
                     j.romFolder = "D:/roms/qx1";
                     j.verified = true;
                 },
                 2},
        StepCase{"VerifyingWithAFolderOnly",
                 [](SetupJob& j, LatestBuild&) {
                     running(j, "verify", "verify");
                     j.romFolder = "D:/roms/qx1";
                 },
                 1},
        StepCase{"VerifyingOverABuild",
                 [](SetupJob& j, LatestBuild& b) {
                     running(j, "verify", "verify");
                     b.found = true;
                 },
                 5},
        StepCase{"QueuedWithAFolder",
                 [](SetupJob& j, LatestBuild&) {
                     j.queued = true;
                     j.mode = "setup";
                     j.romFolder = "D:/roms/qx1";
                 },
                 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StripGame, IsTheFirstRunningGameElseTheStepsShownGame) {
    Scene scene;
    scene.stepsShown = 2;
    EXPECT_EQ(stripGame(scene.view()), 2);
    scene.jobs[2].running = true;
    scene.jobs[1].running = true;
    EXPECT_EQ(stripGame(scene.view()), 1);
    scene.jobs[1].running = false;
    scene.jobs[1].queued = true;
    scene.stepsShown = 0;
    EXPECT_EQ(stripGame(scene.view()), 2);
}

struct WordCase {
    const char* name;
    std::function<void(SetupJob&, LatestBuild&, bool&)> stage;
    std::wstring_view word;
};

class StateWord : public testing::TestWithParam<WordCase> {};

TEST_P(StateWord, TakesTheFirstRuleThatHolds) {
    Scene scene;
    GetParam().stage(scene.jobs[1], scene.builds[1], scene.ready[1]);
    EXPECT_EQ(gameStateWord(scene.game(1)), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StateWord,
    testing::Values(
        WordCase{"Nothing", [](SetupJob&, LatestBuild&, bool&) {}, L"Supported"},
        WordCase{"Verifying",
                 [](SetupJob& j, LatestBuild& b, bool& r) {
                     running(j, "verify", "verify");
                     b.found = r = true;
                 },
                 L"Verifying"},
        WordCase{"BuildingWhileAlsoQueued",
                 [](SetupJob& j, LatestBuild&, bool&) {
                     running(j, "setup", "compile");
                     j.queued = true;
                 },
                 L"Building"},
        WordCase{"QueuedAfterAFailure",
                 [](SetupJob& j, LatestBuild&, bool&) {
                     j.queued = true;
                     j.state = "failed";
                 },
                 L"Queued"},
        WordCase{"FailedOverAReadyBuild",
                 [](SetupJob& j, LatestBuild& b, bool& r) {
                     j.state = "failed";
                     b.found = r = true;
                 },
                 L"Failed"},
        WordCase{"Ready", [](SetupJob&, LatestBuild& b, bool& r) { b.found = r = true; }, L"Ready"},
        WordCase{"BuiltButNotYetReady", [](SetupJob&, LatestBuild& b, bool&) { b.found = true; },
                 L"Built"},
        WordCase{"OutdatedOverVerified",
                 [](SetupJob& j, LatestBuild& b, bool&) {
                     b.outdated = true;
                     j.verified = true;
                 },
                 L"Update"},
        WordCase{"Verified", [](SetupJob& j, LatestBuild&, bool&) { j.verified = true; },
                 L"Verified"},
        WordCase{"DoneWithoutABuild", [](SetupJob& j, LatestBuild&, bool&) { j.state = "done"; },
                 L"Supported"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ToolCase {
    const char* name;
    ToolProbe tools;
    RequirementKind compilerKind;
    std::wstring compilerLine;
    RequirementKind pythonKind;
    std::wstring pythonLine;
    float pythonY;
};

ToolProbe checkedTools(std::string python, bool supported, std::string compiler,
                       std::string validated) {
    ToolProbe tools;
    tools.checked = true;
    tools.python = std::move(python);
    tools.pythonSupported = supported;
    tools.compilerVersion = std::move(compiler);
    tools.compilerValidated = std::move(validated);
    return tools;
}

// Tools found, but the check has not completed: nothing of it counts yet.
ToolProbe uncheckedTools() {
    ToolProbe tools = checkedTools("C:/py/python.exe", true, "16.1.0", "16.1.0");
    tools.checked = false;
    return tools;
}

class ToolRows : public testing::TestWithParam<ToolCase> {};

TEST_P(ToolRows, SayWhatTheCheckFound) {
    const ToolCase& c = GetParam();
    const RequirementLine compiler = compilerRequirement(c.tools);
    EXPECT_EQ(compiler.kind, c.compilerKind);
    EXPECT_EQ(compiler.secondLine, c.compilerLine);
    const RequirementLine python = pythonRequirement(c.tools);
    EXPECT_EQ(python.kind, c.pythonKind);
    EXPECT_EQ(python.secondLine, c.pythonLine);
}

// The panel draws the rows with their badges, the Python row below the compiler's second line.
TEST_P(ToolRows, SitInTheRequirementsPanel) {
    const ToolCase& c = GetParam();
    RecordingCanvas canvas;
    drawRequirementsPanel(canvas, c.tools);
    const auto python = apptest::findText(canvas.calls, L"Python 3.12 or later");
    ASSERT_TRUE(python);
    EXPECT_FLOAT_EQ(python->rect.x, 1220);
    EXPECT_FLOAT_EQ(python->rect.y, c.pythonY);
    const auto pythonBadge = findBox(canvas.calls, {1198, c.pythonY + 5, 9, 9}, true);
    ASSERT_TRUE(pythonBadge);
    const ColorF badges[] = {UiPalette::muted, UiPalette::accent, UiPalette::warning};
    EXPECT_TRUE(colorIs(pythonBadge->color, badges[static_cast<int>(c.pythonKind)]));
    const auto compilerBadge = findBox(canvas.calls, {1198, 333, 9, 9}, true);
    ASSERT_TRUE(compilerBadge);
    EXPECT_TRUE(colorIs(compilerBadge->color, badges[static_cast<int>(c.compilerKind)]));
    if (!c.compilerLine.empty()) {
        const auto line = apptest::findText(canvas.calls, c.compilerLine);
        ASSERT_TRUE(line);
        EXPECT_FLOAT_EQ(line->rect.y, 348);
    }
    // Output and Receipt follow the Python row.
    EXPECT_FLOAT_EQ(apptest::findText(canvas.calls, L"Output")->rect.y, c.pythonY + 60);
    EXPECT_FLOAT_EQ(apptest::findText(canvas.calls, L"logs/setup-<game>.log")->rect.y,
                    c.pythonY + 246);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToolRows,
    testing::Values(ToolCase{"NotYetChecked", uncheckedTools(), RequirementKind::neutral,
                             L"checking...", RequirementKind::neutral, L"checking...", 374},
                    ToolCase{"AllFound", checkedTools("C:/py/python.exe", true, "16.1.0", "16.1.0"),
                             RequirementKind::met, L"", RequirementKind::met,
                             L"found C:/py/python.exe", 358},
                    ToolCase{"NothingFound", checkedTools("", true, "", "16.1.0"),
                             RequirementKind::warning, L"not found at C:/msys64/mingw64/bin",
                             RequirementKind::warning, L"not found on PATH", 374},
                    ToolCase{"AnotherCompilerAndAnOldPython",
                             checkedTools("C:/Python311/python.exe", false, "14.2.0", "16.1.0"),
                             RequirementKind::warning, L"found 14.2.0 (not the validated version)",
                             RequirementKind::warning, L"found C:/Python311/python.exe (too old)",
                             374},
                    ToolCase{"ACompilerWithoutAValidatedVersion",
                             checkedTools("C:/py/python.exe", true, "16.1.0", ""),
                             RequirementKind::warning, L"found 16.1.0 (not the validated version)",
                             RequirementKind::met, L"found C:/py/python.exe", 374}),
    [](const auto& info) { return std::string(info.param.name); });

// --- The strip and the heading ---

class StepStrip : public testing::TestWithParam<float> {};

TEST_P(StepStrip, HighlightsTheCurrentStepWithDoneStepsBeforeIt) {
    const float width = GetParam();
    Scene scene;
    scene.stepsShown = 2;
    running(scene.jobs[2], "setup", "accept"); // step 3
    RecordingCanvas canvas(width);
    drawStepStrip(canvas, scene.view());

    const float stepWidth = (width - 246) / 6;
    ASSERT_TRUE(findBox(canvas.calls, {226, 140, width - 246, 48}, true));
    const float left = 226 + 3 * stepWidth;
    const auto current = findBox(canvas.calls, {left + 3, 143, stepWidth - 14, 42}, true);
    ASSERT_TRUE(current);
    EXPECT_TRUE(colorIs(current->color, currentRed));
    const DrawCalls triangles = apptest::callsOf(canvas.calls, DrawKind::triangle);
    ASSERT_EQ(triangles.size(), 1u);
    EXPECT_FLOAT_EQ(triangles[0].points[2], left + stepWidth + 5);
    EXPECT_FLOAT_EQ(triangles[0].points[3], 164);
    // Chevrons behind every step but the current one and the last.
    EXPECT_EQ(apptest::callsOf(canvas.calls, DrawKind::line).size(), 8u);

    const ColorF circles[] = {UiPalette::accent, UiPalette::accent, UiPalette::accent,
                              UiPalette::text,   UiPalette::muted,  UiPalette::muted};
    const ColorF texts[] = {UiPalette::text, UiPalette::text,  UiPalette::text,
                            UiPalette::text, UiPalette::muted, UiPalette::muted};
    for (int j = 0; j < 6; ++j) {
        SCOPED_TRACE(j);
        const float r = 226 + static_cast<float>(j) * stepWidth;
        const auto circle = findBox(canvas.calls, {r + 14, 150, 28, 28}, false);
        ASSERT_TRUE(circle);
        EXPECT_EQ(circle->radius, 14);
        EXPECT_EQ(circle->border, 2);
        EXPECT_TRUE(colorIs(circle->color, circles[j]));
        const auto number = apptest::findText(canvas.calls, std::to_wstring(j + 1));
        ASSERT_TRUE(number);
        EXPECT_FLOAT_EQ(number->rect.x, r + 28 - 3.75f); // 7.5 wide at size 15
        EXPECT_FLOAT_EQ(number->rect.y, 156);
        EXPECT_TRUE(colorIs(number->color, texts[j]));
        const auto label = apptest::findText(
            canvas.calls, std::wstring(setupStepLabels[static_cast<std::size_t>(j)]));
        ASSERT_TRUE(label);
        EXPECT_FLOAT_EQ(label->rect.x, r + 50);
        EXPECT_FLOAT_EQ(label->rect.y, 155);
        EXPECT_TRUE(colorIs(label->color, texts[j]));
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, StepStrip, testing::Values(1536.0f, widestDesign),
                         [](const auto& info) {
                             return info.param == widestDesign ? "Widest" : "Narrowest";
                         });

TEST(StepStripEdge, TheReadyStepHasNoArrowAndTheFirstStepsGetTheirChevrons) {
    Scene scene;
    scene.builds[0].found = true;
    RecordingCanvas canvas;
    drawStepStrip(canvas, scene.view());
    EXPECT_TRUE(apptest::callsOf(canvas.calls, DrawKind::triangle).empty());
    EXPECT_EQ(apptest::callsOf(canvas.calls, DrawKind::line).size(), 10u);
    EXPECT_TRUE(colorIs(apptest::findText(canvas.calls, L"Ready")->color, UiPalette::text));
    EXPECT_TRUE(colorIs(apptest::findText(canvas.calls, L"Compile Game")->color, UiPalette::text));
}

TEST(StepStripEdge, LabelsTooWideForTheirStepEndWithDots) {
    Scene scene;
    RecordingCanvas canvas(1536, 1.0f); // 215 per step: 151 for a label, 9 characters at 16
    drawStepStrip(canvas, scene.view());
    EXPECT_TRUE(apptest::findText(canvas.calls, L"Select..."));
    EXPECT_TRUE(apptest::findText(canvas.calls, L"Ready"));
}

TEST(GamesHeading, NamesTheStripGameRightAlignedToTheCards) {
    for (const float width : {1536.0f, widestDesign}) {
        Scene scene;
        running(scene.jobs[2], "setup", "compile");
        RecordingCanvas canvas(width);
        drawGamesHeading(canvas, scene.view());
        const auto heading = apptest::findText(canvas.calls, L"Supported Games");
        ASSERT_TRUE(heading);
        EXPECT_FLOAT_EQ(heading->rect.x, 266);
        EXPECT_FLOAT_EQ(heading->rect.y, 206);
        EXPECT_EQ(heading->size, 26);
        const auto shown = apptest::findText(canvas.calls, L"Steps shown for: Quarrix 3");
        ASSERT_TRUE(shown);
        // 26 characters at 6.6 each end at the cards' right edge.
        EXPECT_FLOAT_EQ(shown->rect.x + 26 * 6.6f, width - 376);
        EXPECT_FLOAT_EQ(shown->rect.y, 218);
        EXPECT_TRUE(colorIs(shown->color, UiPalette::muted));
    }
}

// --- The cards ---

TEST(GameCard, TheCardsSitOnTheGridAtBothWidths) {
    struct Expected {
        float width;
        RectF cards[3];
    };
    const float half = (widestDesign - 616) / 2;
    const Expected cases[] = {
        {1536, {{226, 246, 460, 206}, {700, 246, 460, 206}, {226, 464, 934, 206}}},
        {widestDesign,
         {{226, 246, half, 206}, {240 + half, 246, half, 206}, {226, 464, 2 * half + 14, 206}}},
    };
    for (const Expected& expected : cases) {
        for (int g = 0; g < 3; ++g) {
            SCOPED_TRACE(g);
            RecordingCanvas canvas(expected.width);
            drawGameCard(canvas, Scene{}.view(), g);
            const RectF card = expected.cards[g];
            ASSERT_FALSE(canvas.calls.empty());
            EXPECT_TRUE(sameRect(canvas.calls[0].rect, card));
            EXPECT_EQ(canvas.calls[0].radius, 10);
            EXPECT_TRUE(colorIs(canvas.calls[0].color, UiPalette::panel));
            // The manifest box lies where the folder field (x + 218, width - 232) lies above it.
            EXPECT_TRUE(
                findBox(canvas.calls, {card.x + 218, card.y + 132, card.width - 232, 28}, true));
            const std::wstring title(qxlauncher::gameTable[static_cast<std::size_t>(g)].title);
            EXPECT_FLOAT_EQ(apptest::findText(canvas.calls, title)->rect.x, card.x + 104);
        }
    }
}

struct PillCase {
    const char* name;
    std::function<void(Scene&)> stage;
    std::wstring word;
    ColorF fill;
    ColorF edge;
    ColorF wordColor;
};

class StatePill : public testing::TestWithParam<PillCase> {};

TEST_P(StatePill, ColoursTheWord) {
    const PillCase& c = GetParam();
    Scene scene;
    c.stage(scene);
    RecordingCanvas canvas;
    drawGameCard(canvas, scene.view(), 0);
    const auto word = apptest::findText(canvas.calls, c.word);
    ASSERT_TRUE(word);
    // The word 6.7 a character at size 13 with tracking 0.2, 13 inside its pill.
    const float pillWidth = 6.7f * static_cast<float>(c.word.size()) + 26;
    const RectF pill{226 + 460 - 14 - pillWidth, 262, pillWidth, 28};
    EXPECT_FLOAT_EQ(word->rect.x, pill.x + 13);
    EXPECT_FLOAT_EQ(word->rect.y, 269);
    EXPECT_TRUE(colorIs(word->color, c.wordColor));
    const auto fill = findBox(canvas.calls, pill, true);
    ASSERT_TRUE(fill);
    EXPECT_TRUE(colorIs(fill->color, c.fill));
    const auto edge = findBox(canvas.calls, pill, false);
    ASSERT_TRUE(edge);
    EXPECT_FLOAT_EQ(edge->border, 1.2f);
    EXPECT_TRUE(colorIs(edge->color, c.edge));
}

INSTANTIATE_TEST_SUITE_P(
    Words, StatePill,
    testing::Values(PillCase{"Supported", [](Scene&) {}, L"Supported", pillFill, UiPalette::accent,
                             UiPalette::text},
                    PillCase{"Ready",
                             [](Scene& s) {
                                 s.builds[0].found = true;
                                 s.ready[0] = true;
                             },
                             L"Ready", currentRed, UiPalette::accent, UiPalette::text},
                    PillCase{"Failed",
                             [](Scene& s) {
                                 s.builds[0].found = true;
                                 s.ready[0] = true;
                                 s.jobs[0].state = "failed";
                             },
                             L"Failed", pillFill, UiPalette::warning, UiPalette::warning}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GameCard, ShowsTheGameTableAndItsCaptions) {
    RecordingCanvas canvas;
    drawGameCard(canvas, Scene{}.view(), 1);
    const struct {
        std::wstring text;
        float x, y, size;
        ColorF color;
    } expected[] = {
        {L"Quarrix II", 804, 262, 22, UiPalette::text},
        {L"Revision:", 804, 296, 14, UiPalette::muted},
        {L"L3.1", 886, 296, 14, UiPalette::text},
        {L"Board:", 804, 318, 14, UiPalette::muted},
        {L"Q-Unit", 886, 318, 14, UiPalette::text},
        {L"ROM Folder:", 834, 350, 13, UiPalette::muted},
        {L"Manifest:", 834, 384, 13, UiPalette::muted},
        {L"tools/qx2/roms-l31.json", 928, 385, 13, UiPalette::text},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(testing::PrintToString(e.text));
        const auto text = apptest::findText(canvas.calls, e.text);
        ASSERT_TRUE(text);
        EXPECT_FLOAT_EQ(text->rect.x, e.x);
        EXPECT_FLOAT_EQ(text->rect.y, e.y);
        EXPECT_EQ(text->size, e.size);
        EXPECT_TRUE(colorIs(text->color, e.color));
    }
    // The cabinet in its slot at full intensity, the divider beside it.
    const DrawCalls fills = apptest::callsOf(canvas.calls, DrawKind::fill);
    EXPECT_TRUE(std::any_of(fills.begin(), fills.end(), [](const DrawCall& call) {
        return sameRect(call.rect, {700 + 14 + 7, 262 + 6.96f, 56, 163.56f}); // its body
    }));
    DrawCall divider;
    divider.kind = DrawKind::line;
    divider.points = {792, 260, 792, 438, 0, 0};
    divider.width = 1;
    divider.color = UiPalette::border;
    EXPECT_TRUE(std::any_of(canvas.calls.begin(), canvas.calls.end(), [&](const DrawCall& call) {
        return apptest::sameCall(call, divider);
    }));
}

TEST(GameCard, ATitleOrManifestTooWideEndsWithDots) {
    // A font twice the fixture's width: the second card's title and manifest no longer fit,
    // the third card's manifest still does.
    RecordingCanvas canvas(1536, 1.0f);
    const Scene scene;
    drawGameCard(canvas, scene.view(), 1);
    drawGameCard(canvas, scene.view(), 2);
    EXPECT_TRUE(apptest::findText(canvas.calls, L"Quarr..."));
    EXPECT_TRUE(apptest::findText(canvas.calls, L"tools/qx2/rom..."));
    EXPECT_TRUE(apptest::findText(canvas.calls, L"Quarrix 3"));
    EXPECT_TRUE(apptest::findText(canvas.calls, L"tools/qx3/roms-21.json"));
}

TEST(GameCard, TheWideThirdCardHoldsMoreChipsBeforeItsBuildButton) {
    Scene scene;
    scene.digests = {allDigests, allDigests, allDigests};
    RecordingCanvas canvas(1536, 1.0f); // chips 64.4, 76.5, 76.5 and 100.7 wide
    drawGameCard(canvas, scene.view(), 0);
    EXPECT_TRUE(apptest::findText(canvas.calls, L"SHA-1"));
    EXPECT_FALSE(apptest::findText(canvas.calls, L"SHA-256")); // would end at 663 > 564
    canvas.calls.clear();
    drawGameCard(canvas, scene.view(), 2);
    const auto last = apptest::findText(canvas.calls, L"SHA-256");
    ASSERT_TRUE(last);
    EXPECT_FLOAT_EQ(last->rect.x, 562.4f + 8);
    EXPECT_FLOAT_EQ(last->rect.y, 634);
}

TEST(GameCard, ChipsLightUpOnceVerifiedOrBuilt) {
    for (const bool lit : {false, true}) {
        Scene scene;
        scene.digests[0] = allDigests;
        scene.jobs[0].verified = lit;
        RecordingCanvas canvas;
        drawGameCard(canvas, scene.view(), 0);
        // "Size" at 12 with tracking 0.1: 24.4 wide, a chip of 40.4 from x + 104.
        const auto chip = findBox(canvas.calls, {330, 408, 40.4f, 28}, true);
        ASSERT_TRUE(chip);
        EXPECT_EQ(chip->radius, 14);
        EXPECT_TRUE(colorIs(chip->color, lit ? chipLitFill : UiPalette::inset));
        const auto edge = findBox(canvas.calls, {330, 408, 40.4f, 28}, false);
        ASSERT_TRUE(edge);
        EXPECT_TRUE(colorIs(edge->color, lit ? UiPalette::accent : UiPalette::border));
        const auto label = apptest::findText(canvas.calls, L"Size");
        ASSERT_TRUE(label);
        EXPECT_FLOAT_EQ(label->rect.x, 338);
        EXPECT_FLOAT_EQ(label->rect.y, 416);
        EXPECT_TRUE(colorIs(label->color, lit ? UiPalette::text : UiPalette::muted));
        // The next chip 5 further on.
        EXPECT_FLOAT_EQ(apptest::findText(canvas.calls, L"CRC32")->rect.x, 375.4f + 8);
    }
}

// --- The bottom panels ---

TEST(BottomPanels, ModesWrapInTheirColumnsAndTheTestCommandSitsInItsBox) {
    for (const float width : {1536.0f, widestDesign}) {
        SCOPED_TRACE(width);
        RecordingCanvas canvas(width);
        drawModesAndAudioPanels(canvas);
        const float panel = (width - 262) / 2;
        const float audio = 242 + panel;
        EXPECT_TRUE(findBox(canvas.calls, {226, 684, panel, 236}, true));
        EXPECT_TRUE(findBox(canvas.calls, {audio, 684, panel, 236}, true));

        const float column = (panel - 60) / 2;
        const float columns[] = {250, 250 + column + 20};
        const std::wstring names[] = {L"Arcade Original", L"Remastered"};
        for (int i = 0; i < 2; ++i) {
            const auto name = apptest::findText(canvas.calls, names[i]);
            ASSERT_TRUE(name);
            EXPECT_FLOAT_EQ(name->rect.x, columns[i] + 16);
            EXPECT_FLOAT_EQ(name->rect.y, 752);
        }
        // Every muted line of size 14 belongs to a column, one under the other 21 apart.
        std::wstring joined[2];
        float nextY[2] = {786, 786};
        for (const DrawCall& call : apptest::callsOf(canvas.calls, DrawKind::text)) {
            if (call.size != 14 || !sameColor(call.color, UiPalette::muted)) {
                continue;
            }
            const int i = call.rect.x > columns[1] ? 1 : 0;
            EXPECT_FLOAT_EQ(call.rect.x, columns[i] + 16);
            EXPECT_FLOAT_EQ(call.rect.y, nextY[i]);
            EXPECT_LE(canvas.measureText(call.text, 14, 0), column - 20);
            nextY[i] += 21;
            joined[i] += (joined[i].empty() ? L"" : L" ") + call.text;
        }
        EXPECT_EQ(joined[0], L"The board's audio and image exactly as the arcade produces them. "
                             L"Video filters stay optional.");
        EXPECT_EQ(joined[1], L"Scaling, CRT presets, ScaleFX, CAS, SMAA, bilateral filter, a CRT "
                             L"TV frame drawn in code and your own music (Q-Unit games).");
        EXPECT_GT(nextY[1], 786 + 21);

        const auto box = findBox(canvas.calls, {audio + 136, 830, 330, 30}, true);
        ASSERT_TRUE(box);
        EXPECT_TRUE(colorIs(box->color, UiPalette::inset));
        const auto command = apptest::findText(canvas.calls, L"python tools/quality/run.py fast");
        ASSERT_TRUE(command);
        EXPECT_FLOAT_EQ(command->rect.x, audio + 146);
        EXPECT_FLOAT_EQ(command->rect.y, 837);
        float y = 746;
        for (const wchar_t* note : {L"Your music: custom_audio/<game>/music-NN.wav",
                                    L"WAV PCM 16-bit, 48000 Hz, mono or stereo",
                                    L"Optional slots.json: cuts, loops and gain", L"Run tests:"}) {
            const auto text = apptest::findText(canvas.calls, note);
            ASSERT_TRUE(text) << testing::PrintToString(std::wstring(note));
            EXPECT_FLOAT_EQ(text->rect.x, audio + 46);
            EXPECT_FLOAT_EQ(text->rect.y, y);
            const auto dot = findBox(canvas.calls, {audio + 26, y + 6, 8, 8}, true);
            ASSERT_TRUE(dot);
            EXPECT_TRUE(colorIs(dot->color, UiPalette::accent));
            y += 30;
        }
    }
}

// --- The App's page over a fixture root ---

class OverviewPage : public testing::Test {
protected:
    OverviewPage() { testsupport::writeFakeManifests(fixture_.root()); }

    App& start() {
        app_ = fixture_.makeApp();
        return *app_;
    }
    qxlauncher::Backend& backend() { return app_->backend(); }
    SetupJob& job(int game) { return qxlauncher::BackendProbe::setupJob(backend(), game); }

    // The page alone, as the App draws it through its renderer.
    DrawCalls drawPage() {
        app_->renderer()->beginFrame();
        app_->drawOverviewPage();
        app_->renderer()->endFrame(0);
        return apptest::lastFrameCalls(*fixture_.device, *app_->renderer());
    }

    // The receipt of a game; an outdated one carries an older setup version.
    void writeReceipt(const std::string& id, bool current = true) {
        testsupport::writeBuildReceipt(fixture_.root(), id, "exe of " + id, current ? "14" : "13");
    }

    apptest::AppFixture fixture_;
    std::unique_ptr<App> app_;
};

// The pill word of each card, in game order.
std::vector<std::wstring> cardWords(const DrawCalls& calls) {
    std::vector<std::wstring> words(3);
    for (int g = 0; g < 3; ++g) {
        const RectF card = overviewCardRect(1536, g);
        for (const DrawCall& call : apptest::callsOf(calls, DrawKind::text)) {
            if (call.size == 13 && std::abs(call.rect.y - (card.y + 23)) < 0.01f &&
                call.rect.x > card.x + card.width / 2 && call.rect.x < card.x + card.width) {
                words[static_cast<std::size_t>(g)] = call.text;
            }
        }
    }
    return words;
}

TEST_F(OverviewPage, AFirstStartShowsTheFirstStepSupportedGamesAndToolsBeingChecked) {
    start();
    const DrawCalls calls = drawPage();

    const auto first = findBox(calls, {229, 143, 201, 42}, true);
    ASSERT_TRUE(first);
    EXPECT_TRUE(colorIs(first->color, currentRed));
    EXPECT_TRUE(colorIs(apptest::findText(calls, L"Select ROM Folder")->color, UiPalette::text));
    EXPECT_TRUE(apptest::findText(calls, L"Steps shown for: Quarrix"));
    EXPECT_EQ(cardWords(calls),
              (std::vector<std::wstring>{L"Supported", L"Supported", L"Supported"}));
    EXPECT_EQ(textsCalled(calls, L"checking...").size(), 2u);
    EXPECT_FLOAT_EQ(apptest::findText(calls, L"Python 3.12 or later")->rect.y, 374);
    // Every manifest gives all four digests; no card is verified, so its chips stay muted.
    for (const std::wstring& digest : allDigests) {
        const DrawCalls chips = textsCalled(calls, digest);
        ASSERT_EQ(chips.size(), 3u);
        EXPECT_TRUE(colorIs(chips[0].color, UiPalette::muted));
    }
    EXPECT_TRUE(apptest::findText(calls, L"Launcher Modes"));
    EXPECT_TRUE(apptest::findText(calls, L"Custom Audio & Tests"));
    // The page draws and registers nothing of its own controls.
    EXPECT_TRUE(app_->hitRegions().empty());
}

TEST_F(OverviewPage, TheFrameDrawsItOnTheOverviewSection) {
    start();
    ASSERT_EQ(app_->section(), NavSection::overview);
    app_->render(0, true);
    const DrawCalls calls = apptest::lastFrameCalls(*fixture_.device, *app_->renderer());
    EXPECT_TRUE(apptest::findText(calls, L"Supported Games"));
    EXPECT_TRUE(apptest::findText(calls, L"Requirements"));
}

TEST_F(OverviewPage, ARunningSetupMovesTheStripToItsGameAndStep) {
    start();
    job(0).romFolder = "D:/roms/qx1";
    job(0).verified = true;
    job(1).romFolder = "D:/roms/qx2";
    job(1).running = true;
    job(1).mode = "setup";
    job(1).step = "compile";
    const DrawCalls calls = drawPage();
    EXPECT_TRUE(apptest::findText(calls, L"Steps shown for: Quarrix II"));
    const auto step = findBox(calls, {226 + 4 * 215 + 3, 143, 201, 42}, true);
    ASSERT_TRUE(step);
    EXPECT_TRUE(colorIs(step->color, currentRed));
    EXPECT_EQ(cardWords(calls),
              (std::vector<std::wstring>{L"Verified", L"Building", L"Supported"}));
    // The verified game's chips light up.
    EXPECT_TRUE(colorIs(textsCalled(calls, L"SHA-1")[0].color, UiPalette::text));
    EXPECT_TRUE(colorIs(textsCalled(calls, L"SHA-1")[1].color, UiPalette::muted));
}

TEST_F(OverviewPage, ReceiptsQueueAndFailuresGiveEachCardItsWord) {
    writeReceipt("qx1");        // valid before the start: counts as ready
    writeReceipt("qx3", false); // only an outdated build
    start();
    writeReceipt("qx2"); // found after the start: built, not yet polled
    app_->refreshBuilds();
    DrawCalls calls = drawPage();
    EXPECT_EQ(cardWords(calls), (std::vector<std::wstring>{L"Ready", L"Built", L"Update"}));
    // The steps-shown game is built: the strip stands at Ready.
    EXPECT_TRUE(findBox(calls, {226 + 5 * 215 + 3, 143, 201, 42}, true));

    job(0).state = "failed";
    job(0).verified = true;
    job(2).queued = true;
    calls = drawPage();
    EXPECT_EQ(cardWords(calls), (std::vector<std::wstring>{L"Failed", L"Built", L"Queued"}));
    const auto failed = textsCalled(calls, L"Failed");
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_TRUE(colorIs(failed[0].color, UiPalette::warning));
    // A failure outranks the build in the strip too: back to the verified step.
    EXPECT_TRUE(findBox(calls, {226 + 2 * 215 + 3, 143, 201, 42}, true));
}

TEST_F(OverviewPage, TheToolsFoundFillTheRequirementRows) {
    start();
    ToolProbe& tools = qxlauncher::BackendProbe::tools(backend());
    tools = checkedTools("C:/Python312/python.exe", true, "16.1.0", "16.1.0");
    DrawCalls calls = drawPage();
    EXPECT_TRUE(apptest::findText(calls, L"found C:/Python312/python.exe"));
    EXPECT_FLOAT_EQ(apptest::findText(calls, L"Python 3.12 or later")->rect.y, 358);
    EXPECT_TRUE(textsCalled(calls, L"checking...").empty());

    tools.compilerVersion = "15.2.0";
    calls = drawPage();
    const auto other = apptest::findText(calls, L"found 15.2.0 (not the validated version)");
    ASSERT_TRUE(other);
    EXPECT_TRUE(colorIs(other->color, UiPalette::warning));
    EXPECT_FLOAT_EQ(apptest::findText(calls, L"Python 3.12 or later")->rect.y, 374);
}

TEST_F(OverviewPage, FollowsTheWidestDesign) {
    fixture_.device->client = {1821, 1024};
    start();
    const DrawCalls calls = drawPage();
    const RectF card = overviewCardRect(widestDesign, 2);
    EXPECT_TRUE(findBox(calls, card, true));
    EXPECT_TRUE(findBox(calls, {widestDesign - 360, 206, 340, 464}, true));
    const auto shown = apptest::findText(calls, L"Steps shown for: Quarrix");
    ASSERT_TRUE(shown);
    EXPECT_NEAR(shown->rect.x + 24 * 6.6f, widestDesign - 376, 0.05f);
}

// --- The page in the frame, with its controls ---

using FrameCase = std::tuple<apptest::PageState, int>;

class OverviewFrame : public testing::TestWithParam<FrameCase> {};

// The frame's folder fields and Build buttons lie on the cards the page draws: the field right
// of the "ROM Folder:" caption and 14 short of the card's edge, the button right of the chips.
TEST_P(OverviewFrame, TheControlsSitOnTheCardsDrawn) {
    const auto [state, clientWidth] = GetParam();
    apptest::PageScene scene(clientWidth);
    testsupport::writeFakeManifests(scene.fixture.root()); // four digests: chips on every card
    App& app = scene.start(state, NavSection::overview);
    const DrawCalls calls = scene.frame(0, true);
    const float width = app.designWidth();
    for (int g = 0; g < 3; ++g) {
        SCOPED_TRACE(g);
        const RectF card = overviewCardRect(width, g);
        ASSERT_TRUE(findBox(calls, card, true));
        const HitRegion field = apptest::regionOf(app, folderFieldControlId(g));
        EXPECT_TRUE(sameRect({field.x, field.y, field.width, field.height},
                             {card.x + 218, card.y + 98, card.width - 232, 28}));
        EXPECT_GE(field.x, card.x + 134 + 11 * 6.5f); // after "ROM Folder:" at size 13
        const HitRegion build = apptest::regionOf(app, buildControlId(g));
        EXPECT_TRUE(sameRect({build.x, build.y, build.width, build.height},
                             {card.x + card.width - 118, card.y + 160, 104, 34}));
        float chipsEnd = 0;
        for (const DrawCall& call : apptest::callsOf(calls, DrawKind::roundedRect)) {
            if (call.radius == 14 && std::abs(call.rect.y - (card.y + 162)) < 0.01f &&
                call.rect.x >= card.x && call.rect.x < card.x + card.width) {
                chipsEnd = std::max(chipsEnd, call.rect.x + call.rect.width);
            }
        }
        EXPECT_GT(chipsEnd, card.x + 104);
        EXPECT_LE(chipsEnd + 4, build.x);
    }
}

INSTANTIATE_TEST_SUITE_P(States, OverviewFrame,
                         testing::Combine(testing::Values(apptest::PageState::noGameBuilt,
                                                          apptest::PageState::setupRunning,
                                                          apptest::PageState::setupFailed),
                                          testing::Values(1536, apptest::widestClientWidth)),
                         [](const auto& info) {
                             return apptest::pageStateName(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) == 1536 ? "At1536" : "AtTheWidest");
                         });

// With no job running, no folder and no build: the strip at its first step, every card
// "Supported", every Build button disabled.
TEST(OverviewFrameStart, NothingChosenLeavesTheBuildButtonsDisabled) {
    apptest::PageScene scene;
    App& app = scene.start(apptest::PageState::noGameBuilt, NavSection::overview);
    const DrawCalls calls = scene.frame(0, true);
    EXPECT_TRUE(findBox(calls, {229, 143, 201, 42}, true));
    EXPECT_EQ(cardWords(calls),
              (std::vector<std::wstring>{L"Supported", L"Supported", L"Supported"}));
    for (int g = 0; g < 3; ++g) {
        const HitRegion build = apptest::regionOf(app, buildControlId(g));
        EXPECT_FALSE(build.enabled);
        EXPECT_TRUE(apptest::regionOf(app, folderFieldControlId(g)).enabled);
    }
    EXPECT_EQ(textsCalled(calls, L"Build").size(), 4u); // three disabled buttons and the sidebar
}

} // namespace
} // namespace lumenark
