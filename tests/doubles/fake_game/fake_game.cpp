// A stand-in for the collection's games and for the system's Windows PowerShell.
//
// As a game it reads "fake-game.scenario" beside its executable, lines "key=value":
//   window=now|late|never    register a top-level window at once, after 800 ms, or not at all
//   class=<name>             the window class (default "Qx5TemporalScanout")
//   visible=1|0              whether the window is shown (Windows only; default 1)
//   close=honour|ignore      leave on a close request, or keep running (default honour)
//   exit=<code>              the exit code (default 0)
//   closed_exit=<code>       the exit code after an honoured close request (default: exit)
//   lifetime_ms=<n>          leave by itself after this long (default 30000)
//   hold=<file>              leave by itself only once the file is gone (the test removes it);
//                            lifetime_ms still bounds the wait
//   hold_session_lock=<folder>  hold "session.lock" in the folder, shared with nobody
//   hold_writer_lock=<folder>   hold the writer lock ".cmos.lock" in the folder as the launcher
//                               takes it, until the process ends
//   rewrite_cmos=<file>      flip the first byte of the file, rewriting it whole
//   probe_handle=<value> <file>  look for a handle of the launcher's own in this process
// and records in "fake-game-record.txt" beside itself what it was given: "cwd=", one "arg="
// per argument, one "env=" per environment string, "stdin-bytes=", and with probe_handle
// "handle=inherited" or "handle=not inherited". The record is complete once
// it has its last line "ready". Once it tried to open its window, "fake-game-window.txt" beside
// it reads "created" or "failed". A close request it ignores adds a line "ignored" to
// "fake-game-closes.txt" beside it.
//
// Built as the PowerShell stand-in it records the same into "fake-powershell-record.txt" beside
// itself (probe_handle from "fake-powershell.scenario" beside it), reads the script after "-File",
// whose first line is the game to start, starts that game as its own child with its own arguments,
// environment, folder and streams, waits for it and leaves with its exit code.
#include "platform/process.h"
#include "platform/profile_folder.h"
#include "platform/standard_streams.h"
#include "platform/text.h"
#include "tests/support/inherited_handle.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/posix/desktop_dir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

fs::path ownFolder() {
    return platform::pathFromWide(platform::executablePath(32768).text).parent_path();
}

std::map<std::string, std::string> readScenario(const fs::path& file) {
    std::map<std::string, std::string> scenario;
    std::ifstream stream(file, std::ios::binary);
    std::string line;
    while (std::getline(stream, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        const auto equals = line.find('=');
        if (!line.empty() && line[0] != '#' && equals != std::string::npos) {
            scenario[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return scenario;
}

std::string value(const std::map<std::string, std::string>& scenario, const std::string& key,
                  const std::string& fallback) {
    const auto found = scenario.find(key);
    return found == scenario.end() ? fallback : found->second;
}

std::vector<std::string> environmentLines() {
    std::vector<std::string> lines;
#ifdef _WIN32
    if (wchar_t* block = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
            lines.push_back(platform::utf8FromWide(entry));
        }
        ::FreeEnvironmentStringsW(block);
    }
#else
    for (char** entry = environ; *entry != nullptr; ++entry) {
        lines.emplace_back(*entry);
    }
#endif
    return lines;
}

std::size_t standardInputBytes() {
    std::size_t count = 0;
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof(buffer), stdin)) {
        count += got;
    }
    return count;
}

// Written to a temporary name and renamed, so a reader never sees half a record.
void writeRecord(const fs::path& file, const std::vector<std::wstring>& arguments,
                 const std::string& handleProbe) {
    std::string text =
        "cwd=" + platform::utf8FromWide(platform::wideFromPath(fs::current_path())) + "\n";
    for (const auto& argument : arguments) {
        text += "arg=" + platform::utf8FromWide(argument) + "\n";
    }
    for (const auto& line : environmentLines()) {
        text += "env=" + line + "\n";
    }
    text += "stdin-bytes=" + std::to_string(standardInputBytes()) + "\n";
    if (!handleProbe.empty()) {
        text += "handle=" + testsupport::inheritedHandleState(handleProbe) + "\n";
    }
    text += "ready\n";
    fs::path temporary = file;
    temporary += ".partial";
    std::ofstream(temporary, std::ios::binary | std::ios::trunc) << text;
    std::error_code ignored;
    fs::rename(temporary, file, ignored);
}

void rewriteCmos(const fs::path& file) {
    std::string bytes;
    {
        std::ifstream in(file, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (!bytes.empty()) {
        bytes[0] = static_cast<char>(bytes[0] ^ 0x5A);
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The session lock, held until the process ends.
void holdSessionLock(const fs::path& folder) {
    const fs::path lock = folder / "session.lock";
#ifdef _WIN32
    ::CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
#else
    const int fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX);
    }
#endif
}

// The writer lock, taken through the launcher's own call and held until the process ends.
void holdWriterLock(const fs::path& folder) {
    platform::ProfileFolders& folders = platform::systemProfileFolders();
    std::uint32_t error = 0;
    const platform::HeldFolder held{folder, folders.openFolder(nullptr, folder, folder, error)};
    if (!platform::isValidHandle(held.handle) ||
        !platform::isValidHandle(folders.createWriterLock(held, ".cmos.lock", error))) {
        platform::writeStandardStream(platform::StandardStream::error,
                                      "fake game: writer lock refused\n");
    }
}

struct GameScenario {
    std::string window = "now";
    std::wstring windowClass = L"Qx5TemporalScanout";
    bool visible = true;
    bool honourClose = true;
    int exitCode = 0;
    int closedExitCode = 0;
    std::chrono::milliseconds lifetime{30000};
    fs::path hold;
    Clock::time_point deadline;

    bool timeToLeave() const {
        std::error_code error;
        return Clock::now() >= deadline || (!hold.empty() && !fs::exists(hold, error));
    }
};

void recordIgnoredClose() {
    std::ofstream(ownFolder() / "fake-game-closes.txt", std::ios::binary | std::ios::app)
        << "ignored\n";
}

#ifdef _WIN32
GameScenario* runningScenario = nullptr;

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        if (runningScenario != nullptr && runningScenario->honourClose) {
            ::DestroyWindow(window);
            ::PostQuitMessage(runningScenario->closedExitCode);
        } else {
            recordIgnoredClose();
        }
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

int runWindow(GameScenario& scenario) {
    runningScenario = &scenario;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = scenario.windowClass.c_str();
    ::RegisterClassW(&windowClass);
    HWND window =
        ::CreateWindowExW(0, scenario.windowClass.c_str(), L"fake game", WS_OVERLAPPEDWINDOW, 0, 0,
                          64, 64, nullptr, nullptr, windowClass.hInstance, nullptr);
    // A system without a display has no windows to give; the tests then skip.
    std::ofstream(ownFolder() / "fake-game-window.txt", std::ios::binary | std::ios::trunc)
        << (window != nullptr ? "created" : "failed");
    if (window == nullptr) {
        return scenario.exitCode;
    }
    if (window != nullptr && scenario.visible) {
        ::ShowWindow(window, SW_SHOWNOACTIVATE);
    }
    while (!scenario.timeToLeave()) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return scenario.exitCode;
}
#else
std::size_t closeRequests(const platform::posix::DesktopWindow& window) {
    std::ifstream requests(window.file.string() + ".requests");
    std::size_t count = 0;
    std::string line;
    while (std::getline(requests, line)) {
        count += line == "close" ? 1 : 0;
    }
    return count;
}

void leaveWindow(const platform::posix::DesktopWindow& window) {
    std::error_code ignored;
    fs::remove(window.file.string() + ".requests", ignored);
    platform::posix::unregisterDesktopWindow(window);
}

int runWindow(GameScenario& scenario) {
    const auto window =
        platform::posix::registerDesktopWindow(scenario.windowClass, platform::currentProcessId());
    std::ofstream(ownFolder() / "fake-game-window.txt", std::ios::binary | std::ios::trunc)
        << "created";
    std::size_t seen = 0;
    while (!scenario.timeToLeave()) {
        const std::size_t requests = closeRequests(window);
        if (requests > 0 && scenario.honourClose) {
            leaveWindow(window);
            return scenario.closedExitCode;
        }
        for (; seen < requests; ++seen) {
            recordIgnoredClose();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    leaveWindow(window);
    return scenario.exitCode;
}
#endif

int runGame(const std::vector<std::wstring>& arguments) {
    const fs::path folder = ownFolder();
    const auto scenarioLines = readScenario(folder / "fake-game.scenario");
    GameScenario scenario;
    scenario.window = value(scenarioLines, "window", "now");
    scenario.windowClass =
        platform::wideFromUtf8(value(scenarioLines, "class", "Qx5TemporalScanout"));
    scenario.visible = value(scenarioLines, "visible", "1") == "1";
    scenario.honourClose = value(scenarioLines, "close", "honour") == "honour";
    scenario.exitCode = std::stoi(value(scenarioLines, "exit", "0"));
    scenario.closedExitCode =
        std::stoi(value(scenarioLines, "closed_exit", std::to_string(scenario.exitCode)));
    scenario.lifetime =
        std::chrono::milliseconds(std::stoi(value(scenarioLines, "lifetime_ms", "30000")));
    scenario.hold = platform::wideFromUtf8(value(scenarioLines, "hold", ""));
    scenario.deadline = Clock::now() + scenario.lifetime;

    if (const auto lock = value(scenarioLines, "hold_session_lock", ""); !lock.empty()) {
        holdSessionLock(platform::pathFromWide(platform::wideFromUtf8(lock)));
    }
    if (const auto lock = value(scenarioLines, "hold_writer_lock", ""); !lock.empty()) {
        holdWriterLock(platform::pathFromWide(platform::wideFromUtf8(lock)));
    }
    if (const auto cmos = value(scenarioLines, "rewrite_cmos", ""); !cmos.empty()) {
        rewriteCmos(platform::pathFromWide(platform::wideFromUtf8(cmos)));
    }
    platform::writeStandardStream(platform::StandardStream::output, "fake game output\n");
    platform::writeStandardStream(platform::StandardStream::error, "fake game error\n");
    writeRecord(folder / "fake-game-record.txt", arguments,
                value(scenarioLines, "probe_handle", ""));

    if (scenario.window == "never") {
        while (!scenario.timeToLeave()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return scenario.exitCode;
    }
    if (scenario.window == "late") {
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
    }
    return runWindow(scenario);
}

int runPowerShell(const std::vector<std::wstring>& arguments) {
    writeRecord(ownFolder() / "fake-powershell-record.txt", arguments,
                value(readScenario(ownFolder() / "fake-powershell.scenario"), "probe_handle", ""));
    fs::path script;
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        if (arguments[i] == L"-File") {
            script = arguments[i + 1];
        }
    }
    std::ifstream stream(script, std::ios::binary);
    std::string game;
    std::getline(stream, game);
    while (!game.empty() && (game.back() == '\r' || game.back() == ' ')) {
        game.pop_back();
    }
    if (game.empty()) {
        return 90;
    }
#ifdef _WIN32
    std::wstring commandLine = L"\"" + platform::wideFromUtf8(game) + L"\" -FromSession";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                         &startup, &process) == FALSE) {
        return 91;
    }
    ::CloseHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 92;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
#else
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(game.c_str(), game.c_str(), "-FromSession", static_cast<char*>(nullptr));
        ::_exit(91);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return 92;
    }
    return WEXITSTATUS(status);
#endif
}

#ifdef FAKE_POWERSHELL
constexpr bool asPowerShell = true;
#else
constexpr bool asPowerShell = false;
#endif

int run(const std::vector<std::wstring>& arguments) {
    return asPowerShell ? runPowerShell(arguments) : runGame(arguments);
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argv, argv + argc);
    return run(arguments);
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(platform::wideFromUtf8(argv[i]));
    }
    return run(arguments);
}
#endif
