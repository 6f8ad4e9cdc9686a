#include "platform/environment_block.h"

#include <windows.h>

namespace platform {

std::optional<std::vector<std::wstring>> environmentStrings() {
    wchar_t* block = ::GetEnvironmentStringsW();
    if (block == nullptr) {
        return std::nullopt;
    }
    std::vector<std::wstring> strings;
    for (const wchar_t* entry = block; *entry != L'\0';) {
        std::wstring text(entry);
        entry += text.size() + 1;
        strings.push_back(std::move(text));
    }
    ::FreeEnvironmentStringsW(block);
    return strings;
}

} // namespace platform
