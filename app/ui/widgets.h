#pragma once
// The widgets the pages share: buttons and folder fields (which record their hit regions as they
// are drawn), requirement rows, the Settings action row and a heading with its paragraph.
#include "app/hit_region.h"
#include "app/ui/canvas.h"
#include "app/ui/palette.h"

#include <string_view>
#include <vector>

namespace lumenark {

// The pointer and keyboard state of the frame's controls, by control id (-1 none).
struct ControlStates {
    int hovered = -1;
    int pressed = -1;
    int focused = -1;
};

// Where a frame's widgets draw and register their regions.
struct WidgetContext {
    Canvas& canvas;
    std::vector<HitRegion>& hits;
    ControlStates states;
};

inline constexpr std::wstring_view folderPlaceholder = L"Choose folder...";

// A badge, a title and, when not empty, a second line.
void drawRequirementRow(Canvas& canvas, float x, float y, std::wstring_view title,
                        RequirementKind kind, std::wstring_view secondLine);

// Records the region, then draws the face, the border and the centred label by state.
void drawButton(WidgetContext& context, int id, RectF rect, std::wstring_view label, bool enabled,
                bool primary, float fontSize);

// Records the region, then draws the field with the folder path (its end kept) or the
// placeholder.
void drawPathField(WidgetContext& context, int id, RectF rect, std::wstring_view path,
                   bool enabled);

// One row of the Settings page, centred in the design width, with its button on the right.
void drawActionRow(WidgetContext& context, int id, float y, std::wstring_view title,
                   std::wstring_view subtitle, std::wstring_view buttonLabel, bool enabled);

// A heading with its paragraph wrapped to wrapWidth at x; y moves past the section.
void drawParagraphSection(Canvas& canvas, std::wstring_view heading, std::wstring_view paragraph,
                          float x, float& y, float wrapWidth);

} // namespace lumenark
