#include "tests/app/frame_calls.h"

#include "platform/font_atlas.h"

#include <algorithm>
#include <cmath>

namespace apptest {
namespace {

using lumenark::ColorF;
using lumenark::RectF;

constexpr float atlasHeight = static_cast<float>(platform::fontAtlasCharacterHeight);
constexpr float cellsPerSide =
    static_cast<float>(platform::fontAtlasSide) / static_cast<float>(platform::fontAtlasCell);

// Pixels back to design units, as the renderer maps them.
struct Geometry {
    float scale = 1;
    float offsetX = 0;
    float offsetY = 0;

    explicit Geometry(const lumenark::Renderer& renderer) {
        const auto w = static_cast<float>(renderer.width());
        const auto h = static_cast<float>(renderer.height());
        const float designWidth = renderer.designWidth();
        scale = std::min(h / 1024.0f, w / designWidth);
        offsetX = (w - designWidth * scale) * 0.5f;
        offsetY = (h - 1024.0f * scale) * 0.5f;
    }
    float x(float pixels) const { return (pixels - offsetX) / scale; }
    float y(float pixels) const { return (pixels - offsetY) / scale; }
    RectF rect(const float (&r)[4]) const { return {x(r[0]), y(r[1]), r[2] / scale, r[3] / scale}; }
};

ColorF tintOf(const platform::DrawConstants& constants) {
    return {constants.tint[0], constants.tint[1], constants.tint[2], constants.tint[3]};
}

bool near(float a, float b, float tolerance = 0.01f) {
    return std::fabs(a - b) <= tolerance;
}

bool samePoint(float ax, float ay, float bx, float by) {
    return near(ax, bx) && near(ay, by);
}

// The two triangles drawLine makes: (a + n, b + n, a - n) and (a - n, b + n, b - n).
bool makesLine(const DrawCall& first, const DrawCall& second) {
    const auto& p = first.points;
    const auto& q = second.points;
    return sameColor(first.color, second.color) && samePoint(q[0], q[1], p[4], p[5]) &&
           samePoint(q[2], q[3], p[2], p[3]) &&
           samePoint(p[0] - p[4], p[1] - p[5], p[2] - q[4], p[3] - q[5]);
}

DrawCall lineOf(const DrawCall& first, const DrawCall& second) {
    const auto& p = first.points;
    const auto& q = second.points;
    DrawCall line;
    line.kind = DrawKind::line;
    line.color = first.color;
    line.points = {
        (p[0] + p[4]) / 2, (p[1] + p[5]) / 2, (p[2] + q[4]) / 2, (p[3] + q[5]) / 2, 0, 0};
    line.width = std::hypot(p[0] - p[4], p[1] - p[5]);
    return line;
}

class Decoder {
public:
    Decoder(const lumenark::Renderer& renderer, float glyphAdvance)
        : geometry_(renderer), white_(renderer.whiteTexture()), advance_(glyphAdvance) {}

    void add(const platform::DrawCommand& command) {
        const platform::DrawConstants& c = command.constants;
        const auto mode = static_cast<int>(c.params[3]);
        if (command.slot != white_ && mode == 0) {
            glyph(c);
            return;
        }
        DrawCall& call = calls_.emplace_back();
        call.color = tintOf(c);
        switch (mode) {
        case static_cast<int>(lumenark::ShaderMode::Triangle):
            call.kind = DrawKind::triangle;
            call.points = {geometry_.x(c.rect[0]),    geometry_.y(c.rect[1]),
                           geometry_.x(c.rect[2]),    geometry_.y(c.rect[3]),
                           geometry_.x(c.texrect[0]), geometry_.y(c.texrect[1])};
            joinLine();
            return;
        case static_cast<int>(lumenark::ShaderMode::RoundedRect):
            call.kind = DrawKind::roundedRect;
            call.rect = geometry_.rect(c.rect);
            call.radius = c.texrect[0] / geometry_.scale;
            call.border = c.texrect[1] / geometry_.scale;
            return;
        case static_cast<int>(lumenark::ShaderMode::Textured):
            call.kind = DrawKind::fill;
            call.rect = geometry_.rect(c.rect);
            return;
        default:
            call.kind = DrawKind::effect;
            call.rect = geometry_.rect(c.rect);
            call.mode = static_cast<lumenark::ShaderMode>(mode);
            call.time = c.params[2];
            return;
        }
    }

    DrawCalls take() { return std::move(calls_); }

private:
    void joinLine() {
        const std::size_t n = calls_.size();
        if (n >= 2 && calls_[n - 2].kind == DrawKind::triangle &&
            makesLine(calls_[n - 2], calls_[n - 1])) {
            const DrawCall line = lineOf(calls_[n - 2], calls_[n - 1]);
            calls_.resize(n - 2);
            calls_.push_back(line);
        }
    }

    void glyph(const platform::DrawConstants& c) {
        const RectF box = geometry_.rect(c.rect);
        const float size = box.height * atlasHeight / static_cast<float>(platform::fontAtlasCell);
        const auto column = static_cast<int>(std::lround(c.texrect[0] * cellsPerSide));
        const auto row = static_cast<int>(std::lround(c.texrect[1] * cellsPerSide));
        const auto code = static_cast<wchar_t>(row * 16 + column);
        const ColorF color = tintOf(c);
        if (!calls_.empty() && continuesText(calls_.back(), box, size, color)) {
            DrawCall& text = calls_.back();
            if (text.text.size() == 1) {
                text.tracking = box.x - lastGlyphX_ - step(size);
            }
            text.text.push_back(code);
            lastGlyphX_ = box.x;
            return;
        }
        DrawCall& text = calls_.emplace_back();
        text.kind = DrawKind::text;
        text.rect = {box.x, box.y, 0, 0};
        text.color = color;
        text.size = size;
        text.text.push_back(code);
        lastGlyphX_ = box.x;
    }

    float step(float size) const { return advance_ / atlasHeight * size; }

    bool continuesText(const DrawCall& text, const RectF& box, float size,
                       const ColorF& color) const {
        if (text.kind != DrawKind::text || !near(text.rect.y, box.y) || !near(text.size, size) ||
            !sameColor(text.color, color)) {
            return false;
        }
        const float tracking = box.x - lastGlyphX_ - step(size);
        if (text.text.size() == 1) {
            return tracking > -0.01f && tracking < 3.0f;
        }
        return near(tracking, text.tracking);
    }

    Geometry geometry_;
    int white_;
    float advance_;
    DrawCalls calls_;
    float lastGlyphX_ = 0;
};

} // namespace

DrawCalls decodeFrame(const platform::FrameRecording& frame, const lumenark::Renderer& renderer,
                      float glyphAdvance) {
    Decoder decoder(renderer, glyphAdvance);
    for (const platform::DrawCommand& command : frame.draws) {
        decoder.add(command);
    }
    return decoder.take();
}

DrawCalls lastFrameCalls(const testsupport::DeviceLog& device, const lumenark::Renderer& renderer) {
    if (device.frames.empty()) {
        return {};
    }
    return decodeFrame(device.frames.back().recording, renderer, fixtureGlyphAdvance);
}

} // namespace apptest
