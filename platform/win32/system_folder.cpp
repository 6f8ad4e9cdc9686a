#include "platform/system_folder.h"

#include <string>
#include <windows.h>

namespace platform {

std::optional<std::filesystem::path> systemFolder() {
    constexpr UINT capacity = 32768;
    std::wstring buffer(capacity, L'\0');
    const UINT length = ::GetSystemDirectoryW(buffer.data(), capacity);
    if (length == 0 || length >= capacity) {
        return std::nullopt;
    }
    buffer.resize(length);
    return std::filesystem::path(buffer);
}

} // namespace platform
