#include "platform/shared_read.h"
#include "platform/posix/handle_object.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int descriptorOf(NativeHandle handle) {
    auto* file = posix::fromHandle<posix::FdHandle>(handle);
    return file != nullptr ? file->fd : -1;
}

} // namespace

SharedFile SharedFile::open(const std::filesystem::path& path, LeafLink leaf) {
    // Without O_NONBLOCK the open of a pipe waits for a writer. O_NOFOLLOW stands for opening
    // a reparse point as itself.
    const int flags =
        O_RDONLY | O_CLOEXEC | O_NONBLOCK | (leaf == LeafLink::refuse ? O_NOFOLLOW : 0);
    const int fd = ::open(posix::nativePath(path), flags);
    if (fd < 0) {
        return SharedFile();
    }
    SharedFile file(posix::toHandle(new posix::FdHandle(fd)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return SharedFile();
    }
    return file;
}

std::optional<std::uint64_t> SharedFile::size() const {
    struct stat info {};
    if (::fstat(descriptorOf(handle_.get()), &info) != 0 || info.st_size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool SharedFile::seek(std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           ::lseek(descriptorOf(handle_.get()), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::optional<std::size_t> SharedFile::readUpTo(char* into, std::size_t count) {
    const int fd = descriptorOf(handle_.get());
    std::size_t done = 0;
    while (done < count) {
        const ssize_t read = ::read(fd, into + done, count - done);
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        done += static_cast<std::size_t>(read);
    }
    return done;
}

} // namespace platform
