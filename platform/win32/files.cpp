#include "platform/files.h"
#include "platform/system_error.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

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
    // Delete access lets the file be renamed over its target through this handle.
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
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

namespace {

// The toolchain's headers declare this class only for a newer system than the build names. It
// follows FileDispositionInfoEx, which follows FileIdExtdDirectoryRestartInfo.
constexpr auto fileRenameInfoEx =
    static_cast<FILE_INFO_BY_HANDLE_CLASS>(FileIdExtdDirectoryRestartInfo + 2);

// One rename through the file's handle that replaces the target: with POSIX semantics, or, when
// `older`, the rename that every Windows 10 has.
DWORD renameByHandle(HANDLE file, const std::wstring& target, bool older) {
    const std::size_t nameBytes = target.size() * sizeof(wchar_t);
    // The request ends in the name: room for it, its terminator and the fields before it.
    std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes +
                                      sizeof(wchar_t));
    auto* request = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    if (older) {
        request->ReplaceIfExists = TRUE;
    } else {
        request->Flags = FILE_RENAME_FLAG_POSIX_SEMANTICS | FILE_RENAME_FLAG_REPLACE_IF_EXISTS;
    }
    request->RootDirectory = nullptr;
    request->FileNameLength = static_cast<DWORD>(nameBytes);
    std::memcpy(request->FileName, target.c_str(), nameBytes + sizeof(wchar_t));
    if (::SetFileInformationByHandle(file, older ? FileRenameInfo : fileRenameInfoEx, request,
                                     static_cast<DWORD>(buffer.size())) == FALSE) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

// How a system or file system that has no POSIX rename refuses the request.
bool posixRenameRefused(DWORD error) {
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
           error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

} // namespace

std::uint32_t renameOpenFileOver(NativeHandle file, const std::filesystem::path& target) {
    // The older rename fails while any handle is open on the target, a reader's with delete
    // sharing too; a POSIX rename (Windows 10 1709 and later, on NTFS) replaces it, and the
    // reader keeps reading the file it opened.
    std::error_code unknown;
    const std::wstring name =
        (target.is_absolute() ? target : std::filesystem::absolute(target, unknown)).native();
    DWORD error = renameByHandle(file, name, false);
    if (posixRenameRefused(error)) {
        error = renameByHandle(file, name, true);
    }
    if (error == ERROR_SUCCESS) {
        // As a write-through move did: the new name is on the disk before the call returns.
        ::FlushFileBuffers(file);
    }
    return error;
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
