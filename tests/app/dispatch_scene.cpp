#include "tests/app/dispatch_scene.h"

#include "app/ui_event_log.h"
#include "backend/launch/command_line.h"
#include "platform/text.h"
#include "tests/app/app_probe.h"
#include "tests/support/backend_probe.h"
#include "tests/support/fake_collection.h"
#include "tests/support/temp_folder.h"

namespace apptest {

FileTree filesUnder(const std::filesystem::path& root) {
    FileTree files;
    const std::filesystem::path log = std::filesystem::path(lumenark::uiEventLogPath);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const std::filesystem::path relative = entry.path().lexically_relative(root);
        if (entry.is_regular_file() && relative != log) {
            files[relative.generic_string()] = testsupport::readFile(entry.path());
        }
    }
    return files;
}

void PrintTo(const AppTrace& t, std::ostream* out) {
    *out << "{section " << static_cast<int>(t.section) << (t.settingsOpen ? ", Settings tab " : "")
         << (t.settingsOpen ? std::to_string(static_cast<int>(t.tab)) : "") << ", focus " << t.focus
         << ", status \"" << platform::utf8FromWide(t.status) << "\", selected " << t.selected
         << ", loaded " << t.loaded << ", overview " << t.overviewGame << ", report "
         << t.reportGame << (t.closing ? ", closing" : "") << (t.inputSeen ? ", input seen" : "")
         << ", ready " << t.ready[0] << t.ready[1] << t.ready[2] << ", backend \""
         << platform::utf8FromWide(t.backendStatus) << "\", jobs";
    for (const std::string& state : t.jobStates) {
        *out << " [" << state << "]";
    }
    *out << ", " << t.desktopRequests << " desktop requests, " << t.windowCalls.size()
         << " window calls, " << t.events.size() << " events, files";
    for (const auto& [name, bytes] : t.files) {
        *out << " " << name << " (" << bytes.size() << ")";
    }
    *out << "}";
}

lumenark::App& DispatchScene::start(PageState state, lumenark::NavSection section) {
    lumenark::App& app = scene.start(state, section);
    app.attachWindow(&window);
    window.events = &app;
    return app;
}

void DispatchScene::useFakeSetup(const std::string& scenario) {
    testsupport::writeFakeManifests(root());
    testsupport::writeFakeSetupScript(root(), scenario);
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        testsupport::writeFakeRoms(backend().setupJob(game).romFolder, game);
    }
    qxlauncher::BackendProbe::pythonCommand(backend()) =
        qxlauncher::quoteArgument(platform::wideFromPath(testsupport::fakePythonProgram()));
}

std::string DispatchScene::lastEvent() const {
    const std::vector<std::string> logged = events();
    return logged.empty() ? std::string() : logged.back();
}

AppTrace DispatchScene::trace() {
    return traceOf(app(), scene.fixture, window);
}

AppTrace traceOf(lumenark::App& a, const AppFixture& fixture, const FakeWindow& window) {
    AppTrace t;
    t.section = a.section();
    t.settingsOpen = a.settingsOpen();
    t.tab = a.settingsTab();
    t.focus = a.focusPosition();
    t.status = a.statusLine();
    t.selected = a.selectedGame();
    t.loaded = a.loadedGame();
    t.overviewGame = a.overviewGame();
    t.reportGame = a.romReportGame();
    t.closing = a.closing();
    t.inputSeen = a.inputSeen();
    t.ready = a.readyFlags();
    const qxlauncher::Backend& backend = a.backend();
    t.backendStatus = backend.statusText();
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        const qxlauncher::SetupJob& job = backend.setupJob(game);
        t.jobStates.push_back(job.state + (job.queued ? " queued" : "") +
                              (job.running ? " running" : ""));
    }
    const RecordingDesktop& d = *fixture.desktop;
    t.desktopRequests = d.played.size() + static_cast<std::size_t>(d.stops) +
                        d.pickerTitles.size() + d.opened.size() + d.openedAsText.size() +
                        d.clipboard.size() + d.owners.size();
    t.windowCalls = window.calls;
    t.events = fixture.uiEvents();
    t.files = filesUnder(fixture.root());
    t.editConfig = a.editConfig();
    t.editAdjustments = a.editAdjustments();
    t.editedPreferences = a.editedPreferences();
    t.appliedPreferences = a.appliedPreferences();
    t.editBindings = a.editBindings();
    t.editedRemastered = a.editedRemastered();
    t.displayHdrShown = lumenark::AppProbe::displayHdrShown(a);
    t.rankingResetPending = lumenark::AppProbe::rankingResetPending(a);
    t.captureId = lumenark::AppProbe::captureId(a);
    t.pressed = a.pressedControl();
    return t;
}

} // namespace apptest
