// What the Overview shows for a state: the strip's game and step, the cards' words and the
// tools' requirement rows.
#include "app/pages/overview_page.h"

#include "app/pages/build_page.h"
#include "app/ui/text_layout.h"
#include "platform/text.h"

namespace lumenark {

int stripGame(const OverviewView& view) {
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        if (view.games[static_cast<std::size_t>(game)].job.running) {
            return game;
        }
    }
    return view.stepsShownGame;
}

int currentStep(const OverviewGame& game) {
    const qxlauncher::SetupJob& job = game.job;
    if (job.running && job.mode == "setup") {
        return buildStepGroup(job.step);
    }
    if (game.build.found && job.state != "failed") {
        return readyStep;
    }
    if (job.verified) {
        return 2;
    }
    return job.romFolder.empty() ? 0 : 1;
}

std::wstring gameStateWord(const OverviewGame& game) {
    return setupStateWord(game.job, game.build, game.ready);
}

RequirementLine compilerRequirement(const qxlauncher::ToolProbe& tools) {
    if (!tools.checked) {
        return {RequirementKind::neutral, L"checking..."};
    }
    if (tools.compilerVersion.empty()) {
        return {RequirementKind::warning, L"not found at C:/msys64/mingw64/bin"};
    }
    if (tools.compilerVersion == tools.compilerValidated) {
        return {RequirementKind::met, {}};
    }
    return {RequirementKind::warning, L"found " + platform::wideFromUtf8(tools.compilerVersion) +
                                          L" (not the validated version)"};
}

RequirementLine pythonRequirement(const qxlauncher::ToolProbe& tools) {
    if (!tools.checked) {
        return {RequirementKind::neutral, L"checking..."};
    }
    if (tools.python.empty()) {
        return {RequirementKind::warning, L"not found on PATH"};
    }
    const std::wstring found = L"found " + platform::wideFromUtf8(tools.python);
    if (tools.pythonSupported) {
        return {RequirementKind::met, found};
    }
    return {RequirementKind::warning, found + L" (too old)"};
}

} // namespace lumenark
