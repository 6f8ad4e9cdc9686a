#include "tests/app/first_start.h"

#include "app/control_ids.h"
#include "backend/game_table.h"
#include "backend/setup/setup_progress.h"
#include "platform/text.h"
#include "tests/app/page_drawing_checks.h"
#include "tests/backend/game_test_fixture.h"

#include <algorithm>

namespace apptest {

FirstStart::FirstStart(const std::string& scenario)
    : interpreters_(platform::wideFromPath(s.root() / "interpreters")),
      path_(L"PATH", interpreters_) {
    app_ = &s.start(PageState::confirmedIdle, lumenark::NavSection::overview);
    testsupport::writeFakeManifests(s.root());
    testsupport::writeFakeSetupScript(s.root(), "requirements=held\n" + scenario);
    testsupport::placeFakeInterpreter(s.root() / "interpreters", {"python.exe"});
    check_.emplace(s.root(), "requirements");
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        testsupport::writeFakeRoms(s.backend().setupJob(game).romFolder, game);
    }
    script_.emplace(s.scene.fixture, *app_);
    script_->click(lumenark::buildNavigationId);
    // "Check requirements" holds the page's default focus, and the check starts again.
    script_->click(lumenark::checkRequirementsControlId);
}

std::vector<int> FirstStart::ringedControls() {
    const DrawCalls calls = s.scene.frame();
    std::vector<int> ringed;
    for (const lumenark::PageControl& control : app_->pageControls()) {
        const DrawCalls outlines = roundedAt(calls, control.rect());
        // The focus ring is the only outline wider than 2 units.
        if (std::any_of(outlines.begin(), outlines.end(),
                        [](const DrawCall& call) { return call.border > 2.0f; })) {
            ringed.push_back(control.id);
        }
    }
    return ringed;
}

bool FirstStart::allSetupsEnd() {
    return gametest::pollUntil([] {}, [&] { return !s.backend().isSetupBusy(); });
}

testing::AssertionResult FirstStart::threeReceipts() {
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        const std::string& state = s.backend().setupJob(game).state;
        if (state != "done") {
            return testing::AssertionFailure() << "game " << game << " ended " << state;
        }
        if (!qxlauncher::findLatestBuild(s.root(), std::wstring(qxlauncher::gameTable[game].id))
                 .found) {
            return testing::AssertionFailure() << "game " << game << " left no receipt";
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult FirstStart::nothingCancelled() {
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        if (s.backend().setupJob(game).state == "cancelled") {
            return testing::AssertionFailure() << "game " << game << " cancelled";
        }
    }
    if (s.backend().statusText() == L"Setup cancelled." ||
        app_->statusLine() == L"Setup cancelled.") {
        return testing::AssertionFailure() << "the status line reads \"Setup cancelled.\"";
    }
    return testing::AssertionSuccess();
}

} // namespace apptest
