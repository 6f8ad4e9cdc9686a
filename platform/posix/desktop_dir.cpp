#include "platform/posix/desktop_dir.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform::posix {

std::filesystem::path desktopFolder() {
    std::filesystem::path folder;
    if (const char* chosen = std::getenv("LUMENARK_DESKTOP_DIR");
        chosen != nullptr && *chosen != '\0') {
        folder = chosen;
    } else {
        folder = std::filesystem::temp_directory_path() /
                 ("lumenark-desktop-" + std::to_string(::getuid()));
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder / "windows", ignored);
    return folder;
}

std::string desktopObjectName(const std::wstring& name) {
    std::string result = utf8FromWide(name);
    for (char& c : result) {
        if (c == '\\' || c == '/') {
            c = '_';
        }
    }
    return result;
}

DesktopWindow registerDesktopWindow(const std::wstring& windowClass, std::uint32_t processId) {
    DesktopWindow window;
    window.windowClass = windowClass;
    window.processId = processId;
    window.file = desktopFolder() / "windows" /
                  (desktopObjectName(windowClass) + "." + std::to_string(processId));
    std::ofstream(window.file, std::ios::binary | std::ios::trunc)
        << utf8FromWide(windowClass) << '\n';
    return window;
}

void unregisterDesktopWindow(const DesktopWindow& window) {
    std::error_code ignored;
    std::filesystem::remove(window.file, ignored);
}

WindowHandle windowHandleOf(const std::filesystem::path& file) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) {
        return nullptr;
    }
    return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(info.st_ino));
}

std::vector<DesktopWindow> listDesktopWindows() {
    std::vector<DesktopWindow> windows;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator(desktopFolder() / "windows", error)) {
        const std::string name = entry.path().filename().string();
        const auto dot = name.rfind('.');
        if (dot == std::string::npos || entry.path().extension() == ".requests" ||
            entry.path().extension() == ".taken") {
            continue;
        }
        DesktopWindow window;
        window.file = entry.path();
        window.windowClass = wideFromUtf8(name.substr(0, dot));
        try {
            window.processId = static_cast<std::uint32_t>(std::stoul(name.substr(dot + 1)));
        } catch (const std::exception&) {
            continue;
        }
        // A process of another account (a launcher run as root) may not be signalled but
        // lives all the same, as an elevated window is still listed on Windows.
        if (::kill(static_cast<pid_t>(window.processId), 0) == 0 || errno == EPERM) {
            windows.push_back(window);
        }
    }
    return windows;
}

std::optional<DesktopWindow> findDesktopWindow(const std::wstring& windowClass) {
    const std::string wanted = desktopObjectName(windowClass);
    for (const auto& window : listDesktopWindows()) {
        if (desktopObjectName(window.windowClass) == wanted) {
            return window;
        }
    }
    return std::nullopt;
}

void postDesktopRequest(const DesktopWindow& window, const std::string& request) {
    std::ofstream(window.file.string() + ".requests", std::ios::binary | std::ios::app)
        << request << '\n';
}

std::vector<std::string> takeDesktopRequests(const DesktopWindow& window) {
    const std::filesystem::path posted = window.file.string() + ".requests";
    const std::filesystem::path taken = window.file.string() + ".taken";
    // The rename takes the file whole, so a line appended meanwhile lands in a new file.
    std::error_code error;
    std::filesystem::rename(posted, taken, error);
    if (error) {
        return {};
    }
    std::vector<std::string> requests;
    std::ifstream stream(taken, std::ios::binary);
    std::string line;
    while (std::getline(stream, line)) {
        requests.push_back(line);
    }
    stream.close();
    std::filesystem::remove(taken, error);
    return requests;
}

} // namespace platform::posix
