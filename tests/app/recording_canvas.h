#pragma once
// A canvas without any renderer that records each call, and measures text with a fixed advance
// per character, so widgets can be checked call by call at any design width.
#include "app/ui/canvas.h"
#include "tests/app/draw_calls.h"

#include <algorithm>
#include <functional>

namespace apptest {

class RecordingCanvas final : public lumenark::Canvas {
public:
    // advance: a character's width per unit of size (the fixture's font: half its height).
    explicit RecordingCanvas(float width = 1536.0f, float advance = 0.5f)
        : width_(width), advance_([advance](wchar_t) { return advance; }) {}
    // Each character's own width per unit of size.
    RecordingCanvas(float width, std::function<float(wchar_t)> advance)
        : width_(width), advance_(std::move(advance)) {}

    float designWidth() const override { return width_; }
    void fillRect(lumenark::RectF rect, lumenark::ColorF color) override {
        DrawCall& call = add(DrawKind::fill, color);
        call.rect = rect;
    }
    void drawRoundedRect(lumenark::RectF rect, float radius, lumenark::ColorF color,
                         float border) override {
        DrawCall& call = add(DrawKind::roundedRect, color);
        call.rect = rect;
        call.radius = radius;
        call.border = border;
    }
    void fillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                      lumenark::ColorF color) override {
        add(DrawKind::triangle, color).points = {x0, y0, x1, y1, x2, y2};
    }
    void drawLine(float x0, float y0, float x1, float y1, float width,
                  lumenark::ColorF color) override {
        DrawCall& call = add(DrawKind::line, color);
        call.points = {x0, y0, x1, y1, 0, 0};
        call.width = width;
    }
    void drawText(std::wstring_view text, float x, float y, float size, lumenark::ColorF color,
                  float tracking) override {
        DrawCall& call = add(DrawKind::text, color);
        call.rect = {x, y, 0, 0};
        call.text = std::wstring(text);
        call.size = size;
        call.tracking = tracking;
    }
    float measureText(std::wstring_view text, float size, float tracking) const override {
        float widest = 0;
        float line = 0;
        for (const wchar_t ch : text) {
            if (ch == L'\n') {
                widest = std::max(widest, line);
                line = 0;
            } else {
                line += advance_(ch) * size + tracking;
            }
        }
        return std::max(widest, line);
    }
    void drawEffect(lumenark::RectF rect, lumenark::ColorF tint, lumenark::ShaderMode mode,
                    float time) override {
        DrawCall& call = add(DrawKind::effect, tint);
        call.rect = rect;
        call.mode = mode;
        call.time = time;
    }

    DrawCalls calls;

private:
    DrawCall& add(DrawKind kind, lumenark::ColorF color) {
        DrawCall& call = calls.emplace_back();
        call.kind = kind;
        call.color = color;
        return call;
    }

    float width_;
    std::function<float(wchar_t)> advance_;
};

} // namespace apptest
