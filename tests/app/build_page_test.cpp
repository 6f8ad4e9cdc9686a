// The Build page over an App on a fixture root: each game's state word, detail line, bar and
// lit steps for the setup states the backend holds, the tool line, and the row's drawing (pill,
// bar, block, step chain, a failure's second line) on a recording canvas and through the
// renderer.
#include "app/pages/build_page.h"

#include "app/control_ids.h"
#include "app/pages/page_layout.h"
#include "app/ui/palette.h"
#include "backend/launch/command_line.h"
#include "platform/text.h"
#include "tests/app/frame_calls.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/recording_canvas.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/test_digest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::colorIs;
using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::findText;
using apptest::RecordingCanvas;
using apptest::roundedAt;
using apptest::sameRect;
using qxlauncher::BackendProbe;
using qxlauncher::SetupJob;

constexpr float widestDesign = 1820.4445f;
constexpr float trackWidth1536 = 1536 - 246 - 240;

void writeReceipt(const std::filesystem::path& root, const std::string& id, bool current) {
    testsupport::writeBuildReceipt(root, id, "executable of " + id, current ? "14" : "13");
}

// The fills (border 0) drawn inside the bar's track of a row.
DrawCalls barFills(const DrawCalls& calls, float rowTop) {
    DrawCalls found;
    for (const DrawCall& call : apptest::callsOf(calls, DrawKind::roundedRect)) {
        if (call.border == 0 && call.rect.y == rowTop + 92 && call.rect.height == 14 &&
            !apptest::sameColor(call.color, UiPalette::inset)) {
            found.push_back(call);
        }
    }
    return found;
}

// --- What a row shows, per setup state ---

enum class Receipt { none, atStart, afterStart, outdated };

struct RowCase {
    const char* name;
    void (*stage)(SetupJob&);
    Receipt receipt;
    const wchar_t* word;
    const wchar_t* detail; // "{sha}" stands for the receipt's first 16 digits
    ColorF colour;
    float progress;
    bool indeterminate;
    int lit;
    const wchar_t* failureText;
};

void noStage(SetupJob&) {}

const RowCase rowCases[] = {
    {"NothingChosen", noStage, Receipt::none, L"Supported",
     L"Choose the ROM folder on the ROM Setup page first.", UiPalette::muted, 0, false, 0, L""},
    {"FolderChosen", [](SetupJob& job) { job.romFolder = "/roms/qx"; }, Receipt::none, L"Supported",
     L"Not built yet.", UiPalette::muted, 0, false, 0, L""},
    {"Verified",
     [](SetupJob& job) {
         job.romFolder = "/roms/qx";
         job.verified = true;
     },
     Receipt::none, L"Verified", L"Not built yet.", UiPalette::muted, 0, false, 0, L""},
    {"Queued",
     [](SetupJob& job) {
         job.queued = true;
         job.mode = "setup";
         job.state = "queued";
     },
     Receipt::none, L"Queued", L"Queued: starts after the current game.", UiPalette::muted, 0,
     false, 0, L""},
    {"QueuedWithABuild",
     [](SetupJob& job) {
         job.queued = true;
         job.state = "queued";
     },
     Receipt::atStart, L"Queued", L"Queued: starts after the current game.", UiPalette::muted, 0,
     false, 5, L""},
    {"RunningFirstGroupAtItsMinimum",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
         job.step = "verify";
     },
     Receipt::none, L"Building", L"Step: Verify Files (verify)  /  elapsed 0:00", UiPalette::text,
     0.03f, false, 1, L""},
    {"RunningGenerate",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
         job.step = "generate";
         job.elapsedSeconds = 61.4;
     },
     Receipt::none, L"Building", L"Step: Generate C++ (generate)  /  elapsed 1:01", UiPalette::text,
     0.25f, false, 2, L""},
    {"RunningAcceptWithALastRun",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
         job.step = "accept";
         job.elapsedSeconds = 3;
         job.buildSeconds = 125;
     },
     Receipt::none, L"Building",
     L"Step: Validate Digests (accept)  /  elapsed 0:03  /  last run 2:05", UiPalette::text, 0.5f,
     false, 3, L""},
    {"CompileWithoutUnits",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
         job.step = "compile";
         job.elapsedSeconds = 75;
     },
     Receipt::none, L"Building", L"Step: Compile Game (compile)  /  elapsed 1:15", UiPalette::text,
     0.75f, false, 4, L""},
    {"CompileThreeOfFourUnits",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
         job.step = "compile";
         job.unitsDone = 3;
         job.unitsTotal = 4;
         job.elapsedSeconds = 5;
     },
     Receipt::none, L"Building", L"Step: Compile Game (compile)  /  units 3 of 4  /  elapsed 0:05",
     UiPalette::text, 0.9f, false, 4, L""},
    {"RunningVerification",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "verify";
         job.step = "verify";
         job.elapsedSeconds = 12;
     },
     Receipt::none, L"Verifying", L"Checking the ROM files...  /  elapsed 0:12", UiPalette::text, 0,
     true, 0, L""},
    {"FailedAtInstall",
     [](SetupJob& job) {
         job.state = "failed";
         job.step = "install";
         job.code = "install-failed";
         job.message = "The game could not be installed.";
         job.hint = "Close programs that use the build folder and build again.";
     },
     Receipt::none, L"Failed", L"Failed at Compile Game: The game could not be installed.",
     UiPalette::warning, 0.75f, false, 0,
     L"Close programs that use the build folder and build again."},
    {"FailedWithoutACodeUsesTheFallbackTexts",
     [](SetupJob& job) {
         job.state = "failed";
         job.step = "generate";
         job.message = "raw {message}";
     },
     Receipt::none, L"Failed", L"Failed at Generate C++: Something went wrong at this step.",
     UiPalette::warning, 0.25f, false, 0,
     L"Open the log for details, or use Copy report and send it to the project."},
    {"FailedBeforeABuildThatWasFound",
     [](SetupJob& job) {
         job.state = "failed";
         job.step = "verify";
         job.code = "roms";
         job.message = "A ROM file is missing.";
         job.hint = "Choose the folder again.";
     },
     Receipt::atStart, L"Failed", L"Failed at Verify Files: A ROM file is missing.",
     UiPalette::warning, 0, false, 0, L"Choose the folder again."},
    {"Cancelled", [](SetupJob& job) { job.state = "cancelled"; }, Receipt::none, L"Supported",
     L"Cancelled. Build again to restart from the first step.", UiPalette::muted, 0, false, 0, L""},
    {"BuiltAndReady", [](SetupJob& job) { job.state = "done"; }, Receipt::atStart, L"Ready",
     L"Ready to play  /  executable SHA-256 {sha}...  /  setup time 0:16", UiPalette::muted, 1,
     false, 5, L""},
    {"BuiltWithoutItsPackage", noStage, Receipt::afterStart, L"Built",
     L"Built; the launcher package for this build is not installed  /  executable SHA-256 "
     L"{sha}...  /  setup time 0:16",
     UiPalette::muted, 1, false, 5, L""},
    {"OnlyAnOutdatedBuild", noStage, Receipt::outdated, L"Update",
     L"Built by an older version of Lumenark Recomp: build it again to update this game.",
     UiPalette::muted, 0, false, 0, L""},
};

class BuildRowState : public testing::TestWithParam<RowCase> {};

TEST_P(BuildRowState, ShowsTheWordDetailBarAndSteps) {
    const RowCase& c = GetParam();
    AppFixture fixture;
    constexpr int game = 1;
    if (c.receipt == Receipt::atStart || c.receipt == Receipt::outdated) {
        writeReceipt(fixture.root(), "qx2", c.receipt == Receipt::atStart);
    }
    const auto app = fixture.makeApp();
    if (c.receipt == Receipt::afterStart) {
        // Found by the 200-ms refresh, but no poll has marked the game ready.
        writeReceipt(fixture.root(), "qx2", true);
        app->refreshBuilds();
    }
    c.stage(BackendProbe::setupJob(app->backend(), game));

    const BuildRow row = buildRow(*app, game);
    std::wstring detail = c.detail;
    if (const auto at = detail.find(L"{sha}"); at != std::wstring::npos) {
        const std::string& sha = app->builds()[game].sha256;
        ASSERT_EQ(sha.size(), 64u);
        detail.replace(at, 5, std::wstring(sha.begin(), sha.begin() + 16));
    }
    EXPECT_EQ(row.title, L"Quarrix II");
    EXPECT_EQ(row.stateWord, c.word);
    EXPECT_EQ(row.detail, detail);
    EXPECT_TRUE(colorIs(row.detailColour, c.colour));
    EXPECT_NEAR(row.progress, c.progress, 1e-6);
    EXPECT_EQ(row.indeterminate, c.indeterminate);
    EXPECT_EQ(row.litSteps, c.lit);
    EXPECT_EQ(row.failureText, c.failureText);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildRowState, testing::ValuesIn(rowCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildRowState, AGameBuiltWithoutItsPackageTurnsReadyOnlyWhenThePollSaysSo) {
    AppFixture fixture;
    writeReceipt(fixture.root(), "qx1", true);
    fixture.pollGames = [](const qxlauncher::StartupContext&) {
        return GameFlags{false, false, false};
    };
    const auto app = fixture.makeApp();
    EXPECT_EQ(buildRow(*app, 0).stateWord, L"Ready");
    app->tick();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (app->pollPending() && std::chrono::steady_clock::now() < deadline) {
        fixture.clock->advanceMilliseconds(200);
        app->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_FALSE(app->pollPending());
    const BuildRow row = buildRow(*app, 0);
    EXPECT_EQ(row.stateWord, L"Built");
    EXPECT_TRUE(row.detail.starts_with(
        L"Built; the launcher package for this build is not installed  /  "));
}

TEST(BuildRowState, AMessageTooLongToShowReadsTheFallbackSentence) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 2);
    job.state = "failed";
    job.step = "seed";
    job.code = "seed";
    job.message = std::string(201, 'm');
    job.hint = std::string(200, 'h');
    const BuildRow row = buildRow(*app, 2);
    EXPECT_EQ(row.detail, L"Failed at Compile Game: Something went wrong at this step.");
    EXPECT_EQ(row.failureText, std::wstring(200, L'h'));
}

// --- The tool line ---

struct ToolCase {
    const char* name;
    qxlauncher::ToolProbe tools;
    const wchar_t* text;
    bool warning;
};

qxlauncher::ToolProbe checkedTools(const char* python, const char* version, const char* validated) {
    qxlauncher::ToolProbe tools;
    tools.checked = true;
    tools.ok = true;
    tools.windows64Bit = true;
    tools.pythonSupported = true;
    tools.python = python;
    tools.compilerVersion = version;
    tools.compilerValidated = validated;
    return tools;
}

const ToolCase toolCases[] = {
    {"NotCheckedYet", qxlauncher::ToolProbe{}, L"Checking Python and the compiler...", false},
    {"ValidatedCompiler", checkedTools("C:/Python312/python.exe", "16.1.0", "16.1.0"),
     L"Python C:/Python312/python.exe  /  g++ 16.1.0 (validated)", false},
    {"OtherCompiler", checkedTools("C:/Python313/python.exe", "15.2.0", "16.1.0"),
     L"Python C:/Python313/python.exe  /  g++ 15.2.0 (not the validated 16.1.0)", false},
    {"NoPython", checkedTools("", "16.1.0", "16.1.0"),
     L"Python 3 not found on PATH  /  g++ 16.1.0 (validated)", true},
    {"NoCompiler", checkedTools("C:/Python312/python.exe", "", "16.1.0"),
     L"Python C:/Python312/python.exe  /  g++ not found", true},
    {"NothingFound", checkedTools("", "", ""), L"Python 3 not found on PATH  /  g++ not found",
     true},
};

class BuildToolLine : public testing::TestWithParam<ToolCase> {};

TEST_P(BuildToolLine, NamesWhatTheRequirementsCheckFound) {
    const ToolCase& c = GetParam();
    AppFixture fixture;
    const auto app = fixture.makeApp();
    BackendProbe::tools(app->backend()) = c.tools;
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const auto line = findText(canvas.calls, c.text);
    ASSERT_TRUE(line.has_value());
    EXPECT_TRUE(sameRect(line->rect, {226, 204, 0, 0}));
    EXPECT_EQ(line->size, 13);
    EXPECT_TRUE(colorIs(line->color, c.warning ? UiPalette::warning : UiPalette::muted));
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildToolLine, testing::ValuesIn(toolCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The rows as drawn ---

TEST(BuildPageDrawing, TheHeaderAndThreeRowsUnderIt) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const auto title = findText(canvas.calls, L"Build");
    ASSERT_TRUE(title.has_value());
    EXPECT_TRUE(sameRect(title->rect, {226, 140, 0, 0}));
    EXPECT_EQ(title->size, 28);
    const auto intro = findText(canvas.calls, L"Generates each game's C++ from your ROM files and "
                                              L"compiles it on this machine, one game at a time.");
    ASSERT_TRUE(intro.has_value());
    EXPECT_TRUE(sameRect(intro->rect, {226, 180, 0, 0}));
    EXPECT_TRUE(colorIs(intro->color, UiPalette::muted));
    for (int game = 0; game < 3; ++game) {
        const float top = buildRowTop(game);
        const DrawCalls box = roundedAt(canvas.calls, {226, top, 1290, 214});
        ASSERT_EQ(box.size(), 2u) << game;
        EXPECT_TRUE(colorIs(box[0].color, UiPalette::panel));
        EXPECT_EQ(box[0].border, 0);
        EXPECT_TRUE(colorIs(box[1].color, UiPalette::border));
        EXPECT_EQ(box[1].border, 1.2f);
        const std::wstring title(qxlauncher::gameTable[game].title);
        const auto drawnTitle = findText(canvas.calls, title);
        ASSERT_TRUE(drawnTitle.has_value());
        EXPECT_TRUE(sameRect(drawnTitle->rect, {246, top + 16, 0, 0}));
        // The empty track, with no fill in it.
        const DrawCalls track = roundedAt(canvas.calls, {246, top + 92, trackWidth1536, 14});
        ASSERT_EQ(track.size(), 2u);
        EXPECT_TRUE(colorIs(track[0].color, UiPalette::inset));
        EXPECT_TRUE(barFills(canvas.calls, top).empty());
    }
}

TEST(BuildPageDrawing, AFailureAtInstallReadsCompileGameWithAWarningBarAndItsSecondLine) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 1);
    job.state = "failed";
    job.step = "install";
    job.code = "install-failed";
    job.message = "The game could not be installed.";
    job.hint = "Close programs that use the build folder and build again.";
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const float top = buildRowTop(1);

    const auto detail = apptest::findTextStartingWith(canvas.calls, L"Failed at Compile Game: ");
    ASSERT_TRUE(detail.has_value());
    EXPECT_EQ(detail->text, L"Failed at Compile Game: The game could not be installed.");
    EXPECT_TRUE(sameRect(detail->rect, {246, top + 58, 0, 0}));
    EXPECT_EQ(detail->size, 15);
    EXPECT_TRUE(colorIs(detail->color, UiPalette::warning));

    const DrawCalls bar = barFills(canvas.calls, top);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_TRUE(sameRect(bar[0].rect, {246, top + 92, 0.75f * trackWidth1536, 14}));
    EXPECT_TRUE(colorIs(bar[0].color, UiPalette::warning));

    const auto second =
        findText(canvas.calls, L"Close programs that use the build folder and build again.");
    ASSERT_TRUE(second.has_value());
    EXPECT_TRUE(sameRect(second->rect, {246, top + 138, 0, 0}));
    EXPECT_EQ(second->size, 14);
    EXPECT_TRUE(colorIs(second->color, UiPalette::text));

    // The pill after "Quarrix II" (10 characters at 11 + 0.3) in the warning colour.
    const float pillX = 246 + 10 * 11.3f + 16;
    const DrawCalls pill = roundedAt(canvas.calls, {pillX, top + 17, 6 * 6.7f + 26, 28});
    ASSERT_EQ(pill.size(), 2u);
    EXPECT_TRUE(colorIs(pill[0].color, {0.18f, 0.03f, 0.04f, 1}));
    EXPECT_TRUE(colorIs(pill[1].color, UiPalette::warning));
    const auto word = findText(canvas.calls, L"Failed");
    ASSERT_TRUE(word.has_value());
    EXPECT_TRUE(sameRect(word->rect, {pillX + 13, top + 24, 0, 0}));
    EXPECT_TRUE(colorIs(word->color, UiPalette::warning));
}

TEST(BuildPageDrawing, AFailureThatIsQueuedAgainHasNoSecondLine) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.state = "failed";
    job.queued = true;
    job.hint = "A hint of the last run.";
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    EXPECT_FALSE(findText(canvas.calls, L"A hint of the last run.").has_value());
    EXPECT_TRUE(findText(canvas.calls, L"Queued: starts after the current game.").has_value());
}

TEST(BuildPageDrawing, ARunningRowHasAnAccentBorderAndLightsItsStepsUpToTheCurrentGroup) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 2);
    job.running = true;
    job.mode = "setup";
    job.step = "decoder";
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const float top = buildRowTop(2);
    const DrawCalls box = roundedAt(canvas.calls, {226, top, 1290, 214});
    ASSERT_EQ(box.size(), 3u);
    EXPECT_TRUE(colorIs(box[2].color, UiPalette::accent));
    EXPECT_EQ(box[2].border, 1.4f);
    // The other rows have none.
    EXPECT_EQ(roundedAt(canvas.calls, {226, buildRowTop(0), 1290, 214}).size(), 2u);

    // Labels at 13 with tracking 0.1 advance 6.6 a character, plus 12; each ">" 18 more.
    struct Expected {
        const wchar_t* label;
        float x;
        bool lit;
    };
    const Expected chain[] = {
        {L"Verify Files", 246, true},
        {L"Generate C++", 246 + 12 * 6.6f + 12 + 18, true},
        {L"Validate Digests", 246 + 24 * 6.6f + 2 * 30, false},
        {L"Compile Game", 246 + 40 * 6.6f + 3 * 30, false},
        {L"Ready", 246 + 52 * 6.6f + 4 * 30, false},
    };
    DrawCalls rowTexts;
    for (const DrawCall& call : canvas.calls) {
        if (call.kind == DrawKind::text && call.rect.y == top + 116) {
            rowTexts.push_back(call);
        }
    }
    ASSERT_EQ(rowTexts.size(), 9u);
    for (std::size_t i = 0; i < 5; ++i) {
        const DrawCall& label = rowTexts[2 * i];
        EXPECT_EQ(label.text, chain[i].label);
        EXPECT_TRUE(sameRect(label.rect, {chain[i].x, top + 116, 0, 0})) << i;
        EXPECT_TRUE(colorIs(label.color, chain[i].lit ? UiPalette::text : UiPalette::muted)) << i;
        if (i < 4) {
            const DrawCall& arrow = rowTexts[2 * i + 1];
            EXPECT_EQ(arrow.text, L">");
            EXPECT_TRUE(colorIs(arrow.color, UiPalette::muted));
            EXPECT_EQ(arrow.tracking, 0);
        }
    }
    const DrawCalls bar = barFills(canvas.calls, top);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_TRUE(sameRect(bar[0].rect, {246, top + 92, 0.25f * trackWidth1536, 14}));
    EXPECT_TRUE(colorIs(bar[0].color, UiPalette::accent));
}

void stageRunningVerification(lumenark::App& app) {
    SetupJob& job = BackendProbe::setupJob(app.backend(), 0);
    job.running = true;
    job.mode = "verify";
}

TEST(BuildPageDrawing, TheVerificationBlockMovesWithTimeSinceTheStart) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    stageRunningVerification(*app);
    fixture.clock->advanceMilliseconds(500);
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const DrawCalls block = barFills(canvas.calls, buildRowTop(0));
    ASSERT_EQ(block.size(), 1u);
    // 0.6 t = 0.3 of the way over three quarters of the track.
    EXPECT_TRUE(sameRect(block[0].rect, {246 + 0.75f * trackWidth1536 * 0.3f, buildRowTop(0) + 92,
                                         trackWidth1536 / 4, 14}));
    EXPECT_TRUE(colorIs(block[0].color, UiPalette::accent));

    // After 2 s the phase has wrapped round to 0.2.
    fixture.clock->advanceMilliseconds(1500);
    RecordingCanvas later;
    drawBuildPage(later, buildPage(*app));
    EXPECT_NEAR(barFills(later.calls, buildRowTop(0))[0].rect.x,
                246 + 0.75f * trackWidth1536 * 0.2f, 0.01f);
}

TEST(BuildPageDrawing, WithReducedMotionTheBlockRestsAtTheLeft) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    stageRunningVerification(*app);
    app->prepareCapture(false, SettingsTab::video, NavSection::build);
    fixture.clock->advanceMilliseconds(700);
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const DrawCalls block = barFills(canvas.calls, buildRowTop(0));
    ASSERT_EQ(block.size(), 1u);
    EXPECT_TRUE(sameRect(block[0].rect, {246, buildRowTop(0) + 92, trackWidth1536 / 4, 14}));
}

TEST(BuildPageDrawing, AReadyGameHasTheBrightPillAndEveryStepLit) {
    AppFixture fixture;
    writeReceipt(fixture.root(), "qx3", true);
    const auto app = fixture.makeApp();
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    const float top = buildRowTop(2);
    const float pillX = 246 + 9 * 11.3f + 16; // "Quarrix 3"
    const DrawCalls pill = roundedAt(canvas.calls, {pillX, top + 17, 5 * 6.7f + 26, 28});
    ASSERT_EQ(pill.size(), 2u);
    EXPECT_TRUE(colorIs(pill[0].color, {0.7f, 0.06f, 0.07f, 1}));
    EXPECT_TRUE(colorIs(pill[1].color, UiPalette::accent));
    const DrawCalls bar = barFills(canvas.calls, top);
    ASSERT_EQ(bar.size(), 1u);
    EXPECT_EQ(bar[0].rect.width, trackWidth1536);
    for (const std::wstring_view label : buildChainLabels) {
        std::optional<DrawCall> lit;
        for (const DrawCall& call : canvas.calls) {
            if (call.kind == DrawKind::text && call.text == label && call.rect.y == top + 116) {
                lit = call;
            }
        }
        ASSERT_TRUE(lit.has_value());
        EXPECT_TRUE(colorIs(lit->color, UiPalette::text));
    }
}

TEST(BuildPageDrawing, ALongTitleIsCutButThePillFollowsItsFullWidth) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    BuildPage page = buildPage(*app);
    page.rows[0].title = std::wstring(80, L'Q'); // 80 x 11 = 880, over rw - 460 = 830
    RecordingCanvas canvas;
    drawBuildPage(canvas, page);
    const auto title = apptest::findTextStartingWith(canvas.calls, L"QQQ");
    ASSERT_TRUE(title.has_value());
    EXPECT_TRUE(title->text.ends_with(L"..."));
    EXPECT_LE(canvas.measureText(title->text, 22, 0), 830);
    const float pillX = 246 + 80 * 11.3f + 16;
    EXPECT_EQ(roundedAt(canvas.calls, {pillX, buildRowTop(0) + 17, 9 * 6.7f + 26, 28}).size(), 2u);
}

TEST(BuildPageDrawing, AtTheWidestDesignTheRowsWidenAndTheTrackEndsLeftOfTheButtons) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    RecordingCanvas canvas(widestDesign);
    drawBuildPage(canvas, buildPage(*app));
    const float rowWidth = widestDesign - 246;
    const float track = rowWidth - 240;
    EXPECT_EQ(roundedAt(canvas.calls, {226, buildRowTop(1), rowWidth, 214}).size(), 2u);
    EXPECT_EQ(roundedAt(canvas.calls, {246, buildRowTop(1) + 92, track, 14}).size(), 2u);
    // The row's buttons stand at W - 210.
    EXPECT_LT(246 + track, widestDesign - 210);
}

TEST(BuildPageDrawing, TheAppDrawsThePageThroughItsRenderer) {
    AppFixture fixture;
    writeReceipt(fixture.root(), "qx1", true);
    const auto app = fixture.makeApp();
    stageRunningVerification(*app);
    SetupJob& failed = BackendProbe::setupJob(app->backend(), 1);
    failed.state = "failed";
    failed.step = "install";
    fixture.clock->advanceMilliseconds(250);
    EXPECT_TRUE(apptest::appDrawsAsOnACanvas(
        fixture, *app, &App::drawBuildPage,
        [&](RecordingCanvas& canvas) { drawBuildPage(canvas, buildPage(*app)); }));
    EXPECT_TRUE(app->hitRegions().empty());
}

// --- A build that exits 0 without a receipt of its own, run through the backend's pump ---

struct EmptyBuildCase {
    const char* name;
    const char* scenario;
    bool earlierBuild;
    friend void PrintTo(const EmptyBuildCase& c, std::ostream* out) { *out << c.name; }
};

const EmptyBuildCase emptyBuildCases[] = {
    {"ExitsZeroWithoutAReceipt", "nobuild.qx1=1\n", false},
    {"LeavesTheEarlierReceiptUntouched", "nobuild.qx1=1\n", true},
};

// The first game's setup run through the backend's pump with the fake collection's setup,
// which follows the scenario already written, until it has ended.
void buildFirstGame(AppFixture& fixture, App& app) {
    qxlauncher::Backend& backend = app.backend();
    BackendProbe::acknowledged(backend) = true;
    BackendProbe::tools(backend).checked = true;
    BackendProbe::pythonCommand(backend) =
        qxlauncher::quoteArgument(platform::wideFromPath(testsupport::fakePythonProgram()));
    const auto roms = fixture.root() / "roms";
    testsupport::writeFakeRoms(roms, 0);
    BackendProbe::setupJob(backend, 0).romFolder = roms;
    ASSERT_TRUE(backend.requestSetup(0, false));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (backend.isSetupBusy()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    app.refreshBuilds();
}

// The label drawn on a control of the frame: the text inside its rectangle.
std::optional<DrawCall> labelOn(const DrawCalls& frame, const App& app, int id) {
    for (const PageControl& control : app.pageControls()) {
        if (control.id != id) {
            continue;
        }
        for (const DrawCall& call : apptest::callsOf(frame, DrawKind::text)) {
            if (call.rect.x >= control.x && call.rect.x < control.x + control.width &&
                call.rect.y >= control.y && call.rect.y < control.y + control.height) {
                return call;
            }
        }
    }
    return std::nullopt;
}

class BuildWithoutReceipt : public testing::TestWithParam<EmptyBuildCase> {};

TEST_P(BuildWithoutReceipt, ShowsTheFailureAndTheLogHint) {
    const EmptyBuildCase& c = GetParam();
    AppFixture fixture;
    testsupport::writeFakeManifests(fixture.root());
    testsupport::writeFakeSetupScript(fixture.root(), c.scenario);
    std::filesystem::path earlier;
    testsupport::ReceiptState before;
    if (c.earlierBuild) {
        earlier = testsupport::writeBuildReceipt(fixture.root(), "qx1", "earlier");
        const auto receipt = earlier / "setup.json";
        std::filesystem::last_write_time(receipt, std::filesystem::last_write_time(receipt) -
                                                      std::chrono::hours(1));
        before = testsupport::receiptState(earlier);
    }
    const auto app = fixture.makeApp();
    buildFirstGame(fixture, *app);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    EXPECT_EQ(app->backend().setupJob(0).state, "failed");
    const BuildRow row = buildRow(*app, 0);
    EXPECT_EQ(row.stateWord, L"Failed");
    EXPECT_EQ(row.detail, L"Failed at Compile Game: The setup ended without a build receipt.");
    EXPECT_TRUE(colorIs(row.detailColour, UiPalette::warning));
    EXPECT_EQ(row.failureText,
              L"Open the log for details, or use Copy report and send it to the project.");
    RecordingCanvas canvas;
    drawBuildPage(canvas, buildPage(*app));
    EXPECT_TRUE(findText(canvas.calls, row.detail).has_value());
    EXPECT_TRUE(findText(canvas.calls, row.failureText).has_value());

    // The earlier build is still the game's, byte for byte and as old as it was.
    const qxlauncher::LatestBuild& build = app->builds()[0];
    EXPECT_EQ(build.found, c.earlierBuild);
    if (c.earlierBuild) {
        EXPECT_EQ(testsupport::receiptState(earlier), before);
        EXPECT_EQ(build.directoryName, earlier.filename().string());
        EXPECT_EQ(build.sha256, testsupport::sha256Hex("earlier"));
        EXPECT_EQ(build.receiptWritten, before.written);
    }
    // Beside the failure the row's controls follow the build that is there: Rebuild and Open
    // folder lit over the earlier one, Build and a dimmed Open folder without.
    app->prepareCapture(false, SettingsTab::video, NavSection::build);
    app->render(0.016, true);
    const DrawCalls frame = apptest::lastFrameCalls(*fixture.device, *app->renderer());
    const auto buildLabel = labelOn(frame, *app, buildControlId(0));
    ASSERT_TRUE(buildLabel.has_value());
    EXPECT_EQ(buildLabel->text, c.earlierBuild ? L"Rebuild" : L"Build");
    const auto folderLabel = labelOn(frame, *app, openFolderControlId(0));
    ASSERT_TRUE(folderLabel.has_value());
    EXPECT_EQ(folderLabel->text, L"Open folder");
    EXPECT_TRUE(colorIs(folderLabel->color, c.earlierBuild ? UiPalette::text : UiPalette::muted));
}

INSTANTIATE_TEST_SUITE_P(Scripts, BuildWithoutReceipt, testing::ValuesIn(emptyBuildCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BuildRowState, AFailureTheScriptRecordedBeforeExitingZeroShowsItsOwnTexts) {
    AppFixture fixture;
    testsupport::writeFakeManifests(fixture.root());
    testsupport::writeFakeSetupScript(fixture.root(),
                                      "failzero.qx1=compile\nfail_message=The fake compiler "
                                      "broke.\nfail_hint=Try the fake again.\n");
    const auto app = fixture.makeApp();
    buildFirstGame(fixture, *app);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const BuildRow row = buildRow(*app, 0);
    EXPECT_EQ(row.stateWord, L"Failed");
    EXPECT_EQ(row.detail, L"Failed at Compile Game: The fake compiler broke.");
    EXPECT_TRUE(colorIs(row.detailColour, UiPalette::warning));
    EXPECT_EQ(row.failureText, L"Try the fake again.");
}

} // namespace
} // namespace lumenark
