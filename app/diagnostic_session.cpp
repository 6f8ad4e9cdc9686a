#include "app/diagnostic_session.h"

#include "backend/file_safety.h"

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
    plan.arguments = {
        powershell.wstring(),
        L"-NoLogo",
        L"-NoProfile",
        L"-NonInteractive",
        L"-ExecutionPolicy",
        L"Bypass",
        L"-WindowStyle",
        L"Hidden",
        L"-File",
        (projectRoot / "build/native/manual-temporary-8-20261025/product/session.ps1").wstring(),
        L"-ProjectRoot",
        projectRoot.wstring()};
    plan.logPath = projectRoot / "logs/temporaria-8/launcher-diagnostic.log";
    for (std::size_t at = 0; at < options.size(); at += 2) {
        const std::wstring_view parameter = sessionParameter(options[at]);
        if (at + 1 >= options.size()) {
            throw std::runtime_error("missing diagnostic argument");
        }
        const std::wstring& value = options[at + 1];
        if (options[at] == L"--plan-output") {
            plan.logPath = std::filesystem::path(value + L".launcher.log");
        }
        plan.arguments.emplace_back(parameter);
        plan.arguments.push_back(value);
    }
    return plan;
}

std::wstring joinCommandLine(const std::vector<std::wstring>& arguments) {
    std::wstring line;
    for (const auto& argument : arguments) {
        if (!line.empty()) {
            line.push_back(L' ');
        }
        line += qxlauncher::quoteArgument(argument);
    }
    return line;
}

} // namespace lumenark
