#pragma once
// The eleven line-art icons, each in a 24 x 24 box in one colour.
#include "app/ui/canvas.h"

namespace lumenark {

// Icon glyphs; any other number draws nothing.
enum IconGlyph : int {
    iconHouse = 0,
    iconGear = 1,
    iconFolder = 2,
    iconGamePad = 3,
    iconScales = 4,
    iconSliders = 5,
    iconPlay = 6,
    iconMonitor = 7,
    iconDocument = 8,
    iconMusicNote = 9,
    iconPictureDocument = 10,
};

// The icon with its top-left corner at (x, y).
void drawIcon(Canvas& canvas, int glyph, float x, float y, ColorF color);

} // namespace lumenark
