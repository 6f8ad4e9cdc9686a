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
    // The file is created in a folder held by descriptor, which a later rename goes through.
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    const int folderFd = ::open(nativePath(folder), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) {
        error = systemErrorFromErrno(errno);
        return File();
    }
    const std::string name = path.filename().string();
    const int fd = ::openat(folderFd, name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemErrorFromErrno(errno);
        ::close(folderFd);
        return File();
    }
    error = errorSuccess;
    return File(posix::toHandle(new posix::NamedFileHandle(fd, folderFd, name)));
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

std::uint32_t renameOpenFileOver(NativeHandle file, const std::filesystem::path& target) {
    auto* named = posix::fromHandle<posix::NamedFileHandle>(file);
    if (named == nullptr) {
        return errorInvalidHandle;
    }
    const std::string targetName = target.filename().string();
    if (::renameat(named->folderFd, named->name.c_str(), named->folderFd, targetName.c_str()) !=
        0) {
        return systemErrorFromErrno(errno);
    }
    named->name = targetName;
    // The rename is durable only once its folder is flushed.
    posix::syncFolder(named->folderFd);
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
