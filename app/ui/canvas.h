#pragma once
// What the widgets and pages draw on: the renderer's drawing in design units, the design width
// and the text measure. The App draws on its renderer through RendererCanvas; tests record the
// calls on a canvas of their own, with a fixed-advance measure, without any renderer.
#include "presentation/renderer.h"

#include <string_view>

namespace lumenark {

class Canvas {
public:
    virtual ~Canvas() = default;

    // The width of the design space (1024 high): 1536 to 1820.4445.
    virtual float designWidth() const = 0;
    virtual void fillRect(RectF rect, ColorF color) = 0;
    // border 0 fills the rectangle.
    virtual void drawRoundedRect(RectF rect, float radius, ColorF color, float border) = 0;
    virtual void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                              ColorF color) = 0;
    virtual void drawLine(float x0, float y0, float x1, float y1, float width, ColorF color) = 0;
    // y is the top of the line; tracking is extra advance per character.
    virtual void drawText(std::wstring_view text, float x, float y, float size, ColorF color,
                          float tracking) = 0;
    virtual float measureText(std::wstring_view text, float size, float tracking) const = 0;
    // The white texture over the whole texture rectangle, through one of the shader's effects.
    virtual void drawEffect(RectF rect, ColorF tint, ShaderMode mode, float time) = 0;
};

} // namespace lumenark
