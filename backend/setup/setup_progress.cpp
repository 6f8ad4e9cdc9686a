#include "backend/setup/setup_progress.h"
#include "backend/backend.h"
#include "backend/files/file_safety.h"
#include "backend/files/text_fields.h"
#include "backend/files/utf8_text.h"
#include "backend/setup/setup_runner.h"
#include "platform/files.h"
#include "platform/text.h"

#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <system_error>

namespace qxlauncher {

namespace {

// Truncated toward zero and clamped, so an out-of-range count cannot wrap or trap.
std::int32_t unitCount(const JsonValue& units, const char* name) {
    const double value = std::trunc(units.numberMember(name));
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

void takeBoolean(const JsonValue& result, const char* name, bool& field) {
    if (const JsonValue* value = result.member(name, JsonType::Bool)) {
        field = value->boolean;
    }
}

} // namespace

void applySetupProgress(const JsonValue& progress, SetupJob& job) {
    job.mode = jsonGetString(progress, "mode");
    job.step = jsonGetString(progress, "step");
    job.state = jsonGetString(progress, "state");
    job.message = jsonGetString(progress, "message");
    job.code = jsonGetString(progress, "code");
    job.hint = jsonGetString(progress, "hint");
    job.detail = jsonGetString(progress, "detail");
    job.unitsDone = 0;
    job.unitsTotal = 0;
    if (const JsonValue* units = progress.member("units", JsonType::Object)) {
        job.unitsDone = unitCount(*units, "done");
        job.unitsTotal = unitCount(*units, "total");
    }
    job.elapsedSeconds = progress.numberMember("elapsed");
    const JsonValue* report = progress.member("report", JsonType::Object);
    if (report == nullptr) {
        return;
    }
    job.reportFiles.clear();
    job.reportChecks.clear();
    job.program = jsonGetString(*report, "program");
    if (const JsonValue* files = report->member("files", JsonType::Array)) {
        for (const JsonValue& file : files->elements) {
            if (file.type == JsonType::Object) {
                job.reportFiles.push_back(
                    {jsonGetString(file, "name"), jsonGetString(file, "status")});
            }
        }
    }
    if (const JsonValue* checks = report->member("checks", JsonType::Array)) {
        for (const JsonValue& check : checks->elements) {
            if (check.type == JsonType::String) {
                job.reportChecks.push_back(check.text);
            }
        }
    }
    const JsonValue* ok = report->member("ok", JsonType::Bool);
    job.verified = ok != nullptr && ok->boolean;
}

void applyRequirementsResult(const JsonValue& result, ToolProbe& tools) {
    tools.checked = true;
    tools.python = jsonGetString(result, "python");
    takeBoolean(result, "windows_64bit", tools.windows64Bit);
    takeBoolean(result, "python_supported", tools.pythonSupported);
    takeBoolean(result, "ok", tools.ok);
    if (const JsonValue* compiler = result.member("compiler", JsonType::Object)) {
        tools.compilerVersion = jsonGetString(*compiler, "version");
        tools.compilerValidated = jsonGetString(*compiler, "validated");
    }
}

void Backend::readSetupProgress(int game) {
    SetupJob& job = jobs.at(static_cast<std::size_t>(game));
    JsonValue progress;
    if (!readJsonObjectFile(setupProgressPath(projectRoot, game), progress)) {
        return;
    }
    applySetupProgress(progress, job);
}

void Backend::completeRequirementsCheck() {
    JsonValue result;
    if (readJsonObjectFile(requirementsResultPath(projectRoot), result)) {
        // pythonCommand already holds the command that ran; PATH is not searched again.
        applyRequirementsResult(result, tools);
        return;
    }
    pythonCommand.clear();
    pythonCandidateIndex += 1;
    if (pythonCandidateIndex < findPythonCandidates().size()) {
        setupQueue.push_front(SetupQueueEntry{});
        return;
    }
    tools = ToolProbe{};
    tools.checked = true;
    status = L"Python 3 was not found on PATH.";
}

bool Backend::hasValidBuild(int game) const {
    if (!isGameKind(game)) {
        return false;
    }
    return findLatestBuild(projectRoot, std::wstring(gameTable[static_cast<std::size_t>(game)].id))
        .found;
}

std::filesystem::path Backend::latestBuildDirectory(int game) const {
    if (!isGameKind(game)) {
        return {};
    }
    return findLatestBuild(projectRoot, std::wstring(gameTable[static_cast<std::size_t>(game)].id))
        .buildDirectory;
}

void Backend::refreshBuildSeconds(int game) {
    SetupJob& job = jobs.at(static_cast<std::size_t>(game));
    const LatestBuild build =
        findLatestBuild(projectRoot, std::wstring(gameTable[static_cast<std::size_t>(game)].id));
    job.buildSeconds = build.found ? build.totalSeconds : 0.0;
}

} // namespace qxlauncher
