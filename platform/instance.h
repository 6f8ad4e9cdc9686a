#pragma once
// One launcher per session: a named lock, and the running launcher's window brought back.
#include "platform/handle.h"

#include <string>

namespace platform {

class SingleInstanceLock {
public:
    enum class Result { acquired, alreadyExists, failed };

    SingleInstanceLock() = default;
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    ~SingleInstanceLock() { release(); }

    // Creates the named lock owned by this process. With `alreadyExists` nothing is held.
    Result acquire(const std::wstring& name);
    void release();
    bool held() const { return handle_.valid(); }

private:
    UniqueHandle handle_;
};

// Finds the top-level window of the class, restores it and brings it to the foreground.
// Returns false when no such window exists.
bool restoreAndForegroundWindow(const std::wstring& windowClass);

} // namespace platform
