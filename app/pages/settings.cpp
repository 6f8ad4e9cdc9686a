// The Settings page: its header, the tabs and rows of its control list, what each tab shows
// beside its rows, and the status panel, which carries the page's prompts and results.
#include "app/app.h"

#include "app/ui/text_layout.h"

#include <algorithm>
#include <string>

namespace lumenark {
namespace {

constexpr ColorF rowSeparator{0.13f, 0.12f, 0.14f, 1.0f};
constexpr float titleX = 306.0f;

std::wstring widened(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

// The left part of a row whose control is not a value button: separator, title, description.
void drawRowText(Canvas& canvas, float shift, const SettingsControl& control) {
    const float y = control.rowY;
    canvas.drawLine(300 + shift, y + 65, 1235 + shift, y + 65, 1.0f, rowSeparator);
    canvas.drawText(control.title, titleX + shift, y + 5, 18,
                    control.enabled ? UiPalette::text : UiPalette::muted, 0.6f);
    canvas.drawText(control.description, titleX + shift, y + 32, 12, UiPalette::muted, 0.3f);
}

// A slider's level as a bar along the foot of its button.
void drawLevelBar(Canvas& canvas, RectF rect, int level, bool enabled) {
    const float fraction = static_cast<float>(std::clamp(level, 0, 100)) / 100.0f;
    const RectF track{rect.x + 12, rect.y + rect.height - 11, rect.width - 24, 3};
    canvas.fillRect(track, UiPalette::border);
    canvas.fillRect({track.x, track.y, track.width * fraction, track.height},
                    enabled ? UiPalette::accent : UiPalette::muted);
}

} // namespace

void App::drawSettings() {
    const float shift = settingsShift(designWidth());
    drawSettingsHeader(shift);
    for (const SettingsControl& control : settingsControlList()) {
        drawSettingsControl(control, shift);
    }
    drawSettingsNotes(shift);
}

void App::drawSettingsHeader(float shift) {
    const RectF panel{280 + shift, 176, 976, 724};
    canvas_.drawRoundedRect(panel, 10.0f, UiPalette::panel, 0.0f);
    canvas_.drawRoundedRect(panel, 10.0f, UiPalette::border, 1.2f);
    canvas_.drawText(L"Settings", titleX + shift, 194, 28, UiPalette::text, 0.5f);

    std::wstring second;
    if (settingsTab_ == SettingsTab::launcher || settingsTab_ == SettingsTab::controls) {
        second = gameSettingsLoaded_
                     ? L"COLLECTION PREFERENCES"
                     : L"COLLECTION PREFERENCES  /  SELECT A CABINET ON PLAY TO ADJUST A GAME";
    } else {
        const auto game = static_cast<std::size_t>(selectedGame_);
        second = std::wstring(qxlauncher::gameTable.at(game).marqueeTitle) + L"  /  ";
        if (selectedGame_ == 2) {
            second += editedRemastered_ ? L"NATIVE  /  REMASTERED" : L"NATIVE  /  ORIGINAL";
        } else {
            second += editedRemastered_ ? L"REMASTERED" : L"ORIGINAL ARCADE";
        }
    }
    canvas_.drawText(second, titleX + 2 + shift, 238, 13, UiPalette::muted, 1.0f);
}

void App::drawSettingsControl(const SettingsControl& control, float shift) {
    const RectF rect{control.rect.x + shift, control.rect.y, control.rect.width,
                     control.rect.height};
    switch (control.style) {
    case SettingsControlStyle::button:
        drawButton(control.id, rect, control.label, control.enabled, control.primary,
                   control.fontSize);
        break;
    case SettingsControlStyle::row:
        drawActionRow(control.id, control.rowY, control.title, control.description, control.label,
                      control.enabled);
        break;
    case SettingsControlStyle::sliderRow:
        drawRowText(canvas_, shift, control);
        drawButton(control.id, rect, control.label, control.enabled, false, control.fontSize);
        drawLevelBar(canvas_, rect, control.level, control.enabled);
        break;
    case SettingsControlStyle::compactRow:
        canvas_.drawText(control.title, titleX + shift, control.rowY + 6, 13, UiPalette::text,
                         0.4f);
        canvas_.drawText(control.description, 560 + shift, control.rowY + 8, 11, UiPalette::muted,
                         0.2f);
        drawButton(control.id, rect, control.label, control.enabled, false, control.fontSize);
        break;
    }
}

void App::drawSettingsNotes(float shift) {
    switch (settingsTab_) {
    case SettingsTab::adjustments: {
        const bool available = backend_.adjustmentsAvailable();
        canvas_.drawText(
            available ? L"SAVE applies the adjustments the next time this game starts."
                      : L"Start the game once to create its profile; CMOS and ROMs must "
                        L"be valid.",
            titleX + shift, 714, 13, available ? UiPalette::muted : UiPalette::warning, 0.2f);
        break;
    }
    case SettingsTab::utilities:
        if (rankingResetPending_) {
            canvas_.drawText(L"Erase this game's saved ranking?", titleX + shift, 525, 18,
                             UiPalette::warning, 0.6f);
            canvas_.drawText(L"Clearing the ranking is separate from SAVE and RESTORE DEFAULTS.",
                             titleX + shift, 552, 12, UiPalette::muted, 0.3f);
        }
        break;
    case SettingsTab::controls:
        drawControlsGrid(shift);
        break;
    default:
        break;
    }
}

// What the CONTROLS tab shows around its buttons: headings, the slots' names, the controller
// directions (which have no control: they come from the pad or stick) and two lines of facts.
void App::drawControlsGrid(float shift) {
    constexpr float headingSize = 12.0f;
    constexpr float headingTracking = 1.0f;
    canvas_.drawText(L"ACTION", titleX + shift, 346, headingSize, UiPalette::muted,
                     headingTracking);
    for (int player = 0; player < 2; ++player) {
        const std::wstring heading = player == 0 ? L"P1 CONTROLLER" : L"P2 CONTROLLER";
        const float centre = 725 + 340 * static_cast<float>(player) + shift;
        const float width = canvas_.measureText(heading, headingSize, headingTracking);
        canvas_.drawText(heading, centre - width / 2, 346, headingSize, UiPalette::muted,
                         headingTracking);
    }
    // The directions' cells look like disabled buttons but are no controls: their regions go to a
    // list of their own that the frame never sees, under an id that no pointer state names.
    constexpr int notAControl = -2;
    std::vector<HitRegion> notControls;
    WidgetContext cells{canvas_, notControls, {}};
    for (int slot = 0; slot < qxlauncher::slotsPerPlayer; ++slot) {
        const float y = 368 + 27 * static_cast<float>(slot);
        canvas_.drawText(widened(qxlauncher::controlSlotNames[static_cast<std::size_t>(slot)]),
                         titleX + shift, y + 6, 13, UiPalette::text, 0.4f);
        if (slot >= qxlauncher::directionSlots) {
            continue;
        }
        for (int player = 0; player < 2; ++player) {
            const qxlauncher::PadButtons mask =
                editBindings_
                    .padMasks[static_cast<std::size_t>(player * qxlauncher::slotsPerPlayer + slot)];
            const float x = 560 + 170 * static_cast<float>(1 + 2 * player) + shift;
            lumenark::drawButton(cells, notAControl, {x, y, 160, 26},
                                 mask == 0 ? L"D-PAD / STICK" : controllerBindingName(mask), false,
                                 false, 12);
        }
    }
    canvas_.drawText(L"SAVE STATES  In the game: F5 saves, F7 loads. Every game and edition; one "
                     L"slot each, in saves.",
                     titleX + shift, 866, 12, UiPalette::muted, 0.2f);
    canvas_.drawText(L"XInput: " + std::to_wstring(connectedControllerCount()) +
                         L" connected. Arcade: 54.7069 frames per second.",
                     titleX + shift, 884, 12, UiPalette::muted, 0.2f);
}

} // namespace lumenark
