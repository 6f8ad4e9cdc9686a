#pragma once
// The setup pipeline's records: the queue entries, one job per game, the requirements result and
// the newest build of a game.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qxlauncher {

// A game kind, or -1 for the requirements check, and the verify-only flag.
struct SetupQueueEntry {
    std::int32_t game = -1;
    bool verifyOnly = false;
};

inline constexpr std::int32_t requirementsEntryGame = -1;

// One file of the verification report, as the setup script names and judges it.
struct ReportFile {
    std::string name;
    std::string status;
};

// A game's setup state. The text fields hold UTF-8.
struct SetupJob {
    std::filesystem::path romFolder;
    bool queued = false;
    bool running = false;
    bool verified = false;
    std::string mode;
    std::string step;
    std::string state;
    std::string message;
    std::string program;
    std::string code;
    std::string hint;
    std::string detail;
    std::int32_t unitsDone = 0;
    std::int32_t unitsTotal = 0;
    double elapsedSeconds = 0.0;
    double buildSeconds = 0.0;
    std::vector<ReportFile> reportFiles;
    std::vector<std::string> reportChecks;
};

// The result of the requirements check; all false and empty until it has completed.
struct ToolProbe {
    bool checked = false;
    bool ok = false;
    bool windows64Bit = false;
    bool pythonSupported = false;
    std::string python;
    std::string compilerVersion;
    std::string compilerValidated;
};

// The newest valid build of a game, from its receipt under "generated".
struct LatestBuild {
    bool found = false;
    bool outdated = false;
    std::filesystem::path buildDirectory;
    std::filesystem::path executable;
    std::string directoryName;
    std::string sha256;
    double totalSeconds = 0.0;
    // The receipt's last write time (platform::lastWriteTime).
    std::uint64_t receiptWritten = 0;
};

} // namespace qxlauncher
