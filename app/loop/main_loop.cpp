#include "app/loop/main_loop.h"

#include "app/app.h"
#include "app/loop/frame_pacer.h"
#include "app/ui_event_log.h"

namespace lumenark {
namespace {

constexpr std::uint64_t ticksPerMillisecond = 10000;
constexpr std::uint32_t busyWaitMilliseconds = 4;
constexpr std::uint32_t idleWaitMilliseconds = 100;
constexpr std::uint32_t minimisedWaitMilliseconds = 200;

std::string milliseconds(std::uint64_t from, std::uint64_t to) {
    return std::to_string((to - std::min(from, to)) / ticksPerMillisecond);
}

} // namespace

std::string startTimingText(std::uint64_t now, const StartTimes& times) {
    return milliseconds(times.t0, now) + " app+window=" + milliseconds(times.t0, times.t1) +
           " renderer=" + milliseconds(times.t1, times.t2);
}

void runMainLoop(App& app, platform::MessageLoop& messages, const StartTimes& times) {
    FramePacer pacer(app.monotonic100ns());
    bool readyLogged = false;
    for (;;) {
        if (!messages.dispatchPending()) {
            break;
        }
        app.tick();
        if (app.window() == nullptr || !app.window()->exists()) {
            break;
        }
        app.pollControllers();
        const LoopTurn turn = app.musicTurn();
        if (!turn.drawFrame) {
            // Minimised: no frame, and only the message queue is waited on.
            pacer.clearDeadline();
            messages.wait(false, turn.fading ? busyWaitMilliseconds : minimisedWaitMilliseconds);
            continue;
        }
        const std::uint64_t interval = frameInterval(app.active(), app.appliedPreferences().FPS,
                                                     app.tickState().setupBusyAtLastTick);
        const std::uint64_t t = app.monotonic100ns();
        if (pacer.frameDue(t, interval)) {
            app.render(pacer.takeStep(t), false);
            if (!readyLogged) {
                readyLogged = true;
                logUiEvent(app.projectRoot(),
                           "launcher-ready ms=" + startTimingText(app.monotonic100ns(), times));
            }
        }
        const FrameWait wait = pacer.waitAfter(app.monotonic100ns(), interval);
        if (wait.immediate) {
            continue;
        }
        messages.setTimer(wait.dueIn);
        messages.wait(true,
                      turn.fading || app.active() ? busyWaitMilliseconds : idleWaitMilliseconds);
    }
    const std::uint64_t frames = app.renderer() != nullptr ? app.renderer()->frameCount() : 0;
    logUiEvent(app.projectRoot(), "launcher-close frames=" + std::to_string(frames));
}

void runWindowSession(App& app, platform::LauncherWindow& window, const StartTimes& times) {
    logUiEvent(app.projectRoot(), "launcher-start DX12");
    app.setFullscreen(app.appliedPreferences().Fullscreen);
    window.show(platform::ShowCommand::show);
    window.update();
    app.startMenuMusic();
    const std::unique_ptr<platform::MessageLoop> messages = platform::createMessageLoop(window);
    runMainLoop(app, *messages, times);
}

} // namespace lumenark
