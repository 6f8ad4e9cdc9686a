#include "platform/desktop_session.h"

#include <objbase.h>
#include <windows.h>

namespace platform {

void declarePerMonitorDpiAwareness() {
    ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
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
