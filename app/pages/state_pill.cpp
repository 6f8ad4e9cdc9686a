#include "app/pages/state_pill.h"

#include "app/ui/palette.h"

namespace lumenark {
namespace {

constexpr ColorF readyPillFill{0.7f, 0.06f, 0.07f, 1.0f};
constexpr ColorF pillFill{0.18f, 0.03f, 0.04f, 1.0f};
constexpr float wordSize = 13.0f;
constexpr float wordTracking = 0.2f;

} // namespace

float statePillWidth(const Canvas& canvas, std::wstring_view word) {
    return canvas.measureText(word, wordSize, wordTracking) + 26;
}

void drawStatePill(Canvas& canvas, float x, float y, float wordTop, std::wstring_view word) {
    const float wordWidth = canvas.measureText(word, wordSize, wordTracking);
    const RectF pill{x, y, wordWidth + 26, 28};
    const bool failed = word == L"Failed";
    canvas.drawRoundedRect(pill, 6, word == L"Ready" ? readyPillFill : pillFill, 0);
    canvas.drawRoundedRect(pill, 6, failed ? UiPalette::warning : UiPalette::accent, 1.2f);
    canvas.drawText(word, x + pill.width / 2 - wordWidth / 2, wordTop, wordSize,
                    failed ? UiPalette::warning : UiPalette::text, wordTracking);
}

} // namespace lumenark
