#include "platform/shared_read.h"

#include <windows.h>

#include <algorithm>

namespace platform {

SharedFile SharedFile::open(const std::filesystem::path& path, LeafLink leaf) {
    // No security attributes: the handle is not inherited by a child started meanwhile.
    const DWORD flags =
        FILE_ATTRIBUTE_NORMAL | (leaf == LeafLink::refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
    SharedFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, flags, nullptr));
    if (!file.isOpen()) {
        return SharedFile();
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file.handle_.get()) != FILE_TYPE_DISK ||
        ::GetFileInformationByHandle(file.handle_.get(), &info) == FALSE ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        (leaf == LeafLink::refuse && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)) {
        return SharedFile();
    }
    return file;
}

std::optional<std::uint64_t> SharedFile::size() const {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(handle_.get(), &size) == FALSE || size.QuadPart < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool SharedFile::seek(std::uint64_t offset) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return distance.QuadPart >= 0 &&
           ::SetFilePointerEx(handle_.get(), distance, nullptr, FILE_BEGIN) != FALSE;
}

std::optional<std::size_t> SharedFile::readUpTo(char* into, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, MAXDWORD));
        DWORD read = 0;
        if (::ReadFile(handle_.get(), into + done, piece, &read, nullptr) == FALSE) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    return done;
}

} // namespace platform
