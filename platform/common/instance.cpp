// The meaning of a creation of the single-instance lock, the same on both platforms.
#include "platform/instance.h"
#include "platform/system_error.h"

namespace platform {

SingleInstanceLock::Result SingleInstanceLock::resultOfCreation(bool opened, std::uint32_t error) {
    if (error == errorAlreadyExists || (!opened && error == errorAccessDenied)) {
        return Result::alreadyExists;
    }
    return opened ? Result::acquired : Result::failed;
}

} // namespace platform
