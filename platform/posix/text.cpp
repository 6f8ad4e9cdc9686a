#include "platform/text.h"

#include <cstdint>

namespace platform {

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Length of the well-formed prefix of a sequence whose lead byte is `lead`, following the
// "maximal subpart" rule: a broken sequence is replaced by one U+FFFD for the bytes that could
// still have begun a valid character.
struct Decoded {
    char32_t value;
    std::size_t length;
};

Decoded decodeOne(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t needed = 0;
    char32_t value = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        value = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        value = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {replacementCharacter, 1};
    }
    std::size_t length = 1;
    for (std::size_t i = 0; i < needed; ++i) {
        if (at + length >= text.size()) {
            return {replacementCharacter, length};
        }
        const unsigned char next = byte(at + length);
        if (next < low || next > high) {
            return {replacementCharacter, length};
        }
        low = 0x80;
        high = 0xBF;
        value = (value << 6) | (next & 0x3F);
        ++length;
    }
    return {value, length};
}

} // namespace

std::wstring wideFromUtf8(std::string_view text) {
    std::wstring result;
    result.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const Decoded decoded = decodeOne(text, at);
        result.push_back(static_cast<wchar_t>(decoded.value));
        at += decoded.length;
    }
    return result;
}

std::string utf8FromWide(std::wstring_view text) {
    std::string result;
    result.reserve(text.size());
    for (const wchar_t character : text) {
        auto value = static_cast<std::uint32_t>(character);
        if ((value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
            value = replacementCharacter;
        }
        if (value < 0x80) {
            result.push_back(static_cast<char>(value));
        } else if (value < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (value >> 6)));
            result.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else if (value < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (value >> 12)));
            result.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (value >> 18)));
            result.push_back(static_cast<char>(0x80 | ((value >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((value >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (value & 0x3F)));
        }
    }
    return result;
}

std::size_t utf16Length(std::wstring_view text) {
    std::size_t units = 0;
    for (const wchar_t character : text) {
        units += static_cast<std::uint32_t>(character) > 0xFFFF ? 2 : 1;
    }
    return units;
}

std::filesystem::path pathFromWide(std::wstring_view text) {
    const std::string utf8 = utf8FromWide(text);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::wstring wideFromPath(const std::filesystem::path& path) {
    return wideFromUtf8(path.native());
}

} // namespace platform
