#pragma once
// The collection around the launcher, as tests lay it out: the fake setup script (a scenario that
// the fake interpreter follows), the ROM manifests, fake ROM files with their real digests, and a
// folder that puts the fake interpreter on a search path under the candidate names.
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct FakeRomFile {
    std::string name;
    std::string bytes;
};

inline constexpr const char* fakeGameIds[3] = {"qx1", "qx2", "qx3"};

// The fake ROM files of a game: a few small files of deterministic content, never real data.
std::vector<FakeRomFile> fakeRomFiles(int game);

// Writes the three ROM manifests under the root, listing the fake files with their size,
// CRC32, SHA-1 and SHA-256.
void writeFakeManifests(const std::filesystem::path& root);

// Writes a game's fake ROM files into the folder.
void writeFakeRoms(const std::filesystem::path& folder, int game);

// Writes "tools/setup/setup.py": the scenario lines that the fake interpreter follows.
void writeFakeSetupScript(const std::filesystem::path& root, const std::string& scenario);

// A scenario for the first game's job: it records a failure of its own at its mode's step
// ("verify" for a verify job, "compile" for a setup), or goes through and records the job as
// done, then exits with the code given (0 or 1).
std::string fakeOutcomeScenario(bool verifyOnly, bool recordsFailure, int exitCode);

// The fake interpreter program built beside the tests.
std::filesystem::path fakePythonProgram();

// Copies the fake interpreter into the folder under each name ("python.exe", "py.exe").
void placeFakeInterpreter(const std::filesystem::path& folder,
                          const std::vector<std::string>& names);

// The calls the fake interpreter recorded under the root: one line per call, its arguments
// after the program separated by '|'.
std::vector<std::string> fakePythonCalls(const std::filesystem::path& root);

// Holds the fake interpreter until released (or destroyed): name "requirements" for
// "requirements=held", "<id>-<step>" for "hold.<id>=<step>", "<id>-<step>-<units>" for
// "hold.<id>=<step>:<units>".
class FakePythonHold {
public:
    FakePythonHold(const std::filesystem::path& root, const std::string& name);
    FakePythonHold(const FakePythonHold&) = delete;
    FakePythonHold& operator=(const FakePythonHold&) = delete;
    ~FakePythonHold();

    void release();

private:
    std::filesystem::path file_;
};

// The heartbeat file of a hanging game job's grandchild.
std::filesystem::path grandchildHeartbeat(const std::filesystem::path& root, const std::string& id);

// True when the file stops changing within the timeout (its writer has died).
bool heartbeatStops(const std::filesystem::path& heartbeat);

// True once the file exists and holds a beat (the writer runs).
bool waitForHeartbeat(const std::filesystem::path& heartbeat);

} // namespace testsupport
