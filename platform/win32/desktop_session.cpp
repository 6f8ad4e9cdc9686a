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
    ::MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_ICONERROR);
}

} // namespace platform
