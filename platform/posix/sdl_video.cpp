#include "platform/posix/sdl_video.h"

#include <SDL.h>

namespace platform::posix {

bool startSdlVideo() {
    static bool started = false;
    if (!started) {
        // SIGTERM and SIGINT are the message loop's close requests, not SDL's quit events.
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        // The CPU device hands finished frames over: a plain window surface, no GPU texture.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        // An X display, else off screen; SDL_VIDEODRIVER in the environment still wins. Left to
        // itself SDL probes Wayland first and complains on stderr where there is none.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,offscreen");
        started = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    }
    return started;
}

} // namespace platform::posix
