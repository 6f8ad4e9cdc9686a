#pragma once
// The Linux stand-in for the objects of one Windows desktop session: named locks and the list
// of top-level windows live as files in one folder. LUMENARK_DESKTOP_DIR chooses the folder,
// so tests running side by side each get a desktop of their own.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform::posix {

std::filesystem::path desktopFolder();

// A file name for a named object ("Local\Name" becomes "Local_Name").
std::string desktopObjectName(const std::wstring& name);

struct DesktopWindow {
    std::filesystem::path file; // windows/<class>.<pid>
    std::wstring windowClass;
    std::uint32_t processId = 0;
};

// Registers a top-level window of this process; the file is removed by unregisterDesktopWindow.
DesktopWindow registerDesktopWindow(const std::wstring& windowClass, std::uint32_t processId);
void unregisterDesktopWindow(const DesktopWindow& window);

// A stand-in window's handle is the inode of its file, which a window registered anew does not
// keep; null when the file is gone.
WindowHandle windowHandleOf(const std::filesystem::path& file);

// Windows whose process is still alive, in no particular order.
std::vector<DesktopWindow> listDesktopWindows();
std::optional<DesktopWindow> findDesktopWindow(const std::wstring& windowClass);

// Appends one request line ("restore", "foreground", "close") for the window's owner.
void postDesktopRequest(const DesktopWindow& window, const std::string& request);

// The owner takes the requests posted to its window so far, oldest first.
std::vector<std::string> takeDesktopRequests(const DesktopWindow& window);

} // namespace platform::posix
