#pragma once
// Other processes and their top-level windows, as the running-game monitor sees them: who is
// whose parent, what image a process runs, which windows exist, and a close request to one.
#include "platform/handle.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ProcessEntry {
    std::uint32_t processId = 0;
    std::uint32_t parentId = 0;
};

struct TopLevelWindow {
    WindowHandle window = nullptr;
    std::uint32_t processId = 0;
    std::wstring windowClass; // at most 64 characters
    bool visible = false;
    bool owned = false; // the window has an owner window
};

// Every process of the system with its parent; none when the snapshot cannot be taken.
std::optional<std::vector<ProcessEntry>> takeProcessSnapshot();

// The full path of the image a process runs; none when it cannot be opened or read.
std::optional<std::wstring> processImagePath(std::uint32_t processId);

// The top-level windows in the system's enumeration order.
std::vector<TopLevelWindow> listTopLevelWindows();

// The process that owns a window that still exists; none when the window is gone.
std::optional<std::uint32_t> windowProcessId(WindowHandle window);

// Posts a close request (WM_CLOSE) to the window; never waits for it to be handled.
void postWindowClose(WindowHandle window);

// Brings the window to the foreground (SetForegroundWindow).
void bringWindowToForeground(WindowHandle window);

} // namespace platform
