#pragma once
// The launcher window's rectangles: where it opens, its client area while the system places its
// frame, and where it goes when the monitor's scale or the display changes.
#include "platform/window.h"

#include <optional>

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

// The sizing frame's thickness at the window's dpi: the system's figures for that dpi where it
// has them, else its figures for the system dpi scaled to the window's.
platform::FrameThickness frameThicknessAt(const platform::SizingFrame& frame);

// The client area of the borderless window at `window`: all of it, except while zoomed. The system
// lays a zoomed window's sizing frame beyond the monitor's work area, so the client area is inset
// by the frame and covers the work area, not the neighbouring monitor.
platform::ScreenRect clientAreaOf(const platform::ScreenRect& window,
                                  const platform::SizingFrame& frame);

// Where the window goes when the monitor's scale changes (with the system's suggested rectangle)
// or the display changes (without one): a fullscreen window covers its monitor again; a window
// takes the suggested rectangle and otherwise stays. None: the window stays.
std::optional<platform::ScreenRect>
placementAfterDisplayChange(bool fullscreen, const std::optional<platform::ScreenRect>& suggested,
                            const platform::ScreenRect& monitor);

} // namespace lumenark
