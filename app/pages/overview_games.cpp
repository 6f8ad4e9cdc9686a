// The Overview's upper half: the step strip, the games heading and the three game cards.
#include "app/pages/overview_page.h"

#include "app/pages/page_layout.h"
#include "app/pages/state_pill.h"
#include "app/ui/brand.h"
#include "app/ui/icons.h"
#include "app/ui/text_layout.h"

#include <string>

namespace lumenark {
namespace {

constexpr ColorF currentRed{0.7f, 0.06f, 0.07f, 1.0f};
constexpr ColorF chipLitFill{0.16f, 0.03f, 0.04f, 1.0f};

constexpr float stripTop = 140.0f;
constexpr float stripHeight = 48.0f;
// The heading's right end lines up with the cards' right edge.
constexpr float cardsRightInset = 376.0f;
// Room kept right of the digest chips for the card's Build button.
constexpr float chipsRightInset = 122.0f;

const qxlauncher::GameInfo& gameInfo(int game) {
    return qxlauncher::gameTable.at(static_cast<std::size_t>(game));
}

const OverviewGame& gameOf(const OverviewView& view, int game) {
    return view.games.at(static_cast<std::size_t>(game));
}

// Centred on x, top at y.
void drawCentredText(Canvas& canvas, std::wstring_view text, float x, float y, float size,
                     ColorF color, float tracking) {
    canvas.drawText(text, x - canvas.measureText(text, size, tracking) / 2.0f, y, size, color,
                    tracking);
}

void drawStep(Canvas& canvas, int step, int current, float left, float width) {
    ColorF circle = UiPalette::muted;
    ColorF texts = UiPalette::muted;
    if (step == current) {
        canvas.drawRoundedRect({left + 3, 143, width - 14, 42}, 6.0f, currentRed, 0.0f);
        if (step != readyStep) {
            canvas.fillTriangle(left + width - 12, 143, left + width + 5, 164, left + width - 12,
                                185, currentRed);
        }
        circle = UiPalette::text;
        texts = UiPalette::text;
    } else if (step < readyStep) {
        canvas.drawLine(left + width - 8, 147, left + width + 5, 164, 1.5f, UiPalette::border);
        canvas.drawLine(left + width + 5, 164, left + width - 8, 181, 1.5f, UiPalette::border);
        if (step < current) {
            circle = UiPalette::accent;
            texts = UiPalette::text;
        }
    }
    canvas.drawRoundedRect({left + 14, 150, 28, 28}, 14.0f, circle, 2.0f);
    drawCentredText(canvas, std::to_wstring(step + 1), left + 28, 156, 15, texts, 0.0f);
    const std::wstring label =
        fitText(canvas, setupStepLabels[static_cast<std::size_t>(step)], 16, width - 64, false);
    canvas.drawText(label, left + 50, 155, 16, texts, 0.2f);
}

// The word in its pill at the card's top right; returns the pill's left edge.
float drawCardPill(Canvas& canvas, RectF card, std::wstring_view word) {
    const float x = card.x + card.width - 14 - statePillWidth(canvas, word);
    drawStatePill(canvas, x, card.y + 16, card.y + 23, word);
    return x;
}

void drawCardFacts(Canvas& canvas, RectF card, const qxlauncher::GameInfo& info) {
    const float x = card.x;
    const float y = card.y;
    canvas.drawText(L"Revision:", x + 104, y + 50, 14, UiPalette::muted, 0.0f);
    canvas.drawText(info.revision, x + 186, y + 50, 14, UiPalette::text, 0.0f);
    canvas.drawText(L"Board:", x + 104, y + 72, 14, UiPalette::muted, 0.0f);
    canvas.drawText(info.board, x + 186, y + 72, 14, UiPalette::text, 0.0f);

    // The folder itself is the page control 50 + g, drawn by the frame beside this caption.
    drawIcon(canvas, iconFolder, x + 104, y + 101, UiPalette::muted);
    canvas.drawText(L"ROM Folder:", x + 134, y + 104, 13, UiPalette::muted, 0.0f);

    drawIcon(canvas, iconDocument, x + 104, y + 134, UiPalette::muted);
    canvas.drawText(L"Manifest:", x + 134, y + 138, 13, UiPalette::muted, 0.0f);
    const RectF box{x + 218, y + 132, card.width - 232, 28};
    canvas.drawRoundedRect(box, 6.0f, UiPalette::inset, 0.0f);
    canvas.drawRoundedRect(box, 6.0f, UiPalette::border, 1.0f);
    canvas.drawText(fitText(canvas, info.romManifest, 13, card.width - 252, false), x + 228,
                    y + 139, 13, UiPalette::text, 0.1f);
}

void drawDigestChips(Canvas& canvas, RectF card, const OverviewGame& game) {
    const bool lit = game.job.verified || game.build.found;
    const float limit = card.x + card.width - chipsRightInset;
    float x = card.x + 104;
    for (const std::wstring& label : game.digestLabels) {
        const float labelWidth = canvas.measureText(label, 12, 0.1f);
        const float chipWidth = labelWidth + 16;
        if (x + chipWidth > limit) {
            break;
        }
        const RectF chip{x, card.y + 162, chipWidth, 28};
        canvas.drawRoundedRect(chip, 14.0f, lit ? chipLitFill : UiPalette::inset, 0.0f);
        canvas.drawRoundedRect(chip, 14.0f, lit ? UiPalette::accent : UiPalette::border, 1.2f);
        canvas.drawText(label, x + chipWidth / 2 - labelWidth / 2, card.y + 170, 12,
                        lit ? UiPalette::text : UiPalette::muted, 0.1f);
        x += chipWidth + 5;
    }
}

} // namespace

void drawStepStrip(Canvas& canvas, const OverviewView& view) {
    const float width = canvas.designWidth() - 246;
    drawPanelBox(canvas, {contentLeft, stripTop, width, stripHeight}, 8.0f);
    const float stepWidth = width / 6;
    const int current = currentStep(gameOf(view, stripGame(view)));
    for (int step = 0; step <= readyStep; ++step) {
        drawStep(canvas, step, current, contentLeft + static_cast<float>(step) * stepWidth,
                 stepWidth);
    }
}

void drawGamesHeading(Canvas& canvas, const OverviewView& view) {
    drawIcon(canvas, iconPictureDocument, 228, 212, UiPalette::text);
    canvas.drawText(L"Supported Games", 266, 206, 26, UiPalette::text, 0.5f);
    const std::wstring shownFor =
        L"Steps shown for: " + std::wstring(gameInfo(stripGame(view)).title);
    canvas.drawText(shownFor,
                    canvas.designWidth() - cardsRightInset - canvas.measureText(shownFor, 13, 0.1f),
                    218, 13, UiPalette::muted, 0.1f);
}

void drawGameCard(Canvas& canvas, const OverviewView& view, int game) {
    const OverviewGame& state = gameOf(view, game);
    const qxlauncher::GameInfo& info = gameInfo(game);
    const RectF card = overviewCardRect(canvas.designWidth(), game);
    const float x = card.x;
    const float y = card.y;

    drawPanelBox(canvas, card, 10.0f);
    drawCabinet(canvas, {x + 14, y + 16, 70, 174}, 1.0f);
    canvas.drawLine(x + 92, y + 14, x + 92, y + 192, 1.0f, UiPalette::border);

    const float pillLeft = drawCardPill(canvas, card, gameStateWord(state));
    canvas.drawText(fitText(canvas, info.title, 22, pillLeft - (x + 104) - 10, false), x + 104,
                    y + 16, 22, UiPalette::text, 0.3f);
    drawCardFacts(canvas, card, info);
    drawDigestChips(canvas, card, state);
}

} // namespace lumenark
