// The fatal message box after the launcher window existed: destroying the window posts the quit
// message, which must not end the box before the player has read it.
#include "app/modes/entry_point.h"
#include "platform/desktop_session.h"
#include "tests/app/system_window_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <windows.h>

namespace lumenark {
namespace {

using Clock = std::chrono::steady_clock;

// Waits on its own thread for the box (a dialog titled as the launcher), sees whether it stays
// up for a while, then dismisses it as Enter would. It gives up once the box call returned.
class BoxWatcher {
public:
    BoxWatcher() : thread_([this] { watch(); }) {}
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;
    ~BoxWatcher() { boxReturned(); }

    // Called once the box call has returned.
    void boxReturned() {
        boxReturned_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    bool found() const { return found_; }
    bool stayedUp() const { return stayedUp_; }

private:
    static constexpr auto findWithin = std::chrono::seconds(30);
    // Long beyond anything the box's own closing would take: a box that closes by itself is
    // gone within milliseconds.
    static constexpr auto holdFor = std::chrono::seconds(2);

    static HWND findBox() { return ::FindWindowW(L"#32770", launcherWindowTitle); }

    void watch() {
        const auto giveUp = Clock::now() + findWithin;
        HWND box = nullptr;
        while (box == nullptr && !boxReturned_ && Clock::now() < giveUp) {
            box = findBox();
            if (box == nullptr) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        if (box == nullptr) {
            return;
        }
        found_ = true;
        const auto held = Clock::now() + holdFor;
        while (::IsWindow(box) && !boxReturned_ && Clock::now() < held) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        stayedUp_ = ::IsWindow(box) != FALSE && !boxReturned_;
        // Enter on the box's only button.
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    }

    std::atomic<bool> boxReturned_{false};
    std::atomic<bool> found_{false};
    std::atomic<bool> stayedUp_{false};
    std::thread thread_;
};

class FatalBox : public apptest::SystemWindowTest {};

// Every fatal error after the window exists unwinds through its destruction before the box.
TEST_F(FatalBox, StaysUpAfterTheLauncherWindowWasDestroyed) {
    window_->destroy();
    ASSERT_FALSE(window_->exists());
    BoxWatcher watcher;
    platform::showErrorMessageBox(
        launcherWindowTitle, fatalMessageText("launcher D3D12 hardware device HRESULT=2147500037"));
    watcher.boxReturned();
    EXPECT_TRUE(watcher.found()) << "no box titled \"Lumenark Recomp\" appeared";
    EXPECT_TRUE(watcher.stayedUp()) << "the box closed by itself before it was dismissed";
}

} // namespace
} // namespace lumenark
