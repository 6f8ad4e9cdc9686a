#pragma once
// Linux stand-ins for handles: a NativeHandle points to one of these objects, and closing the
// handle deletes it.
#include "platform/handle.h"

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace platform::posix {

struct HandleObject {
    virtual ~HandleObject() = default;
};

// A file descriptor behind a handle.
struct FdHandle : HandleObject {
    explicit FdHandle(int descriptor) : fd(descriptor) {}
    ~FdHandle() override {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    int fd;
};

// A file opened inside a folder. It keeps its own descriptor of the folder and its name there,
// since Linux renames and deletes by name relative to a folder, where Windows does it through the
// file's handle.
struct NamedFileHandle final : FdHandle {
    NamedFileHandle(int file, int folder, std::string entry)
        : FdHandle(file), folderFd(folder), name(std::move(entry)) {}
    ~NamedFileHandle() override { ::close(folderFd); }
    int folderFd;
    std::string name;
};

// Flushes a folder, so that a rename or deletion in it is on the disk.
inline void syncFolder(int folderFd) {
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

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
