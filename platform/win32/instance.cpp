#include "platform/instance.h"

#include <windows.h>

namespace platform {

SingleInstanceLock::Result SingleInstanceLock::acquire(const std::wstring& name) {
    release();
    HANDLE mutex = ::CreateMutexW(nullptr, TRUE, name.c_str());
    if (mutex == nullptr) {
        return Result::failed;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Result::alreadyExists;
    }
    handle_.reset(mutex);
    return Result::acquired;
}

void SingleInstanceLock::release() {
    if (handle_.valid()) {
        ::ReleaseMutex(handle_.get());
    }
    handle_.reset();
}

bool restoreAndForegroundWindow(const std::wstring& windowClass) {
    HWND window = ::FindWindowW(windowClass.c_str(), nullptr);
    if (window == nullptr) {
        return false;
    }
    ::ShowWindow(window, SW_RESTORE);
    ::SetForegroundWindow(window);
    return true;
}

} // namespace platform
