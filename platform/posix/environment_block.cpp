#include "platform/environment_block.h"
#include "platform/text.h"

#include <unistd.h>

extern char** environ;

namespace platform {

std::optional<std::vector<std::wstring>> environmentStrings() {
    if (environ == nullptr) {
        return std::nullopt;
    }
    std::vector<std::wstring> strings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        strings.push_back(wideFromUtf8(*entry));
    }
    return strings;
}

} // namespace platform
