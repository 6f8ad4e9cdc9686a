// The Linux stand-in of the launcher window: an SDL2 window (SDL chooses the video driver, as
// SDL_VIDEODRIVER says), registered in the desktop folder like any stand-in window so that a
// second launcher finds it. The message loop dispatches SDL's events (the window's, the mouse's
// left button and motion, keys as virtual-key codes), the desktop folder's requests and
// SIGTERM/SIGINT, and waits on poll(2) over a signal pipe, a timerfd standing for the waitable
// timer and, with the X11 driver, the display connection. SDL's hit test stands for
// WM_NCHITTEST.
#include "platform/window.h"

#include "platform/posix/desktop_dir.h"
#include "platform/posix/sdl_keys.h"
#include "platform/posix/sdl_video.h"
#include "platform/posix/sdl_window.h"
#include "platform/process.h"
#include "platform/text.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <exception>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

constexpr int minimumTrackWidth = 768;
constexpr int minimumTrackHeight = 512;

// Like the window procedure: an error of a handler becomes the owner's message error.
template <typename Handler> void deliver(WindowEvents& events, Handler handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        events.onMessageError(error.what());
    }
}

SDL_HitTestResult sdlHitTestResult(WindowArea area) {
    switch (area) {
    case WindowArea::client:
        return SDL_HITTEST_NORMAL;
    case WindowArea::caption:
        return SDL_HITTEST_DRAGGABLE;
    case WindowArea::left:
        return SDL_HITTEST_RESIZE_LEFT;
    case WindowArea::right:
        return SDL_HITTEST_RESIZE_RIGHT;
    case WindowArea::top:
        return SDL_HITTEST_RESIZE_TOP;
    case WindowArea::bottom:
        return SDL_HITTEST_RESIZE_BOTTOM;
    case WindowArea::topLeft:
        return SDL_HITTEST_RESIZE_TOPLEFT;
    case WindowArea::topRight:
        return SDL_HITTEST_RESIZE_TOPRIGHT;
    case WindowArea::bottomLeft:
        return SDL_HITTEST_RESIZE_BOTTOMLEFT;
    case WindowArea::bottomRight:
        return SDL_HITTEST_RESIZE_BOTTOMRIGHT;
    }
    return SDL_HITTEST_NORMAL;
}

class SdlWindow;

// The launcher windows of this process, by handle.
std::vector<SdlWindow*>& liveWindows() {
    static std::vector<SdlWindow*> windows;
    return windows;
}

class SdlWindow final : public LauncherWindow {
public:
    SdlWindow(const WindowRequest& request, WindowEvents& events) : events_(events) {
        const ScreenRect& rect = request.rect;
        window_ =
            SDL_CreateWindow(utf8FromWide(request.title).c_str(), rect.left, rect.top,
                             std::max(rect.width(), 1), std::max(rect.height(), 1),
                             SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS | SDL_WINDOW_RESIZABLE);
        if (window_ == nullptr) {
            throw std::runtime_error("launcher window");
        }
        SDL_SetWindowMinimumSize(window_, minimumTrackWidth, minimumTrackHeight);
        // The borderless window's caption and edges; drivers without it leave them plain.
        SDL_SetWindowHitTest(window_, &SdlWindow::hitTest, this);
        desktop_ = posix::registerDesktopWindow(request.windowClass, currentProcessId());
        handle_ = posix::windowHandleOf(desktop_.file);
        if (handle_ == nullptr) {
            SDL_DestroyWindow(window_);
            throw std::runtime_error("launcher window");
        }
        liveWindows().push_back(this);
    }
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;
    ~SdlWindow() override {
        destroyWindow();
        std::erase(liveWindows(), this);
    }

    WindowHandle handle() const override { return handle_; }
    bool exists() const override { return window_ != nullptr; }

    void destroy() override {
        if (window_ != nullptr) {
            destroyWindow();
            // WM_DESTROY: the quit message.
            quitPosted_ = true;
        }
    }

    void show(ShowCommand command) override {
        if (window_ == nullptr) {
            return;
        }
        switch (command) {
        case ShowCommand::show:
            SDL_ShowWindow(window_);
            break;
        case ShowCommand::restore:
            SDL_ShowWindow(window_);
            SDL_RestoreWindow(window_);
            break;
        case ShowCommand::minimize:
            SDL_MinimizeWindow(window_);
            break;
        }
    }

    void update() override {}

    bool iconic() const override {
        return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0;
    }

    bool foreground() const override {
        return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0;
    }

    void bringToForeground() override {
        if (window_ != nullptr) {
            SDL_RaiseWindow(window_);
        }
    }

    ScreenRect windowRect() const override {
        if (window_ == nullptr) {
            return {};
        }
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        SDL_GetWindowPosition(window_, &x, &y);
        SDL_GetWindowSize(window_, &width, &height);
        return {x, y, x + width, y + height};
    }

    ScreenRect monitorRect() const override {
        SDL_Rect bounds{};
        const int display = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : -1;
        if (display < 0 || SDL_GetDisplayBounds(display, &bounds) != 0) {
            return {};
        }
        return {bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
    }

    void enterFullscreen() override {
        if (window_ != nullptr) {
            SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
    }

    void leaveFullscreen(const ScreenRect& rect) override {
        if (window_ != nullptr) {
            SDL_SetWindowFullscreen(window_, 0);
            place(rect);
        }
    }

    void place(const ScreenRect& rect) override {
        if (window_ != nullptr) {
            SDL_SetWindowPosition(window_, rect.left, rect.top);
            SDL_SetWindowSize(window_, std::max(rect.width(), 1), std::max(rect.height(), 1));
        }
    }

    // SDL's capture, where the driver has one; the window's own flag stands for it elsewhere.
    void captureMouse() override {
        if (window_ != nullptr) {
            SDL_CaptureMouse(SDL_TRUE);
            captured_ = true;
        }
    }

    void releaseMouseCapture() override {
        if (!captured_) {
            return;
        }
        captured_ = false;
        SDL_CaptureMouse(SDL_FALSE);
        // As WM_CAPTURECHANGED follows ReleaseCapture.
        deliver(events_, [this] { events_.onCaptureLost(); });
    }

    bool holdsMouseCapture() const override { return captured_; }

    // The message loop's side.
    SDL_Window* sdlWindow() const { return window_; }
    WindowEvents& events() { return events_; }
    const posix::DesktopWindow& desktopEntry() const { return desktop_; }
    bool quitPosted() const { return quitPosted_; }

    ClientSize clientSize() const {
        if (window_ == nullptr || iconic()) {
            return {};
        }
        ClientSize size;
        SDL_GetWindowSize(window_, &size.width, &size.height);
        return size;
    }

    void present(const std::vector<std::uint32_t>& pixels, int width, int height) {
        if (window_ == nullptr || (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) == 0) {
            return;
        }
        SDL_Surface* surface = SDL_GetWindowSurface(window_);
        if (surface == nullptr) {
            return;
        }
        // A resize not yet seen by the renderer: the part that fits.
        const int columns = std::min(width, surface->w);
        const int rows = std::min(height, surface->h);
        if (columns <= 0 || rows <= 0) {
            return;
        }
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
            return;
        }
        SDL_ConvertPixels(columns, rows, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                          width * static_cast<int>(sizeof(std::uint32_t)), surface->format->format,
                          surface->pixels, surface->pitch);
        if (SDL_MUSTLOCK(surface)) {
            SDL_UnlockSurface(surface);
        }
        SDL_UpdateWindowSurface(window_);
    }

private:
    static SDL_HitTestResult hitTest(SDL_Window*, const SDL_Point* point, void* data) {
        auto* self = static_cast<SdlWindow*>(data);
        WindowArea area = WindowArea::client;
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(self->window_, &width, &height);
        deliver(self->events_,
                [&] { area = self->events_.hitTest(point->x, point->y, width, height); });
        return sdlHitTestResult(area);
    }

    void destroyWindow() {
        captured_ = false;
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
            window_ = nullptr;
            posix::unregisterDesktopWindow(desktop_);
        }
    }

    WindowEvents& events_;
    SDL_Window* window_ = nullptr;
    posix::DesktopWindow desktop_;
    WindowHandle handle_ = nullptr;
    bool quitPosted_ = false;
    bool captured_ = false;
};

SdlWindow* windowOf(WindowHandle handle) {
    for (SdlWindow* window : liveWindows()) {
        if (window->handle() == handle) {
            return window;
        }
    }
    return nullptr;
}

// The write end of the pipe that turns SIGTERM and SIGINT into close requests.
volatile std::sig_atomic_t signalPipeWriter = -1;

void onCloseSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (signalPipeWriter >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(signalPipeWriter, &byte, 1);
    }
    errno = saved;
}

class SdlMessageLoop final : public MessageLoop {
public:
    explicit SdlMessageLoop(SdlWindow& window) : window_(window) {
        timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
        if (timer_ < 0 || ::pipe2(signalPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
            closeDescriptors();
            throw std::runtime_error("launcher frame timer");
        }
        signalPipeWriter = signalPipe_[1];
        struct sigaction action {};
        action.sa_handler = onCloseSignal;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, &previousTerm_);
        ::sigaction(SIGINT, &action, &previousInt_);
        displayConnection_ = connectionOf(window.sdlWindow());
    }
    SdlMessageLoop(const SdlMessageLoop&) = delete;
    SdlMessageLoop& operator=(const SdlMessageLoop&) = delete;
    ~SdlMessageLoop() override {
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        ::sigaction(SIGINT, &previousInt_, nullptr);
        signalPipeWriter = -1;
        closeDescriptors();
    }

    bool dispatchPending() override {
        if (window_.quitPosted()) {
            return false;
        }
        if (takeSignals()) {
            deliver([this] { window_.events().onCloseRequest(); });
        }
        if (window_.exists()) {
            for (const std::string& request : posix::takeDesktopRequests(window_.desktopEntry())) {
                handleRequest(request);
            }
        }
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            handleEvent(event);
        }
        return !window_.quitPosted();
    }

    void setTimer(std::uint64_t dueIn100ns) override {
        itimerspec due{};
        const std::uint64_t nanoseconds = std::max<std::uint64_t>(dueIn100ns, 1) * 100;
        due.it_value.tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
        due.it_value.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
        if (::timerfd_settime(timer_, 0, &due, nullptr) != 0) {
            throw std::runtime_error("launcher frame timer deadline");
        }
    }

    void wait(bool withTimer, std::uint32_t timeoutMilliseconds) override {
        // Input already waiting ends the wait at once, as MWMO_INPUTAVAILABLE does.
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) || window_.quitPosted()) {
            return;
        }
        pollfd watched[3]{};
        nfds_t count = 0;
        watched[count++] = {signalPipe_[0], POLLIN, 0};
        if (withTimer) {
            watched[count++] = {timer_, POLLIN, 0};
        }
        if (displayConnection_ >= 0) {
            watched[count++] = {displayConnection_, POLLIN, 0};
        }
        const int result = ::poll(watched, count, static_cast<int>(timeoutMilliseconds));
        if (result < 0 && errno != EINTR) {
            throw std::runtime_error("launcher message wait");
        }
        if (withTimer) {
            std::uint64_t expirations = 0;
            [[maybe_unused]] const ssize_t read = ::read(timer_, &expirations, sizeof(expirations));
        }
    }

private:
    static int connectionOf(SDL_Window* window) {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (window == nullptr || !SDL_GetWindowWMInfo(window, &info)) {
            return -1;
        }
#if defined(SDL_VIDEO_DRIVER_X11)
        if (info.subsystem == SDL_SYSWM_X11) {
            return ConnectionNumber(info.info.x11.display);
        }
#endif
        return -1;
    }

    bool takeSignals() {
        bool any = false;
        char bytes[16];
        while (::read(signalPipe_[0], bytes, sizeof(bytes)) > 0) {
            any = true;
        }
        return any;
    }

    template <typename Handler> void deliver(Handler handler) {
        platform::deliver(window_.events(), handler);
    }

    void handleRequest(const std::string& request) {
        if (request == "restore") {
            window_.show(ShowCommand::restore);
        } else if (request == "foreground") {
            window_.bringToForeground();
        } else if (request == "close") {
            deliver([this] { window_.events().onCloseRequest(); });
        }
    }

    void handleEvent(const SDL_Event& event) {
        SDL_Window* window = window_.sdlWindow();
        if (window == nullptr) {
            return;
        }
        const Uint32 id = SDL_GetWindowID(window);
        WindowEvents& events = window_.events();
        switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.windowID == id) {
                handleWindowEvent(event.window);
            }
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.windowID == id) {
                deliver([&] { events.onMouseMove(event.motion.x, event.motion.y); });
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.windowID == id && event.button.button == SDL_BUTTON_LEFT) {
                const int x = event.button.x;
                const int y = event.button.y;
                if (event.type == SDL_MOUSEBUTTONDOWN) {
                    deliver([&] { events.onMouseDown(x, y); });
                } else {
                    deliver([&] { events.onMouseUp(x, y); });
                }
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.windowID == id) {
                handleKey(event.key);
            }
            break;
        default:
            break;
        }
    }

    void handleWindowEvent(const SDL_WindowEvent& event) {
        WindowEvents& events = window_.events();
        switch (event.event) {
        case SDL_WINDOWEVENT_CLOSE:
            deliver([&] { events.onCloseRequest(); });
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            deliver([&] { events.onActivateApp(true); });
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            // Another window takes the mouse with the focus.
            window_.releaseMouseCapture();
            deliver([&] {
                events.onKillFocus();
                events.onActivateApp(false);
            });
            break;
        default:
            break;
        }
    }

    void handleKey(const SDL_KeyboardEvent& key) {
        if (posix::isSystemKey(key.keysym.sym, key.keysym.mod)) {
            return;
        }
        const int virtualKey = posix::virtualKeyOfSdlKey(key.keysym.sym);
        if (virtualKey != 0) {
            deliver([&] { window_.events().onKeyDown(virtualKey, key.repeat != 0); });
        }
    }

    void closeDescriptors() {
        for (int* descriptor : {&timer_, &signalPipe_[0], &signalPipe_[1]}) {
            if (*descriptor >= 0) {
                ::close(*descriptor);
                *descriptor = -1;
            }
        }
    }

    SdlWindow& window_;
    int timer_ = -1;
    int signalPipe_[2] = {-1, -1};
    int displayConnection_ = -1;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
};

} // namespace

ScreenRect workArea() {
    SDL_Rect usable{};
    if (!posix::startSdlVideo() || SDL_GetDisplayUsableBounds(0, &usable) != 0) {
        return {};
    }
    return {usable.x, usable.y, usable.x + usable.w, usable.y + usable.h};
}

std::unique_ptr<LauncherWindow> createLauncherWindow(const WindowRequest& request,
                                                     WindowEvents& events) {
    if (!posix::startSdlVideo()) {
        throw std::runtime_error("launcher window");
    }
    return std::make_unique<SdlWindow>(request, events);
}

std::unique_ptr<MessageLoop> createMessageLoop(LauncherWindow& window) {
    return std::make_unique<SdlMessageLoop>(static_cast<SdlWindow&>(window));
}

namespace posix {

bool isLauncherWindow(WindowHandle window) {
    return windowOf(window) != nullptr;
}

ClientSize launcherWindowClientSize(WindowHandle window) {
    const SdlWindow* owner = windowOf(window);
    return owner == nullptr ? ClientSize{} : owner->clientSize();
}

std::uint32_t launcherWindowSdlId(WindowHandle window) {
    const SdlWindow* owner = windowOf(window);
    return owner == nullptr || owner->sdlWindow() == nullptr ? 0
                                                             : SDL_GetWindowID(owner->sdlWindow());
}

void presentToLauncherWindow(WindowHandle window, const std::vector<std::uint32_t>& pixels,
                             int width, int height) {
    if (SdlWindow* owner = windowOf(window)) {
        owner->present(pixels, width, height);
    }
}

} // namespace posix
} // namespace platform
