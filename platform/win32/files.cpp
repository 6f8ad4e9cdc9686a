#include "platform/files.h"
#include "platform/system_error.h"

#include <windows.h>

namespace platform {

PathAttributes readPathAttributes(const std::filesystem::path& path) {
    PathAttributes result;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        result.error = error;
        result.kind = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                          ? PathAttributes::Kind::missing
                          : PathAttributes::Kind::unreadable;
        return result;
    }
    result.kind = PathAttributes::Kind::present;
    result.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    result.directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return result;
}

File File::createNew(const std::filesystem::path& path, std::uint32_t& error) {
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return File();
    }
    error = ERROR_SUCCESS;
    return File(handle);
}

bool File::writeAll(std::string_view bytes) {
    if (!isOpen() || bytes.size() > MAXDWORD) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = ::WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                &written, nullptr);
    return ok != FALSE && written == bytes.size();
}

bool File::flush() {
    return isOpen() && ::FlushFileBuffers(handle_.get()) != FALSE;
}

static std::optional<FileIdentity> identityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileInformationByHandle(handle, &info) == FALSE) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                            info.nFileIndexLow};
}

std::optional<FileIdentity> File::identity() const {
    if (!isOpen()) {
        return std::nullopt;
    }
    return identityOfHandle(handle_.get());
}

namespace {

// Attribute access only, of the entry itself (a link is not followed): a file that its writer
// holds shared with nobody still answers.
UniqueHandle openForAttributes(const std::filesystem::path& path) {
    return UniqueHandle(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
        nullptr));
}

} // namespace

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path) {
    const UniqueHandle handle = openForAttributes(path);
    if (!handle.valid()) {
        return std::nullopt;
    }
    return identityOfHandle(handle.get());
}

std::uint32_t replaceFileWriteThrough(const std::filesystem::path& from,
                                      const std::filesystem::path& to) {
    if (::MoveFileExW(from.c_str(), to.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == FALSE) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

std::uint32_t deleteFile(const std::filesystem::path& path) {
    return ::DeleteFileW(path.c_str()) != FALSE ? ERROR_SUCCESS : ::GetLastError();
}

bool isFullyQualifiedPath(const std::filesystem::path& path) {
    return path.has_root_name() && path.has_root_directory();
}

std::optional<std::uint64_t> lastWriteTime(const std::filesystem::path& path) {
    const UniqueHandle handle = openForAttributes(path);
    if (!handle.valid()) {
        return std::nullopt;
    }
    FILETIME written{};
    if (::GetFileTime(handle.get(), nullptr, nullptr, &written) == FALSE) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

// One query of the entry itself, without opening it: a reparse point answers for itself.
std::optional<FileStamp> readFileStamp(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == FALSE) {
        return std::nullopt;
    }
    constexpr DWORD notPlain =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    FileStamp stamp;
    stamp.regular = (data.dwFileAttributes & notPlain) == 0;
    stamp.reparsePoint = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.lastWriteTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

} // namespace platform
