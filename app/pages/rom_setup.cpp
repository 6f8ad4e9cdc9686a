// The ROM Setup page: the header with the ownership reminder, one row per game under its folder
// field and Verify button, and the verification report of the chosen game.
#include "app/app.h"
#include "app/pages/page_layout.h"
#include "app/pages/rom_setup_page.h"
#include "app/ui/palette.h"
#include "app/ui/text_layout.h"

#include <algorithm>

namespace lumenark {
namespace {

constexpr std::wstring_view romSetupIntro =
    L"Choose the folder that holds the ROM files of your own board. Every file is checked "
    L"against the game's manifest by size and digests; nothing is downloaded.";
constexpr std::wstring_view ownershipReminder =
    L"Confirm on the Legal page that you own the original board / ROM files before verifying "
    L"or building.";
constexpr std::wstring_view emptyReport =
    L"Run Verify to check each file of this game. The report lists every file of the manifest "
    L"with its result; nothing is written.";
constexpr ColorF reminderFill{0.1f, 0.07f, 0.03f, 1.0f};
constexpr float rowHeight = 84.0f;
constexpr float reportTop = 576.0f;
constexpr std::size_t filesPerColumn = 9;
constexpr std::size_t reportColumns = 3;

float contentWidth(const Canvas& canvas) {
    return canvas.designWidth() - 246;
}

void drawPanel(Canvas& canvas, RectF box) {
    canvas.drawRoundedRect(box, 10, UiPalette::panel, 0);
    canvas.drawRoundedRect(box, 10, UiPalette::border, 1.2f);
}

void drawHeader(Canvas& canvas, bool ownershipConfirmed) {
    const float width = contentWidth(canvas);
    canvas.drawText(L"ROM Setup", contentLeft, 140, 28, UiPalette::text, 0.5f);
    const auto lines = wrapText(canvas, romSetupIntro, 15, width - 360);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas.drawText(lines[i], contentLeft, 180 + 22.5f * static_cast<float>(i), 15,
                        UiPalette::muted, 0.1f);
    }
    if (!ownershipConfirmed) {
        const RectF box{contentLeft, 232, width, 48};
        canvas.drawRoundedRect(box, 8, reminderFill, 0);
        canvas.drawRoundedRect(box, 8, UiPalette::warning, 1.2f);
        canvas.drawText(ownershipReminder, 244, 248, 15, UiPalette::warning, 0.1f);
    }
}

void drawRow(Canvas& canvas, const RomSetupRow& row, float top, bool reportGame) {
    const RectF box{contentLeft, top, contentWidth(canvas), rowHeight};
    drawPanel(canvas, box);
    if (reportGame) {
        canvas.drawRoundedRect(box, 10, UiPalette::accent, 1.4f);
    }
    canvas.drawText(fitText(canvas, row.title, 20, 280, false), 246, top + 14, 20, UiPalette::text,
                    0.3f);
    canvas.drawText(row.caption, 246, top + 46, 13, UiPalette::muted, 0.1f);
    canvas.drawText(row.summary, 546, top + 54, 13,
                    row.summaryWarning ? UiPalette::warning : UiPalette::muted, 0.1f);
}

// Where a file's name and result go in its column, from the column's left edge: the result 100
// wide (half of what is left in a narrower column) and 8 before the next column's dot, the name
// from 20 to 10 before the result.
struct ReportColumn {
    float nameOffset = 20;
    float nameWidth = 0;
    float resultOffset = 0;
    float resultWidth = 0;
};

constexpr float reportNameGap = 10;
constexpr float reportColumnGap = 8;

ReportColumn reportColumn(float columnWidth) {
    ReportColumn column;
    const float shared =
        std::max(0.0f, columnWidth - column.nameOffset - reportNameGap - reportColumnGap);
    column.resultWidth = std::min(100.0f, shared / 2);
    column.resultOffset = columnWidth - reportColumnGap - column.resultWidth;
    column.nameWidth = shared - column.resultWidth;
    return column;
}

// The text fitted to the width as drawn, its tracking included, or nothing where not even
// "..." fits. The fitting measures without tracking, so the room shrinks by what the tracking
// added until the drawn text fits.
void drawFitted(Canvas& canvas, std::wstring_view text, float x, float y, float size, float width,
                ColorF color) {
    constexpr float tracking = 0.1f;
    float room = width;
    std::wstring fitted = fitText(canvas, text, size, room, false);
    float drawn = canvas.measureText(fitted, size, tracking);
    while (drawn > width && room > 0) {
        room -= std::max(drawn - width, tracking);
        fitted = fitText(canvas, text, size, room, false);
        drawn = canvas.measureText(fitted, size, tracking);
    }
    if (drawn <= width) {
        canvas.drawText(fitted, x, y, size, color, tracking);
    }
}

// Nine files per column, columns from left to right; a report of more than 27 files narrows the
// columns so that every file stays inside the panel.
void drawReportFiles(Canvas& canvas, const std::vector<ReportLine>& files) {
    const std::size_t columns =
        std::max(reportColumns, (files.size() + filesPerColumn - 1) / filesPerColumn);
    const float columnWidth = (contentWidth(canvas) - 40) / static_cast<float>(columns);
    const ReportColumn column = reportColumn(columnWidth);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ReportLine& file = files[i];
        const float x = 246 + static_cast<float>(i / filesPerColumn) * columnWidth;
        const float y = 632 + 26 * static_cast<float>(i % filesPerColumn);
        const ColorF mark = file.ok ? UiPalette::accent : UiPalette::warning;
        canvas.drawRoundedRect({x, y + 5, 9, 9}, 4.5f, mark, 0);
        drawFitted(canvas, file.name, x + column.nameOffset, y, 14, column.nameWidth,
                   UiPalette::text);
        drawFitted(canvas, file.result, x + column.resultOffset, y, 13, column.resultWidth,
                   file.ok ? UiPalette::muted : UiPalette::warning);
    }
}

void drawReport(Canvas& canvas, const RomSetupPage& page) {
    const float width = contentWidth(canvas);
    drawPanel(canvas, {contentLeft, reportTop, width, 344});
    canvas.drawText(L"Verification report: " + page.reportTitle, 246, 592, 20, UiPalette::text,
                    0.3f);
    const float checksWidth = canvas.measureText(page.checks, 13, 0.1f);
    canvas.drawText(page.checks, contentLeft + width - 20 - checksWidth, 598, 13, UiPalette::muted,
                    0.1f);
    if (page.files.empty()) {
        const auto lines = wrapText(canvas, emptyReport, 15, width - 40);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            canvas.drawText(lines[i], 246, 646 + 22.5f * static_cast<float>(i), 15,
                            UiPalette::muted, 0.1f);
        }
        return;
    }
    drawReportFiles(canvas, page.files);
    canvas.drawText(page.programLine, 246, 886, 14,
                    page.programOk ? UiPalette::text : UiPalette::warning, 0.1f);
}

} // namespace

void drawRomSetupPage(Canvas& canvas, const RomSetupPage& page) {
    drawHeader(canvas, page.ownershipConfirmed);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        drawRow(canvas, page.rows.at(static_cast<std::size_t>(game)), romSetupRowTop(game),
                game == page.reportGame);
    }
    drawReport(canvas, page);
}

void App::drawRomSetupPage() {
    lumenark::drawRomSetupPage(canvas_, romSetupPage(*this));
}

} // namespace lumenark
