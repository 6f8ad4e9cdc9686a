#include "tests/support/fake_collection.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_digest.h"

#include <chrono>
#include <sstream>
#include <system_error>
#include <thread>

namespace testsupport {

namespace {

const char* manifestPaths[3] = {"tools/qx1/roms-l1.json", "tools/qx2/roms-l31.json",
                                "tools/qx3/roms-21.json"};

std::string contentOf(const std::string& seed, std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = crc32Of(seed) | 1U;
    for (auto& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state & 0xFFU);
    }
    return bytes;
}

} // namespace

std::vector<FakeRomFile> fakeRomFiles(int game) {
    const std::string id = fakeGameIds[game];
    std::vector<FakeRomFile> files;
    for (int part = 1; part <= 3; ++part) {
        const std::string name = id + "-u" + std::to_string(part) + ".bin";
        files.push_back({name, contentOf(name, 1024U * static_cast<std::size_t>(part + game))});
    }
    return files;
}

void writeFakeManifests(const std::filesystem::path& root) {
    for (int game = 0; game < 3; ++game) {
        std::ostringstream text;
        text << "{\n  \"game\": \"" << fakeGameIds[game] << "\",\n  \"roms\": [\n";
        const auto files = fakeRomFiles(game);
        for (std::size_t i = 0; i < files.size(); ++i) {
            const auto& file = files[i];
            text << "    {\"name\": \"" << file.name << "\", \"size\": " << file.bytes.size()
                 << ", \"crc32\": \"" << crc32Hex(file.bytes) << "\", \"sha1\": \""
                 << sha1Hex(file.bytes) << "\", \"sha256\": \"" << sha256Hex(file.bytes) << "\"}"
                 << (i + 1 < files.size() ? "," : "") << "\n";
        }
        text << "  ]\n}\n";
        writeFile(root / manifestPaths[game], text.str());
    }
}

void writeFakeRoms(const std::filesystem::path& folder, int game) {
    for (const auto& file : fakeRomFiles(game)) {
        writeFile(folder / file.name, file.bytes);
    }
}

void writeFakeSetupScript(const std::filesystem::path& root, const std::string& scenario) {
    writeFile(root / "tools/setup/setup.py", scenario);
}

std::string fakeOutcomeScenario(bool verifyOnly, bool recordsFailure, int exitCode) {
    if (!recordsFailure) {
        return "exit.qx1=" + std::to_string(exitCode) + "\n";
    }
    return std::string(exitCode == 0 ? "failzero.qx1=" : "fail.qx1=") +
           (verifyOnly ? "verify" : "compile") + "\n";
}

std::filesystem::path fakePythonProgram() {
#ifdef _WIN32
    return binaryFolder() / "fake_python.exe";
#else
    return binaryFolder() / "fake_python";
#endif
}

void placeFakeInterpreter(const std::filesystem::path& folder,
                          const std::vector<std::string>& names) {
    std::filesystem::create_directories(folder);
    for (const auto& name : names) {
        std::filesystem::copy_file(fakePythonProgram(), folder / name,
                                   std::filesystem::copy_options::overwrite_existing);
    }
}

std::vector<std::string> fakePythonCalls(const std::filesystem::path& root) {
    std::istringstream lines(readFileIfPresent(root / "logs/fake-python-calls.txt"));
    std::vector<std::string> calls;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        calls.push_back(line);
    }
    return calls;
}

FakePythonHold::FakePythonHold(const std::filesystem::path& root, const std::string& name)
    : file_(root / "logs" / ("hold-" + name)) {
    std::filesystem::create_directories(file_.parent_path());
    writeFile(file_, "held\n");
}

FakePythonHold::~FakePythonHold() {
    release();
}

void FakePythonHold::release() {
    std::error_code ignored;
    std::filesystem::remove(file_, ignored);
}

std::filesystem::path grandchildHeartbeat(const std::filesystem::path& root,
                                          const std::string& id) {
    return root / "logs" / ("grandchild-" + id + ".beat");
}

bool waitForHeartbeat(const std::filesystem::path& heartbeat) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!readFileIfPresent(heartbeat).empty()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

bool heartbeatStops(const std::filesystem::path& heartbeat) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string last = readFileIfPresent(heartbeat);
    while (std::chrono::steady_clock::now() < deadline) {
        // The writer beats every 20 ms; a second of silence means it is gone.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const std::string now = readFileIfPresent(heartbeat);
        if (now == last) {
            return true;
        }
        last = now;
    }
    return false;
}

} // namespace testsupport
