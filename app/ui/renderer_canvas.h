#pragma once
// The canvas of the launcher window: the App's renderer, or, before one is attached, a canvas
// of the default width that draws and measures nothing.
#include "app/ui/canvas.h"

namespace lumenark {

inline constexpr float defaultDesignWidth = 1536.0f;

class RendererCanvas final : public Canvas {
public:
    void attach(Renderer* renderer) { renderer_ = renderer; }

    float designWidth() const override;
    void fillRect(RectF rect, ColorF color) override;
    void drawRoundedRect(RectF rect, float radius, ColorF color, float border) override;
    void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                      ColorF color) override;
    void drawLine(float x0, float y0, float x1, float y1, float width, ColorF color) override;
    void drawText(std::wstring_view text, float x, float y, float size, ColorF color,
                  float tracking) override;
    float measureText(std::wstring_view text, float size, float tracking) const override;
    void drawEffect(RectF rect, ColorF tint, ShaderMode mode, float time) override;

private:
    Renderer* renderer_ = nullptr;
};

} // namespace lumenark
