#pragma once
// The launcher's single-instance lock as a launcher run as administrator holds it: it exists,
// and the tests' account may not open it. On Windows a mutex whose security grants nothing to
// anybody; on Linux a lock file in the desktop folder that its account (root, in CI) made with
// no permissions, with the folder open to everyone for the window requests. Under root the
// launcher meets it only run with `ChildOptions::unprivileged`.
#include "platform/handle.h"

#include <filesystem>
#include <string>

namespace testsupport {

class DeniedInstanceLock {
public:
    DeniedInstanceLock(const std::wstring& name, const std::filesystem::path& desktopFolder);
    DeniedInstanceLock(const DeniedInstanceLock&) = delete;
    DeniedInstanceLock& operator=(const DeniedInstanceLock&) = delete;
    ~DeniedInstanceLock();

    bool held() const { return held_; }
    const std::string& reason() const { return reason_; }

private:
    platform::NativeHandle handle_ = nullptr;
    bool held_ = false;
    std::string reason_;
};

} // namespace testsupport
