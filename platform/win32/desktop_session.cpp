#include "platform/desktop_session.h"

#include "platform/win32/system_library.h"

#include <objbase.h>
#include <windows.h>

#include <shellscalingapi.h>

namespace platform {

// Version 2 came with Windows 10 1703; before it the per-monitor awareness of Windows 8.1, which
// also sends WM_DPICHANGED (the borderless window has no frame for the system to scale).
void declarePerMonitorDpiAwareness() {
    const auto setContext = win32::systemFunction<decltype(&::SetProcessDpiAwarenessContext)>(
        L"user32.dll", "SetProcessDpiAwarenessContext");
    if (setContext != nullptr) {
        setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        return;
    }
    const auto setAwareness = win32::systemFunction<decltype(&::SetProcessDpiAwareness)>(
        L"shcore.dll", "SetProcessDpiAwareness");
    if (setAwareness != nullptr) {
        setAwareness(PROCESS_PER_MONITOR_DPI_AWARE);
    }
}

bool ComApartment::initialize() {
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(result)) {
        return false;
    }
    initialized_ = true;
    return true;
}

void ComApartment::uninitialize() {
    if (initialized_) {
        ::CoUninitialize();
        initialized_ = false;
    }
}

void showErrorMessageBox(const std::wstring& title, const std::wstring& text) {
    // A window of this thread destroyed on the way here posted the quit message, which would end
    // the box's modal loop before it is ever seen.
    MSG quit{};
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    ::MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_ICONERROR);
}

} // namespace platform
