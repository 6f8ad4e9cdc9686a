// What the Build page shows of each game's setup: the state word, the detail line with its
// colour, the bar, the lit steps and a failure's second line.
#include "app/app.h"
#include "app/pages/build_page.h"
#include "app/ui/palette.h"
#include "app/ui/text_layout.h"
#include "platform/text.h"

#include <algorithm>

namespace lumenark {
namespace {

using qxlauncher::LatestBuild;
using qxlauncher::SetupJob;

constexpr std::size_t shownDigestDigits = 16;
constexpr float minimumSetupProgress = 0.03f;
constexpr int compileGroup = 4;

std::wstring stepLabel(int group) {
    return std::wstring(buildChainLabels.at(static_cast<std::size_t>(group - 1)));
}

float groupStart(int group) {
    return static_cast<float>(group - 1) / 4.0f;
}

// Within "Compile Game" the bar grows with the units, when the step counts them.
float setupProgress(const SetupJob& job, int group) {
    float progress = groupStart(group);
    if (group == compileGroup && job.unitsTotal > 0) {
        progress += 0.2f * static_cast<float>(job.unitsDone) / static_cast<float>(job.unitsTotal);
    }
    return std::max(progress, minimumSetupProgress);
}

std::wstring runningSetupDetail(const SetupJob& job, int group) {
    std::wstring text =
        L"Step: " + stepLabel(group) + L" (" + platform::wideFromUtf8(job.step) + L")";
    if (job.unitsTotal > 0) {
        text += L"  /  units " + std::to_wstring(job.unitsDone) + L" of " +
                std::to_wstring(job.unitsTotal);
    }
    text += L"  /  elapsed " + formatElapsed(job.elapsedSeconds);
    if (job.buildSeconds > 0) {
        text += L"  /  last run " + formatElapsed(job.buildSeconds);
    }
    return text;
}

std::wstring builtDetail(const LatestBuild& build, bool ready) {
    std::wstring text =
        ready ? L"Ready to play" : L"Built; the launcher package for this build is not installed";
    return text + L"  /  executable SHA-256 " +
           platform::wideFromUtf8(build.sha256.substr(0, shownDigestDigits)) +
           L"...  /  setup time " + formatElapsed(build.totalSeconds);
}

// The detail line, its colour and the bar, first rule that holds.
void describeJob(BuildRow& row, const App& app, int game) {
    const SetupJob& job = app.backend().setupJob(game);
    const LatestBuild& build = app.builds().at(static_cast<std::size_t>(game));
    const bool ready = app.readyFlags().at(static_cast<std::size_t>(game));
    const int group = buildStepGroup(job.step);
    row.detailColour = UiPalette::muted;
    if (job.running && job.mode == "setup") {
        row.detail = runningSetupDetail(job, group);
        row.detailColour = UiPalette::text;
        row.progress = setupProgress(job, group);
    } else if (job.running) {
        row.detail = L"Checking the ROM files...  /  elapsed " + formatElapsed(job.elapsedSeconds);
        row.detailColour = UiPalette::text;
        row.indeterminate = true;
    } else if (job.queued) {
        row.detail = L"Queued: starts after the current game.";
    } else if (job.state == "failed") {
        row.detail = L"Failed at " + stepLabel(group) + L": " + app.backend().stepMessageText(game);
        row.detailColour = UiPalette::warning;
        row.progress = groupStart(group);
    } else if (job.state == "cancelled") {
        row.detail = L"Cancelled. Build again to restart from the first step.";
    } else if (build.found) {
        row.detail = builtDetail(build, ready);
        row.progress = 1.0f;
    } else if (build.outdated) {
        row.detail = L"Built by an older version of Lumenark Recomp: build it again to update "
                     L"this game.";
    } else if (!job.romFolder.empty()) {
        row.detail = L"Not built yet.";
    } else {
        row.detail = L"Choose the ROM folder on the ROM Setup page first.";
    }
}

int litSteps(const SetupJob& job, const LatestBuild& build) {
    if (job.running) {
        return job.mode == "setup" ? buildStepGroup(job.step) : 0;
    }
    return build.found && job.state != "failed" ? static_cast<int>(buildChainLabels.size()) : 0;
}

} // namespace

std::wstring setupStateWord(const SetupJob& job, const LatestBuild& build, bool ready) {
    if (job.running) {
        return job.mode == "verify" ? L"Verifying" : L"Building";
    }
    if (job.queued) {
        return L"Queued";
    }
    if (job.state == "failed") {
        return L"Failed";
    }
    if (build.found) {
        return ready ? L"Ready" : L"Built";
    }
    if (build.outdated) {
        return L"Update";
    }
    return job.verified ? L"Verified" : L"Supported";
}

ToolLine toolLine(const qxlauncher::ToolProbe& tools) {
    if (!tools.checked) {
        return {L"Checking Python and the compiler...", false};
    }
    ToolLine line;
    line.text = tools.python.empty() ? std::wstring(L"Python 3 not found on PATH")
                                     : L"Python " + platform::wideFromUtf8(tools.python);
    line.text += L"  /  ";
    const std::wstring version = platform::wideFromUtf8(tools.compilerVersion);
    if (tools.compilerVersion.empty()) {
        line.text += L"g++ not found";
    } else if (tools.compilerVersion == tools.compilerValidated) {
        line.text += L"g++ " + version + L" (validated)";
    } else {
        line.text += L"g++ " + version + L" (not the validated " +
                     platform::wideFromUtf8(tools.compilerValidated) + L")";
    }
    line.warning = tools.python.empty() || tools.compilerVersion.empty();
    return line;
}

BuildRow buildRow(const App& app, int game) {
    const SetupJob& job = app.backend().setupJob(game);
    const LatestBuild& build = app.builds().at(static_cast<std::size_t>(game));
    BuildRow row;
    row.title = std::wstring(qxlauncher::gameTable.at(static_cast<std::size_t>(game)).title);
    row.stateWord = setupStateWord(job, build, app.readyFlags().at(static_cast<std::size_t>(game)));
    describeJob(row, app, game);
    row.failed = job.state == "failed";
    row.running = job.running;
    row.litSteps = litSteps(job, build);
    if (row.failed && !job.running && !job.queued) {
        row.failureText = app.backend().stepHintText(game);
    }
    return row;
}

BuildPage buildPage(const App& app) {
    BuildPage page;
    page.tools = toolLine(app.backend().toolProbe());
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        page.rows.at(static_cast<std::size_t>(game)) = buildRow(app, game);
    }
    if (!app.appliedPreferences().ReducedMotion) {
        page.animationSeconds =
            static_cast<double>(app.monotonic100ns() - app.creationTime()) / 1.0e7;
    }
    return page;
}

} // namespace lumenark
