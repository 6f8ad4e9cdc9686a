#pragma once
// Where the launcher window opens.
#include "platform/window.h"

namespace lumenark {

inline constexpr int captureWidth = 1536;
inline constexpr int captureHeight = 1024;
inline constexpr int windowMaxWidth = 1382;
inline constexpr int windowMaxHeight = 922;
inline constexpr int workAreaMargin = 60;

// 1536 x 1024 for a capture, else at most 1382 x 922 and 60 less than the work area. Its corner is
// half of the work area's right and bottom edges less the size: centred on a work area at the
// origin.
platform::ScreenRect launcherWindowRect(const platform::ScreenRect& workArea, bool capture);

} // namespace lumenark
