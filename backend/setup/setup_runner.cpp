#include "backend/setup/setup_runner.h"
#include "backend/backend.h"
#include "backend/files/file_safety.h"
#include "backend/launch/command_line.h"
#include "platform/child_process.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

#include <optional>
#include <stdexcept>

namespace qxlauncher {

namespace {

std::wstring gameId(int game) {
    return std::wstring(gameTable.at(static_cast<std::size_t>(game)).id);
}

void prepareOutputPath(const std::filesystem::path& path) {
    requireUnlinkedPath(path);
    std::filesystem::create_directories(path.parent_path());
    requireUnlinkedPath(path);
}

} // namespace

std::vector<std::wstring> findPythonCandidates() {
    std::vector<std::wstring> found;
    const auto searchPath = platform::environmentVariable(L"PATH");
    if (!searchPath || searchPath->empty()) {
        return found;
    }
    for (const auto& candidate : pythonCandidates) {
        if (const auto program = platform::searchPathForFile(*searchPath, candidate.program)) {
            found.push_back(quoteArgument(platform::wideFromPath(*program)) +
                            candidate.extraArguments);
        }
    }
    return found;
}

std::filesystem::path setupScriptPath(const std::filesystem::path& root) {
    return root / "tools/setup/setup.py";
}

std::filesystem::path requirementsResultPath(const std::filesystem::path& root) {
    return root / "logs/setup-requirements.json";
}

std::filesystem::path requirementsLogPath(const std::filesystem::path& root) {
    return root / "logs/setup-requirements.log";
}

std::filesystem::path setupLogPath(const std::filesystem::path& root, int game) {
    return root / "logs" / (L"setup-" + gameId(game) + L".log");
}

std::filesystem::path setupProgressPath(const std::filesystem::path& root, int game) {
    return root / "logs" / (L"setup-" + gameId(game) + L".progress.json");
}

std::wstring requirementsCommandLine(const std::wstring& pythonCommand,
                                     const std::filesystem::path& script) {
    return pythonCommand + L" -I " + quoteArgument(platform::wideFromPath(script)) +
           L" --requirements";
}

std::wstring gameSetupCommandLine(const std::wstring& pythonCommand,
                                  const std::filesystem::path& script, int game,
                                  const std::filesystem::path& romFolder,
                                  const std::filesystem::path& progress, bool verifyOnly) {
    std::wstring line = pythonCommand + L" -I " + quoteArgument(platform::wideFromPath(script)) +
                        L" --game " + gameId(game) + L" --roms " +
                        quoteArgument(platform::wideFromPath(romFolder)) + L" --progress " +
                        quoteArgument(platform::wideFromPath(progress));
    if (verifyOnly) {
        line += L" --verify-only";
    }
    return line;
}

SetupProcess runSetupProcess(const std::filesystem::path& folder, const std::wstring& commandLine,
                             const std::filesystem::path& outPath,
                             const std::filesystem::path& errPath) {
    prepareOutputPath(outPath);
    prepareOutputPath(errPath);
    // The guards close the launcher's copies of the three files on every way out.
    platform::UniqueHandle out = platform::openChildLogFile(outPath);
    platform::UniqueHandle err;
    if (errPath != outPath) {
        err = platform::openChildLogFile(errPath);
    }
    platform::UniqueHandle in = platform::openChildNullInput();
    if (!out.valid() || (errPath != outPath && !err.valid()) || !in.valid()) {
        throw std::runtime_error("setup log");
    }
    // Truncating the file stamped it just now.
    const std::optional<std::uint64_t> started = platform::lastWriteTime(outPath);
    if (!started) {
        throw std::runtime_error("setup log");
    }
    platform::ChildProcessRequest request;
    request.commandLine = commandLine;
    request.workingFolder = folder;
    request.standardInput = in.get();
    request.standardOutput = out.get();
    request.standardError = errPath != outPath ? err.get() : out.get();
    request.killTreeOnJobClose = true;
    request.assignmentFailureExitCode = 1223;
    platform::StartedChild child = platform::startChildProcess(request);
    switch (child.failure) {
    case platform::ChildStartFailure::none:
        break;
    case platform::ChildStartFailure::jobCreate:
        throw std::runtime_error("setup job");
    case platform::ChildStartFailure::jobLimits:
        throw std::runtime_error("setup job limits");
    case platform::ChildStartFailure::createProcess:
    case platform::ChildStartFailure::resume:
        throw std::runtime_error("setup CreateProcess");
    case platform::ChildStartFailure::jobAssignment:
        throw std::runtime_error("setup job assignment");
    }
    return SetupProcess{std::move(child.process), std::move(child.job), *started};
}

void Backend::startSetupJob(const SetupQueueEntry& entry) {
    const std::filesystem::path script = setupScriptPath(projectRoot);
    if (!isRegularUnlinkedFile(script)) {
        throw std::runtime_error("tools/setup/setup.py missing");
    }
    cancelRequested = false;
    if (entry.game == requirementsEntryGame) {
        const auto candidates = findPythonCandidates();
        if (pythonCandidateIndex >= candidates.size()) {
            tools = ToolProbe{};
            tools.checked = true;
            status = L"Python 3 was not found on PATH.";
            return;
        }
        const std::wstring& command = candidates[static_cast<std::size_t>(pythonCandidateIndex)];
        SetupProcess started =
            runSetupProcess(projectRoot, requirementsCommandLine(command, script),
                            requirementsResultPath(projectRoot), requirementsLogPath(projectRoot));
        adoptSetupProcess(std::move(started.process), std::move(started.job), entry,
                          started.started);
        // Kept so the completion takes the command that actually ran, whatever PATH says then.
        pythonCommand = command;
        return;
    }
    SetupJob& job = jobs.at(static_cast<std::size_t>(entry.game));
    job.queued = false;
    if (pythonCommand.empty()) {
        throw std::runtime_error("Python 3 was not found on PATH");
    }
    requireUnlinkedPath(job.romFolder);
    std::error_code error;
    if (job.romFolder.empty() || !std::filesystem::is_directory(job.romFolder, error)) {
        throw std::runtime_error("ROM folder not found");
    }
    const std::filesystem::path progress = setupProgressPath(projectRoot, entry.game);
    requireUnlinkedPath(progress);
    platform::deleteFile(progress);
    const std::filesystem::path log = setupLogPath(projectRoot, entry.game);
    SetupProcess started =
        runSetupProcess(projectRoot,
                        gameSetupCommandLine(pythonCommand, script, entry.game, job.romFolder,
                                             progress, entry.verifyOnly),
                        log, log);
    adoptSetupProcess(std::move(started.process), std::move(started.job), entry, started.started);
    nextProgressTick = 0;
    job.running = true;
    job.state = "running";
    job.step = "verify";
    job.message.clear();
    job.code.clear();
    job.hint.clear();
    job.detail.clear();
    job.unitsDone = 0;
    job.unitsTotal = 0;
    job.elapsedSeconds = 0.0;
    status =
        entry.verifyOnly
            ? L"Checking the ROM files..."
            : L"Setup running: checking the ROM files and generating the game on this machine...";
}

} // namespace qxlauncher
