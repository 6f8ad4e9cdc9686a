#pragma once
// Linux stand-ins for handles: a NativeHandle points to one of these objects, and closing the
// handle deletes it.
#include "platform/handle.h"

#include <cstdint>
#include <filesystem>
#include <unistd.h>

namespace platform::posix {

struct HandleObject {
    virtual ~HandleObject() = default;
};

// A file descriptor behind a handle.
struct FdHandle final : HandleObject {
    explicit FdHandle(int descriptor) : fd(descriptor) {}
    ~FdHandle() override {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int fd;
};

inline NativeHandle toHandle(HandleObject* object) {
    return object;
}

template <typename T> T* fromHandle(NativeHandle handle) {
    if (!isValidHandle(handle)) {
        return nullptr;
    }
    return dynamic_cast<T*>(static_cast<HandleObject*>(handle));
}

// errno in the Windows numbering of system_error.h.
std::uint32_t systemErrorFromErrno(int code);

// UTF-8 file-system path of a path value.
inline const char* nativePath(const std::filesystem::path& path) {
    return path.c_str();
}

} // namespace platform::posix
