#include "app/ui/widgets.h"

#include "app/ui/text_layout.h"

#include <string>

namespace lumenark {
namespace {

constexpr ColorF disabledFace{0.05f, 0.05f, 0.055f, 1.0f};
constexpr ColorF pressedFace{0.42f, 0.04f, 0.04f, 1.0f};
constexpr ColorF hoveredPlainFace{0.16f, 0.07f, 0.08f, 1.0f};
constexpr ColorF hoveredPrimaryFace{0.78f, 0.09f, 0.09f, 1.0f};
constexpr ColorF idlePlainFace{0.085f, 0.082f, 0.092f, 1.0f};
constexpr ColorF idlePrimaryFace{0.62f, 0.05f, 0.06f, 1.0f};
constexpr ColorF actionRowSeparator{0.13f, 0.12f, 0.14f, 1.0f};
constexpr float buttonRadius = 7.0f;
constexpr float focusBorder = 2.2f;

struct Outline {
    ColorF color;
    float width;
};

ColorF buttonFace(bool enabled, bool primary, bool hovered, bool pressed, bool focused) {
    if (!enabled) {
        return disabledFace;
    }
    if (pressed) {
        return pressedFace;
    }
    if (hovered || focused) {
        return primary ? hoveredPrimaryFace : hoveredPlainFace;
    }
    return primary ? idlePrimaryFace : idlePlainFace;
}

Outline buttonBorder(bool enabled, bool primary, bool hovered, bool focused) {
    if (!enabled) {
        return {UiPalette::border, focused ? focusBorder : 1.0f};
    }
    if (focused) {
        return {UiPalette::hot, focusBorder};
    }
    if (hovered) {
        return {UiPalette::hot, 1.0f};
    }
    return {primary ? UiPalette::accent : UiPalette::border, 1.0f};
}

} // namespace

void drawRequirementRow(Canvas& canvas, float x, float y, std::wstring_view title,
                        RequirementKind kind, std::wstring_view secondLine) {
    const ColorF badge = kind == RequirementKind::met       ? UiPalette::accent
                         : kind == RequirementKind::warning ? UiPalette::warning
                                                            : UiPalette::muted;
    canvas.drawRoundedRect({x, y + 5, 9, 9}, 4.5f, badge, 0.0f);
    canvas.drawText(title, x + 22, y, 16, UiPalette::text, 0.2f);
    if (!secondLine.empty()) {
        canvas.drawText(secondLine, x + 22, y + 20, 12,
                        kind == RequirementKind::warning ? UiPalette::warning : UiPalette::muted,
                        0.1f);
    }
}

void drawButton(WidgetContext& context, int id, RectF rect, std::wstring_view label, bool enabled,
                bool primary, float fontSize) {
    context.hits.push_back({id, rect.x, rect.y, rect.width, rect.height, enabled});
    const bool hovered = id == context.states.hovered;
    const bool pressed = id == context.states.pressed;
    const bool focused = id == context.states.focused;
    Canvas& canvas = context.canvas;
    canvas.drawRoundedRect(rect, buttonRadius,
                           buttonFace(enabled, primary, hovered, pressed, focused), 0.0f);
    const Outline outline = buttonBorder(enabled, primary, hovered, focused);
    canvas.drawRoundedRect(rect, buttonRadius, outline.color, outline.width);
    const float width = canvas.measureText(label, fontSize, 0.4f);
    canvas.drawText(label, rect.x + rect.width / 2 - width / 2,
                    rect.y + (rect.height - 1.15f * fontSize) / 2, fontSize,
                    enabled ? UiPalette::text : UiPalette::muted, 0.4f);
}

void drawPathField(WidgetContext& context, int id, RectF rect, std::wstring_view path,
                   bool enabled) {
    context.hits.push_back({id, rect.x, rect.y, rect.width, rect.height, enabled});
    const bool hovered = enabled && id == context.states.hovered;
    const bool focused = id == context.states.focused;
    Canvas& canvas = context.canvas;
    canvas.drawRoundedRect(rect, 6.0f, UiPalette::inset, 0.0f);
    const Outline outline = focused   ? Outline{UiPalette::hot, 2.0f}
                            : hovered ? Outline{UiPalette::hot, 1.0f}
                                      : Outline{UiPalette::border, 1.0f};
    canvas.drawRoundedRect(rect, 6.0f, outline.color, outline.width);
    const bool tall = rect.height > 30;
    const float size = tall ? 14.0f : 13.0f;
    const float offset = tall ? 16.1f : 14.95f;
    const bool empty = path.empty();
    const std::wstring text =
        fitText(canvas, empty ? folderPlaceholder : path, size, rect.width - 20, !empty);
    canvas.drawText(text, rect.x + 10, rect.y + (rect.height - offset) / 2, size,
                    empty ? UiPalette::muted : UiPalette::text, 0.1f);
}

void drawActionRow(WidgetContext& context, int id, float y, std::wstring_view title,
                   std::wstring_view subtitle, std::wstring_view buttonLabel, bool enabled) {
    Canvas& canvas = context.canvas;
    const float e = (canvas.designWidth() - 1536.0f) / 2;
    canvas.drawLine(300 + e, y + 65, 1235 + e, y + 65, 1.0f, actionRowSeparator);
    canvas.drawText(title, 306 + e, y + 5, 18, enabled ? UiPalette::text : UiPalette::muted, 0.6f);
    canvas.drawText(subtitle, 306 + e, y + 32, 12, UiPalette::muted, 0.3f);
    drawButton(context, id, {969 + e, y, 260, 54}, buttonLabel, enabled, false, 15);
}

void drawParagraphSection(Canvas& canvas, std::wstring_view heading, std::wstring_view paragraph,
                          float x, float& y, float wrapWidth) {
    canvas.drawText(heading, x, y, 19, UiPalette::text, 0.3f);
    const std::vector<std::wstring> lines = wrapText(canvas, paragraph, 15, wrapWidth);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        canvas.drawText(lines[i], x, y + 30 + 22.5f * static_cast<float>(i), 15, UiPalette::body,
                        0.1f);
    }
    y += 30 + 22.5f * static_cast<float>(lines.size()) + 12;
}

} // namespace lumenark
