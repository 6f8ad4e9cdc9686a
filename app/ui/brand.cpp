#include "app/ui/brand.h"

#include "app/control_ids.h"
#include "app/ui/palette.h"

#include <string>

namespace lumenark {
namespace {

constexpr ColorF titleBarFill{0.018f, 0.017f, 0.02f, 1.0f};
constexpr ColorF titleBarEdge{0.12f, 0.11f, 0.13f, 1.0f};
constexpr ColorF headerFill{0.03f, 0.026f, 0.03f, 1.0f};
constexpr ColorF headerEdge{0.3f, 0.05f, 0.06f, 1.0f};
constexpr ColorF headerGlow{0.9f, 0.08f, 0.06f, 0.22f};
constexpr ColorF cabinetBody{0.03f, 0.026f, 0.03f, 1.0f};
constexpr ColorF cabinetScreen{0.012f, 0.01f, 0.012f, 1.0f};
constexpr ColorF cabinetLowerBody{0.036f, 0.03f, 0.034f, 1.0f};

std::wstring productTitle() {
    return std::wstring(productName) + L" Setup";
}

// The brand red scaled by k and the intensity, opaque.
ColorF red(float k, float intensity) {
    const ColorF a = UiPalette::accent;
    return {a.r * k * intensity, a.g * k * intensity, a.b * k * intensity, 1.0f};
}

} // namespace

void drawTitleBar(Canvas& canvas, int hoveredControl) {
    const float w = canvas.designWidth();
    canvas.fillRect({0, 0, w, titleBarHeight}, titleBarFill);
    canvas.drawLine(0, titleBarHeight, w, titleBarHeight, 1.0f, titleBarEdge);
    canvas.drawRoundedRect({12, 7, 20, 20}, 4.0f, UiPalette::accent, 0.0f);
    const std::wstring_view letter = productName.substr(0, 1);
    canvas.drawText(letter, 22.0f - canvas.measureText(letter, 13.0f, 0.0f) / 2.0f, 9.0f, 13.0f,
                    UiPalette::text, 0.0f);
    canvas.drawText(productTitle(), 42, 9, 14, UiPalette::text, 0.2f);
    const ColorF minimise =
        hoveredControl == minimiseControlId ? UiPalette::text : UiPalette::muted;
    canvas.drawLine(w - 77, 17, w - 63, 17, 1.5f, minimise);
    const ColorF close = hoveredControl == closeControlId ? UiPalette::hot : UiPalette::muted;
    canvas.drawLine(w - 31, 10, w - 17, 24, 1.5f, close);
    canvas.drawLine(w - 17, 10, w - 31, 24, 1.5f, close);
}

void drawBrandHeader(Canvas& canvas) {
    const float w = canvas.designWidth();
    canvas.fillRect({0, titleBarHeight, w, 90}, headerFill);
    canvas.drawEffect({0.45f * w, 20, 0.6f * w, 140}, headerGlow, ShaderMode::Glow, 0.0f);
    for (int i = 0; i < 5; ++i) {
        const float x = 0.55f * w + 0.085f * w * static_cast<float>(i);
        drawCabinet(canvas, {x, 44, 38, 78}, i % 2 == 0 ? 0.55f : 0.65f);
    }
    for (const float c : {40.0f, 60.0f, 80.0f}) {
        canvas.fillTriangle(c + 16, 52, c + 25, 52, c + 9, 106, UiPalette::accent);
        canvas.fillTriangle(c + 9, 106, c, 106, c + 16, 52, UiPalette::accent);
    }
    canvas.drawText(productTitle(), 128, 46, 34, UiPalette::text, 0.6f);
    canvas.drawText(L"Visual setup for local static recompilation from your own ROM files", 130, 94,
                    15, UiPalette::muted, 0.3f);
    canvas.drawLine(0, brandHeaderBottom, w, brandHeaderBottom, 1.0f, headerEdge);
}

void drawCabinet(Canvas& canvas, RectF rect, float intensity) {
    const float x = rect.x;
    const float y = rect.y;
    const float w = rect.width;
    const float h = rect.height;
    const float a = intensity;
    const ColorF glow{UiPalette::accent.r, UiPalette::accent.g, UiPalette::accent.b, 0.1f * a};
    canvas.drawEffect({x - 0.4f * w, y + 0.1f * h, 1.8f * w, 0.9f * h}, glow, ShaderMode::Glow,
                      0.0f);
    canvas.fillRect({x + 0.1f * w, y + 0.04f * h, 0.8f * w, 0.94f * h}, cabinetBody);
    canvas.fillRect({x + 0.04f * w, y, 0.08f * w, h}, red(0.42f, a));
    canvas.fillRect({x + 0.88f * w, y, 0.08f * w, h}, red(0.42f, a));
    canvas.fillRect({x + 0.12f * w, y + 0.04f * h, 0.76f * w, 0.11f * h}, red(0.55f, a));
    const RectF screen{x + 0.18f * w, y + 0.2f * h, 0.64f * w, 0.25f * h};
    canvas.fillRect(screen, cabinetScreen);
    const ColorF screenGlow{UiPalette::accent.r, UiPalette::accent.g, UiPalette::accent.b,
                            0.35f * a};
    canvas.drawEffect(screen, screenGlow, ShaderMode::Glow, 0.0f);
    const ColorF panel = red(0.3f, a);
    canvas.fillTriangle(x + 0.06f * w, y + 0.6f * h, x + 0.18f * w, y + 0.5f * h, x + 0.82f * w,
                        y + 0.5f * h, panel);
    canvas.fillTriangle(x + 0.06f * w, y + 0.6f * h, x + 0.82f * w, y + 0.5f * h, x + 0.94f * w,
                        y + 0.6f * h, panel);
    for (int i = 0; i < 3; ++i) {
        const float bx = x + (0.3f + 0.16f * static_cast<float>(i)) * w;
        canvas.drawRoundedRect({bx, y + 0.535f * h, 0.07f * w, 0.07f * w}, 0.035f * w, red(0.9f, a),
                               0.0f);
    }
    canvas.fillRect({x + 0.12f * w, y + 0.6f * h, 0.76f * w, 0.38f * h}, cabinetLowerBody);
    canvas.fillRect({x + 0.4f * w, y + 0.7f * h, 0.2f * w, 0.07f * h}, red(0.6f, a));
}

} // namespace lumenark
