#pragma once
// An App over a fixture root in one of the states that change a page's controls (no game built,
// a setup queued, running, failed or done, a game loaded, running or closing), showing one
// section, with its frames read back as draw calls.
#include "app/app.h"
#include "tests/app/app_fixture.h"
#include "tests/app/draw_calls.h"
#include "tests/support/backend_probe.h"

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace lumenark {
void PrintTo(const HitRegion& region, std::ostream* out);
} // namespace lumenark

namespace apptest {

enum class PageState {
    noGameBuilt,   // nothing chosen or confirmed
    confirmedIdle, // confirmed, every folder chosen, the tools found
    setupQueued,
    setupRunning, // the first game builds, the second waits
    verifying,
    setupFailed, // the first game failed at "install", its log exists
    setupDone,   // the first game built and ready
    gameLoaded,  // the first game built, ready and loaded
    gameRunning, // ... and running
    closing,     // ... and the launcher waits for it to close
};

std::string pageStateName(PageState state);

// A client this wide draws the widest design space at scale 1.
inline constexpr int widestClientWidth = 1821;

class PageScene {
public:
    explicit PageScene(int clientWidth = 1536);
    PageScene(const PageScene&) = delete;
    PageScene& operator=(const PageScene&) = delete;
    // The running game ends before the App is torn down.
    ~PageScene();

    // The App in the state, showing the section; a first frame has already started the
    // requirements check, whose result is then staged as found.
    lumenark::App& start(PageState state, lumenark::NavSection section);
    lumenark::App& app() { return *app_; }
    qxlauncher::Backend& backend() { return app_->backend(); }
    // The running game ends (the launcher stays in its state until its next tick).
    void endRunningGame() { running_.reset(); }
    // Draws one frame and reads it back.
    DrawCalls frame(double seconds = 0.016, bool capture = false);

    AppFixture fixture;

private:
    void stage(PageState state);

    std::unique_ptr<lumenark::App> app_;
    std::optional<qxlauncher::RunningGameScope> running_;
};

// The frame's region of a control; throws when the frame registered none.
lumenark::HitRegion regionOf(const lumenark::App& app, int id);
bool hasRegion(const lumenark::App& app, int id);

} // namespace apptest
