#include "platform/process_snapshot.h"
#include "platform/posix/desktop_dir.h"
#include "platform/text.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {

namespace {

std::optional<std::uint32_t> parentOf(const std::filesystem::path& statFile) {
    std::ifstream stream(statFile);
    std::string line;
    if (!std::getline(stream, line)) {
        return std::nullopt;
    }
    // "pid (name) state ppid ...": the name may hold blanks and parentheses itself.
    const auto close = line.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream rest(line.substr(close + 1));
    std::string state;
    long long parent = -1;
    if (!(rest >> state >> parent) || parent < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(parent);
}

} // namespace

std::optional<std::vector<ProcessEntry>> takeProcessSnapshot() {
    std::vector<ProcessEntry> processes;
    std::error_code error;
    std::filesystem::directory_iterator proc("/proc", error);
    if (error) {
        return std::nullopt;
    }
    for (const auto& entry : proc) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        // A process that ended meanwhile is simply not in the snapshot.
        if (const auto parent = parentOf(entry.path() / "stat")) {
            processes.push_back({static_cast<std::uint32_t>(std::stoul(name)), *parent});
        }
    }
    return processes;
}

std::optional<std::wstring> processImagePath(std::uint32_t processId) {
    std::error_code error;
    const std::filesystem::path image =
        std::filesystem::read_symlink("/proc/" + std::to_string(processId) + "/exe", error);
    if (error) {
        return std::nullopt;
    }
    return wideFromPath(image);
}

std::vector<TopLevelWindow> listTopLevelWindows() {
    std::vector<TopLevelWindow> windows;
    for (const auto& desktopWindow : posix::listDesktopWindows()) {
        TopLevelWindow window;
        window.window = posix::windowHandleOf(desktopWindow.file);
        if (window.window == nullptr) {
            continue;
        }
        window.processId = desktopWindow.processId;
        window.windowClass = desktopWindow.windowClass.substr(0, 64);
        // The stand-in desktop knows no hidden or owned windows.
        window.visible = true;
        window.owned = false;
        windows.push_back(std::move(window));
    }
    return windows;
}

std::optional<std::uint32_t> windowProcessId(WindowHandle window) {
    if (window == nullptr) {
        return std::nullopt;
    }
    for (const auto& desktopWindow : posix::listDesktopWindows()) {
        if (posix::windowHandleOf(desktopWindow.file) == window) {
            return desktopWindow.processId;
        }
    }
    return std::nullopt;
}

namespace {

void postRequest(WindowHandle window, const std::string& request) {
    for (const auto& desktopWindow : posix::listDesktopWindows()) {
        if (posix::windowHandleOf(desktopWindow.file) == window) {
            posix::postDesktopRequest(desktopWindow, request);
            return;
        }
    }
}

} // namespace

void postWindowClose(WindowHandle window) {
    postRequest(window, "close");
}

void bringWindowToForeground(WindowHandle window) {
    postRequest(window, "foreground");
}

} // namespace platform
