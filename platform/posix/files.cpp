#include "platform/files.h"
#include "platform/posix/handle_object.h"
#include "platform/system_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using posix::FdHandle;
using posix::nativePath;
using posix::systemErrorFromErrno;

PathAttributes readPathAttributes(const std::filesystem::path& path) {
    PathAttributes result;
    struct stat info {};
    if (::lstat(nativePath(path), &info) != 0) {
        const int code = errno;
        const bool missing = code == ENOENT || code == ENOTDIR;
        result.kind = missing ? PathAttributes::Kind::missing : PathAttributes::Kind::unreadable;
        result.error = systemErrorFromErrno(code);
        // Windows tells a missing file from a missing folder on the way to it.
        struct stat parent {};
        if (code == ENOTDIR ||
            (code == ENOENT && ::lstat(nativePath(path.parent_path()), &parent) != 0)) {
            result.error = errorPathNotFound;
        }
        return result;
    }
    result.kind = PathAttributes::Kind::present;
    // A symbolic link stands for a Windows reparse point.
    result.reparsePoint = S_ISLNK(info.st_mode);
    result.directory = S_ISDIR(info.st_mode);
    return result;
}

File File::createNew(const std::filesystem::path& path, std::uint32_t& error) {
    const int fd =
        ::open(nativePath(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemErrorFromErrno(errno);
        return File();
    }
    error = errorSuccess;
    return File(posix::toHandle(new FdHandle(fd)));
}

bool File::writeAll(std::string_view bytes) {
    auto* file = posix::fromHandle<FdHandle>(handle_.get());
    if (file == nullptr) {
        return false;
    }
    const ssize_t written = ::write(file->fd, bytes.data(), bytes.size());
    return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

bool File::flush() {
    auto* file = posix::fromHandle<FdHandle>(handle_.get());
    return file != nullptr && ::fsync(file->fd) == 0;
}

static FileIdentity identityFromStat(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> File::identity() const {
    auto* file = posix::fromHandle<FdHandle>(handle_.get());
    struct stat info {};
    if (file == nullptr || ::fstat(file->fd, &info) != 0) {
        return std::nullopt;
    }
    return identityFromStat(info);
}

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(nativePath(path), &info) != 0) {
        return std::nullopt;
    }
    return identityFromStat(info);
}

static void syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(nativePath(folder.empty() ? std::filesystem::path(".") : folder),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::uint32_t replaceFileWriteThrough(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
    if (::rename(nativePath(from), nativePath(to)) != 0) {
        return systemErrorFromErrno(errno);
    }
    // The rename is durable only once its folder is flushed.
    syncFolder(to.parent_path());
    return errorSuccess;
}

std::uint32_t deleteFile(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(nativePath(path), &info) == 0 && S_ISDIR(info.st_mode)) {
        return errorAccessDenied;
    }
    return ::unlink(nativePath(path)) == 0 ? errorSuccess : systemErrorFromErrno(errno);
}

bool isFullyQualifiedPath(const std::filesystem::path& path) {
    const auto& text = path.native();
    return !text.empty() && text.front() == '/';
}

namespace {

// A modification time as a Windows file time: 100-ns units since 1601 (UTC).
std::uint64_t fileTimeOf(const struct timespec& time) {
    // Seconds from 1601 to 1970, the epoch of the Windows file times this stands for.
    constexpr std::int64_t epochOffsetSeconds = 11644473600;
    const std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + epochOffsetSeconds;
    if (seconds < 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(seconds) * 10000000u +
           static_cast<std::uint64_t>(time.tv_nsec) / 100u;
}

} // namespace

std::optional<std::uint64_t> lastWriteTime(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(nativePath(path), &info) != 0) {
        return std::nullopt;
    }
    return fileTimeOf(info.st_mtim);
}

std::optional<FileStamp> readFileStamp(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(nativePath(path), &info) != 0) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.regular = S_ISREG(info.st_mode);
    // A symbolic link stands for a Windows reparse point.
    stamp.reparsePoint = S_ISLNK(info.st_mode);
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.lastWriteTime = fileTimeOf(info.st_mtim);
    return stamp;
}

} // namespace platform
