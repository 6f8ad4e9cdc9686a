#include "app/ui/renderer_canvas.h"

namespace lumenark {

float RendererCanvas::designWidth() const {
    return renderer_ != nullptr ? renderer_->designWidth() : defaultDesignWidth;
}

void RendererCanvas::fillRect(RectF rect, ColorF color) {
    if (renderer_ != nullptr) {
        renderer_->fillRect(rect, color);
    }
}

void RendererCanvas::drawRoundedRect(RectF rect, float radius, ColorF color, float border) {
    if (renderer_ != nullptr) {
        renderer_->drawRoundedRect(rect, radius, color, border);
    }
}

void RendererCanvas::fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                                  ColorF color) {
    if (renderer_ != nullptr) {
        renderer_->fillTriangle(x0, y0, x1, y1, x2, y2, color);
    }
}

void RendererCanvas::drawLine(float x0, float y0, float x1, float y1, float width, ColorF color) {
    if (renderer_ != nullptr) {
        renderer_->drawLine(x0, y0, x1, y1, width, color);
    }
}

void RendererCanvas::drawText(std::wstring_view text, float x, float y, float size, ColorF color,
                              float tracking) {
    if (renderer_ != nullptr) {
        renderer_->drawText(text, x, y, size, color, tracking);
    }
}

float RendererCanvas::measureText(std::wstring_view text, float size, float tracking) const {
    return renderer_ != nullptr ? renderer_->measureText(text, size, tracking) : 0.0f;
}

void RendererCanvas::drawEffect(RectF rect, ColorF tint, ShaderMode mode, float time) {
    if (renderer_ != nullptr) {
        renderer_->drawImage(renderer_->whiteTexture(), rect, {0, 0, 1, 1}, tint, mode, time);
    }
}

} // namespace lumenark
