// The ROM Setup page over an App on a fixture root: the ownership reminder, each game's row and
// verification summary, and the report of the chosen game file by file, on a recording canvas
// and through the renderer; and a verify that runs through the App with the fake collection's
// setup: its own report and how its ending reads on the page and the status line.
#include "app/pages/rom_setup_page.h"

#include "app/control_ids.h"
#include "app/loop/backend_tick.h"
#include "app/pages/page_layout.h"
#include "app/ui/palette.h"
#include "backend/launch/command_line.h"
#include "platform/text.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/app/recording_canvas.h"
#include "tests/support/backend_probe.h"
#include "tests/support/case_names.h"
#include "tests/support/fake_collection.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumenark {
namespace {

using apptest::AppFixture;
using apptest::colorIs;
using apptest::DrawCall;
using apptest::DrawCalls;
using apptest::DrawKind;
using apptest::findText;
using apptest::findTextStartingWith;
using apptest::RecordingCanvas;
using apptest::roundedAt;
using apptest::sameRect;
using qxlauncher::BackendProbe;
using qxlauncher::ReportFile;
using qxlauncher::SetupJob;

constexpr float widestDesign = 1820.4445f;
constexpr float content1536 = 1536 - 246;
constexpr std::wstring_view reminder = L"Confirm on the Legal page that you own the original board "
                                       L"/ ROM files before verifying or building.";

// Names file-00.bin, file-01.bin, ... all "ok" but where a status is given.
std::vector<ReportFile> reportOf(std::size_t count,
                                 std::vector<std::pair<std::size_t, std::string>> statuses = {}) {
    std::vector<ReportFile> files;
    for (std::size_t i = 0; i < count; ++i) {
        files.push_back(
            {"file-" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".bin", "ok"});
    }
    for (const auto& [index, status] : statuses) {
        files.at(index).status = status;
    }
    return files;
}

DrawCalls drawnPage(const App& app, float width = 1536) {
    RecordingCanvas canvas(width);
    drawRomSetupPage(canvas, romSetupPage(app));
    return canvas.calls;
}

// --- The summary under each folder field ---

enum class Receipt { none, current };

struct SummaryCase {
    const char* name;
    void (*stage)(SetupJob&);
    Receipt receipt;
    const wchar_t* summary;
    bool warning;
};

const SummaryCase summaryCases[] = {
    {"NeverVerified", [](SetupJob&) {}, Receipt::none, L"Not verified yet.", false},
    {"VerifiedByTheLastSetup", [](SetupJob&) {}, Receipt::current,
     L"Verified by the last finished setup.", false},
    {"OneFileOfTwentySixDiffers",
     [](SetupJob& job) {
         job.reportFiles = reportOf(26, {{9, "sha1"}});
         job.program = "ok";
     },
     Receipt::none, L"25 of 26 files OK  /  program image OK", true},
    {"EveryFileOkAndVerified",
     [](SetupJob& job) {
         job.reportFiles = reportOf(26);
         job.program = "ok";
         job.verified = true;
     },
     Receipt::none, L"26 of 26 files OK  /  program image OK", false},
    {"EveryFileOkButTheProgramDiffers",
     [](SetupJob& job) {
         job.reportFiles = reportOf(26);
         job.program = "differs in lane 2";
     },
     Receipt::none, L"26 of 26 files OK  /  program image differs", true},
    {"ProgramNotChecked",
     [](SetupJob& job) {
         job.reportFiles = reportOf(3, {{0, "missing"}, {2, "link"}});
         job.program = "not checked";
     },
     Receipt::current, L"1 of 3 files OK  /  program image not checked", true},
    {"AStatusMustBeExactlyOk",
     [](SetupJob& job) {
         job.reportFiles = reportOf(2, {{1, "OK"}});
         job.program = "ok";
     },
     Receipt::none, L"1 of 2 files OK  /  program image OK", true},
    {"RunningVerificationOverAnOlderReport",
     [](SetupJob& job) {
         job.reportFiles = reportOf(26, {{3, "size"}});
         job.running = true;
         job.mode = "verify";
     },
     Receipt::none, L"Checking the files...", true},
    {"RunningVerificationWithoutAReport",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "verify";
     },
     Receipt::none, L"Checking the files...", false},
    {"RunningSetupKeepsTheSummary",
     [](SetupJob& job) {
         job.running = true;
         job.mode = "setup";
     },
     Receipt::current, L"Verified by the last finished setup.", false},
};

class RomSetupSummary : public testing::TestWithParam<SummaryCase> {};

TEST_P(RomSetupSummary, ReadsTheJobAndTheBuild) {
    const SummaryCase& c = GetParam();
    AppFixture fixture;
    if (c.receipt == Receipt::current) {
        testsupport::writeBuildReceipt(fixture.root(), "qx1", "executable of qx1");
    }
    const auto app = fixture.makeApp();
    // The first row's summary is the first text of its kind on the page.
    c.stage(BackendProbe::setupJob(app->backend(), 0));
    const DrawCalls calls = drawnPage(*app);
    const auto summary = findText(calls, c.summary);
    ASSERT_TRUE(summary.has_value()) << testing::PrintToString(apptest::textsOf(calls));
    EXPECT_TRUE(sameRect(summary->rect, {546, romSetupRowTop(0) + 54, 0, 0}));
    EXPECT_EQ(summary->size, 13);
    EXPECT_EQ(summary->tracking, 0.1f);
    EXPECT_TRUE(colorIs(summary->color, c.warning ? UiPalette::warning : UiPalette::muted));
}

INSTANTIATE_TEST_SUITE_P(Cases, RomSetupSummary, testing::ValuesIn(summaryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- A file's result ---

struct ResultCase {
    const char* status;
    const wchar_t* result;
};

const ResultCase resultCases[] = {
    {"ok", L"OK"},
    {"missing", L"MISSING"},
    {"link", L"LINK"},
    {"size", L"Size differs"},
    {"crc32", L"CRC32 differs"},
    {"sha1", L"SHA-1 differs"},
    {"sha256", L"SHA-256 differs"},
    {"SHA256", L"SHA256 differs"},
    {"unreadable", L"unreadable differs"},
    {"", L" differs"},
};

class RomReportResult : public testing::TestWithParam<ResultCase> {};

TEST_P(RomReportResult, WordsTheStatus) {
    EXPECT_EQ(reportResult(GetParam().status), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Cases, RomReportResult, testing::ValuesIn(resultCases),
                         [](const auto& info) {
                             return *info.param.status != 0 ? info.param.status : "NoStatus";
                         });

// --- Header and rows ---

TEST(RomSetupDrawing, WithoutTheConfirmationTheAmberReminderStandsUnderTheHeader) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    const DrawCalls calls = drawnPage(*app);
    const auto heading = findText(calls, L"ROM Setup");
    ASSERT_TRUE(heading.has_value());
    EXPECT_TRUE(sameRect(heading->rect, {226, 140, 0, 0}));
    EXPECT_EQ(heading->size, 28);
    // The introduction wrapped to Q - 360 = 930: 124 characters of 7.5 at most.
    const wchar_t* intro[] = {
        L"Choose the folder that holds the ROM files of your own board. Every "
        L"file is checked against the game's manifest by size and",
        L"digests; nothing is downloaded."};
    for (int i = 0; i < 2; ++i) {
        const auto line = findText(calls, intro[i]);
        ASSERT_TRUE(line.has_value()) << i;
        EXPECT_TRUE(sameRect(line->rect, {226, 180 + 22.5f * i, 0, 0}));
        EXPECT_TRUE(colorIs(line->color, UiPalette::muted));
    }

    const DrawCalls box = roundedAt(calls, {226, 232, content1536, 48});
    ASSERT_EQ(box.size(), 2u);
    EXPECT_TRUE(colorIs(box[0].color, {0.1f, 0.07f, 0.03f, 1}));
    EXPECT_EQ(box[0].radius, 8);
    EXPECT_TRUE(colorIs(box[1].color, UiPalette::warning));
    EXPECT_EQ(box[1].border, 1.2f);
    const auto text = findText(calls, std::wstring(reminder));
    ASSERT_TRUE(text.has_value());
    EXPECT_TRUE(sameRect(text->rect, {244, 248, 0, 0}));
    EXPECT_TRUE(colorIs(text->color, UiPalette::warning));
}

TEST(RomSetupDrawing, WithTheConfirmationThereIsNoReminder) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    BackendProbe::acknowledged(app->backend()) = true;
    const DrawCalls calls = drawnPage(*app);
    EXPECT_FALSE(findText(calls, std::wstring(reminder)).has_value());
    EXPECT_TRUE(roundedAt(calls, {226, 232, content1536, 48}).empty());
}

TEST(RomSetupDrawing, EachGameHasItsRowWithTitleAndCaption) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    const DrawCalls calls = drawnPage(*app);
    const wchar_t* captions[] = {L"5.0  /  Q-Unit (ADPCM sound)", L"L3.1  /  Q-Unit",
                                 L"2.1  /  R-Unit"};
    for (int game = 0; game < 3; ++game) {
        const float top = romSetupRowTop(game);
        const DrawCalls box = roundedAt(calls, {226, top, content1536, 84});
        // The report game (0 at start) has a second border in the accent colour.
        ASSERT_EQ(box.size(), game == 0 ? 3u : 2u) << game;
        EXPECT_TRUE(colorIs(box[0].color, UiPalette::panel));
        EXPECT_TRUE(colorIs(box[1].color, UiPalette::border));
        if (game == 0) {
            EXPECT_TRUE(colorIs(box[2].color, UiPalette::accent));
            EXPECT_EQ(box[2].border, 1.4f);
        }
        const auto title = findText(calls, std::wstring(qxlauncher::gameTable[game].title));
        ASSERT_TRUE(title.has_value());
        EXPECT_TRUE(sameRect(title->rect, {246, top + 14, 0, 0}));
        EXPECT_EQ(title->size, 20);
        const auto caption = findText(calls, captions[game]);
        ASSERT_TRUE(caption.has_value());
        EXPECT_TRUE(sameRect(caption->rect, {246, top + 46, 0, 0}));
        EXPECT_TRUE(colorIs(caption->color, UiPalette::muted));
    }
}

TEST(RomSetupDrawing, TheReportGameCarriesTheAccentBorder) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    RomSetupPage page = romSetupPage(*app);
    page.reportGame = 2;
    RecordingCanvas canvas;
    drawRomSetupPage(canvas, page);
    EXPECT_EQ(roundedAt(canvas.calls, {226, romSetupRowTop(0), content1536, 84}).size(), 2u);
    EXPECT_EQ(roundedAt(canvas.calls, {226, romSetupRowTop(2), content1536, 84}).size(), 3u);
}

// --- The report panel ---

TEST(RomSetupReport, WithoutFilesItExplainsVerifyAndHasNoProgramLine) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    const DrawCalls calls = drawnPage(*app);
    const DrawCalls panel = roundedAt(calls, {226, 576, content1536, 344});
    ASSERT_EQ(panel.size(), 2u);
    const auto heading = findText(calls, L"Verification report: Quarrix");
    ASSERT_TRUE(heading.has_value());
    EXPECT_TRUE(sameRect(heading->rect, {246, 592, 0, 0}));
    const auto explanation = findTextStartingWith(calls, L"Run Verify to check each file");
    ASSERT_TRUE(explanation.has_value());
    EXPECT_TRUE(sameRect(explanation->rect, {246, 646, 0, 0}));
    EXPECT_TRUE(colorIs(explanation->color, UiPalette::muted));
    EXPECT_FALSE(findTextStartingWith(calls, L"Program image").has_value());
}

TEST(RomSetupReport, TwentySixFilesWithOneDifferenceFillColumnsOfNineInTheirOrder) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.reportFiles = reportOf(26, {{25, "sha256"}});
    job.program = "ok";
    const DrawCalls calls = drawnPage(*app);
    const float column = (content1536 - 40) / 3;

    std::vector<DrawCall> names;
    for (const DrawCall& call : calls) {
        if (call.kind == DrawKind::text && call.text.starts_with(L"file-")) {
            names.push_back(call);
        }
    }
    ASSERT_EQ(names.size(), 26u);
    const std::size_t perColumn[] = {9, 9, 8};
    std::size_t i = 0;
    for (std::size_t c = 0; c < 3; ++c) {
        for (std::size_t r = 0; r < perColumn[c]; ++r, ++i) {
            const float x = 246 + static_cast<float>(c) * column;
            const float y = 632 + 26 * static_cast<float>(r);
            EXPECT_EQ(names[i].text,
                      L"file-" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i) + L".bin");
            EXPECT_TRUE(sameRect(names[i].rect, {x + 20, y, 0, 0})) << i;
            EXPECT_EQ(names[i].size, 14);
            const DrawCalls dot = roundedAt(calls, {x, y + 5, 9, 9});
            ASSERT_EQ(dot.size(), 1u) << i;
            EXPECT_TRUE(colorIs(dot[0].color, i == 25 ? UiPalette::warning : UiPalette::accent));
        }
    }
    const auto differs = findText(calls, L"SHA-256 differs");
    ASSERT_TRUE(differs.has_value());
    // Results stand 100 wide, 8 before the next column.
    EXPECT_TRUE(sameRect(differs->rect, {246 + 3 * column - 108, 632 + 26 * 7, 0, 0}));
    EXPECT_TRUE(colorIs(differs->color, UiPalette::warning));
    const auto ok = findText(calls, L"OK");
    ASSERT_TRUE(ok.has_value());
    EXPECT_TRUE(sameRect(ok->rect, {246 + column - 108, 632, 0, 0}));
    EXPECT_TRUE(colorIs(ok->color, UiPalette::muted));

    const auto program = findText(calls, L"Program image: OK");
    ASSERT_TRUE(program.has_value());
    EXPECT_TRUE(sameRect(program->rect, {246, 886, 0, 0}));
    EXPECT_TRUE(colorIs(program->color, UiPalette::text));
    EXPECT_FALSE(findTextStartingWith(calls, L"Run Verify").has_value());
    // The row's summary counts the same report.
    EXPECT_TRUE(findText(calls, L"25 of 26 files OK  /  program image OK").has_value());
}

TEST(RomSetupReport, AProgramThatDiffersShowsItsResultInTheWarningColour) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.reportFiles = reportOf(2);
    job.program = "differs in lane 2";
    const auto program = findText(drawnPage(*app), L"Program image: differs in lane 2");
    ASSERT_TRUE(program.has_value());
    EXPECT_TRUE(colorIs(program->color, UiPalette::warning));
}

TEST(RomSetupReport, ALongFileNameIsCutToItsColumn) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.reportFiles = {{std::string(80, 'n') + ".bin", "ok"}};
    job.program = "ok";
    const DrawCalls calls = drawnPage(*app);
    const auto name = findTextStartingWith(calls, L"nnn");
    ASSERT_TRUE(name.has_value());
    EXPECT_TRUE(name->text.ends_with(L"..."));
    EXPECT_LE(RecordingCanvas().measureText(name->text, 14, 0), (content1536 - 40) / 3 - 110);
}

TEST(RomSetupReport, MoreThanTwentySevenFilesNarrowTheColumnsToStayInThePanel) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.reportFiles = reportOf(30, {{29, "size"}});
    job.program = "ok";
    const DrawCalls calls = drawnPage(*app);
    const float column = (content1536 - 40) / 4;
    const auto last = findText(calls, L"file-29.bin");
    ASSERT_TRUE(last.has_value());
    EXPECT_TRUE(sameRect(last->rect, {246 + 3 * column + 20, 632 + 26 * 2, 0, 0}));
    const auto result = findText(calls, L"Size differs");
    ASSERT_TRUE(result.has_value());
    RecordingCanvas measure;
    EXPECT_LE(result->rect.x + measure.measureText(result->text, 13, 0.1f), 226 + content1536);
}

// A report that fills `columns` columns of nine: every other name long, results of every kind,
// the statuses that are no digest key among them.
std::vector<ReportLine> crowdedReport(std::size_t columns) {
    const std::wstring results[] = {
        L"OK",  L"wrong digest differs", L"MISSING", L"unreadable differs", L"SHA-256 differs",
        L"LINK"};
    std::vector<ReportLine> files;
    for (std::size_t i = 0; i < 9 * columns; ++i) {
        const std::wstring number = std::to_wstring(i);
        files.push_back({i % 2 == 0 ? L"quarrix-program-rom-u" + number + L"-revision-five-l1.bin"
                                    : L"qx-u" + number + L".bin",
                         results[i % 6], i % 6 == 0});
    }
    return files;
}

// What a report row of one column drew: the left and right ends of its name and its result.
struct ReportRowBoxes {
    std::optional<std::pair<float, float>> name;
    std::optional<std::pair<float, float>> result;
};

// "<width>/<columns>: <what>" for each text of the report that leaves its column or meets the
// other text of its row.
std::vector<std::string> reportOverlaps(float width, std::size_t columns) {
    RomSetupPage page;
    page.files = crowdedReport(columns);
    page.programLine = L"Program image: OK";
    RecordingCanvas canvas(width);
    drawRomSetupPage(canvas, page);
    const float columnWidth = (width - 246 - 40) / static_cast<float>(columns);
    const std::string where =
        std::to_string(static_cast<int>(width)) + "/" + std::to_string(columns) + ": ";
    std::vector<std::string> overlaps;
    std::map<std::pair<long, long>, ReportRowBoxes> rows;
    for (const DrawCall& call : canvas.calls) {
        if (call.kind != DrawKind::text || call.rect.y < 632 || call.rect.y > 632 + 26 * 8) {
            continue;
        }
        const long column = std::lround(std::floor((call.rect.x - 246) / columnWidth));
        const float left = 246 + static_cast<float>(column) * columnWidth;
        const std::pair<float, float> box{
            call.rect.x, call.rect.x + canvas.measureText(call.text, call.size, call.tracking)};
        if (box.first < left || box.second > left + columnWidth + 0.01f) {
            overlaps.push_back(where + testing::PrintToString(call) + " leaves its column");
        }
        ReportRowBoxes& row = rows[{column, std::lround(call.rect.y)}];
        (call.size == 14 ? row.name : row.result) = box;
    }
    std::size_t results = 0;
    for (const auto& [at, row] : rows) {
        if (row.name && row.result && row.name->second >= row.result->first) {
            overlaps.push_back(where + "the name meets the result in column " +
                               std::to_string(at.first) + " at y " + std::to_string(at.second));
        }
        results += row.result ? 1 : 0;
    }
    // While a column is 100 wide, every file shows its result.
    if (columnWidth >= 100 && results != page.files.size()) {
        overlaps.push_back(where + std::to_string(results) + " results drawn");
    }
    return overlaps;
}

TEST(RomSetupReport, NoNameMeetsItsResultAndNoResultLeavesItsColumnAtAnyColumnCount) {
    // From 22 columns on not even "..." has room, in the widest design too.
    std::vector<std::string> overlaps;
    for (const float width : {1536.0f, widestDesign}) {
        for (std::size_t columns = 3; columns <= 30; ++columns) {
            const auto found = reportOverlaps(width, columns);
            overlaps.insert(overlaps.end(), found.begin(), found.end());
        }
    }
    overlaps.resize(std::min<std::size_t>(overlaps.size(), 8));
    EXPECT_TRUE(overlaps.empty()) << testing::PrintToString(overlaps);
}

TEST(RomSetupReport, TheChecksLineListsTheManifestsDigestsFlushRight) {
    AppFixture fixture;
    testsupport::writeFile(fixture.root() / "tools/qx1/roms-l1.json",
                           R"({"roms": [{"name": "a.bin", "size": 4, "crc32": "00000000",
                               "sha1": "da39", "sha256": "e3b0"},
                              {"name": "b.bin", "size": 4, "crc32": "00000001",
                               "sha1": "da38", "sha256": "e3b1"}]})");
    const auto app = fixture.makeApp();
    for (const float width : {1536.0f, widestDesign}) {
        const DrawCalls calls = drawnPage(*app, width);
        const std::wstring text = L"Checks: Size, CRC32, SHA-1, SHA-256";
        const auto checks = findText(calls, text);
        ASSERT_TRUE(checks.has_value()) << width;
        const float textWidth = RecordingCanvas().measureText(text, 13, 0.1f);
        EXPECT_TRUE(sameRect(checks->rect, {width - 40 - textWidth, 598, 0, 0})) << width;
        EXPECT_TRUE(colorIs(checks->color, UiPalette::muted));
        EXPECT_EQ(roundedAt(calls, {226, 576, width - 246, 344}).size(), 2u) << width;
    }
}

TEST(RomSetupReport, TheAppDrawsThePageThroughItsRenderer) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    SetupJob& job = BackendProbe::setupJob(app->backend(), 0);
    job.reportFiles = reportOf(26, {{4, "crc32"}});
    job.program = "ok";
    BackendProbe::setupJob(app->backend(), 1).running = true;
    BackendProbe::setupJob(app->backend(), 1).mode = "verify";
    EXPECT_TRUE(apptest::appDrawsAsOnACanvas(
        fixture, *app, &App::drawRomSetupPage,
        [&](RecordingCanvas& canvas) { drawRomSetupPage(canvas, romSetupPage(*app)); }));
    EXPECT_TRUE(app->hitRegions().empty());
}

// --- A verify that runs: the fake collection's setup, its report and its ending ---

enum class Damage { none, programChanged, programMissing, otherFileChanged };

// The first game's fake files in the root's "roms", damaged as asked: the first file of the
// manifest is the program image.
std::filesystem::path firstGameRoms(const std::filesystem::path& root, Damage damage) {
    const auto folder = root / "roms";
    testsupport::writeFakeRoms(folder, 0);
    const auto files = testsupport::fakeRomFiles(0);
    switch (damage) {
    case Damage::none:
        break;
    case Damage::programChanged:
        testsupport::writeFile(folder / files.at(0).name, "not the program");
        break;
    case Damage::programMissing:
        std::filesystem::remove(folder / files.at(0).name);
        break;
    case Damage::otherFileChanged:
        testsupport::writeFile(folder / files.at(1).name, "not this file");
        break;
    }
    return folder;
}

// Everything the first game's Verify needs, the ROM Setup page shown: the confirmation, the
// tools found, the fake interpreter and the game's files.
void stageVerifyOfTheFirstGame(AppFixture& fixture, App& app, Damage damage) {
    qxlauncher::Backend& backend = app.backend();
    BackendProbe::acknowledged(backend) = true;
    qxlauncher::ToolProbe& tools = BackendProbe::tools(backend);
    tools.checked = true;
    tools.python = "3.12.4 (fake)";
    tools.pythonSupported = true;
    tools.compilerVersion = "16.1.0";
    BackendProbe::pythonCommand(backend) =
        qxlauncher::quoteArgument(platform::wideFromPath(testsupport::fakePythonProgram()));
    BackendProbe::setupJob(backend, 0).romFolder = firstGameRoms(fixture.root(), damage);
    app.activate(romSetupNavigationId);
}

// The player's Verify of the first game on the ROM Setup page, the fake setup following the
// scenario; ticks of the App as the main loop makes them until the job has ended. With `held`
// the job waits at its step until the first tick has seen it run.
void verifyThroughTheApp(AppFixture& fixture, App& app, const std::string& scenario, Damage damage,
                         bool held) {
    testsupport::writeFakeManifests(fixture.root());
    testsupport::writeFakeSetupScript(fixture.root(), scenario + "hold.qx1.verify=verify\n");
    testsupport::FakePythonHold hold(fixture.root(), "qx1-verify");
    if (!held) {
        hold.release();
    }
    stageVerifyOfTheFirstGame(fixture, app, damage);
    app.activate(verifyControlId(0));
    ASSERT_EQ(app.statusLine(), L"Checking the ROM files...");
    fixture.clock->advanceMilliseconds(backendTickMilliseconds);
    app.tick();
    if (held) {
        ASSERT_TRUE(app.tickState().setupBusyAtLastTick);
        hold.release();
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (app.tickState().setupBusyAtLastTick) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        fixture.clock->advanceMilliseconds(backendTickMilliseconds);
        app.tick();
    }
}

// A job whose script recorded a failure of its own ends failed also when the script exits 0:
// the status line names the failure and the row is not verified.
struct VerifyEndingCase {
    const char* name;
    bool recordsFailure;
    int exitCode;
    const wchar_t* status;
    const wchar_t* summary;
};

const VerifyEndingCase verifyEndingCases[] = {
    {"RecordsAFailureAndExitsZero", true, 0, L"Quarrix: The fake verify failed.",
     L"Not verified yet."},
    {"RecordsAFailureAndExitsOne", true, 1, L"Quarrix: The fake verify failed.",
     L"Not verified yet."},
    {"RecordsDoneAndExitsZero", false, 0, L"Quarrix: ROM files verified.",
     L"3 of 3 files OK  /  program image OK"},
    {"RecordsDoneAndExitsOne", false, 1, L"Quarrix: The setup stopped unexpectedly.",
     L"3 of 3 files OK  /  program image OK"},
};

class VerifyEnding : public testing::TestWithParam<VerifyEndingCase> {};

TEST_P(VerifyEnding, TheStatusLineAndTheRowTellTheSameOutcome) {
    const VerifyEndingCase& c = GetParam();
    AppFixture fixture;
    const auto app = fixture.makeApp();
    verifyThroughTheApp(fixture, *app,
                        testsupport::fakeOutcomeScenario(true, c.recordsFailure, c.exitCode),
                        Damage::none, true);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    EXPECT_EQ(app->statusLine(), c.status);
    const RomSetupRow row = romSetupRow(*app, 0);
    EXPECT_EQ(row.summary, c.summary);
    EXPECT_FALSE(row.summaryWarning);
    EXPECT_TRUE(findText(drawnPage(*app), c.summary).has_value());
}

INSTANTIATE_TEST_SUITE_P(Script, VerifyEnding, testing::ValuesIn(verifyEndingCases),
                         testsupport::caseName);

// A verify whose process ends before the next tick has seen it run still ends with its own
// sentence on the status line.
TEST(VerifyEnding, AJobThatEndsBetweenTwoTicksShowsItsSentence) {
    AppFixture fixture;
    const auto app = fixture.makeApp();
    testsupport::writeFakeManifests(fixture.root());
    testsupport::writeFakeSetupScript(fixture.root(), "failzero.qx1=verify\n");
    stageVerifyOfTheFirstGame(fixture, *app, Damage::none);
    app->activate(verifyControlId(0));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!BackendProbe::setupProcessEnded(app->backend())) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    fixture.clock->advanceMilliseconds(backendTickMilliseconds);
    app->tick();
    EXPECT_FALSE(app->backend().isSetupBusy());
    EXPECT_EQ(app->statusLine(), L"Quarrix: The fake verify failed.");
}

// The fake setup's own report, as the page reads it: "ok" for a program image that is right,
// a short reason for one that is not.
struct DoubleReportCase {
    const char* name;
    Damage damage;
    const wchar_t* summary;
    const wchar_t* programLine;
    bool programOk;
};

const DoubleReportCase doubleReportCases[] = {
    {"EveryFileRight", Damage::none, L"3 of 3 files OK  /  program image OK", L"Program image: OK",
     true},
    {"TheProgramImageChanged", Damage::programChanged, L"2 of 3 files OK  /  program image differs",
     L"Program image: not recognised", false},
    {"TheProgramImageMissing", Damage::programMissing, L"2 of 3 files OK  /  program image differs",
     L"Program image: missing", false},
    {"AnotherFileChanged", Damage::otherFileChanged, L"2 of 3 files OK  /  program image OK",
     L"Program image: OK", true},
};

class DoubleReport : public testing::TestWithParam<DoubleReportCase> {};

TEST_P(DoubleReport, ReadsAsThePageWordsIt) {
    const DoubleReportCase& c = GetParam();
    AppFixture fixture;
    const auto app = fixture.makeApp();
    verifyThroughTheApp(fixture, *app, "", c.damage, false);
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const RomSetupPage page = romSetupPage(*app);
    EXPECT_EQ(page.rows[0].summary, c.summary);
    EXPECT_EQ(page.programLine, c.programLine);
    const DrawCalls calls = drawnPage(*app);
    EXPECT_TRUE(findText(calls, c.summary).has_value());
    const auto program = findText(calls, c.programLine);
    ASSERT_TRUE(program.has_value());
    EXPECT_TRUE(colorIs(program->color, c.programOk ? UiPalette::text : UiPalette::warning));
}

INSTANTIATE_TEST_SUITE_P(FakeSetup, DoubleReport, testing::ValuesIn(doubleReportCases),
                         testsupport::caseName);

} // namespace
} // namespace lumenark
