#include "tests/support/test_digest.h"

#include <array>
#include <cstdio>

namespace testsupport {

namespace {

// The reflected CRC-32 of zip and PNG (polynomial 0xEDB88320).
constexpr std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

} // namespace

std::uint32_t crc32Of(std::string_view bytes) {
    static constexpr auto table = crcTable();
    std::uint32_t c = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        c = table[(c ^ static_cast<unsigned char>(byte)) & 0xFFU] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

std::string crc32Hex(std::string_view bytes) {
    char text[9];
    std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(crc32Of(bytes)));
    return text;
}

std::string toHex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text.push_back(digits[value >> 4]);
        text.push_back(digits[value & 0x0F]);
    }
    return text;
}

} // namespace testsupport
