#pragma once
// Drawing as a test reads it back: one record per call of the canvas (fill, rounded rectangle,
// triangle, line, text, effect) in design units, from a recording canvas or decoded from the
// frame a recording render device kept.
#include "presentation/renderer.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace apptest {

enum class DrawKind { fill, roundedRect, triangle, line, text, effect };

struct DrawCall {
    DrawKind kind = DrawKind::fill;
    // fill, rounded rectangle, effect: the rectangle; text: x and y of its top-left corner.
    lumenark::RectF rect;
    lumenark::ColorF color;
    float radius = 0;
    float border = 0; // rounded rectangle: 0 filled
    // triangle: x0, y0, x1, y1, x2, y2; line: x0, y0, x1, y1.
    std::array<float, 6> points{};
    float width = 0; // line
    std::wstring text;
    float size = 0;
    float tracking = 0;
    lumenark::ShaderMode mode = lumenark::ShaderMode::Textured; // effect
    float time = 0;
};

using DrawCalls = std::vector<DrawCall>;

// The texts drawn, in order.
std::vector<std::wstring> textsOf(const DrawCalls& calls);
// The first text call with exactly this text, if any.
std::optional<DrawCall> findText(const DrawCalls& calls, const std::wstring& text);
// The first text call that starts with this prefix, if any.
std::optional<DrawCall> findTextStartingWith(const DrawCalls& calls, const std::wstring& prefix);
// The calls of one kind.
DrawCalls callsOf(const DrawCalls& calls, DrawKind kind);

bool sameColor(const lumenark::ColorF& a, const lumenark::ColorF& b);
// sameColor, saying both colours when they differ.
testing::AssertionResult colorIs(const lumenark::ColorF& actual, const lumenark::ColorF& expected);
bool sameRect(const lumenark::RectF& a, const lumenark::RectF& b);
// Two calls alike in every field their kind uses.
bool sameCall(const DrawCall& a, const DrawCall& b);

void PrintTo(const DrawCall& call, std::ostream* out);

} // namespace apptest
