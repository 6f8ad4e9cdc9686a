// The launcher's borderless user32 window, its window procedure (which only translates messages
// into the owner's WindowEvents calls), the message loop and the waitable frame timer.
#include "platform/window.h"

#include "platform/handle.h"
#include "platform/win32/system_library.h"

#include <windows.h>

#include <imm.h>
#include <shellscalingapi.h>
#include <windowsx.h>

#include <exception>
#include <optional>
#include <stdexcept>

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace platform {
namespace {

constexpr DWORD windowedStyle =
    WS_POPUP | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr int minimumTrackWidth = 768;
constexpr int minimumTrackHeight = 512;

ScreenRect fromRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

WindowEvents* eventsOf(HWND window) {
    return reinterpret_cast<WindowEvents*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT hitTestCode(WindowArea area) {
    switch (area) {
    case WindowArea::client:
        return HTCLIENT;
    case WindowArea::caption:
        return HTCAPTION;
    case WindowArea::left:
        return HTLEFT;
    case WindowArea::right:
        return HTRIGHT;
    case WindowArea::top:
        return HTTOP;
    case WindowArea::bottom:
        return HTBOTTOM;
    case WindowArea::topLeft:
        return HTTOPLEFT;
    case WindowArea::topRight:
        return HTTOPRIGHT;
    case WindowArea::bottomLeft:
        return HTBOTTOMLEFT;
    case WindowArea::bottomRight:
        return HTBOTTOMRIGHT;
    }
    return HTCLIENT;
}

// The dpi of the screen as a whole: what GetSystemMetrics measures in.
int systemDpi() {
    HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) {
        return USER_DEFAULT_SCREEN_DPI;
    }
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

// GetDpiForWindow came with Windows 10 1607; before it the dpi of the window's monitor.
int windowDpi(HWND window, int fallback) {
    static const auto dpiForWindow =
        win32::systemFunction<decltype(&::GetDpiForWindow)>(L"user32.dll", "GetDpiForWindow");
    if (dpiForWindow != nullptr) {
        if (const UINT dpi = dpiForWindow(window); dpi != 0) {
            return static_cast<int>(dpi);
        }
    }
    static const auto dpiForMonitor =
        win32::systemFunction<decltype(&::GetDpiForMonitor)>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0;
    UINT y = 0;
    if (dpiForMonitor != nullptr &&
        SUCCEEDED(dpiForMonitor(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST),
                                MDT_EFFECTIVE_DPI, &x, &y)) &&
        x != 0) {
        return static_cast<int>(x);
    }
    return fallback;
}

// The sizing frame as the system has it; its figures matter only while the window is zoomed.
SizingFrame sizingFrameOf(HWND window) {
    SizingFrame frame;
    frame.zoomed = ::IsZoomed(window) != FALSE;
    if (!frame.zoomed) {
        return frame;
    }
    frame.systemDpi = systemDpi();
    frame.dpi = windowDpi(window, frame.systemDpi);
    // Windows 10 1607 on.
    static const auto metricsForDpi = win32::systemFunction<decltype(&::GetSystemMetricsForDpi)>(
        L"user32.dll", "GetSystemMetricsForDpi");
    if (metricsForDpi != nullptr) {
        const auto dpi = static_cast<UINT>(frame.dpi);
        const int padded = metricsForDpi(SM_CXPADDEDBORDER, dpi);
        frame.atDpi = FrameThickness{metricsForDpi(SM_CXFRAME, dpi) + padded,
                                     metricsForDpi(SM_CYFRAME, dpi) + padded};
    }
    const int padded = ::GetSystemMetrics(SM_CXPADDEDBORDER);
    frame.atSystemDpi = {::GetSystemMetrics(SM_CXFRAME) + padded,
                         ::GetSystemMetrics(SM_CYFRAME) + padded};
    return frame;
}

RECT toRect(const ScreenRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

// The client area the owner chooses for the proposed window rectangle, in place: the first
// rectangle of NCCALCSIZE_PARAMS, or the one rectangle when wParam is FALSE.
void calculateClientArea(WindowEvents& events, HWND window, WPARAM wParam, LPARAM lParam) {
    RECT* proposed = wParam != FALSE ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                                     : reinterpret_cast<RECT*>(lParam);
    *proposed = toRect(events.clientArea(fromRect(*proposed), sizingFrameOf(window)));
}

// Only a point of the client area is the owner's to place; the system answers the rest.
LRESULT hitTest(WindowEvents& events, HWND window, LPARAM lParam) {
    const LRESULT system = ::DefWindowProcW(window, WM_NCHITTEST, 0, lParam);
    if (system != HTCLIENT) {
        return system;
    }
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ScreenToClient(window, &point);
    RECT client{};
    ::GetClientRect(window, &client);
    return hitTestCode(events.hitTest(point.x, point.y, client.right, client.bottom));
}

LRESULT handleMessage(WindowEvents& events, HWND window, UINT message, WPARAM wParam,
                      LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    case WM_KILLFOCUS:
        events.onKillFocus();
        return 0;
    case WM_ACTIVATEAPP:
        events.onActivateApp(wParam != 0);
        return 0;
    case WM_PAINT: {
        // The main loop draws the frames.
        PAINTSTRUCT paint{};
        ::BeginPaint(window, &paint);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        events.onCloseRequest();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = minimumTrackWidth;
        info->ptMinTrackSize.y = minimumTrackHeight;
        return 0;
    }
    case WM_NCCALCSIZE:
        // No caption; a frame only where a zoomed window's lies beyond the monitor.
        calculateClientArea(events, window, wParam, lParam);
        return 0;
    case WM_NCHITTEST:
        return hitTest(events, window, lParam);
    case WM_SETCURSOR:
        // The class cursor is the arrow; over the client area the owner's choice stays.
        if (LOWORD(lParam) != HTCLIENT) {
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
        ::SetCursor(::LoadCursorW(nullptr, events.cursorShape() == CursorShape::hand ? IDC_HAND
                                                                                     : IDC_ARROW));
        return TRUE;
    case WM_INPUT_DEVICE_CHANGE:
        if (wParam == GIDC_REMOVAL) {
            events.onInputDeviceRemoved(reinterpret_cast<RawDeviceHandle>(lParam));
        }
        return 0;
    case WM_INPUT:
        events.onRawInput(reinterpret_cast<RawInputHandle>(lParam));
        // The system frees the report's buffer there.
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYDOWN:
        events.onKeyDown(static_cast<int>(wParam), (lParam & (LPARAM{1} << 30)) != 0);
        return 0;
    case WM_SYSCOMMAND:
        // F10 and Alt would open the system menu.
        if ((wParam & 0xFFF0) == SC_KEYMENU) {
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
        events.onMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        events.onMouseDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        events.onMouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_CAPTURECHANGED:
        events.onCaptureLost();
        return 0;
    case WM_DPICHANGED:
        events.onDisplayChanged(fromRect(*reinterpret_cast<const RECT*>(lParam)));
        return 0;
    case WM_DISPLAYCHANGE:
        events.onDisplayChanged(std::nullopt);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    WindowEvents* events = eventsOf(window);
    if (events == nullptr) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return handleMessage(*events, window, message, wParam, lParam);
    } catch (const std::exception& error) {
        events->onMessageError(error.what());
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

class Win32Window final : public LauncherWindow {
public:
    explicit Win32Window(HWND window) : window_(window) {}
    ~Win32Window() override {
        if (::IsWindow(window_)) {
            ::DestroyWindow(window_);
        }
    }

    WindowHandle handle() const override { return window_; }
    bool exists() const override { return ::IsWindow(window_) != FALSE; }
    void destroy() override { ::DestroyWindow(window_); }

    void show(ShowCommand command) override {
        switch (command) {
        case ShowCommand::show:
            ::ShowWindow(window_, SW_SHOW);
            break;
        case ShowCommand::restore:
            ::ShowWindow(window_, SW_RESTORE);
            break;
        case ShowCommand::minimize:
            ::ShowWindow(window_, SW_MINIMIZE);
            break;
        }
    }

    void update() override { ::UpdateWindow(window_); }
    bool iconic() const override { return ::IsIconic(window_) != FALSE; }
    bool foreground() const override { return ::GetForegroundWindow() == window_; }
    void bringToForeground() override { ::SetForegroundWindow(window_); }

    ScreenRect windowRect() const override {
        RECT rect{};
        ::GetWindowRect(window_, &rect);
        return fromRect(rect);
    }

    ScreenRect monitorRect() const override {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        ::GetMonitorInfoW(::MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &info);
        return fromRect(info.rcMonitor);
    }

    void enterFullscreen() override {
        zoomedPlacement_.reset();
        if (::IsZoomed(window_)) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof(placement);
            if (::GetWindowPlacement(window_, &placement)) {
                zoomedPlacement_ = placement;
            }
        }
        const ScreenRect full = monitorRect();
        ::SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(WS_POPUP | WS_VISIBLE));
        ::SetWindowPos(window_, nullptr, full.left, full.top, full.width(), full.height(),
                       SWP_FRAMECHANGED);
    }

    void leaveFullscreen(const ScreenRect& rect) override {
        ::SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(windowedStyle | WS_VISIBLE));
        if (zoomedPlacement_) {
            // Zoomed again, with its restored rectangle: a window left at its zoomed rectangle
            // without being zoomed would show the part beyond the work area.
            ::SetWindowPlacement(window_, &*zoomedPlacement_);
            zoomedPlacement_.reset();
            ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                           SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
            return;
        }
        ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                       SWP_FRAMECHANGED | SWP_NOZORDER);
    }

    void place(const ScreenRect& rect) override {
        ::SetWindowPos(window_, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void captureMouse() override { ::SetCapture(window_); }
    void releaseMouseCapture() override {
        if (holdsMouseCapture()) {
            ::ReleaseCapture();
        }
    }
    bool holdsMouseCapture() const override { return ::GetCapture() == window_; }

private:
    HWND window_;
    // Where a window zoomed when it went fullscreen goes back to.
    std::optional<WINDOWPLACEMENT> zoomedPlacement_;
};

class Win32MessageLoop final : public MessageLoop {
public:
    Win32MessageLoop() {
        timer_.reset(::CreateWaitableTimerExW(
            nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS));
        if (!timer_.valid()) {
            timer_.reset(::CreateWaitableTimerW(nullptr, FALSE, nullptr));
        }
        if (!timer_.valid()) {
            throw std::runtime_error("launcher frame timer");
        }
    }

    bool dispatchPending() override {
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return false;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        return true;
    }

    void setTimer(std::uint64_t dueIn100ns) override {
        LARGE_INTEGER due{};
        // A negative due time is relative to now.
        due.QuadPart = -static_cast<LONGLONG>(dueIn100ns);
        if (!::SetWaitableTimer(timer_.get(), &due, 0, nullptr, nullptr, FALSE)) {
            throw std::runtime_error("launcher frame timer deadline");
        }
    }

    void wait(bool withTimer, std::uint32_t timeoutMilliseconds) override {
        HANDLE timer = timer_.get();
        const DWORD result =
            ::MsgWaitForMultipleObjectsEx(withTimer ? 1 : 0, withTimer ? &timer : nullptr,
                                          timeoutMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_FAILED) {
            throw std::runtime_error("launcher message wait");
        }
    }

private:
    UniqueHandle timer_;
};

} // namespace

ScreenRect workArea() {
    RECT rect{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &rect, 0);
    return fromRect(rect);
}

std::unique_ptr<LauncherWindow> createLauncherWindow(const WindowRequest& request,
                                                     WindowEvents& events) {
    const ScreenRect& rect = request.rect;
    const std::wstring& windowClass = request.windowClass;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSW description{};
    description.style = 0;
    description.lpfnWndProc = windowProc;
    description.hInstance = instance;
    description.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    description.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    description.lpszClassName = windowClass.c_str();
    if (::RegisterClassW(&description) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("launcher class");
    }
    HWND window = ::CreateWindowExW(WS_EX_APPWINDOW, windowClass.c_str(), request.title.c_str(),
                                    windowedStyle, rect.left, rect.top, rect.width(), rect.height(),
                                    nullptr, nullptr, instance, &events);
    if (window == nullptr) {
        throw std::runtime_error("launcher window");
    }
    // No input method composes in the launcher: with one on, every key would arrive as
    // VK_PROCESSKEY. The folder picker's own windows keep theirs.
    ::ImmAssociateContextEx(window, nullptr, 0);
    return std::make_unique<Win32Window>(window);
}

std::unique_ptr<MessageLoop> createMessageLoop(LauncherWindow&) {
    return std::make_unique<Win32MessageLoop>();
}

} // namespace platform
