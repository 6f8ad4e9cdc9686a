#pragma once
// The launcher's frame of life on the UI thread: the normal start after the renderer exists, and
// the main loop that drains messages, ticks the backend, polls the controllers, gives the music
// its volume, paces and draws frames and waits for the next event.
#include "platform/window.h"

#include <cstdint>
#include <string>

namespace lumenark {

class App;

// The start-up instants of the monotonic clock in 100-ns units: at entry, after the App, the
// window and the raw-input registration, after the renderer.
struct StartTimes {
    std::uint64_t t0 = 0;
    std::uint64_t t1 = 0;
    std::uint64_t t2 = 0;
};

// "<now - t0> app+window=<t1 - t0> renderer=<t2 - t1>", whole milliseconds.
std::string startTimingText(std::uint64_t now, const StartTimes& times);

// Turns until the quit message arrives or the window is gone; "launcher-ready ms=" after the first
// frame and "launcher-close frames=" at the end.
void runMainLoop(App& app, platform::MessageLoop& messages, const StartTimes& times);

// The normal start ("launcher-start DX12", the start-fullscreen preference, the window shown,
// the menu music, the frame timer), then the main loop; the timer is closed after it.
void runWindowSession(App& app, platform::LauncherWindow& window, const StartTimes& times);

} // namespace lumenark
