#include "platform/process_snapshot.h"

#include <windows.h>

#include <tlhelp32.h>

namespace platform {

std::optional<std::vector<ProcessEntry>> takeProcessSnapshot() {
    UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return std::nullopt;
    }
    std::vector<ProcessEntry> processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more != FALSE;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        processes.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    }
    return processes;
}

std::optional<std::wstring> processImagePath(std::uint32_t processId) {
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) {
        return std::nullopt;
    }
    std::wstring buffer(32768, L'\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    if (::QueryFullProcessImageNameW(process.get(), 0, buffer.data(), &size) == FALSE) {
        return std::nullopt;
    }
    buffer.resize(size);
    return buffer;
}

namespace {

BOOL CALLBACK collectWindow(HWND window, LPARAM parameter) {
    auto* windows = reinterpret_cast<std::vector<TopLevelWindow>*>(parameter);
    TopLevelWindow entry;
    entry.window = window;
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    entry.processId = processId;
    wchar_t className[65] = {};
    const int length = ::GetClassNameW(window, className, 65);
    entry.windowClass.assign(className, length > 0 ? static_cast<std::size_t>(length) : 0);
    entry.visible = ::IsWindowVisible(window) != FALSE;
    entry.owned = ::GetWindow(window, GW_OWNER) != nullptr;
    windows->push_back(std::move(entry));
    return TRUE;
}

} // namespace

std::vector<TopLevelWindow> listTopLevelWindows() {
    std::vector<TopLevelWindow> windows;
    ::EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::optional<std::uint32_t> windowProcessId(WindowHandle window) {
    HWND handle = static_cast<HWND>(window);
    if (handle == nullptr || ::IsWindow(handle) == FALSE) {
        return std::nullopt;
    }
    DWORD processId = 0;
    if (::GetWindowThreadProcessId(handle, &processId) == 0) {
        return std::nullopt;
    }
    return processId;
}

void postWindowClose(WindowHandle window) {
    ::PostMessageW(static_cast<HWND>(window), WM_CLOSE, 0, 0);
}

void bringWindowToForeground(WindowHandle window) {
    ::SetForegroundWindow(static_cast<HWND>(window));
}

} // namespace platform
