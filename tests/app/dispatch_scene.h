#pragma once
// An App in one of the page states (tests/app/page_scene.h) with a fake window, for driving the
// control dispatcher: what it left on the desktop, in the window, in the files under the root
// and in the UI event log.
#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/app/page_scene.h"

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace apptest {

// The launcher's own files, relative to the root as FileTree names them.
inline constexpr const char* setupConfigFile = "build/native/launcher-profile/setup.cfg";
inline constexpr const char* launcherConfigFile = "build/native/launcher-profile/launcher.cfg";
inline constexpr const char* controlsConfigFile = "build/native/launcher-profile/controls.cfg";

// Every file under the root but the UI event log (whose lines carry the system's tick count):
// its path relative to the root, and its bytes.
using FileTree = std::map<std::string, std::string>;
FileTree filesUnder(const std::filesystem::path& root);

// What an activation can change, taken whole so that a test can say "nothing changed".
struct AppTrace {
    lumenark::NavSection section{};
    bool settingsOpen = false;
    lumenark::SettingsTab tab{};
    int focus = 0;
    std::wstring status;
    int selected = 0;
    int loaded = 0;
    int overviewGame = 0;
    int reportGame = 0;
    bool closing = false;
    bool inputSeen = false;
    lumenark::GameFlags ready{};
    std::wstring backendStatus;
    std::vector<std::string> jobStates;
    std::size_t desktopRequests = 0;
    std::vector<std::string> windowCalls;
    std::vector<std::string> events;
    FileTree files;
    // Settings' editing copies and its own state.
    qxlauncher::Config editConfig;
    qxlauncher::GameAdjustments editAdjustments;
    qxlauncher::LauncherPreferences editedPreferences;
    qxlauncher::LauncherPreferences appliedPreferences;
    qxlauncher::ControlBindings editBindings;
    bool editedRemastered = false;
    bool displayHdrShown = false;
    bool rankingResetPending = false;
    int captureId = -1;
    int pressed = -1;

    bool operator==(const AppTrace&) const = default;
};

void PrintTo(const AppTrace& trace, std::ostream* out);

// The App's state now, with what the desktop, the window and the root hold.
AppTrace traceOf(lumenark::App& app, const AppFixture& fixture, const FakeWindow& window);

class DispatchScene {
public:
    explicit DispatchScene(int clientWidth = 1536) : scene(clientWidth) {}

    lumenark::App& start(PageState state, lumenark::NavSection section);
    // After `start`: the collection's setup is the fake one following the scenario, every game's
    // folder holds its fake ROM files, and the fake interpreter runs the setup.
    void useFakeSetup(const std::string& scenario);
    lumenark::App& app() { return scene.app(); }
    qxlauncher::Backend& backend() { return scene.backend(); }
    RecordingDesktop& desktop() { return *scene.fixture.desktop; }
    const std::filesystem::path& root() const { return scene.fixture.root(); }

    std::vector<std::string> events() const { return scene.fixture.uiEvents(); }
    // The last UI event, or "" when none was logged.
    std::string lastEvent() const;
    AppTrace trace();

    PageScene scene;
    FakeWindow window;
};

} // namespace apptest
