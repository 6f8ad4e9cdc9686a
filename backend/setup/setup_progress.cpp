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

constexpr std::uintmax_t receiptLimitBytes = 1048576;

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

double secondsOf(const JsonValue& object, const char* name) {
    return object.numberMember(name);
}

// The receipt's executable, relative to the root; none when it breaks a rule.
std::optional<std::filesystem::path> relativeExecutable(const std::string& value) {
    if (holdsNul(value)) {
        return std::nullopt;
    }
    const std::filesystem::path relative = platform::pathFromWide(platform::wideFromUtf8(value));
    if (relative.empty() || relative.has_root_name() || relative.has_root_directory()) {
        return std::nullopt;
    }
    for (const auto& component : relative) {
        if (component == "." || component == "..") {
            return std::nullopt;
        }
    }
    return relative;
}

struct ReceiptCandidate {
    LatestBuild build;
    bool current = false;
};

std::optional<ReceiptCandidate> readReceipt(const std::filesystem::path& root,
                                            const std::filesystem::directory_entry& entry) {
    const std::string name =
        platform::utf8FromWide(platform::wideFromPath(entry.path().filename()));
    std::error_code error;
    if (!isLowerHex64(name) || !entry.is_directory(error)) {
        return std::nullopt;
    }
    const std::filesystem::path receiptPath = entry.path() / "setup.json";
    const auto bytes = readFileLimited(receiptPath, receiptLimitBytes);
    if (!bytes) {
        return std::nullopt;
    }
    JsonValue receipt;
    if (!parseJsonObjectDocument(*bytes, receipt)) {
        return std::nullopt;
    }
    const JsonValue* compile = receipt.member("compile", JsonType::Object);
    if (compile == nullptr || compile->member("executable", JsonType::String) == nullptr ||
        compile->member("sha256", JsonType::String) == nullptr) {
        return std::nullopt;
    }
    const std::string sha256 = jsonGetString(*compile, "sha256");
    if (!isLowerHex64(sha256)) {
        return std::nullopt;
    }
    const auto relative = relativeExecutable(jsonGetString(*compile, "executable"));
    if (!relative) {
        return std::nullopt;
    }
    const std::filesystem::path executable = (root / *relative).lexically_normal();
    if (executable.parent_path() != entry.path().lexically_normal()) {
        return std::nullopt;
    }
    if (!std::filesystem::is_regular_file(executable, error) || hasReparsePoint(executable)) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> written = platform::lastWriteTime(receiptPath);
    if (!written) {
        return std::nullopt;
    }
    double seconds = secondsOf(*compile, "seconds") + secondsOf(receipt, "generate_seconds");
    if (const JsonValue* seed = receipt.member("seed", JsonType::Object)) {
        seconds += secondsOf(*seed, "seconds");
    }
    ReceiptCandidate candidate;
    const JsonValue* version = receipt.member("setup_version", JsonType::String);
    candidate.current = version != nullptr && version->text == currentSetupVersion;
    candidate.build.found = true;
    candidate.build.buildDirectory = entry.path();
    candidate.build.executable = executable;
    candidate.build.directoryName = name;
    candidate.build.sha256 = sha256;
    candidate.build.totalSeconds = seconds;
    candidate.build.receiptWritten = *written;
    return candidate;
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

LatestBuild findLatestBuild(const std::filesystem::path& root, const std::wstring& id) {
    LatestBuild best;
    const std::filesystem::path base = root / "generated" / platform::pathFromWide(id);
    std::error_code error;
    if (hasReparsePoint(base) || !std::filesystem::is_directory(base, error)) {
        return best;
    }
    std::filesystem::directory_iterator entries(base, error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        std::optional<ReceiptCandidate> candidate;
        try {
            candidate = readReceipt(root, *entries);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            // A name or path that cannot be converted: this receipt is skipped, not the scan.
            continue;
        }
        if (!candidate) {
            continue;
        }
        if (!candidate->current) {
            if (!best.found) {
                best.outdated = true;
            }
            continue;
        }
        if (!best.found || candidate->build.receiptWritten > best.receiptWritten) {
            best = candidate->build;
        }
    }
    return best;
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
