#include "tests/app/page_scene.h"

#include "backend/setup/setup_runner.h"
#include "tests/app/frame_calls.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/temp_folder.h"

#include <algorithm>
#include <stdexcept>

namespace lumenark {

void PrintTo(const HitRegion& region, std::ostream* out) {
    *out << "{" << region.id << " at " << region.x << ", " << region.y << " " << region.width
         << " x " << region.height << (region.enabled ? " enabled}" : " disabled}");
}

} // namespace lumenark

namespace apptest {

using qxlauncher::BackendProbe;

std::string pageStateName(PageState state) {
    switch (state) {
    case PageState::noGameBuilt:
        return "NoGameBuilt";
    case PageState::confirmedIdle:
        return "ConfirmedIdle";
    case PageState::setupQueued:
        return "SetupQueued";
    case PageState::setupRunning:
        return "SetupRunning";
    case PageState::verifying:
        return "Verifying";
    case PageState::setupFailed:
        return "SetupFailed";
    case PageState::setupDone:
        return "SetupDone";
    case PageState::gameLoaded:
        return "GameLoaded";
    case PageState::gameRunning:
        return "GameRunning";
    case PageState::closing:
        return "Closing";
    }
    return "Unknown";
}

PageScene::PageScene(int clientWidth) {
    fixture.device->client = {clientWidth, 1024};
}

PageScene::~PageScene() {
    running_.reset();
    app_.reset();
}

lumenark::App& PageScene::start(PageState state, lumenark::NavSection section) {
    const bool built = state >= PageState::setupDone;
    if (built) {
        testsupport::writeBuildReceipt(fixture.root(), "qx1", "executable of qx1");
    }
    app_ = fixture.makeApp();
    // The first interactive frame of a page other than Play starts the requirements check; its
    // result is staged below.
    app_->prepareCapture(false, lumenark::SettingsTab::video, lumenark::NavSection::overview);
    app_->render(0.016, false);
    qxlauncher::ToolProbe& tools = BackendProbe::tools(backend());
    tools = {};
    tools.checked = true;
    tools.ok = true;
    tools.pythonSupported = true;
    tools.python = "C:/Python312/python.exe";
    tools.compilerVersion = "16.1.0";
    tools.compilerValidated = "16.1.0";
    BackendProbe::setupQueue(backend()).clear();
    stage(state);
    app_->prepareCapture(false, lumenark::SettingsTab::video, section);
    return *app_;
}

void PageScene::stage(PageState state) {
    qxlauncher::Backend& b = backend();
    if (state == PageState::noGameBuilt) {
        return;
    }
    BackendProbe::acknowledged(b) = true;
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        BackendProbe::setupJob(b, game).romFolder = fixture.root() / "roms" / std::to_string(game);
    }
    qxlauncher::SetupJob& first = BackendProbe::setupJob(b, 0);
    switch (state) {
    case PageState::setupQueued:
        BackendProbe::setupJob(b, 1).queued = true;
        break;
    case PageState::setupRunning:
        first.running = true;
        first.mode = "setup";
        first.step = "compile";
        BackendProbe::setupJob(b, 1).queued = true;
        break;
    case PageState::verifying:
        first.running = true;
        first.mode = "verify";
        break;
    case PageState::setupFailed:
        first.state = "failed";
        first.mode = "setup";
        first.step = "install";
        testsupport::writeFile(qxlauncher::setupLogPath(fixture.root(), 0), "setup log\n");
        break;
    case PageState::setupDone:
        first.state = "done";
        break;
    case PageState::gameLoaded:
    case PageState::gameRunning:
    case PageState::closing:
        first.state = "done";
        app_->selectGame(0);
        if (state != PageState::gameLoaded) {
            running_.emplace(b);
        }
        if (state == PageState::closing) {
            app_->requestClose();
        }
        break;
    case PageState::noGameBuilt:
    case PageState::confirmedIdle:
        break;
    }
}

lumenark::HitRegion regionOf(const lumenark::App& app, int id) {
    for (const lumenark::HitRegion& region : app.hitRegions()) {
        if (region.id == id) {
            return region;
        }
    }
    throw std::runtime_error("no region " + std::to_string(id));
}

bool hasRegion(const lumenark::App& app, int id) {
    const auto& regions = app.hitRegions();
    return std::any_of(regions.begin(), regions.end(),
                       [&](const lumenark::HitRegion& region) { return region.id == id; });
}

DrawCalls PageScene::frame(double seconds, bool capture) {
    app_->render(seconds, capture);
    return lastFrameCalls(*fixture.device, *app_->renderer());
}

} // namespace apptest
