#pragma once
// An App over a fixture project root for tests: clocks the test steps, a recording desktop, pads
// the test scripts (none connected at first), a background poll of the test's own choosing and a
// renderer over a recording device with a fixed-advance font. A fake window records what the App
// asks of it.
#include "app/app.h"
#include "platform/window.h"
#include "tests/app/scripted_pads.h"
#include "tests/support/recording_device.h"
#include "tests/support/temp_folder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// One fake time behind both clocks of the App.
struct FakeClock {
    std::uint64_t now100ns = 10000000000ULL; // 1000 s after the system started
    std::uint64_t tickMilliseconds() const { return now100ns / 10000; }
    void advanceMilliseconds(std::uint64_t milliseconds) { now100ns += milliseconds * 10000; }
};

// Records what the App asks of the desktop; the answers are the test's to set.
class RecordingDesktop final : public platform::Desktop {
public:
    void playSound(std::span<const std::uint8_t> waveImage) override {
        played.push_back(waveImage.data());
        playedImages.emplace_back(waveImage.begin(), waveImage.end());
    }
    void stopSound() override { ++stops; }
    platform::FolderChoice pickFolder(platform::WindowHandle owner,
                                      const std::wstring& title) override;
    platform::OpenResult openPath(platform::WindowHandle owner,
                                  const std::filesystem::path& path) override;
    bool openAsText(platform::WindowHandle owner, const std::filesystem::path& path) override;
    bool copyText(platform::WindowHandle owner, const std::wstring& text) override;
    void setCursor(platform::CursorShape shape) override { cursors.push_back(shape); }
    // The names of the Linux build, the same on both platforms.
    std::wstring keyName(std::uint8_t virtualKey) override;

    std::vector<const std::uint8_t*> played;
    // The bytes of each sound played, as the desktop was handed them.
    std::vector<std::vector<std::uint8_t>> playedImages;
    int stops = 0;
    // The folder picker's answer, and the titles it was shown with.
    platform::FolderChoice folderChoice;
    std::vector<std::wstring> pickerTitles;
    // Paths opened, and the desktop's answer.
    std::vector<std::filesystem::path> opened;
    platform::OpenResult openAnswer = platform::OpenResult::opened;
    // Paths opened in the plain-text editor, and whether that succeeds.
    std::vector<std::filesystem::path> openedAsText;
    bool textOpenSucceeds = true;
    // Texts put on the clipboard, and whether that succeeds.
    std::vector<std::wstring> clipboard;
    bool copySucceeds = true;
    std::vector<platform::CursorShape> cursors;
    // The window handles the dialogs and the clipboard were given.
    std::vector<platform::WindowHandle> owners;
};

// Records each request as a word ("show", "restore", "minimize", "foreground", "destroy",
// "fullscreen", "windowed", "place", "capture", "release"); its state is the test's to set. A
// release while it holds the capture tells the events it was given, as the system window does.
class FakeWindow final : public platform::LauncherWindow {
public:
    platform::WindowHandle handle() const override { return nullptr; }
    bool exists() const override { return alive; }
    void destroy() override {
        record("destroy");
        alive = false;
    }
    void show(platform::ShowCommand command) override;
    void update() override { record("update"); }
    bool iconic() const override { return minimised; }
    bool foreground() const override { return inForeground; }
    void bringToForeground() override { record("foreground"); }
    platform::ScreenRect windowRect() const override { return rect; }
    platform::ScreenRect monitorRect() const override { return monitor; }
    void enterFullscreen() override;
    void leaveFullscreen(const platform::ScreenRect& to) override;
    void place(const platform::ScreenRect& to) override;
    void captureMouse() override;
    void releaseMouseCapture() override;
    bool holdsMouseCapture() const override { return captured; }

    std::vector<std::string> calls;
    bool alive = true;
    bool minimised = false;
    bool inForeground = true;
    platform::ScreenRect rect{100, 50, 1482, 972};
    platform::ScreenRect monitor{0, 0, 2560, 1440};
    bool captured = false;
    platform::WindowEvents* events = nullptr;

private:
    void record(const std::string& call) { calls.push_back(call); }
};

class AppFixture {
public:
    AppFixture();

    lumenark::AppServices services();
    // An App over the root with the recording renderer attached.
    std::unique_ptr<lumenark::App> makeApp();

    const std::filesystem::path& root() const { return root_.path(); }
    // The UI events logged so far, without their tick counts.
    std::vector<std::string> uiEvents() const;

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    std::shared_ptr<RecordingDesktop> desktop = std::make_shared<RecordingDesktop>();
    std::shared_ptr<testsupport::DeviceLog> device = std::make_shared<testsupport::DeviceLog>();
    std::shared_ptr<PadScript> pads = std::make_shared<PadScript>();
    // No XInput library: the App gets no controllers at all.
    bool xinputMissing = false;
    std::function<lumenark::GameFlags(const qxlauncher::StartupContext&)> pollGames =
        [](const qxlauncher::StartupContext&) { return lumenark::GameFlags{}; };
    std::function<void(std::uint32_t)> sleep = [](std::uint32_t) {};
    // The system's clocks instead of the fake one (for a loop that really waits).
    bool systemClocks = false;
    // What the App makes its menu music with: the system's, unless the test says otherwise.
    lumenark::MenuMusicServices music = lumenark::systemMenuMusicServices();
    // The system's desktop instead of the recording one (for its programs and its modal picker).
    bool systemDesktop = false;

private:
    testsupport::TempFolder root_{"app"};
};

// The widest design space, of a client wider than 16:9.
inline constexpr float widestDesignWidth = 1820.4445f;

// Fixed advance of the test font, in atlas pixels (half the character height).
inline constexpr float fixtureGlyphAdvance = 23.0f;

} // namespace apptest
