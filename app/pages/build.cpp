// The Build page: the tools the requirements check found, then one row per game with its state
// pill, detail line, progress bar, step chain and a failure's second line.
#include "app/app.h"
#include "app/pages/build_page.h"
#include "app/pages/page_layout.h"
#include "app/pages/state_pill.h"
#include "app/ui/palette.h"
#include "app/ui/text_layout.h"

#include <algorithm>
#include <cmath>

namespace lumenark {
namespace {

constexpr std::wstring_view buildIntro = L"Generates each game's C++ from your ROM files and "
                                         L"compiles it on this machine, one game at a time.";
constexpr float rowLeft = 246.0f;
constexpr float rowHeight = 214.0f;
constexpr float barHeight = 14.0f;

void drawHeader(Canvas& canvas, const BuildPage& page) {
    canvas.drawText(L"Build", contentLeft, 140, 28, UiPalette::text, 0.5f);
    const auto lines = wrapText(canvas, buildIntro, 15, canvas.designWidth() - 686);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas.drawText(lines[i], contentLeft, 180 + 22.5f * static_cast<float>(i), 15,
                        UiPalette::muted, 0.1f);
    }
    canvas.drawText(page.tools.text, contentLeft, 204, 13,
                    page.tools.warning ? UiPalette::warning : UiPalette::muted, 0.1f);
}

// The pill stands after the title's full width, even when the title itself was cut.
void drawRowPill(Canvas& canvas, const BuildRow& row, float top) {
    drawStatePill(canvas, rowLeft + canvas.measureText(row.title, 22, 0.3f) + 16, top + 17,
                  top + 24, row.stateWord);
}

void drawProgress(Canvas& canvas, const BuildRow& row, float top, float trackWidth,
                  double seconds) {
    const float y = top + 92;
    canvas.drawRoundedRect({rowLeft, y, trackWidth, barHeight}, 7, UiPalette::inset, 0);
    canvas.drawRoundedRect({rowLeft, y, trackWidth, barHeight}, 7, UiPalette::border, 1);
    if (row.indeterminate) {
        const double phase = 0.6 * seconds - std::floor(0.6 * seconds);
        const float x = rowLeft + 0.75f * trackWidth * static_cast<float>(phase);
        canvas.drawRoundedRect({x, y, trackWidth / 4, barHeight}, 7, UiPalette::accent, 0);
    } else if (row.progress > 0) {
        canvas.drawRoundedRect({rowLeft, y, std::min(1.0f, row.progress) * trackWidth, barHeight},
                               7, row.failed ? UiPalette::warning : UiPalette::accent, 0);
    }
}

void drawStepChain(Canvas& canvas, int lit, float top) {
    float x = rowLeft;
    const float y = top + 116;
    for (std::size_t i = 0; i < buildChainLabels.size(); ++i) {
        const std::wstring_view label = buildChainLabels[i];
        const bool on = static_cast<int>(i) < lit;
        canvas.drawText(label, x, y, 13, on ? UiPalette::text : UiPalette::muted, 0.1f);
        x += canvas.measureText(label, 13, 0.1f) + 12;
        if (i + 1 < buildChainLabels.size()) {
            canvas.drawText(L">", x, y, 13, UiPalette::muted, 0);
            x += 18;
        }
    }
}

void drawRow(Canvas& canvas, const BuildRow& row, float top, double seconds) {
    const float rowWidth = canvas.designWidth() - 246;
    const float trackWidth = rowWidth - 240;
    const RectF box{contentLeft, top, rowWidth, rowHeight};
    canvas.drawRoundedRect(box, 10, UiPalette::panel, 0);
    canvas.drawRoundedRect(box, 10, UiPalette::border, 1.2f);
    if (row.running) {
        canvas.drawRoundedRect(box, 10, UiPalette::accent, 1.4f);
    }
    canvas.drawText(fitText(canvas, row.title, 22, rowWidth - 460, false), rowLeft, top + 16, 22,
                    UiPalette::text, 0.3f);
    drawRowPill(canvas, row, top);
    canvas.drawText(fitText(canvas, row.detail, 15, trackWidth, false), rowLeft, top + 58, 15,
                    row.detailColour, 0.1f);
    drawProgress(canvas, row, top, trackWidth, seconds);
    drawStepChain(canvas, row.litSteps, top);
    if (!row.failureText.empty()) {
        canvas.drawText(fitText(canvas, row.failureText, 14, trackWidth, false), rowLeft, top + 138,
                        14, UiPalette::text, 0.1f);
    }
}

} // namespace

void drawBuildPage(Canvas& canvas, const BuildPage& page) {
    drawHeader(canvas, page);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        drawRow(canvas, page.rows.at(static_cast<std::size_t>(game)), buildRowTop(game),
                page.animationSeconds);
    }
}

void App::drawBuildPage() {
    lumenark::drawBuildPage(canvas_, buildPage(*this));
}

} // namespace lumenark
