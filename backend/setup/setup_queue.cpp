#include "backend/backend.h"
#include "backend/files/file_safety.h"
#include "backend/files/utf8_text.h"
#include "backend/setup/setup_pipeline.h"
#include "backend/setup/setup_progress.h"
#include "platform/child_process.h"
#include "platform/clock.h"

#include <stdexcept>

namespace qxlauncher {

namespace {

constexpr std::uint32_t cancelledExitCode = 1223;
constexpr std::uint32_t unreadableExitCode = 31;
constexpr std::uint64_t progressPeriodMilliseconds = 250;

bool isDisplayable(const std::string& text) {
    if (text.empty() || text.size() > 200) {
        return false;
    }
    return text.find_first_of("{}[]\r\n") == std::string::npos;
}

SetupJob& jobOf(std::array<SetupJob, gameCount>& jobs, int game) {
    return jobs.at(static_cast<std::size_t>(game));
}

} // namespace

bool Backend::requestSetup(unsigned game, bool verifyOnly) {
    if (game > 2) {
        return false;
    }
    return enqueueSetup(static_cast<int>(game), verifyOnly);
}

bool Backend::enqueueSetup(int game, bool verifyOnly) {
    SetupJob& job = jobOf(jobs, game);
    if (!acknowledged) {
        status = L"Confirm on the Legal page that you own the original ROM files.";
        return false;
    }
    if (isGameRunning()) {
        status = L"Close the game before preparing files.";
        return false;
    }
    if (job.romFolder.empty()) {
        status = L"Choose the ROM folder of this game.";
        return false;
    }
    if (job.queued || job.running) {
        status = L"This game is already in the setup; wait or cancel.";
        return false;
    }
    job.queued = true;
    job.mode = verifyOnly ? "verify" : "setup";
    job.state = "queued";
    job.step.clear();
    job.message.clear();
    setupQueue.push_back(SetupQueueEntry{game, verifyOnly});
    pumpSetup();
    return true;
}

void Backend::pumpSetup() {
    if (setupProcessRunning()) {
        const bool ended = platform::hasChildEnded(setupProcess.get());
        if (runningEntry.game != requirementsEntryGame) {
            const std::uint64_t now = setupTickClock();
            if (!ended && now < nextProgressTick) {
                return;
            }
            nextProgressTick = now + progressPeriodMilliseconds;
            readSetupProgress(runningEntry.game);
        }
        if (!ended) {
            return;
        }
        const std::uint32_t code =
            platform::childExitCode(setupProcess.get()).value_or(unreadableExitCode);
        setupProcess.reset();
        setupJobObject.reset();
        finishSetupJob(code);
    }
    while (!setupProcessRunning() && !setupQueue.empty()) {
        SetupQueueEntry entry = setupQueue.front();
        setupQueue.pop_front();
        if (entry.game != requirementsEntryGame && !acknowledged) {
            // Only a game that still has the ownership confirmation starts.
            SetupJob& job = jobOf(jobs, entry.game);
            job.queued = false;
            job.state = "cancelled";
            continue;
        }
        if (entry.game != requirementsEntryGame && !tools.checked) {
            setupQueue.push_front(entry);
            entry = SetupQueueEntry{};
        }
        try {
            startSetupJob(entry);
        } catch (const std::exception& error) {
            if (entry.game != requirementsEntryGame) {
                SetupJob& job = jobOf(jobs, entry.game);
                job.queued = false;
                job.running = false;
                job.state = "failed";
                job.code = "launcher";
                job.message = error.what();
                job.hint.clear();
                job.detail.clear();
            } else {
                // A check that could not run found no interpreter for the games behind it.
                tools = ToolProbe{};
                tools.checked = true;
                pythonCommand.clear();
            }
            status = L"Setup refused: " + utf8ToWide(error.what());
        }
    }
}

void Backend::adoptSetupProcess(platform::UniqueHandle process, platform::UniqueHandle job,
                                const SetupQueueEntry& entry, std::uint64_t started) {
    setupProcess = std::move(process);
    setupJobObject = std::move(job);
    runningEntry = entry;
    setupStarted = started;
}

bool Backend::builtDuringSetupJob(int game) const {
    const LatestBuild build =
        findLatestBuild(projectRoot, std::wstring(gameTable.at(static_cast<std::size_t>(game)).id));
    // An equal time counts: the file system may stamp both within one tick of its clock.
    return build.found && build.receiptWritten >= setupStarted;
}

void Backend::finishSetupJob(std::uint32_t exitCode) {
    const SetupQueueEntry entry = runningEntry;
    runningEntry = SetupQueueEntry{};
    if (entry.game == requirementsEntryGame) {
        completeRequirementsCheck();
        return;
    }
    SetupJob& job = jobOf(jobs, entry.game);
    job.running = false;
    if (cancelRequested) {
        job.state = "cancelled";
        job.message = "Cancelled";
    } else if (job.state == "failed" && !job.code.empty()) {
        // The script's own failure stands, whatever its exit code says.
    } else if (exitCode != 0) {
        job.state = "failed";
        job.code = "internal";
        std::string detail = job.message.empty() ? std::string() : job.message + "; ";
        job.detail = detail + "setup.py exit code " + std::to_string(exitCode);
        job.message = "The setup stopped unexpectedly.";
        job.hint.clear();
    } else if (!entry.verifyOnly && !builtDuringSetupJob(entry.game)) {
        // A build that left no receipt of its own built nothing, whatever its exit code says.
        job.state = "failed";
        job.code = "internal";
        std::string detail = job.message.empty() ? std::string() : job.message + "; ";
        job.detail = detail + "setup.py exit code 0 without a build receipt";
        job.message = "The setup ended without a build receipt.";
        job.hint.clear();
    } else {
        job.state = "done";
        if (job.mode == "setup") {
            job.verified = true;
        }
    }
    refreshBuildSeconds(entry.game);
    std::wstring title(gameTable.at(static_cast<std::size_t>(entry.game)).title);
    if (job.state == "done" && job.mode == "verify") {
        status = title + L": ROM files verified.";
    } else if (job.state == "done") {
        status = title + L": ready to play.";
    } else if (job.state == "cancelled") {
        status = title + L": setup cancelled.";
    } else {
        status = title + L": " + stepMessageText(entry.game);
    }
}

void Backend::cancelWaitingGames() {
    std::erase_if(setupQueue, [this](const SetupQueueEntry& entry) {
        if (entry.game == requirementsEntryGame) {
            return false;
        }
        SetupJob& job = jobOf(jobs, entry.game);
        job.queued = false;
        job.state = "cancelled";
        return true;
    });
}

void Backend::cancelSetup() {
    cancelWaitingGames();
    setupQueue.clear();
    if (setupJobObject.get() != nullptr) {
        if (!platform::terminateJob(setupJobObject.get(), cancelledExitCode)) {
            // It runs on and ends by its own result, not as cancelled.
            status = L"Could not cancel the setup; it is still running.";
            return;
        }
        cancelRequested = true;
    }
    status = L"Setup cancelled.";
}

void Backend::recheckRequirements() {
    const bool checkRuns = setupProcessRunning() && runningEntry.game == requirementsEntryGame;
    for (const SetupQueueEntry& entry : setupQueue) {
        if (entry.game == requirementsEntryGame) {
            return;
        }
    }
    if (checkRuns) {
        return;
    }
    tools = ToolProbe{};
    pythonCommand.clear();
    pythonCandidateIndex = 0;
    setupQueue.push_front(SetupQueueEntry{});
    pumpSetup();
}

bool Backend::isSetupBusy() {
    pumpSetup();
    return setupProcessRunning() || !setupQueue.empty();
}

std::wstring Backend::stepMessageText(int game) const {
    const SetupJob& job = jobs.at(static_cast<std::size_t>(game));
    if (!job.code.empty() && isDisplayable(job.message)) {
        return utf8ToWide(job.message.c_str());
    }
    return L"Something went wrong at this step.";
}

std::wstring Backend::stepHintText(int game) const {
    const SetupJob& job = jobs.at(static_cast<std::size_t>(game));
    if (isDisplayable(job.hint)) {
        return utf8ToWide(job.hint.c_str());
    }
    return L"Open the log for details, or use Copy report and send it to the project.";
}

} // namespace qxlauncher
