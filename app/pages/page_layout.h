#pragma once
// Geometry that a page and its page controls share, so the frame's controls sit on the page's
// cards and rows.
#include "presentation/renderer.h"

namespace lumenark {

// The content area: right of the sidebar to the design width less 20.
inline constexpr float contentLeft = 226.0f;
inline constexpr float contentRightMargin = 20.0f;

// Overview game card g: two columns of width (V - 14) / 2 for games 0 and 1, game 2 below
// spanning both (V = W - 602), 206 high.
inline RectF overviewCardRect(float designWidth, int game) {
    const float spread = designWidth - 602.0f;
    const float half = (spread - 14.0f) / 2.0f;
    return {contentLeft + static_cast<float>(game % 2) * (half + 14.0f),
            246.0f + static_cast<float>(game / 2) * 218.0f, game == 2 ? spread : half, 206.0f};
}

// The Play page's cabinets spread out as the design widens: x at width 1536 plus a share of the
// widening (0 at 1536, all of it at the widest design).
inline float cabinetX(float designWidth, int game) {
    constexpr float baseX[] = {250.0f, 705.0f, 1160.0f};
    constexpr float spread[] = {48.0f, 142.0f, 236.0f};
    constexpr float widening = 284.44446f; // 1820.4445 - 1536
    return baseX[game] + spread[game] * (designWidth - 1536.0f) / widening;
}
inline constexpr float cabinetWidth = 330.0f;
inline constexpr float cabinetHeight = 680.0f;
// The cabinet's drawn top before the hover lift, and its fixed clickable region's top.
inline constexpr float cabinetTop = 155.0f;
inline constexpr float cabinetRegionTop = 170.0f;

// The top of a game's row on the ROM Setup page.
inline float romSetupRowTop(int game) {
    return 290.0f + 94.0f * static_cast<float>(game);
}

// The top of a game's row on the Build page.
inline float buildRowTop(int game) {
    return 228.0f + 228.0f * static_cast<float>(game);
}

} // namespace lumenark
