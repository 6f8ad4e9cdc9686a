#include "platform/instance.h"

#include <windows.h>

namespace platform {

SingleInstanceLock::Result SingleInstanceLock::acquire(const std::wstring& name) {
    release();
    // A mutex that an elevated launcher created answers an ordinary one with no handle and
    // access denied: its default security grants nothing to the unelevated user.
    UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, name.c_str()));
    const Result result = resultOfCreation(mutex.valid(), ::GetLastError());
    if (result == Result::acquired) {
        handle_ = std::move(mutex);
    }
    return result;
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
