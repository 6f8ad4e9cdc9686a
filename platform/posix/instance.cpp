#include "platform/instance.h"
#include "platform/posix/desktop_dir.h"
#include "platform/posix/handle_object.h"
#include "platform/system_error.h"
#include "platform/text.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

// The named mutex stands as an flock on a file in the desktop folder, so a test can give its
// launchers a desktop of their own. A lock file that this account may not open is the mutex of a
// launcher of a higher account (root standing for the administrator).
SingleInstanceLock::Result SingleInstanceLock::acquire(const std::wstring& name) {
    release();
    const std::filesystem::path file =
        posix::desktopFolder() / (posix::desktopObjectName(name) + ".lock");
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return resultOfCreation(false, posix::systemErrorFromErrno(errno));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return resultOfCreation(true, errorAlreadyExists);
    }
    handle_.reset(posix::toHandle(new posix::FdHandle(fd)));
    return resultOfCreation(true, errorSuccess);
}

void SingleInstanceLock::release() {
    handle_.reset();
}

bool restoreAndForegroundWindow(const std::wstring& windowClass) {
    const auto window = posix::findDesktopWindow(windowClass);
    if (!window) {
        return false;
    }
    posix::postDesktopRequest(*window, "restore");
    posix::postDesktopRequest(*window, "foreground");
    return true;
}

} // namespace platform
