#include "tests/support/denied_instance_lock.h"
#include "platform/posix/desktop_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

DeniedInstanceLock::DeniedInstanceLock(const std::wstring& name,
                                       const std::filesystem::path& desktopFolder) {
    const auto windows = desktopFolder / "windows";
    std::error_code error;
    std::filesystem::create_directories(windows, error);
    if (error || ::chmod(desktopFolder.c_str(), 0777) != 0 || ::chmod(windows.c_str(), 0777) != 0) {
        reason_ = "the desktop folder could not be opened to everyone";
        return;
    }
    const auto file = desktopFolder / (platform::posix::desktopObjectName(name) + ".lock");
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0);
    if (fd < 0 || ::fchmod(fd, 0) != 0) {
        reason_ = "the lock file could not be made";
        if (fd >= 0) {
            ::close(fd);
        }
        return;
    }
    ::close(fd);
    held_ = true;
}

DeniedInstanceLock::~DeniedInstanceLock() = default;

} // namespace testsupport
