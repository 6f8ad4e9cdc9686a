// The Linux launcher as a process: its window on SDL's offscreen driver until a close request
// (SIGTERM, SIGINT, or one posted to its window), frames paced by the FPS preference, a second
// start while it runs, and page captures.
#include "app/modes/entry_point.h"
#include "platform/child_process.h"
#include "platform/posix/desktop_dir.h"
#include "platform/text.h"
#include "tests/support/package_fixtures.h"
#include "tests/support/project_root.h"
#include "tests/support/scoped_environment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <map>
#include <sstream>
#include <thread>

namespace {

using testsupport::ProjectRoot;
using Clock = std::chrono::steady_clock;

struct LoggedEvent {
    std::uint64_t tick = 0;
    std::string text;
};

std::vector<LoggedEvent> loggedEvents(const ProjectRoot& root) {
    std::vector<LoggedEvent> events;
    std::error_code error;
    if (!std::filesystem::exists(root.uiLog(), error)) {
        return events;
    }
    std::istringstream lines(testsupport::readFile(root.uiLog()));
    std::string line;
    while (std::getline(lines, line)) {
        const auto blank = line.find(' ');
        events.push_back({std::stoull(line.substr(0, blank)), line.substr(blank + 1)});
    }
    return events;
}

const LoggedEvent* findEvent(const std::vector<LoggedEvent>& events, const std::string& prefix) {
    for (const LoggedEvent& event : events) {
        if (event.text.starts_with(prefix)) {
            return &event;
        }
    }
    return nullptr;
}

// The launcher's window mode in a process of its own, on the root's own desktop folder.
class RunningLauncher {
public:
    explicit RunningLauncher(const ProjectRoot& root) : root_(root) {
        const testsupport::ScopedEnvironment driver(L"SDL_VIDEODRIVER", L"offscreen");
        const testsupport::ScopedEnvironment desktop(L"LUMENARK_DESKTOP_DIR",
                                                     testsupport::desktopFolderOf(root).wstring());
        output_ = platform::openChildLogFile(root / "launcher-output.txt");
        input_ = platform::openChildNullInput();
        platform::ChildProcessRequest request;
        request.application = root.launcher();
        request.commandLine = L"\"" + root.launcher().wstring() + L"\"";
        request.workingFolder = root.path();
        request.standardInput = input_.get();
        request.standardOutput = output_.get();
        request.standardError = output_.get();
        child_ = platform::startChildProcess(request);
    }
    RunningLauncher(const RunningLauncher&) = delete;
    RunningLauncher& operator=(const RunningLauncher&) = delete;
    ~RunningLauncher() {
        if (child_.started() && !platform::hasChildEnded(child_.process.get())) {
            ::kill(static_cast<pid_t>(child_.processId), SIGKILL);
            waitForExit();
        }
    }

    bool started() const { return child_.started(); }
    void signal(int number) { ::kill(static_cast<pid_t>(child_.processId), number); }

    // True once the log holds the event.
    bool waitForEvent(const std::string& prefix) {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline) {
            if (findEvent(loggedEvents(root_), prefix) != nullptr) {
                return true;
            }
            if (platform::hasChildEnded(child_.process.get())) {
                return findEvent(loggedEvents(root_), prefix) != nullptr;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    // The exit code, or -1 when the process did not end.
    int waitForExit() {
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline) {
            if (platform::hasChildEnded(child_.process.get())) {
                return static_cast<int>(platform::childExitCode(child_.process.get()).value_or(99));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }

private:
    const ProjectRoot& root_;
    platform::UniqueHandle output_;
    platform::UniqueHandle input_;
    platform::StartedChild child_;
};

enum class CloseBy { terminate, interrupt, windowRequest };

class LauncherWindowClose : public testing::TestWithParam<CloseBy> {};

TEST_P(LauncherWindowClose, ACloseRequestEndsTheWindowWithItsFrameCount) {
    ProjectRoot root;
    testsupport::writeFile(root / "build/native/launcher-profile/launcher.cfg",
                           "Volume=100\nMuted=0\nFPS=30\nVSync=1\nReducedMotion=0\nFullscreen=1\n");
    RunningLauncher launcher(root);
    ASSERT_TRUE(launcher.started());
    ASSERT_TRUE(launcher.waitForEvent("launcher-ready ms="))
        << testsupport::readFile(root / "launcher-output.txt");
    // Let it draw a while at 30 frames a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    switch (GetParam()) {
    case CloseBy::terminate:
        launcher.signal(SIGTERM);
        break;
    case CloseBy::interrupt:
        launcher.signal(SIGINT);
        break;
    case CloseBy::windowRequest: {
        const testsupport::ScopedEnvironment desktop(L"LUMENARK_DESKTOP_DIR",
                                                     testsupport::desktopFolderOf(root).wstring());
        const auto window = platform::posix::findDesktopWindow(lumenark::launcherWindowClass);
        ASSERT_TRUE(window);
        platform::posix::postDesktopRequest(*window, "close");
        break;
    }
    }
    EXPECT_EQ(launcher.waitForExit(), 0);

    const auto events = loggedEvents(root);
    EXPECT_NE(findEvent(events, "launcher-start DX12"), nullptr);
    EXPECT_EQ(
        std::count_if(events.begin(), events.end(),
                      [](const LoggedEvent& e) { return e.text.starts_with("launcher-ready"); }),
        1);
    const LoggedEvent* ready = findEvent(events, "launcher-ready ms=");
    const LoggedEvent* close = findEvent(events, "launcher-close frames=");
    ASSERT_NE(ready, nullptr);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(&events.back(), close);
    const std::uint64_t frames =
        std::stoull(close->text.substr(std::string("launcher-close frames=").size()));
    EXPECT_GE(frames, 1u);
    EXPECT_LE(frames, 30 * (close->tick - ready->tick) / 1000 + 2);
}

INSTANTIATE_TEST_SUITE_P(Requests, LauncherWindowClose,
                         testing::Values(CloseBy::terminate, CloseBy::interrupt,
                                         CloseBy::windowRequest),
                         [](const auto& info) {
                             switch (info.param) {
                             case CloseBy::terminate:
                                 return std::string("Sigterm");
                             case CloseBy::interrupt:
                                 return std::string("Sigint");
                             default:
                                 return std::string("WindowRequest");
                             }
                         });

TEST(LauncherWindow, ASecondStartLeavesAtOnceAndACaptureRunsBeside) {
    ProjectRoot root;
    RunningLauncher launcher(root);
    ASSERT_TRUE(launcher.waitForEvent("launcher-ready ms="));
    const std::string logBefore = testsupport::readFile(root.uiLog());

    testsupport::ChildOptions options;
    options.environment[L"SDL_VIDEODRIVER"] = L"offscreen";
    const auto second = root.runLauncher({}, options);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(testsupport::readFile(root.uiLog()), logBefore);

    const auto capture = root.runLauncher({L"--ui-capture", L"beside.png"}, options);
    EXPECT_EQ(capture.exitCode, 0) << capture.standardError;
    EXPECT_TRUE(std::filesystem::exists(root / "beside.png"));

    launcher.signal(SIGTERM);
    EXPECT_EQ(launcher.waitForExit(), 0);
}

std::pair<std::uint32_t, std::uint32_t> pngSize(const std::string& bytes) {
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) << 24 |
                                          static_cast<unsigned char>(bytes[at + 1]) << 16 |
                                          static_cast<unsigned char>(bytes[at + 2]) << 8 |
                                          static_cast<unsigned char>(bytes[at + 3]));
    };
    return {u32(16), u32(20)};
}

struct CaptureCase {
    const char* name;
    std::optional<std::wstring> driver;
};

class LauncherCapture : public testing::TestWithParam<CaptureCase> {};

TEST_P(LauncherCapture, WritesTheSamePageTwiceByteForByte) {
    ProjectRoot root;
    testsupport::ChildOptions options;
    options.environment[L"SDL_VIDEODRIVER"] = GetParam().driver;
    if (!GetParam().driver) {
        // No display either: SDL falls back to its offscreen driver, and a capture's window is
        // never shown.
        options.environment[L"DISPLAY"] = std::nullopt;
        options.environment[L"WAYLAND_DISPLAY"] = std::nullopt;
    }
    const auto first = root.runLauncher({L"--ui-capture", L"a.png"}, options);
    ASSERT_EQ(first.exitCode, 0) << first.standardError;
    const std::string event = testsupport::lastUiEvent(root.uiLog());
    EXPECT_TRUE(event.starts_with("capture-ready ms=")) << event;
    EXPECT_NE(event.find(" app+window="), std::string::npos);
    EXPECT_NE(event.find(" renderer="), std::string::npos);
    const auto second = root.runLauncher({L"--ui-capture", L"b.png"}, options);
    ASSERT_EQ(second.exitCode, 0);
    const std::string a = testsupport::readFile(root / "a.png");
    const std::string b = testsupport::readFile(root / "b.png");
    ASSERT_GE(a.size(), 24u);
    EXPECT_EQ(a.substr(1, 3), "PNG");
    EXPECT_EQ(pngSize(a), (std::pair<std::uint32_t, std::uint32_t>{1536, 1024}));
    EXPECT_EQ(a, b);
}

TEST(LauncherCapture, WritesAPngWhosePathGoesBeyondAscii) {
    ProjectRoot root;
    const std::wstring folder = L"Aufnahmen \u00e9t\u00e9";
    std::filesystem::create_directories(root / platform::pathFromWide(folder));
    const std::wstring png = folder + L"/\u30da\u30fc\u30b8 roms.png";
    testsupport::ChildOptions options;
    options.environment[L"SDL_VIDEODRIVER"] = L"offscreen";
    const auto result = root.runLauncher({L"--ui-capture", png, L"roms"}, options);
    EXPECT_EQ(result.exitCode, 0) << result.standardError;
    EXPECT_TRUE(testsupport::lastUiEvent(root.uiLog()).starts_with("capture-ready ms="));
    const std::string bytes = testsupport::readFile(root / platform::pathFromWide(png));
    ASSERT_GE(bytes.size(), 24u);
    EXPECT_EQ(pngSize(bytes), (std::pair<std::uint32_t, std::uint32_t>{1536, 1024}));
}

// The capture of a page word, run twice: each run writes the same bytes, 1536 x 1024.
std::string captureTwice(const ProjectRoot& root, const std::vector<std::wstring>& word) {
    testsupport::ChildOptions options;
    options.environment[L"SDL_VIDEODRIVER"] = L"offscreen";
    std::string captures[2];
    for (int run = 0; run < 2; ++run) {
        const std::wstring name = L"capture-" + std::to_wstring(run) + L".png";
        std::vector<std::wstring> arguments{L"--ui-capture", name};
        arguments.insert(arguments.end(), word.begin(), word.end());
        const auto result = root.runLauncher(arguments, options);
        EXPECT_EQ(result.exitCode, 0) << result.standardError;
        captures[run] = testsupport::readFile(root / name);
    }
    EXPECT_EQ(captures[0], captures[1]);
    EXPECT_EQ(pngSize(captures[0]), (std::pair<std::uint32_t, std::uint32_t>{1536, 1024}));
    return captures[0];
}

TEST(LauncherCapture, EveryPageWordIsTheSameTwice) {
    ProjectRoot root;
    std::map<std::wstring, std::string> pages;
    for (const wchar_t* word : {L"overview", L"roms", L"build", L"play", L"legal"}) {
        pages[word] = captureTwice(root, {word});
    }
    // The Play page is drawn apart from the others.
    EXPECT_NE(pages[L"play"], pages[L"overview"]);
    EXPECT_NE(pages[L"legal"], pages[L"overview"]);
}

enum class BuildOnRecord { none, valid, outdatedOnly };

struct StartCaptureCase {
    const char* name;
    BuildOnRecord build;
    const wchar_t* startWord;
};

class StartSectionCapture : public testing::TestWithParam<StartCaptureCase> {};

TEST_P(StartSectionCapture, WithoutAWordIsTheStartSectionsPage) {
    ProjectRoot root;
    if (GetParam().build != BuildOnRecord::none) {
        const auto folder = testsupport::writeBuildReceipt(root.path(), "qx1", "executable of qx1");
        if (GetParam().build == BuildOnRecord::outdatedOnly) {
            std::string receipt = testsupport::readFile(folder / "setup.json");
            receipt.replace(receipt.find("\"14\""), 4, "\"13\"");
            testsupport::writeFile(folder / "setup.json", receipt);
        }
    }
    EXPECT_EQ(captureTwice(root, {}), captureTwice(root, {GetParam().startWord}));
}

INSTANTIATE_TEST_SUITE_P(
    Receipts, StartSectionCapture,
    testing::Values(StartCaptureCase{"NoReceipt", BuildOnRecord::none, L"overview"},
                    StartCaptureCase{"ValidReceipt", BuildOnRecord::valid, L"play"},
                    StartCaptureCase{"OnlyAnOutdatedBuild", BuildOnRecord::outdatedOnly, L"build"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(Drivers, LauncherCapture,
                         testing::Values(CaptureCase{"Offscreen", L"offscreen"},
                                         CaptureCase{"Dummy", L"dummy"},
                                         CaptureCase{"NoneChosen", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
