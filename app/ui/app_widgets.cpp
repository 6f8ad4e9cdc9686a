// The App's widgets: the kit of app/ui over the App's canvas, hit list and control states.
#include "app/app.h"

#include "app/ui/brand.h"
#include "app/ui/icons.h"
#include "app/ui/text_layout.h"

namespace lumenark {

ControlStates App::controlStates() const {
    return {hoveredControl_, pressedControl_, focusedControl_};
}

void App::drawTitleBar() {
    lumenark::drawTitleBar(canvas_, hoveredControl_);
}

void App::drawBrandHeader() {
    lumenark::drawBrandHeader(canvas_);
}

void App::drawCabinet(RectF rect, ColorF, float intensity) {
    lumenark::drawCabinet(canvas_, rect, intensity);
}

void App::drawIcon(int glyph, float x, float y, ColorF colour) {
    lumenark::drawIcon(canvas_, glyph, x, y, colour);
}

void App::drawRequirementRow(float x, float y, std::wstring_view title, RequirementKind kind,
                             std::wstring_view secondLine) {
    lumenark::drawRequirementRow(canvas_, x, y, title, kind, secondLine);
}

void App::drawButton(int id, RectF rect, std::wstring_view label, bool enabled, bool primary,
                     float fontSize) {
    WidgetContext context{canvas_, hitRegions_, controlStates()};
    lumenark::drawButton(context, id, rect, label, enabled, primary, fontSize);
}

void App::drawActionRow(int id, float y, std::wstring_view title, std::wstring_view subtitle,
                        std::wstring_view buttonLabel, bool enabled) {
    WidgetContext context{canvas_, hitRegions_, controlStates()};
    lumenark::drawActionRow(context, id, y, title, subtitle, buttonLabel, enabled);
}

std::wstring App::fitText(std::wstring_view text, float size, float maxWidth, bool keepEnd) const {
    return lumenark::fitText(canvas_, text, size, maxWidth, keepEnd);
}

void App::drawParagraphSection(std::wstring_view heading, std::wstring_view paragraph, float x,
                               float& y, float wrapWidth) {
    lumenark::drawParagraphSection(canvas_, heading, paragraph, x, y, wrapWidth);
}

} // namespace lumenark
