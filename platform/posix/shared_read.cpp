#include "platform/shared_read.h"
#include "platform/posix/handle_object.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<std::string> readOnceShared(const std::filesystem::path& path,
                                          std::size_t bufferBytes) {
    const int fd = ::open(posix::nativePath(path), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    UniqueHandle file(posix::toHandle(new posix::FdHandle(fd)));
    // Windows refuses to open a folder as a file; open(2) does not.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        return std::nullopt;
    }
    std::string buffer(bufferBytes, '\0');
    const ssize_t read = ::read(fd, buffer.data(), bufferBytes);
    if (read < 0) {
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(read));
    return buffer;
}

} // namespace platform
