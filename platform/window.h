#pragma once
// The launcher's own window and the UI thread's message queue. Windows: a borderless user32
// window of the class "QxArcadeCollection", its window procedure, the message loop and a
// waitable frame timer. Linux: an SDL2 window (video and events; SDL_VIDEODRIVER chooses the
// driver, else SDL takes a display's or its offscreen one), with SIGTERM, SIGINT and the desktop
// folder's close request standing for WM_CLOSE, SDL's keys mapped to virtual-key codes and SDL's
// hit test standing for WM_NCHITTEST. The window only translates; its owner decides.
#include "platform/desktop.h"
#include "platform/handle.h"
#include "platform/hid_devices.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Screen pixels, right and bottom exclusive.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The thickness of the system's sizing frame (frame and padded border), in pixels.
struct FrameThickness {
    int x = 0;
    int y = 0;
    friend bool operator==(const FrameThickness&, const FrameThickness&) = default;
};

// What the system says of the window's sizing frame when it asks for the client area: whether the
// window is zoomed (maximised), the window's dpi, the frame at that dpi where the system can say
// (Windows 10 1607 on), and the frame at the system dpi.
struct SizingFrame {
    bool zoomed = false;
    int dpi = 96;
    std::optional<FrameThickness> atDpi;
    FrameThickness atSystemDpi;
    int systemDpi = 96;
};

// Which part of the borderless window lies under a point: the client area, the caption that
// drags the window, or an edge or corner that resizes it.
enum class WindowArea {
    client,
    caption,
    left,
    right,
    top,
    bottom,
    topLeft,
    topRight,
    bottomLeft,
    bottomRight,
};

// What the window hands its owner, on the UI thread. The handlers run inside the window
// procedure; an error of the standard family that escapes one is given to onMessageError and
// the message goes on to the system's default handling. Points are client pixels.
class WindowEvents {
public:
    // WM_CLOSE, and on Linux the window's close button, SIGTERM, SIGINT and a close request
    // posted through the desktop folder.
    virtual void onCloseRequest() = 0;
    // WM_ACTIVATEAPP: the launcher became the active application, or stopped being it.
    virtual void onActivateApp(bool active) = 0;
    // WM_KILLFOCUS.
    virtual void onKillFocus() = 0;
    // Must not throw.
    virtual void onMessageError(const char* text) noexcept = 0;

    // WM_MOUSEMOVE.
    virtual void onMouseMove(int x, int y) = 0;
    // WM_LBUTTONDOWN and WM_LBUTTONUP: the left button.
    virtual void onMouseDown(int x, int y) = 0;
    virtual void onMouseUp(int x, int y) = 0;
    // WM_KEYDOWN: a virtual-key code; `repeat` is bit 30 of the message (the key was already
    // down). System keys (Alt, F10 and keys pressed with Alt) do not come here.
    virtual void onKeyDown(int virtualKey, bool repeat) = 0;
    // WM_CAPTURECHANGED: the window lost the mouse capture (also when it released it).
    virtual void onCaptureLost() = 0;
    // WM_INPUT: a raw-input report of a game pad; the handle is valid during the call only.
    virtual void onRawInput(RawInputHandle input) = 0;
    // WM_INPUT_DEVICE_CHANGE with GIDC_REMOVAL.
    virtual void onInputDeviceRemoved(RawDeviceHandle device) = 0;
    // WM_NCHITTEST over the client area of a window of the given client size.
    virtual WindowArea hitTest(int x, int y, int clientWidth, int clientHeight) = 0;
    // WM_SETCURSOR over the client area: the cursor the owner chose last.
    virtual CursorShape cursorShape() const = 0;
    // WM_NCCALCSIZE: the client area, in screen pixels, of the window at `window`.
    virtual ScreenRect clientArea(const ScreenRect& window, const SizingFrame& frame) = 0;
    // WM_DPICHANGED with the system's suggested rectangle, and WM_DISPLAYCHANGE (the resolution
    // or the monitors changed) without one.
    virtual void onDisplayChanged(const std::optional<ScreenRect>& suggested) = 0;

protected:
    ~WindowEvents() = default;
};

enum class ShowCommand { show, restore, minimize };

// The launcher's top-level window. Destroying the object destroys the window if it still
// exists.
class LauncherWindow {
public:
    virtual ~LauncherWindow() = default;

    // The handle the renderer presents to and raw input is registered for.
    virtual WindowHandle handle() const = 0;
    // IsWindow: false once the window was destroyed.
    virtual bool exists() const = 0;
    // DestroyWindow; WM_DESTROY posts the quit message that ends the message loop.
    virtual void destroy() = 0;
    virtual void show(ShowCommand command) = 0;
    // UpdateWindow.
    virtual void update() = 0;
    // IsIconic.
    virtual bool iconic() const = 0;
    // The window is the foreground window.
    virtual bool foreground() const = 0;
    // SetForegroundWindow.
    virtual void bringToForeground() = 0;
    // GetWindowRect.
    virtual ScreenRect windowRect() const = 0;
    // The whole rectangle (not the work area) of the monitor the window is on, or nearest to.
    virtual ScreenRect monitorRect() const = 0;
    // Borderless fullscreen over the whole rectangle of the window's monitor (not the work area).
    virtual void enterFullscreen() = 0;
    // The windowed style again, at the rectangle; on Windows a window that was zoomed when it went
    // fullscreen is zoomed again instead, its restored rectangle kept.
    virtual void leaveFullscreen(const ScreenRect& rect) = 0;
    // Moves and sizes the window without activating it or changing its Z order.
    virtual void place(const ScreenRect& rect) = 0;
    // SetCapture: the window gets the mouse's messages also outside its area.
    virtual void captureMouse() = 0;
    // ReleaseCapture when the window holds the capture; onCaptureLost follows at once.
    virtual void releaseMouseCapture() = 0;
    // GetCapture is this window.
    virtual bool holdsMouseCapture() const = 0;
};

// The primary monitor's work area (zeroed when the system does not say).
ScreenRect workArea();

struct WindowRequest {
    ScreenRect rect;
    std::wstring windowClass;
    std::wstring title;
};

// Registers the window class ("launcher class") and creates the window hidden at the rectangle
// ("launcher window"). The events must outlive the window.
std::unique_ptr<LauncherWindow> createLauncherWindow(const WindowRequest& request,
                                                     WindowEvents& events);

// The UI thread's message queue and the frame timer of the main loop.
class MessageLoop {
public:
    virtual ~MessageLoop() = default;

    // Dispatches every waiting message; false once the quit message arrived.
    virtual bool dispatchPending() = 0;
    // Arms the frame timer to fire after this many 100-ns units ("launcher frame timer
    // deadline").
    virtual void setTimer(std::uint64_t dueIn100ns) = 0;
    // Waits until a message is waiting (or already was), the armed timer fired when `withTimer`,
    // or the timeout passed ("launcher message wait").
    virtual void wait(bool withTimer, std::uint32_t timeoutMilliseconds) = 0;
};

// The message loop of the thread that created the window, with a high-resolution frame timer,
// else an ordinary one ("launcher frame timer").
std::unique_ptr<MessageLoop> createMessageLoop(LauncherWindow& window);

} // namespace platform
