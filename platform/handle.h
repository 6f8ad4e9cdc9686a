#pragma once
// Opaque OS handles as the backend holds them: a HANDLE on Windows, an owned stand-in
// object on Linux. Null and the invalid value are both "no handle".
#include <utility>

namespace platform {

using NativeHandle = void*;
using WindowHandle = void*;

NativeHandle invalidHandleValue();

// Closes a handle that is neither null nor the invalid value; the result is ignored.
void closeNativeHandle(NativeHandle handle);

inline bool isValidHandle(NativeHandle handle) {
    return handle != nullptr && handle != invalidHandleValue();
}

// Owns one handle and closes it on every path.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(NativeHandle handle) : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    ~UniqueHandle() { reset(); }

    NativeHandle get() const { return handle_; }
    bool valid() const { return isValidHandle(handle_); }
    NativeHandle release() { return std::exchange(handle_, nullptr); }
    void reset(NativeHandle handle = nullptr) {
        if (isValidHandle(handle_)) {
            closeNativeHandle(handle_);
        }
        handle_ = handle;
    }

private:
    NativeHandle handle_ = nullptr;
};

} // namespace platform
