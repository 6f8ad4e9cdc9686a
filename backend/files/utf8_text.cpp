#include "backend/files/utf8_text.h"

#include "platform/text.h"

namespace qxlauncher {

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

bool holdsNul(std::string_view text) {
    return text.find('\0') != std::string_view::npos;
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::wstring utf8ToWide(const char* text) {
    if (text == nullptr || *text == '\0') {
        return L"Native error.";
    }
    std::wstring wide = platform::wideFromUtf8(text);
    return wide.empty() ? L"Native error." : wide;
}

} // namespace qxlauncher
