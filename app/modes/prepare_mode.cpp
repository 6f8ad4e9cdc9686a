// The headless setup "--prepare": one ROM folder in, the games built one after another, progress
// lines on standard output, the final sentence on standard error and the outcome as exit code.
#include "app/command_line_modes.h"
#include "app/modes/entry_point.h"
#include "backend/backend.h"
#include "platform/clock.h"
#include "platform/instance.h"
#include "platform/standard_streams.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumenark {

namespace {

enum PrepareExitCode : int {
    prepareReady = 0,
    prepareStepFailed = 1,
    prepareUnusableFolder = 2,
    prepareNotConfirmed = 3,
    prepareToolsMissing = 5,
    prepareWindowOpen = 6,
};

constexpr std::uint32_t pollMilliseconds = 250;

struct PrepareStep {
    const char* key;
    const char* text;
};

constexpr std::array<PrepareStep, 8> prepareSteps{{
    {"verify", "checking the ROM files"},
    {"stage", "staging the ROM files"},
    {"decoder", "building the decoder"},
    {"generate", "generating the C++"},
    {"accept", "checking the generated C++"},
    {"compile", "compiling"},
    {"seed", "making the factory settings"},
    {"install", "installing"},
}};

class PrepareReporter {
public:
    void progress(double fraction, const std::string& text) {
        char number[32];
        std::snprintf(number, sizeof(number), "%.3f", std::clamp(fraction, 0.0, 1.0));
        const std::string line = std::string("progress ") + number + " " + text + "\n";
        if (line == lastLine_) {
            return;
        }
        lastLine_ = line;
        platform::writeStandardStream(platform::StandardStream::output, line);
    }

    int finish(int code, double fraction, const std::string& text) {
        progress(fraction, text);
        platform::writeStandardStream(platform::StandardStream::error, text + "\n");
        return code;
    }

private:
    std::string lastLine_;
};

struct PrepareArguments {
    std::filesystem::path romFolder;
    bool confirm = false;
};

PrepareArguments parsePrepareArguments(const std::vector<std::wstring>& arguments) {
    PrepareArguments parsed;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == L"--roms" && i + 1 < arguments.size()) {
            parsed.romFolder = platform::pathFromWide(arguments[++i]);
        } else if (arguments[i] == L"--confirm-roms") {
            parsed.confirm = true;
        } else {
            throw std::runtime_error("unknown prepare argument");
        }
    }
    if (parsed.romFolder.empty()) {
        throw std::runtime_error("--prepare needs --roms <folder>");
    }
    return parsed;
}

std::string titleOf(int game) {
    return platform::utf8FromWide(qxlauncher::gameTable.at(static_cast<std::size_t>(game)).title);
}

void waitWhileBusy(qxlauncher::Backend& backend) {
    while (backend.isSetupBusy()) {
        platform::sleepMilliseconds(pollMilliseconds);
    }
}

// The line of the game at position p of n while it is being built.
void prepareStepProgress(PrepareReporter& reporter, const qxlauncher::SetupJob& job, int game,
                         std::size_t position, std::size_t count) {
    std::size_t index = 0;
    for (std::size_t i = 0; i < prepareSteps.size(); ++i) {
        if (job.step == prepareSteps[i].key) {
            index = i;
        }
    }
    double fraction = 0.0;
    std::string text = titleOf(game) + ": " + prepareSteps[index].text;
    if (index <= 4) {
        fraction = 0.04 * static_cast<double>(index);
    } else if (index == 5) {
        fraction = 0.2;
        if (job.unitsTotal != 0) {
            fraction +=
                0.7 * static_cast<double>(job.unitsDone) / static_cast<double>(job.unitsTotal);
            text += " " + std::to_string(job.unitsDone) + "/" + std::to_string(job.unitsTotal);
        }
    } else {
        fraction = 0.9 + 0.05 * static_cast<double>(index - 5);
    }
    reporter.progress(
        (static_cast<double>(position) + fraction) * 0.95 / static_cast<double>(count) + 0.05,
        text);
}

int prepareWithBackend(PrepareReporter& reporter, qxlauncher::Backend& backend,
                       const PrepareArguments& arguments) {
    if (arguments.confirm && !backend.ownershipConfirmed() && !backend.setAcknowledged(true)) {
        throw std::runtime_error("ROM ownership confirmation not saved");
    }
    if (!backend.ownershipConfirmed()) {
        return reporter.finish(prepareNotConfirmed, 0,
                               "Confirm that you own the original ROM files.");
    }
    reporter.progress(0, "Checking Python and the compiler");
    backend.recheckRequirements();
    waitWhileBusy(backend);
    const qxlauncher::ToolProbe& tools = backend.toolProbe();
    if (tools.python.empty() || !tools.pythonSupported || tools.compilerVersion.empty()) {
        return reporter.finish(prepareToolsMissing, 0,
                               "Python 3.12+ and MSYS2 g++ were not found (README, Requirements).");
    }
    std::array<std::filesystem::path, qxlauncher::gameCount> savedFolders;
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        savedFolders[static_cast<std::size_t>(game)] = backend.setupJob(game).romFolder;
    }
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        if (!backend.setRomFolder(game, arguments.romFolder)) {
            return reporter.finish(prepareUnusableFolder, 0, "This ROM folder can't be used.");
        }
        backend.requestSetup(static_cast<unsigned>(game), true);
    }
    while (backend.isSetupBusy()) {
        reporter.progress(0.02, "Checking your ROM files");
        platform::sleepMilliseconds(pollMilliseconds);
    }
    reporter.progress(0.02, "Checking your ROM files");
    std::vector<int> recognised;
    for (int game = 0; game < qxlauncher::gameCount; ++game) {
        const auto& saved = savedFolders[static_cast<std::size_t>(game)];
        if (backend.setupJob(game).state == "done") {
            recognised.push_back(game);
        } else if (!saved.empty()) {
            backend.setRomFolder(game, saved);
        }
    }
    if (recognised.empty()) {
        return reporter.finish(prepareUnusableFolder, 0.05,
                               "No supported ROM set in this folder or in its qx1, qx2 and qx3 "
                               "subfolders (README, Compatibility).");
    }
    std::string firstFailure;
    const std::size_t count = recognised.size();
    for (std::size_t position = 0; position < count; ++position) {
        const int game = recognised[position];
        if (!backend.requestSetup(static_cast<unsigned>(game), false)) {
            throw std::runtime_error("setup not queued");
        }
        for (;;) {
            const bool busy = backend.isSetupBusy();
            prepareStepProgress(reporter, backend.setupJob(game), game, position, count);
            if (!busy) {
                break;
            }
            platform::sleepMilliseconds(pollMilliseconds);
        }
        if (backend.setupJob(game).state != "done") {
            const std::string text =
                titleOf(game) + ": " + platform::utf8FromWide(backend.stepMessageText(game));
            reporter.progress(
                static_cast<double>(position + 1) * 0.95 / static_cast<double>(count) + 0.05, text);
            if (firstFailure.empty()) {
                firstFailure = text + " " + platform::utf8FromWide(backend.stepHintText(game));
            }
        }
    }
    if (!firstFailure.empty()) {
        return reporter.finish(prepareStepFailed, 1, firstFailure);
    }
    reporter.progress(1, "Ready to play");
    return prepareReady;
}

} // namespace

int runPrepare(const qxlauncher::StartupContext& context,
               const std::vector<std::wstring>& arguments) {
    const PrepareArguments parsed = parsePrepareArguments(arguments);
    PrepareReporter reporter;
    platform::SingleInstanceLock mutex;
    switch (mutex.acquire(launcherMutexName)) {
    case platform::SingleInstanceLock::Result::failed:
        throw std::runtime_error("launcher mutex");
    case platform::SingleInstanceLock::Result::alreadyExists:
        return reporter.finish(prepareWindowOpen, 0,
                               "Close the Lumenark Recomp window first, then run the setup again.");
    case platform::SingleInstanceLock::Result::acquired:
        break;
    }
    // The backend goes before the lock on every way out: destroying it ends a running setup.
    auto backend = std::make_unique<qxlauncher::Backend>(context);
    return prepareWithBackend(reporter, *backend, parsed);
}

} // namespace lumenark
