#include "app/modes/entry_point.h"

#include "app/app.h"
#include "app/command_line_modes.h"
#include "app/loop/main_loop.h"
#include "app/loop/window_placement.h"
#include "app/scoped_teardown.h"
#include "app/ui_event_log.h"
#include "platform/clock.h"
#include "platform/desktop_session.h"
#include "platform/hid_devices.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "platform/program_entry.h"
#include "platform/text.h"
#include "platform/window.h"
#include "presentation/hid_input.h"
#include "presentation/renderer.h"

#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

namespace lumenark {

LaunchMode chooseLaunchMode(const std::vector<std::wstring>& arguments) {
    if (arguments.empty()) {
        return LaunchMode::window;
    }
    const std::wstring& first = arguments.front();
    if (first == L"--prepare") {
        return LaunchMode::prepare;
    }
    if ((first == L"--ui-capture" || first == L"--settings-capture") &&
        (arguments.size() == 2 || arguments.size() == 3)) {
        return LaunchMode::capture;
    }
    return LaunchMode::diagnostic;
}

bool acceptModulePathLength(std::uint32_t returnedUnits, std::uint32_t bufferUnits) {
    return returnedUnits != 0 && returnedUnits < bufferUnits;
}

CaptureRequest parseCaptureRequest(const std::vector<std::wstring>& arguments) {
    CaptureRequest request;
    request.pngPath = platform::pathFromWide(arguments.at(1));
    request.settingsOpen = arguments.at(0) == L"--settings-capture";
    if (arguments.size() < 3) {
        return request;
    }
    const std::wstring& word = arguments[2];
    if (request.settingsOpen && word == L"controls") {
        request.tab = SettingsTab::controls;
        return request;
    }
    if (request.settingsOpen && word == L"display") {
        request.tab = SettingsTab::display;
        return request;
    }
    static constexpr std::array<std::pair<const wchar_t*, NavSection>, 5> sections{{
        {L"overview", NavSection::overview},
        {L"roms", NavSection::romSetup},
        {L"build", NavSection::build},
        {L"play", NavSection::play},
        {L"legal", NavSection::legal},
    }};
    for (const auto& [name, section] : sections) {
        if (word == name) {
            request.section = section;
            return request;
        }
    }
    throw std::runtime_error("unknown capture page");
}

std::wstring fatalMessageText(const std::string& errorText) {
    return L"The launcher could not start.\n\n" + platform::wideFromUtf8(errorText) +
           L"\n\nKeep the EXE at the project root, next to native, build and roms.";
}

namespace {

using AppSession = ScopedTeardown<App>;

struct EntryState {
    qxlauncher::StartupContext context;
    bool quiet = false;
    StartTimes times;
};

// Per-monitor DPI awareness, then the UI thread's COM apartment: the start of every mode that
// makes a window.
void enterDesktopSession(platform::ComApartment& com) {
    platform::declarePerMonitorDpiAwareness();
    if (!com.initialize()) {
        throw std::runtime_error("launcher COM");
    }
}

// COM, the App, its window with raw input and its renderer, in the start-up order. The members
// go in reverse order, also while an error unwinds: the window, then the App, then COM.
class LauncherStart {
public:
    LauncherStart(EntryState& state, bool capture) {
        enterDesktopSession(com_);
        App& app = session_.start(state.context, systemAppServices());
        platform::WindowRequest request;
        request.rect = launcherWindowRect(platform::workArea(), capture);
        request.windowClass = launcherWindowClass;
        request.title = launcherWindowTitle;
        window_ = platform::createLauncherWindow(request, app);
        app.attachWindow(window_.get());
        if (HidInput::instance().available()) {
            platform::registerPadRawInput(window_->handle());
        }
        state.times.t1 = platform::monotonic100ns();
        app.attachRenderer(std::make_unique<Renderer>(platform::RenderSurface{window_->handle()},
                                                      RendererOptions{capture}));
        state.times.t2 = platform::monotonic100ns();
    }
    LauncherStart(const LauncherStart&) = delete;
    LauncherStart& operator=(const LauncherStart&) = delete;
    ~LauncherStart() {
        if (App* app = session_.get()) {
            app->attachWindow(nullptr);
        }
    }

    App& app() { return *session_.get(); }
    platform::LauncherWindow& window() { return *window_; }

    // The normal shutdown: the window if it still exists, the App (its errors reach the caller),
    // COM.
    void finish() {
        app().attachWindow(nullptr);
        window_.reset();
        session_.finish();
        com_.uninitialize();
    }

private:
    platform::ComApartment com_;
    AppSession session_;
    std::unique_ptr<platform::LauncherWindow> window_;
};

int runCapture(EntryState& state, const std::vector<std::wstring>& arguments) {
    state.quiet = true;
    // The PNG path is checked before the page word is read.
    requireNoLinkInPath(platform::pathFromWide(arguments.at(1)));
    const CaptureRequest request = parseCaptureRequest(arguments);
    LauncherStart start(state, true);
    App& app = start.app();
    start.window().place({0, 0, captureWidth, captureHeight});
    app.prepareCapture(request.settingsOpen, request.tab, request.section);
    app.render(1.0, true);
    logUiEvent(state.context.projectRoot,
               "capture-ready ms=" + startTimingText(platform::monotonic100ns(), state.times));
    app.renderer()->capturePng(request.pngPath);
    start.finish();
    return 0;
}

int runWindow(EntryState& state) {
    platform::SingleInstanceLock mutex;
    switch (mutex.acquire(launcherMutexName)) {
    case platform::SingleInstanceLock::Result::failed:
        throw std::runtime_error("launcher mutex");
    case platform::SingleInstanceLock::Result::alreadyExists:
        platform::restoreAndForegroundWindow(launcherWindowClass);
        return 0;
    case platform::SingleInstanceLock::Result::acquired:
        break;
    }
    LauncherStart start(state, false);
    runWindowSession(start.app(), start.window(), state.times);
    start.finish();
    mutex.release();
    return 0;
}

int runEntry(EntryState& state) {
    const platform::ModulePath module = platform::executablePath(executablePathBufferUnits);
    if (!acceptModulePathLength(module.returnedUnits, executablePathBufferUnits)) {
        throw std::runtime_error("launcher executable path");
    }
    state.context.projectRoot = platform::pathFromWide(module.text).parent_path();
    const auto arguments = platform::commandLineArguments();
    if (!arguments) {
        throw std::runtime_error("launcher arguments");
    }
    switch (chooseLaunchMode(*arguments)) {
    case LaunchMode::prepare:
        state.quiet = true;
        return runPrepare(state.context, *arguments);
    case LaunchMode::diagnostic:
        return runDiagnosticSession(state.context, *arguments);
    case LaunchMode::capture:
        return runCapture(state, *arguments);
    case LaunchMode::window:
        break;
    }
    return runWindow(state);
}

void reportFatal(const EntryState& state, const char* errorText) {
    if (!state.context.projectRoot.empty()) {
        try {
            logUiEvent(state.context.projectRoot, std::string("fatal ") + errorText);
        } catch (...) {
        }
    }
    if (!state.quiet) {
        platform::showErrorMessageBox(launcherWindowTitle, fatalMessageText(errorText));
    }
}

} // namespace

} // namespace lumenark

int launcherMain() {
    lumenark::EntryState state;
    state.times.t0 = platform::monotonic100ns();
    try {
        return lumenark::runEntry(state);
    } catch (const std::exception& error) {
        lumenark::reportFatal(state, error.what());
        return lumenark::fatalExitCode;
    }
}
