#include "platform/shared_read.h"
#include "platform/handle.h"

#include <windows.h>

namespace platform {

std::optional<std::string> readOnceShared(const std::filesystem::path& path,
                                          std::size_t bufferBytes) {
    if (bufferBytes > MAXDWORD) {
        return std::nullopt;
    }
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    std::string buffer(bufferBytes, '\0');
    DWORD read = 0;
    if (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(bufferBytes), &read, nullptr) ==
        FALSE) {
        return std::nullopt;
    }
    buffer.resize(read);
    return buffer;
}

} // namespace platform
