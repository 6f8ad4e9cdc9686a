#pragma once
// Digests of test fixtures (fake ROM files, fake game executables), as lower-case hexadecimal.
// Test-side only, so fixtures do not depend on the launcher's own hashing.
#include <cstdint>
#include <string>
#include <string_view>

namespace testsupport {

std::uint32_t crc32Of(std::string_view bytes);
std::string crc32Hex(std::string_view bytes); // eight digits
std::string sha1Hex(std::string_view bytes);
std::string sha256Hex(std::string_view bytes);

// Bytes in lower-case hexadecimal.
std::string toHex(std::string_view bytes);

} // namespace testsupport
