#pragma once
// The Linux stand-in of the launcher window as the CPU render device sees it: the SDL window
// behind a window handle, its size and a place to present a frame.
#include "platform/handle.h"
#include "platform/render_device.h"

#include <cstdint>
#include <vector>

namespace platform::posix {

// False when the handle is no window of this process.
bool isLauncherWindow(WindowHandle window);

// The window's drawable size in pixels (0 x 0 while minimised or once destroyed).
ClientSize launcherWindowClientSize(WindowHandle window);

// SDL's id of the window, which its events carry; 0 for no window of this process.
std::uint32_t launcherWindowSdlId(WindowHandle window);

// Copies a B8G8R8A8 frame into the shown window; nothing happens for a hidden window.
void presentToLauncherWindow(WindowHandle window, const std::vector<std::uint32_t>& pixels,
                             int width, int height);

} // namespace platform::posix
