// A stand-in for the collection's setup script and its interpreter. It is called as the launcher
// calls the interpreter:
//   <program> [-3] -I <script> --requirements
//   <program> [-3] -I <script> --game <id> --roms <folder> --progress <file> [--verify-only]
// and reads the script file as its scenario: lines "key=value" ('#' starts a comment):
//   requirements=supported|unsupported|nocompiler|silent|slow|held   the requirements result
//   requirements.<program>=...   the same for one interpreter name ("py.exe")
//   requirements_delay_ms=N      how long "slow" waits before it answers as supported
//   ("held" answers as supported once "logs/hold-requirements" under the project root is gone)
//   step_delay_ms=N        time each setup step takes      compile_units=N  units of "compile"
//   fail.<id>=<step>       record a failure of its own at that step and exit 1
//   bare.<id>=<step>       exit 3 at that step without recording anything
//   failzero.<id>=<step>   record a failure of its own at that step, then exit 0 all the same
//   nobuild.<id>=1         go through every step and exit 0, but write no build receipt
//   exit.<id>=N            go through every step and record the job as done, then exit N
//   hang.<id>=<step>       start a grandchild that beats a heartbeat file, write both process
//                          ids to "logs/hang-<id>.pids", then wait forever
//   hang_session=1         the hanging step's grandchild leaves for a session of its own (Linux)
//   garbage.<id>=<step>    write an unreadable progress file at that step, then go on
//   hold.<id>=<point>,...  at each point, "<step>" or "<step>:<units done>", report it, then wait
//                          while "logs/hold-<id>-<step>[-<units done>]" under the project root
//                          exists; the test that made the file removes it to let the job go on
//   hold.<id>.<mode>=...   the same for jobs of one mode only ("setup" or "verify")
//                          (a step that fails as asked holds before it records the failure)
//   probe_handle=<value> <file>  look for a handle of the launcher's own in this process and
//                          append "<call> inherited" or "<call> not inherited" to
//                          "logs/fake-python-handles.txt", the call "requirements" or the game id
// ROM files are verified against the manifests under the project root by size and digests; the
// first file of a manifest stands for the program image, whose result the report's "program"
// gives as the launcher reads it: "ok" when the file is right, else a short reason.
// Every call is recorded in "logs/fake-python-calls.txt" under the project root.
#include "backend/files/json.h"
#include "platform/child_process.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/inherited_handle.h"
#include "tests/support/test_digest.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const std::vector<std::string> setupSteps = {"verify", "stage",   "decoder", "generate",
                                             "accept", "compile", "seed",    "install"};

std::map<std::string, std::string> readScenario(const fs::path& script) {
    std::map<std::string, std::string> scenario;
    std::ifstream stream(script, std::ios::binary);
    std::string line;
    while (std::getline(stream, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            scenario[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return scenario;
}

std::string valueOf(const std::map<std::string, std::string>& scenario, const std::string& key,
                    const std::string& fallback = {}) {
    const auto found = scenario.find(key);
    return found == scenario.end() ? fallback : found->second;
}

int numberOf(const std::map<std::string, std::string>& scenario, const std::string& key,
             int fallback) {
    const std::string text = valueOf(scenario, key);
    return text.empty() ? fallback : std::stoi(text);
}

void sleepFor(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

fs::path holdFile(const fs::path& root, const std::string& name) {
    return root / "logs" / ("hold-" + name);
}

// Waits while the test holds the file; a minute at most, so a broken test cannot hang forever.
void waitWhileHeld(const fs::path& hold) {
    const auto end = Clock::now() + std::chrono::minutes(1);
    std::error_code error;
    while (fs::exists(hold, error) && Clock::now() < end) {
        sleepFor(5);
    }
}

std::string jsonText(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    return out + "\"";
}

std::string readAll(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    return bytes.str();
}

// Written beside the target and moved over it, so the launcher never reads half a file.
void writeAtomically(const fs::path& target, const std::string& bytes) {
    fs::path temporary = target;
    temporary += ".part";
    {
        std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
        stream << bytes;
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        fs::remove(target, error);
        fs::rename(temporary, target, error);
    }
}

void appendLine(const fs::path& path, const std::string& line) {
    std::error_code ignored;
    fs::create_directories(path.parent_path(), ignored);
    std::ofstream stream(path, std::ios::binary | std::ios::app);
    stream << line << "\n";
}

struct Arguments {
    std::vector<std::string> all;
    fs::path script;
    bool requirements = false;
    std::string game;
    fs::path roms;
    fs::path progress;
    bool verifyOnly = false;
    fs::path heartbeat; // --grandchild
    bool ownSession = false;
};

Arguments parseArguments(const std::vector<std::string>& all) {
    Arguments arguments;
    arguments.all = all;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::string& word = all[i];
        const bool hasValue = i + 1 < all.size();
        if (word == "-I" && hasValue) {
            arguments.script = platform::pathFromWide(platform::wideFromUtf8(all[++i]));
        } else if (word == "--requirements") {
            arguments.requirements = true;
        } else if (word == "--game" && hasValue) {
            arguments.game = all[++i];
        } else if (word == "--roms" && hasValue) {
            arguments.roms = platform::pathFromWide(platform::wideFromUtf8(all[++i]));
        } else if (word == "--progress" && hasValue) {
            arguments.progress = platform::pathFromWide(platform::wideFromUtf8(all[++i]));
        } else if (word == "--verify-only") {
            arguments.verifyOnly = true;
        } else if (word == "--grandchild" && hasValue) {
            arguments.heartbeat = platform::pathFromWide(platform::wideFromUtf8(all[++i]));
        } else if (word == "--own-session") {
            arguments.ownSession = true;
        }
    }
    return arguments;
}

int runGrandchild(const fs::path& heartbeat, bool ownSession) {
#ifndef _WIN32
    if (ownSession) {
        ::setsid(); // out of the setup's process group, as a daemon would go
    }
#else
    (void)ownSession;
#endif
    // Beats until it is killed with the tree it belongs to; gives up after a minute.
    const auto end = Clock::now() + std::chrono::minutes(1);
    for (unsigned beat = 1; Clock::now() < end; ++beat) {
        writeAtomically(heartbeat, std::to_string(beat));
        sleepFor(20);
    }
    return 0;
}

std::uint32_t startGrandchild(const fs::path& heartbeat, bool ownSession) {
    const auto self = platform::executablePath(32768);
    std::wstring commandLine =
        L"\"" + self.text + L"\" --grandchild \"" + platform::wideFromPath(heartbeat) + L"\"";
    if (ownSession) {
        commandLine += L" --own-session";
    }
    platform::ChildProcessRequest request;
    request.application = platform::pathFromWide(self.text);
    request.commandLine = commandLine;
    auto in = platform::openChildNullInput();
    request.standardInput = in.get();
    // The handle is dropped at once: the grandchild outlives it and dies only with the tree.
    return platform::startChildProcess(request).processId;
}

int runRequirements(const std::map<std::string, std::string>& scenario, const fs::path& root) {
    // "requirements.<program file name>" speaks for one interpreter name only.
    const std::string program = platform::utf8FromWide(platform::wideFromPath(
        platform::pathFromWide(platform::executablePath(32768).text).filename()));
    const std::string kind = valueOf(scenario, "requirements." + program,
                                     valueOf(scenario, "requirements", "supported"));
    if (kind == "slow") {
        sleepFor(numberOf(scenario, "requirements_delay_ms", 3000));
    }
    if (kind == "held") {
        waitWhileHeld(holdFile(root, "requirements"));
    }
    if (kind == "silent") {
        std::fputs("fake interpreter: no result\n", stderr);
        return 1;
    }
    const std::string python = valueOf(scenario, "python", "3.12.4 (fake)");
    const bool supported = kind != "unsupported";
    const std::string version = kind == "nocompiler" ? "" : valueOf(scenario, "gxx", "16.1.0");
    const bool ok = supported && !version.empty();
    std::printf("{\"python\": %s, \"windows_64bit\": true, \"python_supported\": %s, \"ok\": %s, "
                "\"compiler\": {\"version\": %s, \"validated\": \"16.1.0\"}}\n",
                jsonText(python).c_str(), supported ? "true" : "false", ok ? "true" : "false",
                jsonText(version).c_str());
    std::fputs("fake interpreter: requirements checked\n", stderr);
    return 0;
}

struct Verification {
    bool ok = false;
    std::vector<std::pair<std::string, std::string>> files;

    std::string program() const {
        if (files.empty()) {
            return "not checked";
        }
        const std::string& status = files.front().second;
        if (status == "ok") {
            return "ok";
        }
        return status == "missing" ? "missing" : "not recognised";
    }
};

const char* manifestOf(const std::string& id) {
    if (id == "qx1") {
        return "tools/qx1/roms-l1.json";
    }
    if (id == "qx2") {
        return "tools/qx2/roms-l31.json";
    }
    return "tools/qx3/roms-21.json";
}

std::string fileStatus(const fs::path& folder, const std::string& id,
                       const qxlauncher::JsonValue& rom, const std::string& name) {
    fs::path file = folder / platform::pathFromWide(platform::wideFromUtf8(name));
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        file = folder / id / platform::pathFromWide(platform::wideFromUtf8(name));
        if (!fs::is_regular_file(file, error)) {
            return "missing";
        }
    }
    const std::string bytes = readAll(file);
    if (rom.member("size", qxlauncher::JsonType::Number) != nullptr &&
        static_cast<double>(bytes.size()) != rom.numberMember("size")) {
        return "wrong size";
    }
    const std::string crc = qxlauncher::jsonGetString(rom, "crc32");
    const std::string sha1 = qxlauncher::jsonGetString(rom, "sha1");
    const std::string sha256 = qxlauncher::jsonGetString(rom, "sha256");
    if ((!crc.empty() && crc != testsupport::crc32Hex(bytes)) ||
        (!sha1.empty() && sha1 != testsupport::sha1Hex(bytes)) ||
        (!sha256.empty() && sha256 != testsupport::sha256Hex(bytes))) {
        return "wrong digest";
    }
    return "ok";
}

Verification verifyRoms(const fs::path& root, const std::string& id, const fs::path& folder) {
    Verification result;
    qxlauncher::JsonValue manifest;
    if (!qxlauncher::readJsonObjectFile(root / manifestOf(id), manifest)) {
        return result;
    }
    const qxlauncher::JsonValue* roms = manifest.member("roms", qxlauncher::JsonType::Array);
    if (roms == nullptr || roms->elements.empty()) {
        return result;
    }
    result.ok = true;
    for (const auto& rom : roms->elements) {
        const std::string name = qxlauncher::jsonGetString(rom, "name");
        const std::string status = fileStatus(folder, id, rom, name);
        result.ok = result.ok && status == "ok";
        result.files.emplace_back(name, status);
    }
    return result;
}

struct Progress {
    fs::path path;
    std::string mode;
    Clock::time_point start = Clock::now();
    std::string step;
    std::string state = "running";
    std::string message;
    std::string code;
    std::string hint;
    std::string detail;
    int done = 0;
    int total = 0;
    std::optional<Verification> report;

    void write() const {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        std::ostringstream text;
        text << "{\"mode\": " << jsonText(mode) << ", \"step\": " << jsonText(step)
             << ", \"state\": " << jsonText(state) << ", \"message\": " << jsonText(message)
             << ", \"code\": " << jsonText(code) << ", \"hint\": " << jsonText(hint)
             << ", \"detail\": " << jsonText(detail) << ", \"elapsed\": " << elapsed
             << ", \"units\": {\"done\": " << done << ", \"total\": " << total << "}";
        if (report) {
            text << ", \"report\": {\"program\": " << jsonText(report->program())
                 << ", \"files\": [";
            for (std::size_t i = 0; i < report->files.size(); ++i) {
                text << (i ? ", " : "") << "{\"name\": " << jsonText(report->files[i].first)
                     << ", \"status\": " << jsonText(report->files[i].second) << "}";
            }
            text << "], \"checks\": [\"sizes\", \"digests\"], \"ok\": "
                 << (report->ok ? "true" : "false") << "}";
        }
        text << "}\n";
        writeAtomically(path, text.str());
    }
};

void writeBuild(const fs::path& root, const std::string& id) {
    const std::string folderName = testsupport::sha256Hex("fake build of " + id);
    const fs::path folder = root / "generated" / id / folderName;
    fs::create_directories(folder);
    const std::string executable = id + "-native.exe";
    const std::string bytes = "fake native game " + id + "\n";
    {
        std::ofstream stream(folder / executable, std::ios::binary | std::ios::trunc);
        stream << bytes;
    }
    // The receipt comes last: a build without one does not exist.
    std::ostringstream receipt;
    receipt << "{\"setup_version\": \"14\", \"compile\": {\"executable\": "
            << jsonText("generated/" + id + "/" + folderName + "/" + executable)
            << ", \"sha256\": " << jsonText(testsupport::sha256Hex(bytes))
            << ", \"seconds\": 1.5}, \"generate_seconds\": 2.25, \"seed\": {\"seconds\": 0.25}}\n";
    writeAtomically(folder / "setup.json", receipt.str());
}

int runGame(const Arguments& arguments, const std::map<std::string, std::string>& scenario,
            const fs::path& root) {
    const std::string& id = arguments.game;
    const int delay = numberOf(scenario, "step_delay_ms", 0);
    const std::string mode = arguments.verifyOnly ? "verify" : "setup";
    const std::string holds = "," + valueOf(scenario, "hold." + id) + "," +
                              valueOf(scenario, "hold." + id + "." + mode) + ",";
    // Once released the file is gone, so a point that matches again does not hold again.
    const auto reportAndHold = [&](const Progress& progress) {
        progress.write();
        const std::string units = std::to_string(progress.done);
        if (holds.find("," + progress.step + ",") != std::string::npos) {
            waitWhileHeld(holdFile(root, id + "-" + progress.step));
        }
        if (holds.find("," + progress.step + ":" + units + ",") != std::string::npos) {
            waitWhileHeld(holdFile(root, id + "-" + progress.step + "-" + units));
        }
    };
    Progress progress;
    progress.path = arguments.progress;
    progress.mode = mode;
    for (const auto& step : setupSteps) {
        progress.step = step;
        progress.message = "fake step " + step;
        progress.done = 0;
        progress.total = 0;
        std::printf("fake setup %s: %s\n", id.c_str(), step.c_str());
        std::fflush(stdout);
        if (valueOf(scenario, "bare." + id) == step) {
            return 3;
        }
        const bool failsWithZero = valueOf(scenario, "failzero." + id) == step;
        if (valueOf(scenario, "fail." + id) == step || failsWithZero) {
            reportAndHold(progress);
            progress.state = "failed";
            progress.code = "fake_" + step;
            progress.message = valueOf(scenario, "fail_message", "The fake " + step + " failed.");
            progress.hint = valueOf(scenario, "fail_hint", "Check the fake scenario.");
            progress.detail = "scenario asked for a failure at " + step;
            progress.write();
            std::fputs("fake setup: failing as asked\n", stderr);
            return failsWithZero ? 0 : 1;
        }
        if (valueOf(scenario, "hang." + id) == step) {
            progress.write();
            const std::uint32_t grandchild =
                startGrandchild(root / "logs" / ("grandchild-" + id + ".beat"),
                                valueOf(scenario, "hang_session") == "1");
            writeAtomically(root / "logs" / ("hang-" + id + ".pids"),
                            std::to_string(platform::currentProcessId()) + " " +
                                std::to_string(grandchild) + "\n");
            for (;;) {
                sleepFor(50);
            }
        }
        if (valueOf(scenario, "garbage." + id) == step) {
            writeAtomically(progress.path, "{\"step\": ");
            sleepFor(delay);
            continue;
        }
        if (step == "verify") {
            progress.report = verifyRoms(root, id, arguments.roms);
            if (!progress.report->ok) {
                progress.state = "failed";
                progress.code = "roms_not_found";
                progress.message = "No complete ROM set of this game in this folder.";
                progress.hint = "Choose the folder that holds the ROM files of this board.";
                progress.write();
                return 2;
            }
            reportAndHold(progress);
            if (arguments.verifyOnly) {
                break;
            }
            sleepFor(delay);
            continue;
        }
        if (step == "compile") {
            progress.total = numberOf(scenario, "compile_units", 4);
            for (progress.done = 0; progress.done < progress.total; ++progress.done) {
                reportAndHold(progress);
                sleepFor(delay);
            }
        }
        if (step == "install" && valueOf(scenario, "nobuild." + id) != "1") {
            writeBuild(root, id);
        }
        reportAndHold(progress);
        sleepFor(delay);
    }
    progress.state = "done";
    progress.message = arguments.verifyOnly ? "ROM files verified" : "Ready to play";
    progress.write();
    return numberOf(scenario, "exit." + id, 0);
}

int fakeMain(const std::vector<std::string>& all) {
    const Arguments arguments = parseArguments(all);
    if (!arguments.heartbeat.empty()) {
        return runGrandchild(arguments.heartbeat, arguments.ownSession);
    }
    if (arguments.script.empty()) {
        std::fputs("fake interpreter: no script\n", stderr);
        return 2;
    }
    // tools/setup/setup.py under the project root.
    const fs::path root = arguments.script.parent_path().parent_path().parent_path();
    std::string call;
    for (std::size_t i = 0; i < all.size(); ++i) {
        call += (i ? "|" : "") + all[i];
    }
    appendLine(root / "logs/fake-python-calls.txt", call);
    const auto scenario = readScenario(arguments.script);
    if (const std::string probe = valueOf(scenario, "probe_handle"); !probe.empty()) {
        appendLine(root / "logs/fake-python-handles.txt",
                   (arguments.requirements ? "requirements" : arguments.game) + " " +
                       testsupport::inheritedHandleState(probe));
    }
    if (arguments.requirements) {
        return runRequirements(scenario, root);
    }
    if (!arguments.game.empty()) {
        return runGame(arguments, scenario, root);
    }
    std::fputs("fake interpreter: nothing to do\n", stderr);
    return 2;
}

} // namespace

#ifdef _WIN32
int wmain(int count, wchar_t** values) {
    std::vector<std::string> all;
    for (int i = 1; i < count; ++i) {
        all.push_back(platform::utf8FromWide(values[i]));
    }
    return fakeMain(all);
}
#else
int main(int count, char** values) {
    return fakeMain(std::vector<std::string>(values + 1, values + count));
}
#endif
