#include "app/modes/diagnostic_session.h"

#include "app/command_line_modes.h"
#include "app/ui_event_log.h"
#include "backend/launch/command_line.h"
#include "backend/launch/game_launch.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/system_folder.h"
#include "platform/text.h"

#include <array>
#include <stdexcept>
#include <utility>

namespace lumenark {

namespace {

constexpr std::array<std::pair<std::wstring_view, std::wstring_view>, 20> optionTable{{
    {L"--game-mode", L"-GameMode"},
    {L"--smoke-frames", L"-WindowFrames"},
    {L"--data-root", L"-DataRoot"},
    {L"--plan-output", L"-PlanOutput"},
    {L"--visual-mode", L"-VisualMode"},
    {L"--scanlines", L"-Scanlines"},
    {L"--filter", L"-Filter"},
    {L"--scalefx", L"-ScaleFX"},
    {L"--scale-mode", L"-ScaleMode"},
    {L"--cas", L"-Cas"},
    {L"--bilateral", L"-Bilateral"},
    {L"--smaa", L"-Smaa"},
    {L"--game-fullscreen", L"-GameFullscreen"},
    {L"--crt-preset", L"-CrtPreset"},
    {L"--sync", L"-SyncMode"},
    {L"--color", L"-ColorMode"},
    {L"--brightness", L"-Brightness"},
    {L"--bezel", L"-Bezel"},
    {L"--high-refresh", L"-HighRefresh"},
    {L"--audio-latency", L"-AudioLatency"},
}};

std::wstring_view sessionParameter(const std::wstring& option) {
    for (const auto& [name, parameter] : optionTable) {
        if (option == name) {
            return parameter;
        }
    }
    throw std::runtime_error("unknown diagnostic argument");
}

} // namespace

DiagnosticPlan planDiagnosticSession(const std::filesystem::path& projectRoot,
                                     const std::filesystem::path& powershell,
                                     const std::vector<std::wstring>& options) {
    DiagnosticPlan plan;
    plan.arguments = qxlauncher::sessionScriptHead(
        powershell, projectRoot / "build/native/manual-temporary-8-20261025/product/session.ps1",
        projectRoot);
    plan.logPath = projectRoot / "logs/temporaria-8/launcher-diagnostic.log";
    for (std::size_t at = 0; at < options.size(); at += 2) {
        const std::wstring_view parameter = sessionParameter(options[at]);
        if (at + 1 >= options.size()) {
            throw std::runtime_error("missing diagnostic argument");
        }
        const std::wstring& value = options[at + 1];
        if (options[at] == L"--plan-output") {
            plan.logPath = platform::pathFromWide(value + L".launcher.log");
        }
        plan.arguments.emplace_back(parameter);
        plan.arguments.push_back(value);
    }
    return plan;
}

namespace {

// Both output streams of the script go to the log; its input is the null device.
struct DiagnosticStreams {
    platform::UniqueHandle log;
    platform::UniqueHandle nul;
};

DiagnosticStreams openDiagnosticStreams(const std::filesystem::path& logPath) {
    requireNoLinkInPath(logPath);
    if (logPath.has_parent_path()) {
        std::filesystem::create_directories(logPath.parent_path());
    }
    DiagnosticStreams streams{platform::openChildLogFile(logPath), platform::openChildNullInput()};
    if (!streams.log.valid() || !streams.nul.valid()) {
        throw std::runtime_error("diagnostic log");
    }
    return streams;
}

std::uint32_t waitForExitCode(platform::NativeHandle process) {
    while (!platform::hasChildEnded(process)) {
        platform::sleepMilliseconds(10);
    }
    return platform::childExitCode(process).value_or(4);
}

} // namespace

int runDiagnosticSession(const qxlauncher::StartupContext& context,
                         const std::vector<std::wstring>& arguments) {
    const std::optional<std::filesystem::path> system = platform::systemFolder();
    if (!system) {
        throw std::runtime_error("system path");
    }
    const std::filesystem::path powershell = *system / "WindowsPowerShell/v1.0/powershell.exe";
    const DiagnosticPlan plan = planDiagnosticSession(context.projectRoot, powershell, arguments);
    platform::StartedChild child;
    {
        const DiagnosticStreams streams = openDiagnosticStreams(plan.logPath);
        platform::ChildProcessRequest request;
        request.application = powershell;
        request.commandLine = qxlauncher::quotedCommandLine(plan.arguments);
        request.workingFolder = context.projectRoot;
        request.standardInput = streams.nul.get();
        request.standardOutput = streams.log.get();
        request.standardError = streams.log.get();
        request.hideWindow = true;
        child = platform::startChildProcess(request);
    }
    if (!child.started()) {
        throw std::runtime_error("diagnostic process");
    }
    return static_cast<int>(waitForExitCode(child.process.get()));
}

} // namespace lumenark
