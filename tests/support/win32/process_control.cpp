#include "tests/support/process_control.h"

#include <windows.h>

namespace testsupport {

void killProcess(std::uint32_t processId) {
    HANDLE process = ::OpenProcess(PROCESS_TERMINATE, FALSE, processId);
    if (process != nullptr) {
        ::TerminateProcess(process, 1);
        ::CloseHandle(process);
    }
}

bool waitUntilProcessEnded(std::uint32_t processId, std::chrono::milliseconds bound) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        return true; // no such process any more
    }
    const DWORD result = ::WaitForSingleObject(process, static_cast<DWORD>(bound.count()));
    ::CloseHandle(process);
    return result == WAIT_OBJECT_0;
}

} // namespace testsupport
