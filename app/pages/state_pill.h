#pragma once
// A game's state word in its pill, as the Overview cards and the Build rows show it: a red fill
// for "Ready", an amber edge and word for "Failed".
#include "app/ui/canvas.h"

#include <string_view>

namespace lumenark {

// The pill's width: the word at size 13 (tracking 0.2) and 13 on each side.
float statePillWidth(const Canvas& canvas, std::wstring_view word);

// The pill 28 high with its top-left corner at (x, y), the word centred in it with its top at
// wordTop.
void drawStatePill(Canvas& canvas, float x, float y, float wordTop, std::wstring_view word);

} // namespace lumenark
