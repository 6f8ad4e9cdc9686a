#include "app/entry_point.h"

#include "app/app.h"
#include "app/command_line_modes.h"
#include "app/scoped_teardown.h"
#include "app/ui_event_log.h"
#include "platform/clock.h"
#include "platform/desktop_session.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "platform/program_entry.h"
#include "platform/text.h"

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
    request.pngPath = std::filesystem::path(arguments.at(1));
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
};

// Per-monitor DPI awareness, then the UI thread's COM apartment: the start of every mode that
// makes a window.
void enterDesktopSession(platform::ComApartment& com) {
    platform::declarePerMonitorDpiAwareness();
    if (!com.initialize()) {
        throw std::runtime_error("launcher COM");
    }
}

int runCapture(EntryState& state, const std::vector<std::wstring>& arguments) {
    state.quiet = true;
    const CaptureRequest request = parseCaptureRequest(arguments);
    requireNoLinkInPath(request.pngPath);
    platform::ComApartment com;
    enterDesktopSession(com);
    AppSession session;
    session.start(state.context);
    // The renderer that draws the requested page does not exist yet.
    throw std::runtime_error("launcher capture unavailable");
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
    platform::ComApartment com;
    enterDesktopSession(com);
    AppSession session;
    session.start(state.context);
    // The window and its main loop are not built yet: the launcher closes at once.
    const unsigned presentedFrames = 0;
    logUiEvent(state.context.projectRoot,
               "launcher-close frames=" + std::to_string(presentedFrames));
    session.finish();
    com.uninitialize();
    mutex.release();
    return 0;
}

int runEntry(EntryState& state) {
    const platform::ModulePath module = platform::executablePath(executablePathBufferUnits);
    if (!acceptModulePathLength(module.returnedUnits, executablePathBufferUnits)) {
        throw std::runtime_error("launcher executable path");
    }
    state.context.projectRoot = std::filesystem::path(module.text).parent_path();
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
    try {
        return lumenark::runEntry(state);
    } catch (const std::exception& error) {
        lumenark::reportFatal(state, error.what());
        return lumenark::fatalExitCode;
    }
}
