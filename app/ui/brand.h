#pragma once
// The top of every frame (the title bar and the brand header under it) and the arcade-cabinet
// illustration of the header and the Overview cards.
#include "app/ui/canvas.h"

#include <string_view>

namespace lumenark {

inline constexpr std::wstring_view productName = L"Lumenark Recomp";
inline constexpr float titleBarHeight = 34.0f;
// The header band ends here; above it the window is dragged by its caption.
inline constexpr float brandHeaderBottom = 124.0f;

// The 34-unit strip with the badge, the product's name and the minimise and close marks; the
// marks light up while their control (12, 13) is hovered. It records no regions.
void drawTitleBar(Canvas& canvas, int hoveredControl);

// The band under the title bar: glow, five small cabinets, the logo mark and the product line.
void drawBrandHeader(Canvas& canvas);

// The cabinet illustration in rect; intensity scales its red parts.
void drawCabinet(Canvas& canvas, RectF rect, float intensity);

} // namespace lumenark
