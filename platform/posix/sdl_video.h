#pragma once
// SDL's video and events for the rest of the process, shared by the stand-in window and the
// stand-in desktop (clipboard, cursors).

namespace platform::posix {

// Starts them on first use; false when SDL could not. The driver: SDL_VIDEODRIVER, else X11 on a
// display, else SDL's offscreen driver.
bool startSdlVideo();

} // namespace platform::posix
