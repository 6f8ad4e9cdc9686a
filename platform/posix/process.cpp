#include "platform/process.h"
#include "platform/text.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace platform {

std::uint32_t currentProcessId() {
    return static_cast<std::uint32_t>(::getpid());
}

ModulePath executablePath(std::uint32_t bufferUnits) {
    std::string buffer(PATH_MAX * 4, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0 || bufferUnits == 0) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(length));
    std::wstring text = wideFromUtf8(buffer);
    const std::size_t units = utf16Length(text);
    // Like the Windows call: a path that does not fit fills the buffer and reports its size.
    if (units >= bufferUnits) {
        return ModulePath{std::wstring(), bufferUnits};
    }
    return ModulePath{std::move(text), static_cast<std::uint32_t>(units)};
}

std::optional<std::vector<std::wstring>> commandLineArguments() {
    std::ifstream stream("/proc/self/cmdline", std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    const std::string all((std::istreambuf_iterator<char>(stream)),
                          std::istreambuf_iterator<char>());
    std::vector<std::wstring> arguments;
    std::size_t start = 0;
    bool first = true;
    while (start < all.size()) {
        std::size_t end = all.find('\0', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        if (!first) {
            arguments.push_back(wideFromUtf8(std::string_view(all).substr(start, end - start)));
        }
        first = false;
        start = end + 1;
    }
    return arguments;
}

std::optional<std::wstring> environmentVariable(const std::wstring& name) {
    const char* value = std::getenv(utf8FromWide(name).c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return wideFromUtf8(value);
}

} // namespace platform
