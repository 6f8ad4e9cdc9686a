#include "platform/handle.h"
#include "platform/system_error.h"

#include <windows.h>

namespace platform {

NativeHandle invalidHandleValue() {
    return INVALID_HANDLE_VALUE;
}

void closeNativeHandle(NativeHandle handle) {
    if (isValidHandle(handle)) {
        ::CloseHandle(handle);
    }
}

std::uint32_t lastSystemError() {
    return ::GetLastError();
}

} // namespace platform
