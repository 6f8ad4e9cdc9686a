#pragma once
// One launcher per session: a named lock, and the running launcher's window brought back.
#include "platform/handle.h"

#include <cstdint>
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
    // What a creation of the lock means, from whether it left this process a handle and the
    // system error it left: a lock that exists, and one that another account made and does not
    // let this one open (a launcher run as administrator), are another launcher alike.
    static Result resultOfCreation(bool opened, std::uint32_t error);
    void release();
    bool held() const { return handle_.valid(); }

private:
    UniqueHandle handle_;
};

// Finds the top-level window of the class, restores it and brings it to the foreground.
// Returns false when no such window exists.
bool restoreAndForegroundWindow(const std::wstring& windowClass);

} // namespace platform
