#include "platform/handle.h"
#include "platform/posix/handle_object.h"
#include "platform/system_error.h"

#include <cerrno>

namespace platform {

NativeHandle invalidHandleValue() {
    return reinterpret_cast<NativeHandle>(static_cast<std::intptr_t>(-1));
}

void closeNativeHandle(NativeHandle handle) {
    if (isValidHandle(handle)) {
        delete static_cast<posix::HandleObject*>(handle);
    }
}

std::uint32_t lastSystemError() {
    return posix::systemErrorFromErrno(errno);
}

namespace posix {

std::uint32_t systemErrorFromErrno(int code) {
    switch (code) {
    case 0:
        return errorSuccess;
    case ENOENT:
        return errorFileNotFound;
    case ENOTDIR:
        return errorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return errorAccessDenied;
    case EBADF:
        return errorInvalidHandle;
    case ENOMEM:
        return errorNotEnoughMemory;
    case EXDEV:
        return errorNotSameDevice;
    case EIO:
        return errorWriteFault;
    case EBUSY:
    case EWOULDBLOCK:
        return errorSharingViolation;
    case EEXIST:
        return errorFileExists;
    case EINVAL:
        return errorInvalidParameter;
    case ENOTEMPTY:
        return errorDirNotEmpty;
    case ENAMETOOLONG:
        return errorFilenameTooLong;
    default:
        return errorGenFailure;
    }
}

} // namespace posix
} // namespace platform
