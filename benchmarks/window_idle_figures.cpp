// The CPU an idle launcher window uses over 10 s, active (its FPS limit, 60) and inactive (2
// frames a second): the App's own main loop with the system's window, message loop, frame timer
// and the CPU render device, on an empty project root. Linux: SDL's offscreen driver unless
// SDL_VIDEODRIVER chooses another. Prints frames, frames a second, and CPU time as a share of
// one core.
#include "app/app.h"
#include "app/loop/main_loop.h"
#include "app/loop/window_placement.h"
#include "app/modes/entry_point.h"
#include "platform/clock.h"
#include "platform/process_snapshot.h"
#include "platform/window.h"
#include "presentation/renderer.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace {

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void measure(const std::filesystem::path& root, bool active, int seconds) {
    using namespace lumenark;
    App app(qxlauncher::StartupContext{root}, systemAppServices());
    platform::WindowRequest request;
    request.rect = launcherWindowRect(platform::workArea(), false);
    request.windowClass = launcherWindowClass;
    request.title = launcherWindowTitle;
    auto window = platform::createLauncherWindow(request, app);
    app.attachWindow(window.get());
    app.attachRenderer(std::make_unique<Renderer>(platform::RenderSurface{window->handle()}));
    if (!active) {
        app.onActivateApp(false);
    }
    const platform::WindowHandle handle = window->handle();
    std::thread closer([handle, seconds] {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        platform::postWindowClose(handle);
    });
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    StartTimes times;
    times.t0 = times.t1 = times.t2 = platform::monotonic100ns();
    runWindowSession(app, *window, times);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    closer.join();
    const auto frames = static_cast<double>(app.renderer()->frameCount());
    std::printf("%-8s %5.0f frames in %4.1f s (%5.1f a second), CPU %5.1f%% of one core, "
                "%4.1f ms of CPU a frame, window %d x %d\n",
                active ? "active" : "inactive", frames, wall, frames / wall, 100.0 * cpu / wall,
                1000.0 * cpu / frames, app.renderer()->width(), app.renderer()->height());
    app.attachWindow(nullptr);
    window.reset();
    app.shutdown();
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                       ("window-idle-figures-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
    ::setenv("LUMENARK_DESKTOP_DIR", (root / "desktop").c_str(), 1);
    measure(root, true, seconds);
    measure(root, false, seconds);
    std::filesystem::remove_all(root);
    return 0;
}
