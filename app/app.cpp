#include "app/app.h"

#include "app/loop/window_placement.h"
#include "app/rom_manifests.h"
#include "app/ui_event_log.h"
#include "backend/setup/setup_progress.h"
#include "platform/clock.h"
#include "platform/process_snapshot.h"
#include "platform/text.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace lumenark {
namespace {

constexpr const char* nativeErrorText = "Native error.";

} // namespace

AppServices systemAppServices() {
    AppServices services;
    services.tickMilliseconds = platform::tickCountMilliseconds;
    services.monotonic100ns = platform::monotonic100ns;
    services.sleepMilliseconds = platform::sleepMilliseconds;
    services.desktop = platform::createDesktop();
    services.loadControllers = platform::loadControllers;
    services.hidSnapshot = [] { return HidInput::instance().snapshot(); };
    services.pollGames = pollGameAvailability;
    return services;
}

GameFlags pollGameAvailability(const qxlauncher::StartupContext& context) {
    const qxlauncher::Backend backend(context);
    GameFlags available{};
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        available[static_cast<std::size_t>(game)] = backend.isGameAvailable(game);
    }
    return available;
}

App::App(const qxlauncher::StartupContext& context, AppServices services)
    : services_(std::move(services)), backend_(context) {
    creationTime_ = services_.monotonic100ns();
    controllers_ = services_.loadControllers();
    // The key bindings and controller masks start at their defaults (ControlBindings).
    loadStartupState(context);
}

void App::loadStartupState(const qxlauncher::StartupContext& context) {
    backend_.loadPreferences(false);
    editConfig_ = backend_.currentConfig();
    applied_ = qxlauncher::loadLauncherPreferences(backend_, backend_.currentConfig());
    edited_ = applied_;
    statusShown_ = backend_.statusText();
    extendedVideo_ = backend_.extendedVideoAvailable();
    remasteredChoice_[0] = backend_.currentConfig().Remastered;
    {
        qxlauncher::Backend second(context);
        second.selectGame(1, false);
        remasteredChoice_[1] = second.currentConfig().Remastered;
    }
    {
        qxlauncher::Backend third(context);
        third.selectGame(2, false);
        backend_.selectQx3Edition(third.qx3EditionSelected());
    }
    tick_.nextPoll = 0;
    refreshBuilds();
    // Until the first poll a game with a valid build counts as ready.
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        ready_[static_cast<std::size_t>(game)] = builds_[static_cast<std::size_t>(game)].found;
    }
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        digestKinds_[static_cast<std::size_t>(game)] =
            readManifestDigestKinds(backend_.root(), game);
    }
    statusShown_ = backend_.statusText();
    chooseStartSection();
}

void App::chooseStartSection() {
    const auto found = [](const qxlauncher::LatestBuild& build) { return build.found; };
    const auto outdated = [](const qxlauncher::LatestBuild& build) { return build.outdated; };
    if (std::any_of(builds_.begin(), builds_.end(), found)) {
        section_ = NavSection::play;
    } else if (std::any_of(builds_.begin(), builds_.end(), outdated)) {
        section_ = NavSection::build;
    } else {
        section_ = NavSection::overview;
    }
}

App::~App() {
    try {
        shutdown();
    } catch (...) {
        // Possibly unwinding from another error: the first error is the one reported.
    }
}

void App::shutdown() {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    music_.reset();
    services_.desktop->stopSound();
    // A failed log line does not skip the rest of the teardown; it is reported at the end.
    std::exception_ptr firstError;
    if (backend_.isGameRunning()) {
        try {
            logUiEvent(backend_.root(), "exception-or-scope-shutdown");
        } catch (...) {
            firstError = std::current_exception();
        }
        // No time limit: the launcher waits for the game to close, asking at every step.
        for (;;) {
            backend_.pollRunningGame();
            if (!backend_.isGameRunning()) {
                break;
            }
            backend_.requestGameClose();
            if (!backend_.isGameRunning()) {
                break;
            }
            services_.sleepMilliseconds(gameCloseRetryMilliseconds);
        }
    }
    // Releasing a pending poll joins its thread; its result or error is not wanted any more.
    std::future<GameFlags> poll = std::move(pendingPoll_);
    if (poll.valid()) {
        poll.wait();
    }
    hitRegions_.clear();
    controllers_.reset();
    canvas_.attach(nullptr);
    renderer_.reset();
    // The backend closes the game and setup handles and the setup job with itself.
    if (firstError) {
        std::rethrow_exception(firstError);
    }
}

void App::refreshBuilds() {
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        const auto g = static_cast<std::size_t>(game);
        builds_[g] = receiptCaches_[g].findLatestBuild(backend_.root(),
                                                       std::wstring(qxlauncher::gameTable[g].id));
    }
}

bool App::hasRemastered() const {
    switch (selectedGame_) {
    case 0:
    case 2:
        return true;
    case 1:
        return backend_.nativePackagePresent();
    default:
        return false;
    }
}

void App::startMenuMusic() {
    try {
        std::filesystem::path path = backend_.root() / "custom_audio/launcher/menu.wav";
        requireNoLinkInPath(path);
        music_ = std::make_unique<MenuMusic>(path, services_.music);
    } catch (const std::exception& error) {
        logUiEvent(backend_.root(), std::string("menu-music unavailable: ") + error.what());
    }
}

// --- The background poll --------------------------------------------------------------------

void App::startPoll() {
    pendingPoll_ = std::async(std::launch::async, services_.pollGames,
                              qxlauncher::StartupContext{backend_.root()});
    extendedVideo_ = backend_.extendedVideoAvailable();
}

bool App::collectPoll() {
    if (!pendingPoll_.valid() ||
        pendingPoll_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        return false;
    }
    // An error of the task comes out of get() and ends the launcher through the fatal path.
    std::future<GameFlags> finished = std::move(pendingPoll_);
    ready_ = finished.get();
    return true;
}

void App::tick() {
    runBackendTick(services_.tickMilliseconds(), closing_, tick_, *this);
}

// --- The window -----------------------------------------------------------------------------

void App::restoreLauncher() {
    if (window_ != nullptr) {
        window_->show(platform::ShowCommand::restore);
        window_->bringToForeground();
    }
}

void App::stepAsideForGame() {
    if (window_ != nullptr) {
        window_->show(platform::ShowCommand::minimize);
    }
    platform::bringWindowToForeground(backend_.gameWindow());
}

void App::destroyWindow() {
    if (window_ != nullptr) {
        window_->destroy();
    }
}

void App::logEvent(const std::string& event) {
    logUiEvent(backend_.root(), event);
}

void App::setFullscreen(bool on) {
    if (on == fullscreen_) {
        return;
    }
    if (window_ != nullptr) {
        if (on) {
            rememberedWindow_ = window_->windowRect();
            window_->enterFullscreen();
        } else {
            window_->leaveFullscreen(rememberedWindow_);
        }
    }
    fullscreen_ = on;
}

platform::ScreenRect App::clientArea(const platform::ScreenRect& window,
                                     const platform::SizingFrame& frame) {
    return clientAreaOf(window, frame);
}

void App::onDisplayChanged(const std::optional<platform::ScreenRect>& suggested) {
    if (window_ == nullptr) {
        return;
    }
    if (const auto to =
            placementAfterDisplayChange(fullscreen_, suggested, window_->monitorRect())) {
        window_->place(*to);
    }
}

void App::requestClose() {
    if (backend_.isGameRunning()) {
        closing_ = true;
        backend_.requestGameClose();
        statusShown_ = L"Closing the game and saving the profile...";
        if (window_ != nullptr) {
            window_->show(platform::ShowCommand::restore);
        }
        return;
    }
    destroyWindow();
}

void App::resetInputHold() {
    padNavigation_.disarm();
    pressedControl_ = -1;
}

void App::onActivateApp(bool active) {
    resetInputHold();
    active_ = active;
}

void App::onKillFocus() {
    resetInputHold();
}

void App::onMessageError(const char* text) noexcept {
    try {
        // An error without a text still says something.
        const bool empty = text == nullptr || *text == '\0';
        const std::string reported = empty ? nativeErrorText : text;
        statusShown_ = (empty ? L"" : L"Error: ") + platform::wideFromUtf8(reported);
        logUiEvent(backend_.root(), "ui-error " + reported);
    } catch (...) {
        // Nothing leaves the window procedure.
    }
}

LoopTurn App::musicTurn() {
    MusicInputs inputs;
    inputs.gameRunning = backend_.isGameRunning();
    inputs.closing = closing_;
    inputs.iconic = window_ != nullptr && window_->iconic();
    inputs.foreground = window_ != nullptr && window_->foreground();
    inputs.hasPlayer = music_ != nullptr;
    inputs.settingsOpen = settingsOpen_;
    inputs.tab = settingsTab_;
    inputs.applied = applied_;
    inputs.edited = edited_;
    const MusicTurn turn = lumenark::musicTurn(inputs);
    return {music_ != nullptr && music_->tick(turn.volume), turn.drawFrame};
}

} // namespace lumenark
