// The chrome around every page: the section's page controls and the status panel, the sidebar
// with its help lines, the title bar's regions and the closing overlay. Every control registers
// its region as it is drawn, from the same list that layoutHitRegions reads.
#include "app/app.h"

#include "app/control_ids.h"
#include "app/ui/icons.h"
#include "app/ui/text_layout.h"

#include <algorithm>
#include <array>

namespace lumenark {
namespace {

constexpr ColorF softColor{0.8f, 0.8f, 0.84f, 1.0f};
constexpr ColorF checkedFill{0.16f, 0.03f, 0.04f, 1.0f};
constexpr ColorF checkedBox{0.88f, 0.1f, 0.11f, 1.0f};
constexpr ColorF uncheckedBox{0.1f, 0.1f, 0.11f, 1.0f};
constexpr ColorF statusFill{0.05f, 0.045f, 0.05f, 0.97f};
constexpr ColorF statusEdge{0.45f, 0.3f, 0.1f, 1.0f};
constexpr ColorF sidebarFill{0.036f, 0.034f, 0.039f, 1.0f};
constexpr ColorF sidebarEdge{0.12f, 0.11f, 0.13f, 1.0f};
constexpr ColorF activeEntryFill{0.22f, 0.03f, 0.04f, 1.0f};
constexpr ColorF hoveredEntryFill{0.09f, 0.085f, 0.095f, 1.0f};
constexpr ColorF closingShade{0.0f, 0.0f, 0.0f, 0.65f};

// The sidebar's icons in navigation order: house, folder, gear, game pad, sliders, scales.
constexpr std::array<int, 6> sidebarIcons{iconHouse,   iconFolder,  iconGear,
                                          iconGamePad, iconSliders, iconScales};

constexpr std::array<std::wstring_view, 4> helpLines{L"Arrows / D-pad: move", L"Enter / A: select",
                                                     L"PgUp PgDn / LB RB: pages", L"Esc / B: back"};

bool isBuildButton(int id) {
    return id >= buildControlId(0) && id <= buildControlId(2);
}

void drawFocusRing(Canvas& canvas, RectF rect) {
    canvas.drawRoundedRect(rect, 8, UiPalette::hot, 2);
}

} // namespace

void App::drawPageControls() {
    for (const PageControl& control : pageControls()) {
        drawPageControl(control);
    }
}

void App::drawPageControl(const PageControl& control) {
    WidgetContext context{canvas_, hitRegions_, controlStates()};
    switch (control.style) {
    case ControlStyle::gameRow:
        // The page draws the row; a focus stop still shows where the focus is.
        hitRegions_.push_back(control.region());
        if (control.id == focusedControl_) {
            canvas_.drawRoundedRect(control.rect(), 10, UiPalette::hot, 2);
        }
        return;
    case ControlStyle::folderField:
        drawPathField(context, control.id, control.rect(), control.label, control.enabled);
        return;
    case ControlStyle::checkbox:
        hitRegions_.push_back(control.region());
        drawOwnershipCheckbox(control);
        return;
    case ControlStyle::button:
    case ControlStyle::primaryButton:
        break;
    }
    const bool primary = control.style == ControlStyle::primaryButton;
    lumenark::drawButton(context, control.id, control.rect(), control.label, control.enabled,
                         primary, control.height >= 40 ? 16.0f : 14.0f);
    if (primary && control.enabled && isBuildButton(control.id)) {
        const float x = control.x;
        const float cy = control.y + control.height / 2;
        canvas_.fillTriangle(x + 14, cy - 6, x + 24, cy, x + 14, cy + 6, UiPalette::text);
    }
}

void App::drawOwnershipCheckbox(const PageControl& control) {
    const bool confirmed = backend_.ownershipConfirmed();
    const bool ringed = control.id == focusedControl_ || control.id == hoveredControl_;
    const RectF rect = control.rect();
    canvas_.drawRoundedRect(rect, 8, confirmed ? checkedFill : UiPalette::inset, 0);
    if (ringed) {
        canvas_.drawRoundedRect(rect, 8, UiPalette::hot, 2);
    } else {
        canvas_.drawRoundedRect(rect, 8, confirmed ? UiPalette::accent : UiPalette::border, 1.2f);
    }
    const RectF box{rect.x + 14, rect.y + 11, 22, 22};
    canvas_.drawRoundedRect(box, 4, confirmed ? checkedBox : uncheckedBox, 0);
    if (confirmed) {
        canvas_.drawRoundedRect(box, 4, UiPalette::hot, 1.5f);
        canvas_.drawLine(rect.x + 19, rect.y + 22, rect.x + 23, rect.y + 27, 2.5f, UiPalette::text);
        canvas_.drawLine(rect.x + 23, rect.y + 27, rect.x + 31, rect.y + 17, 2.5f, UiPalette::text);
    } else {
        canvas_.drawRoundedRect(box, 4, UiPalette::muted, 1.5f);
    }
    canvas_.drawText(fitText(control.label, 16, rect.width - 70, false), rect.x + 50, rect.y + 13,
                     16, UiPalette::text, 0.2f);
}

void App::drawStatusPanel() {
    if (statusShown_.empty()) {
        return;
    }
    const float width = designWidth() - 246;
    canvas_.drawRoundedRect({226, 928, width, 32}, 7, statusFill, 0);
    canvas_.drawRoundedRect({226, 928, width, 32}, 7, statusEdge, 1);
    const std::wstring text = fitText(statusShown_, 13, width - 30, false);
    const float textWidth = canvas_.measureText(text, 13, 0.1f);
    canvas_.drawText(text, 226 + width / 2 - textWidth / 2, 937, 13, UiPalette::warning, 0.1f);
}

void App::drawSidebar() {
    canvas_.fillRect({0, 124, 210, 848}, sidebarFill);
    canvas_.drawLine(210, 124, 210, 972, 1, sidebarEdge);
    const PageControls entries = sidebarControls();
    for (std::size_t j = 0; j < entries.size(); ++j) {
        const PageControl& entry = entries[j];
        hitRegions_.push_back(entry.region());
        const bool active = settingsOpen_ ? entry.id == settingsNavigationId
                                          : entry.id != settingsNavigationId &&
                                                static_cast<int>(section_) == std::min<int>(j, 4);
        const bool focused = entry.id == focusedControl_;
        const RectF rect = entry.rect();
        ColorF icon = entry.enabled ? softColor : UiPalette::muted;
        if (active) {
            canvas_.drawRoundedRect(rect, 8, activeEntryFill, 0);
            canvas_.drawRoundedRect(rect, 8, UiPalette::accent, 1.3f);
            icon = UiPalette::text;
        } else if (entry.id == hoveredControl_ && entry.enabled) {
            canvas_.drawRoundedRect(rect, 8, hoveredEntryFill, 0);
        }
        if (focused) {
            drawFocusRing(canvas_, rect);
        }
        lumenark::drawIcon(canvas_, sidebarIcons[j], 30, rect.y + 12, icon);
        canvas_.drawText(entry.label, 68, rect.y + 14, 18,
                         entry.enabled ? UiPalette::text : UiPalette::muted, 0.3f);
    }
}

void App::drawHelpLines() {
    for (std::size_t k = 0; k < helpLines.size(); ++k) {
        canvas_.drawText(helpLines[k], 22, 854 + 22 * static_cast<float>(k), 11, UiPalette::muted,
                         0.2f);
    }
}

void App::registerTitleBarRegions() {
    for (const PageControl& control : titleBarControls()) {
        hitRegions_.push_back(control.region());
    }
}

void App::drawClosingOverlay() {
    if (!closing_) {
        return;
    }
    const float width = designWidth();
    canvas_.fillRect({0, 124, width, 848}, closingShade);
    constexpr std::wstring_view text = L"CLOSING THE GAME AND SAVING THE PROFILE...";
    canvas_.drawText(text, width / 2 - canvas_.measureText(text, 22, 1) / 2, 480, 22,
                     UiPalette::text, 1);
}

} // namespace lumenark
