#include "platform/profile_folder.h"
#include "platform/system_error.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

NativeHandle openResult(HANDLE handle, std::uint32_t& error) {
    error = handle == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    return handle;
}

} // namespace

PathAttributes ProfileFolders::attributes(const std::filesystem::path& path) {
    return readPathAttributes(path);
}

std::uint32_t ProfileFolders::createFolder(const HeldFolder& parent,
                                           const std::filesystem::path& name) {
    const std::filesystem::path path = parent.path / name;
    return ::CreateDirectoryW(path.c_str(), nullptr) != FALSE ? ERROR_SUCCESS : ::GetLastError();
}

NativeHandle ProfileFolders::openFolder(const HeldFolder*, const std::filesystem::path&,
                                        const std::filesystem::path& fullPath,
                                        std::uint32_t& error) {
    // No delete sharing: while held, the folder can be neither renamed nor removed. Sharing binds
    // only opens that ask for data, execute or delete access; traverse is the execute right of a
    // folder, so an open for its attributes alone would hold nothing.
    return openResult(::CreateFileW(fullPath.c_str(), FILE_READ_ATTRIBUTES | FILE_TRAVERSE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr),
                      error);
}

std::optional<HandleInformation> ProfileFolders::inspect(NativeHandle handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!isValidHandle(handle) || ::GetFileInformationByHandle(handle, &info) == FALSE) {
        return std::nullopt;
    }
    HandleInformation result;
    result.identity =
        FileIdentity{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    result.onDisk = ::GetFileType(handle) == FILE_TYPE_DISK;
    result.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    result.directory = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return result;
}

NativeHandle ProfileFolders::openForRead(const HeldFolder& folder,
                                         const std::filesystem::path& name, std::uint32_t& error) {
    const std::filesystem::path path = folder.path / name;
    return openResult(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr),
                      error);
}

NativeHandle ProfileFolders::createExclusive(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    const std::filesystem::path path = folder.path / name;
    return openResult(::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES, 0,
                                    nullptr, CREATE_NEW, FILE_FLAG_WRITE_THROUGH, nullptr),
                      error);
}

NativeHandle ProfileFolders::createWriterLock(const HeldFolder& folder,
                                              const std::filesystem::path& name,
                                              std::uint32_t& error) {
    // Deleted when its handle closes, so a holder that is killed leaves no lock behind.
    const std::filesystem::path path = folder.path / name;
    constexpr DWORD access = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES;
    constexpr DWORD flags = FILE_FLAG_WRITE_THROUGH | FILE_FLAG_DELETE_ON_CLOSE;
    NativeHandle lock = openResult(
        ::CreateFileW(path.c_str(), access, 0, nullptr, CREATE_NEW, flags, nullptr), error);
    if (lock != INVALID_HANDLE_VALUE || error != ERROR_FILE_EXISTS) {
        return lock;
    }
    // A file that outlived its holder (a power cut, an older launcher) opens without sharing only
    // when nobody holds it: then it is taken over. A live holder shares nothing and still refuses.
    return openResult(::CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                                    flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
                      error);
}

NativeHandle ProfileFolders::openSessionLock(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    const std::filesystem::path path = folder.path / name;
    return openResult(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
                      error);
}

NativeHandle ProfileFolders::openForDeletion(const HeldFolder& folder,
                                             const std::filesystem::path& name,
                                             std::uint32_t& error) {
    const std::filesystem::path path = folder.path / name;
    return openResult(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
                      error);
}

std::optional<std::uint64_t> ProfileFolders::fileSize(NativeHandle handle) {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handle, &size) == FALSE || size.QuadPart < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool ProfileFolders::readExact(NativeHandle handle, std::size_t count, std::string& bytes) {
    bytes.assign(count, '\0');
    DWORD got = 0;
    return count <= MAXDWORD &&
           ::ReadFile(handle, bytes.data(), static_cast<DWORD>(count), &got, nullptr) != FALSE &&
           got == count;
}

bool ProfileFolders::writeAll(NativeHandle handle, std::string_view bytes) {
    DWORD written = 0;
    return bytes.size() <= MAXDWORD &&
           ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) !=
               FALSE &&
           written == bytes.size();
}

bool ProfileFolders::flush(NativeHandle handle) {
    return ::FlushFileBuffers(handle) != FALSE;
}

bool ProfileFolders::markForDeletion(NativeHandle handle) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                        sizeof(disposition)) != FALSE;
}

std::vector<std::filesystem::path> ProfileFolders::listFolder(const HeldFolder& folder) {
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path)) {
        names.push_back(entry.path().filename());
    }
    return names;
}

} // namespace platform
