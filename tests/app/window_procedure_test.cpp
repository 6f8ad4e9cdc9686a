// The system's launcher window as the App's input: the window's messages (Windows) or SDL's
// events (Linux) sent to the real window, and what reaches the App through WindowEvents. A
// recording shim between the window and the App writes down every call before handing it on.
#include "app/control_ids.h"
#include "app/ui_event_log.h"
#include "tests/app/app_probe.h"
#include "tests/app/system_window_fixture.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <imm.h>
#include <windowsx.h>
#else
#include "platform/posix/sdl_window.h"

#include <SDL.h>
#endif

namespace lumenark {
namespace {

using platform::CursorShape;
using platform::WindowArea;

std::string hex(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof(text), "%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(handle)));
    return text;
}

// Writes each call down as a line and hands it on to the App. A call named in `failOn` throws
// instead, as a failing action would.
class RecordingEvents final : public platform::WindowEvents {
public:
    explicit RecordingEvents(std::unique_ptr<App>& app) : app_(app) {}

    void onCloseRequest() override {
        record("close");
        app_->onCloseRequest();
    }
    void onActivateApp(bool active) override {
        record(active ? "activate" : "deactivate");
        app_->onActivateApp(active);
    }
    void onKillFocus() override {
        record("kill-focus");
        app_->onKillFocus();
    }
    void onMessageError(const char* text) noexcept override {
        try {
            calls.push_back(std::string("error ") + text);
        } catch (...) {
        }
        app_->onMessageError(text);
    }
    void onMouseMove(int x, int y) override {
        record("move " + point(x, y));
        app_->onMouseMove(x, y);
    }
    void onMouseDown(int x, int y) override {
        record("down " + point(x, y));
        app_->onMouseDown(x, y);
    }
    void onMouseUp(int x, int y) override {
        record("up " + point(x, y));
        app_->onMouseUp(x, y);
    }
    void onKeyDown(int virtualKey, bool repeat) override {
        char text[32];
        std::snprintf(text, sizeof(text), "key %02X%s", virtualKey, repeat ? " repeat" : "");
        record(text);
        app_->onKeyDown(virtualKey, repeat);
    }
    void onCaptureLost() override {
        record("capture-lost");
        app_->onCaptureLost();
    }
    void onRawInput(platform::RawInputHandle input) override {
        record("raw " + hex(input));
        app_->onRawInput(input);
    }
    void onInputDeviceRemoved(platform::RawDeviceHandle device) override {
        record("removed " + hex(device));
        app_->onInputDeviceRemoved(device);
    }
    // Not written down: the system asks on its own whenever the mouse moves.
    WindowArea hitTest(int x, int y, int width, int height) override {
        return app_->hitTest(x, y, width, height);
    }
    CursorShape cursorShape() const override { return cursor; }
    // Not written down either: the system asks at every move and resize.
    platform::ScreenRect clientArea(const platform::ScreenRect& window,
                                    const platform::SizingFrame& frame) override {
        return app_->clientArea(window, frame);
    }
    void onDisplayChanged(const std::optional<platform::ScreenRect>& suggested) override {
        record(suggested ? "scale " + point(suggested->left, suggested->top) + " " +
                               point(suggested->right, suggested->bottom)
                         : std::string("display"));
        app_->onDisplayChanged(suggested);
    }

    std::vector<std::string> calls;
    std::string failOn;
    CursorShape cursor = CursorShape::arrow;

private:
    static std::string point(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
    void record(const std::string& call) {
        if (!failOn.empty() && call.starts_with(failOn)) {
            throw std::runtime_error("scripted failure of " + call);
        }
        calls.push_back(call);
    }

    std::unique_ptr<App>& app_;
};

using Calls = std::vector<std::string>;

class WindowProcedure : public apptest::SystemWindowTest {
protected:
    platform::WindowEvents& events() override { return recording_; }

    void SetUp() override {
        SystemWindowTest::SetUp();
        loop_ = platform::createMessageLoop(*window_);
        recording_.calls.clear();
    }
    void TearDown() override {
        // The quit message that destroying the window posts is taken here, not by the next
        // test's loop.
        window_->destroy();
        loop_->dispatchPending();
        loop_.reset();
        SystemWindowTest::TearDown();
    }

    // What reached the events since the last look.
    Calls take() { return std::exchange(recording_.calls, {}); }

#ifdef _WIN32
    HWND hwnd() const {
        return static_cast<HWND>(window_->handle());
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::SendMessageW(hwnd(), message, wParam, lParam);
    }
    static LPARAM pointParam(int x, int y) {
        return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y));
    }
    void move(int x, int y) {
        send(WM_MOUSEMOVE, 0, pointParam(x, y));
    }
    void press(int x, int y) {
        send(WM_LBUTTONDOWN, MK_LBUTTON, pointParam(x, y));
    }
    void release(int x, int y) {
        send(WM_LBUTTONUP, 0, pointParam(x, y));
    }
    void pressRight(int x, int y) {
        send(WM_RBUTTONDOWN, MK_RBUTTON, pointParam(x, y));
    }
    // The letter A, F11 and Esc; `repeat` sets bit 30 as the system does for a held key.
    void keyA(bool repeat) {
        send(WM_KEYDOWN, 'A', repeat ? 0x401E0001 : 0x001E0001);
    }
    void keyF11() {
        send(WM_KEYDOWN, VK_F11, 0x00570001);
    }
    void activate(bool active) {
        send(WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
    }
    void killFocus() {
        send(WM_KILLFOCUS, 0, 0);
    }
    void close() {
        send(WM_CLOSE, 0, 0);
    }
#else
    void push(SDL_Event event) {
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        loop_->dispatchPending();
    }
    std::uint32_t windowId() const {
        return platform::posix::launcherWindowSdlId(window_->handle());
    }
    void mouse(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT) {
        SDL_Event event{};
        event.type = type;
        if (type == SDL_MOUSEMOTION) {
            event.motion.windowID = windowId();
            event.motion.x = x;
            event.motion.y = y;
        } else {
            event.button.windowID = windowId();
            event.button.button = button;
            event.button.x = x;
            event.button.y = y;
        }
        push(event);
    }
    void move(int x, int y) {
        mouse(SDL_MOUSEMOTION, x, y);
    }
    void press(int x, int y) {
        mouse(SDL_MOUSEBUTTONDOWN, x, y);
    }
    void release(int x, int y) {
        mouse(SDL_MOUSEBUTTONUP, x, y);
    }
    void pressRight(int x, int y) {
        mouse(SDL_MOUSEBUTTONDOWN, x, y, SDL_BUTTON_RIGHT);
    }
    void key(SDL_Keycode sym, bool repeat, Uint16 modifiers = KMOD_NONE) {
        SDL_Event event{};
        event.type = SDL_KEYDOWN;
        event.key.windowID = windowId();
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.sym = sym;
        event.key.keysym.mod = modifiers;
        push(event);
    }
    void keyA(bool repeat) {
        key(SDLK_a, repeat);
    }
    void keyF11() {
        key(SDLK_F11, false);
    }
    void windowEvent(Uint8 which) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = windowId();
        event.window.event = which;
        push(event);
    }
    void activate(bool active) {
        windowEvent(active ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
    }
    void close() {
        windowEvent(SDL_WINDOWEVENT_CLOSE);
    }
#endif

    RecordingEvents recording_{app_};
    std::unique_ptr<platform::MessageLoop> loop_;
};

TEST_F(WindowProcedure, TheLeftButtonAndTheMouseArriveInClientPixels) {
    move(100, 200);
    press(100, 200);
    move(-5, 300);
    release(110, 205);
    pressRight(10, 10);
    // The press took the mouse capture and the release gave it back, which the window tells.
    EXPECT_EQ(take(),
              (Calls{"move 100,200", "down 100,200", "move -5,300", "up 110,205", "capture-lost"}));
}

TEST_F(WindowProcedure, KeysArriveWithTheirCodeAndTheRepeatOfAHeldKey) {
    keyA(false);
    keyA(true);
    keyF11();
    // F11 makes the window fullscreen, which the system may follow with an activation: only the
    // keys count here.
    Calls keys = take();
    std::erase_if(keys, [](const std::string& call) { return !call.starts_with("key"); });
    EXPECT_EQ(keys, (Calls{"key 41", "key 41 repeat", "key 7A"}));
    EXPECT_TRUE(app_->fullscreen());
}

TEST_F(WindowProcedure, ActivationReachesTheApp) {
    activate(false);
#ifdef _WIN32
    EXPECT_EQ(take(), (Calls{"deactivate"}));
    killFocus();
    EXPECT_EQ(take(), (Calls{"kill-focus"}));
#else
    // SDL's focus loss stands for both messages.
    EXPECT_EQ(take(), (Calls{"kill-focus", "deactivate"}));
#endif
    EXPECT_FALSE(app_->active());
    activate(true);
    EXPECT_EQ(take(), (Calls{"activate"}));
    EXPECT_TRUE(app_->active());
}

TEST_F(WindowProcedure, TheCloseRequestDestroysTheWindowWhenNoGameRuns) {
    close();
    EXPECT_EQ(take(), (Calls{"close"}));
    EXPECT_FALSE(window_->exists());
}

TEST_F(WindowProcedure, ReleasingTheCaptureTellsTheApp) {
    EXPECT_FALSE(window_->holdsMouseCapture());
    window_->captureMouse();
    EXPECT_TRUE(window_->holdsMouseCapture());
    window_->releaseMouseCapture();
    EXPECT_FALSE(window_->holdsMouseCapture());
    // A release without the capture changes nothing.
    window_->releaseMouseCapture();
    EXPECT_EQ(take(), (Calls{"capture-lost"}));
}

TEST_F(WindowProcedure, AnErrorOfAHandlerBecomesTheStatusLineAndTheWindowGoesOn) {
    recording_.failOn = "key";
    keyA(false);
    EXPECT_EQ(take(), (Calls{"error scripted failure of key 41"}));
    EXPECT_EQ(app_->statusLine(), L"Error: scripted failure of key 41");
    EXPECT_EQ(count("ui-error scripted failure of key 41"), 1u);
    move(1, 2);
    EXPECT_EQ(take(), (Calls{"move 1,2"}));
}

TEST_F(WindowProcedure, AnErrorWhileReportingAnErrorStaysInTheWindow) {
    // The UI event log cannot be written: a file stands where its folder would be.
    testsupport::writeFile(fixture_.root() / "logs", "not a folder");
    recording_.failOn = "down";
    press(3, 4);
    EXPECT_EQ(take(), (Calls{"error scripted failure of down 3,4"}));
    EXPECT_EQ(app_->statusLine(), L"Error: scripted failure of down 3,4");
    recording_.failOn.clear();
    press(3, 4);
    EXPECT_EQ(take(), (Calls{"down 3,4"}));
}

#ifdef _WIN32
// The messages only the Windows procedure sees.

TEST_F(WindowProcedure, HitTestingResizesAtTheEdgesAndDragsTheCaptionStrip) {
    const platform::ScreenRect r = window_->windowRect();
    const int middle = (r.left + r.right) / 2;
    const auto hitAt = [&](int x, int y) { return send(WM_NCHITTEST, 0, pointParam(x, y)); };
    EXPECT_EQ(hitAt(r.left + 2, r.top + 2), HTTOPLEFT);
    EXPECT_EQ(hitAt(r.left + 5, r.top + 300), HTLEFT);
    EXPECT_EQ(hitAt(r.left + 2, r.bottom - 1), HTBOTTOMLEFT);
    EXPECT_EQ(hitAt(r.right - 6, r.top + 1), HTTOPRIGHT);
    EXPECT_EQ(hitAt(r.right - 3, r.top + 300), HTRIGHT);
    EXPECT_EQ(hitAt(r.right - 1, r.bottom - 1), HTBOTTOMRIGHT);
    EXPECT_EQ(hitAt(middle, r.top + 5), HTTOP);
    EXPECT_EQ(hitAt(middle, r.bottom - 6), HTBOTTOM);
    // The recording device draws 1536 x 1024 at scale 1: design y is the client y.
    EXPECT_EQ(hitAt(middle, r.top + 6), HTCAPTION);
    EXPECT_EQ(hitAt(middle, r.top + 123), HTCAPTION);
    EXPECT_EQ(hitAt(middle, r.top + 124), HTCLIENT);
    EXPECT_EQ(hitAt(middle, r.top + 500), HTCLIENT);
    // Outside the window the system's answer stands.
    EXPECT_EQ(hitAt(r.left - 20, r.top + 300), HTNOWHERE);
    EXPECT_EQ(take(), Calls{});
}

// Watches the messages the window gets, then hands them to its own procedure.
WNDPROC launcherProcedure = nullptr;
std::vector<UINT>* watchedMessages = nullptr;

LRESULT CALLBACK watchingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (watchedMessages != nullptr) {
        watchedMessages->push_back(message);
    }
    return ::CallWindowProcW(launcherProcedure, window, message, wParam, lParam);
}

TEST_F(WindowProcedure, TheKeyMenuCommandIsSwallowedAndOtherCommandsAreTheSystems) {
    std::vector<UINT> seen;
    watchedMessages = &seen;
    launcherProcedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchingProcedure)));
    // Alt with a letter, and F10 or Alt alone.
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_KEYMENU, 'x'), 0);
    EXPECT_EQ(send(WM_SYSCOMMAND, SC_KEYMENU | 0x0003, 'x'), 0);
    const auto menuMessage = [](UINT message) {
        return message == WM_ENTERMENULOOP || message == WM_INITMENU || message == WM_INITMENUPOPUP;
    };
    EXPECT_EQ(std::count_if(seen.begin(), seen.end(), menuMessage), 0);
    send(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(window_->iconic());
    ::SetWindowLongPtrW(hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(launcherProcedure));
    watchedMessages = nullptr;
    EXPECT_EQ(take(), Calls{});
}

TEST_F(WindowProcedure, TheCursorOverTheClientAreaIsTheOneTheAppChose) {
    const LPARAM overClient = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    recording_.cursor = CursorShape::hand;
    EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), overClient), TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
    recording_.cursor = CursorShape::arrow;
    EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), overClient), TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_ARROW));
    // Over the resize band the system's sizing cursor.
    recording_.cursor = CursorShape::hand;
    send(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(HTLEFT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_SIZEWE));
}

TEST_F(WindowProcedure, ADpiChangeTakesTheSuggestedRectangle) {
    RECT suggested{40, 30, 40 + 1600, 30 + 1000};
    EXPECT_EQ(send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)), 0);
    EXPECT_EQ(window_->windowRect(), (platform::ScreenRect{40, 30, 1640, 1030}));
    // A change of the resolution leaves a window where it is.
    EXPECT_EQ(send(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 720)), 0);
    EXPECT_EQ(window_->windowRect(), (platform::ScreenRect{40, 30, 1640, 1030}));
    EXPECT_EQ(take(), (Calls{"scale 40,30 1640,1030", "display"}));
}

// The rectangle of the window's monitor as the system gives it: the whole Wine desktop here.
platform::ScreenRect monitorOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
}

TEST_F(WindowProcedure, WhileFullscreenAScaleOrDisplayChangeCoversTheMonitorAgain) {
    app_->setFullscreen(true);
    const platform::ScreenRect monitor = monitorOf(hwnd());
    ASSERT_EQ(monitor, (platform::ScreenRect{0, 0, 1920, 1080}));
    ASSERT_EQ(window_->windowRect(), monitor);
    // From 96 to 120 dpi on a 1920 x 1080 monitor the system suggests 2400 x 1350.
    RECT suggested{0, 0, 2400, 1350};
    EXPECT_EQ(send(WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested)), 0);
    EXPECT_EQ(window_->windowRect(), monitor);
    // The resolution changed under the window and left it elsewhere.
    window_->place({100, 100, 900, 700});
    EXPECT_EQ(send(WM_DISPLAYCHANGE, 32, MAKELPARAM(1920, 1080)), 0);
    EXPECT_EQ(window_->windowRect(), monitor);
}

TEST_F(WindowProcedure, WhileFullscreenTheTitleStripIsClientArea) {
    const auto hitAt = [&](int x, int y) { return send(WM_NCHITTEST, 0, pointParam(x, y)); };
    app_->setFullscreen(true);
    platform::ScreenRect r = window_->windowRect();
    EXPECT_EQ(hitAt(r.left + 2, r.top + 2), HTCLIENT);
    EXPECT_EQ(hitAt((r.left + r.right) / 2, r.top + 40), HTCLIENT);
    EXPECT_EQ(hitAt(r.right - 1, r.bottom - 1), HTCLIENT);
    app_->setFullscreen(false);
    r = window_->windowRect();
    EXPECT_EQ(hitAt((r.left + r.right) / 2, r.top + 40), HTCAPTION);
}

TEST_F(WindowProcedure, TheWindowTakesNoInputMethod) {
    HIMC context = ::ImmGetContext(hwnd());
    EXPECT_EQ(context, nullptr);
    if (context != nullptr) {
        ::ImmReleaseContext(hwnd(), context);
    }
}

// With an input method on, the system hands the window VK_PROCESSKEY for every key it takes.
TEST_F(WindowProcedure, AnInputMethodsKeyBindsNothingAndTheCaptureStaysOpen) {
    const int slot = bindingSlotId(0, 0, 0);
    AppProbe::stageCapture(*app_, slot);
    const qxlauncher::ControlBindings before = app_->editBindings();
    // The Q key, as an input method passes it on.
    send(WM_KEYDOWN, VK_PROCESSKEY, 0x00100001);
    EXPECT_EQ(take(), (Calls{"key E5"}));
    EXPECT_EQ(app_->editBindings(), before);
    EXPECT_EQ(AppProbe::captureId(*app_), slot);
    send(WM_KEYDOWN, 'Q', 0x00100001);
    EXPECT_EQ(app_->editBindings().keyCodes.at(0), 'Q');
    EXPECT_EQ(AppProbe::captureId(*app_), -1);
}

TEST_F(WindowProcedure, RawInputAndDeviceRemovalGoToThePadReader) {
    send(WM_INPUT, RIM_INPUT, 0x1234);
    send(WM_INPUT_DEVICE_CHANGE, GIDC_ARRIVAL, 0x77);
    send(WM_INPUT_DEVICE_CHANGE, GIDC_REMOVAL, 0x77);
    send(WM_CAPTURECHANGED, 0, 0);
    EXPECT_EQ(take(), (Calls{"raw 1234", "removed 77", "capture-lost"}));
}

TEST_F(WindowProcedure, TheWindowKeepsItsMinimumTrackingSize) {
    MINMAXINFO info{};
    EXPECT_EQ(send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.ptMinTrackSize.x, 768);
    EXPECT_EQ(info.ptMinTrackSize.y, 512);
}
#else
// What Windows keeps for its system menu never reaches the App.
TEST_F(WindowProcedure, SystemKeysStayWithTheSystem) {
    key(SDLK_F10, false);
    key(SDLK_LALT, false, KMOD_LALT);
    key(SDLK_x, false, KMOD_LALT);
    key(SDLK_x, false, KMOD_LALT | KMOD_LCTRL);
    EXPECT_EQ(take(), (Calls{"key 58"}));
}

TEST_F(WindowProcedure, EventsOfOtherWindowsAreNotTheLaunchers) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = windowId() + 1000;
    event.key.keysym.sym = SDLK_a;
    push(event);
    EXPECT_EQ(take(), Calls{});
}
#endif

} // namespace
} // namespace lumenark
