#include "platform/profile_folder.h"
#include "platform/posix/handle_object.h"
#include "platform/system_error.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

using posix::FdHandle;
using posix::systemErrorFromErrno;

namespace {

// How often a writer lock is opened again when its file was removed under the open.
constexpr int writerLockAttempts = 16;

int descriptorOf(NativeHandle handle) {
    auto* file = posix::fromHandle<FdHandle>(handle);
    return file != nullptr ? file->fd : -1;
}

int folderDescriptor(const HeldFolder& folder) {
    return descriptorOf(folder.handle);
}

FileIdentity identityOf(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

// Opens `name` inside the folder and wraps it with the folder for later renames and deletes.
// `exclusive` stands for "shared with nobody": an exclusive lock that other openers honour.
NativeHandle openInFolder(const HeldFolder& folder, const std::filesystem::path& name, int flags,
                          bool exclusive, std::uint32_t& error) {
    const int dirFd = folderDescriptor(folder);
    if (dirFd < 0) {
        error = errorInvalidHandle;
        return invalidHandleValue();
    }
    const int fd = ::openat(dirFd, name.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = systemErrorFromErrno(errno);
        return invalidHandleValue();
    }
    if (exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? errorSharingViolation : systemErrorFromErrno(errno);
        ::close(fd);
        return invalidHandleValue();
    }
    const int heldFolder = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (heldFolder < 0) {
        error = systemErrorFromErrno(errno);
        ::close(fd);
        return invalidHandleValue();
    }
    error = errorSuccess;
    return posix::toHandle(new posix::NamedFileHandle(fd, heldFolder, name.string()));
}

} // namespace

PathAttributes ProfileFolders::attributes(const std::filesystem::path& path) {
    return readPathAttributes(path);
}

std::uint32_t ProfileFolders::createFolder(const HeldFolder& parent,
                                           const std::filesystem::path& name) {
    const int dirFd = folderDescriptor(parent);
    if (dirFd < 0) {
        return errorInvalidHandle;
    }
    return ::mkdirat(dirFd, name.c_str(), 0777) == 0 ? errorSuccess : systemErrorFromErrno(errno);
}

NativeHandle ProfileFolders::openFolder(const HeldFolder* parent, const std::filesystem::path& name,
                                        const std::filesystem::path& fullPath,
                                        std::uint32_t& error) {
    // O_PATH|O_NOFOLLOW opens a link as itself, so the check of the handle sees it.
    int fd = -1;
    if (parent == nullptr) {
        fd = ::open(fullPath.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    } else {
        const int dirFd = folderDescriptor(*parent);
        if (dirFd < 0) {
            error = errorInvalidHandle;
            return invalidHandleValue();
        }
        fd = ::openat(dirFd, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        error = systemErrorFromErrno(errno);
        return invalidHandleValue();
    }
    error = errorSuccess;
    return posix::toHandle(new FdHandle(fd));
}

std::optional<HandleInformation> ProfileFolders::inspect(NativeHandle handle) {
    const int fd = descriptorOf(handle);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    HandleInformation result;
    result.identity = identityOf(info);
    result.reparsePoint = S_ISLNK(info.st_mode);
    result.directory = S_ISDIR(info.st_mode);
    result.onDisk = S_ISREG(info.st_mode) || S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode);
    return result;
}

NativeHandle ProfileFolders::openForRead(const HeldFolder& folder,
                                         const std::filesystem::path& name, std::uint32_t& error) {
    // O_NONBLOCK keeps a pipe planted under the name from stalling the open.
    return openInFolder(folder, name, O_RDONLY | O_NONBLOCK, false, error);
}

NativeHandle ProfileFolders::createExclusive(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    return openInFolder(folder, name, O_RDWR | O_CREAT | O_EXCL, true, error);
}

NativeHandle ProfileFolders::createWriterLock(const HeldFolder& folder,
                                              const std::filesystem::path& name,
                                              std::uint32_t& error) {
    // Windows deletes the lock when its handle closes, a killed holder's too; Linux leaves a
    // killed holder's file behind. So here the lock is the flock its holder keeps on the file
    // until it removes it, and a file that no process holds is taken over.
    for (int attempt = 0; attempt < writerLockAttempts; ++attempt) {
        UniqueHandle lock(openInFolder(folder, name, O_RDWR | O_CREAT | O_NONBLOCK, true, error));
        if (!lock.valid()) {
            return invalidHandleValue();
        }
        // The holder may have removed the file between this open and the flock: then the name
        // is no longer this file, and the next open meets the name as it is now.
        const auto* file = posix::fromHandle<posix::NamedFileHandle>(lock.get());
        struct stat own {};
        struct stat named {};
        if (::fstat(file->fd, &own) == 0 &&
            ::fstatat(file->folderFd, file->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            identityOf(own) == identityOf(named)) {
            return lock.release();
        }
    }
    error = errorSharingViolation;
    return invalidHandleValue();
}

NativeHandle ProfileFolders::openSessionLock(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    return openInFolder(folder, name, O_RDWR | O_CREAT | O_NONBLOCK, true, error);
}

NativeHandle ProfileFolders::openForDeletion(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    return openInFolder(folder, name, O_RDONLY | O_NONBLOCK, false, error);
}

std::optional<std::uint64_t> ProfileFolders::fileSize(NativeHandle handle) {
    const int fd = descriptorOf(handle);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool ProfileFolders::readExact(NativeHandle handle, std::size_t count, std::string& bytes) {
    const int fd = descriptorOf(handle);
    bytes.assign(count, '\0');
    if (fd < 0) {
        return false;
    }
    const ssize_t got = ::read(fd, bytes.data(), count);
    return got >= 0 && static_cast<std::size_t>(got) == count;
}

bool ProfileFolders::writeAll(NativeHandle handle, std::string_view bytes) {
    const int fd = descriptorOf(handle);
    if (fd < 0) {
        return false;
    }
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

bool ProfileFolders::flush(NativeHandle handle) {
    const int fd = descriptorOf(handle);
    return fd >= 0 && ::fsync(fd) == 0;
}

bool ProfileFolders::markForDeletion(NativeHandle handle) {
    auto* file = posix::fromHandle<posix::NamedFileHandle>(handle);
    if (file == nullptr) {
        return false;
    }
    // Linux deletes by name: the name must still be this very file.
    struct stat own {};
    struct stat named {};
    if (::fstat(file->fd, &own) != 0 ||
        ::fstatat(file->folderFd, file->name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 ||
        !(identityOf(own) == identityOf(named))) {
        return false;
    }
    if (::unlinkat(file->folderFd, file->name.c_str(), 0) != 0) {
        return false;
    }
    posix::syncFolder(file->folderFd);
    return true;
}

std::vector<std::filesystem::path> ProfileFolders::listFolder(const HeldFolder& folder) {
    std::vector<std::filesystem::path> names;
    const int dirFd = folderDescriptor(folder);
    const int fd = dirFd < 0 ? -1 : ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw std::filesystem::filesystem_error(
            "directory_iterator::directory_iterator", folder.path,
            std::error_code(dirFd < 0 ? EBADF : errno, std::generic_category()));
    }
    DIR* listing = ::fdopendir(fd);
    if (listing == nullptr) {
        const int code = errno;
        ::close(fd);
        throw std::filesystem::filesystem_error("directory_iterator::directory_iterator",
                                                folder.path,
                                                std::error_code(code, std::generic_category()));
    }
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    ::closedir(listing);
    return names;
}

} // namespace platform
