#include "tests/support/denied_instance_lock.h"

#include <windows.h>

namespace testsupport {

DeniedInstanceLock::DeniedInstanceLock(const std::wstring& name, const std::filesystem::path&) {
    // An empty access list grants nothing: its creator keeps the handle it asked for, and every
    // later open, as a second launcher's CreateMutexW, is refused with access denied.
    ACL noAccess{};
    SECURITY_DESCRIPTOR descriptor{};
    if (::InitializeAcl(&noAccess, sizeof(noAccess), ACL_REVISION) == FALSE ||
        ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) == FALSE ||
        ::SetSecurityDescriptorDacl(&descriptor, TRUE, &noAccess, FALSE) == FALSE) {
        reason_ = "no security descriptor";
        return;
    }
    SECURITY_ATTRIBUTES security{sizeof(security), &descriptor, FALSE};
    HANDLE mutex = ::CreateMutexW(&security, TRUE, name.c_str());
    const DWORD error = ::GetLastError();
    if (mutex == nullptr || error == ERROR_ALREADY_EXISTS) {
        if (mutex != nullptr) {
            ::CloseHandle(mutex);
        }
        reason_ = "the lock could not be created new, error " + std::to_string(error);
        return;
    }
    handle_ = mutex;
    held_ = true;
}

DeniedInstanceLock::~DeniedInstanceLock() {
    if (handle_ != nullptr) {
        ::ReleaseMutex(handle_);
        ::CloseHandle(handle_);
    }
}

} // namespace testsupport
